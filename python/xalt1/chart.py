"""p-h and T-s charts of a fluid, and p-h charts of mixtures, in mass units.

    python3 -m xalt1.chart CODE ph|ts OUT.png|OUT.svg [--table PATH]
    python3 -m xalt1.chart R454B ph OUT.png          (a named blend, xalt1.BLENDS)

Each chart has the saturation dome with the critical point and the quality lines x = 0.1 ..
0.9; the p-h chart (log p against h) labelled isotherms and isentropes, the T-s chart
labelled isobars. Every line is a curve computed state by state (no contouring); a state the
equation does not give leaves a gap, never a jump.

The chart spans the fluid's range: from its lowest temperature (Fluid.range; or from the
temperature at which the saturation pressure is pc/1000, where the saturation pressure at the
lowest temperature lies below that) to Tmax, but at most 1.6 Tc, and in pressure up to 5 pc,
but at most pmax.

From Python, plot(fluid, kind, ax) draws a chart into matplotlib axes and cycle(ax, states)
draws a sequence of states (a refrigeration cycle, say) over it. plot(mixture, "ph") draws a
mixture's p-h chart: its phase envelope as the dome (bubble line, dew line, critical point) and
the isotherms sloped across it (the glide).
"""

import argparse
import collections
import math
import os
import sys
import types

import numpy as np
from matplotlib import cbook
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.ticker import FuncFormatter, LogLocator, NullFormatter

import xalt1

QUALITIES = tuple(round(0.1 * i, 1) for i in range(1, 10))
LINE_POINTS = 300
DOME_COLOUR = "black"
QUALITY_COLOUR = "0.45"
ISOTHERM_COLOUR = "#c0392b"
ISENTROPE_COLOUR = "#1f6fb2"
ISOBAR_COLOUR = "#1f6fb2"
CYCLE_COLOUR = "#e07b00"
FIGURE_SIZE = (11.69, 8.27)  # A4 landscape
# Of each kind of chart: the quantities along its axes (x, y), the unit of x, and what
# draw() notes under it.
AXES_QUANTITIES = {"ph": ("h", "p"), "ts": ("s", "T")}
X_UNITS = {"ph": "kJ/kg", "ts": "kJ/(kg K)"}
FOOTNOTES = {"ph": "red: isotherms T / K; blue: isentropes s / (kJ/(kg K))",
             "ts": "blue: isobars p / MPa"}

# Which lines a chart shows: isotherms and isentropes on p-h, isobars on T-s, the quality
# lines on both; labels are the values written on the lines and the critical point's name.
Show = collections.namedtuple("Show", "isotherms isentropes isobars qualities labels",
                              defaults=(True,) * 5)
# What plot() drew into an axes, kept on it as ax._xalt1_chart for cycle().
DrawnChart = collections.namedtuple("DrawnChart", "kind code M")


def nice_step(span, count):
    """A step of 1, 2, 2.5 or 5 times a power of ten that cuts span into about count parts."""
    raw = span / count
    power = 10.0 ** math.floor(math.log10(raw))
    for factor in (1, 2, 2.5, 5, 10):
        if factor * power >= raw:
            return factor * power
    return 10 * power


def round_values(lo, hi, step):
    """The multiples of step in [lo, hi]."""
    first = math.ceil(lo / step - 1e-9)
    last = math.floor(hi / step + 1e-9)
    return [round(k * step, 10) for k in range(first, last + 1)]


def pressure_series(lo, hi, least=8):
    """1, 2, 5 times powers of ten in [lo, hi]; 1, 1.5, 2, 3, 4, 5, 7 times where that gives
    fewer than `least` values (a narrow range, as from the triple point of CO2)."""
    for mantissas in ((1, 2, 5), (1, 1.5, 2, 3, 4, 5, 7)):
        values = _pressures(lo, hi, mantissas)
        if len(values) >= least:
            break
    return values


def _pressures(lo, hi, mantissas):
    values = []
    for exponent in range(math.floor(math.log10(lo)) - 1, math.ceil(math.log10(hi)) + 1):
        for mantissa in mantissas:
            p = mantissa * 10.0 ** exponent
            if lo <= p <= hi:
                values.append(float(f"{p:.6g}"))
    return values


def number_text(value):
    return f"{value:g}"


def _found(st, **inputs):
    """Where the states of an array call were found and reproduce their inputs."""
    good = st.error == ""
    for name, value in inputs.items():
        good &= np.isclose(getattr(st, name), value, rtol=1e-6, atol=1e-9)
    return good


class ChartData:
    """The ranges and the saturation curve of one fluid, in mass units."""

    def __init__(self, fluid):
        self.fluid = fluid
        info = fluid.info
        self.info = info
        tmin, tmax, pmax = fluid.range
        self.Tmin, self.Tmax = tmin, tmax
        self.Tc, self.pc = info.Tc, info.pc
        self.critical = fluid.critical
        self.T_top = min(tmax, 1.6 * self.Tc)
        self.p_top = min(pmax, 5.0 * self.pc)
        self.p_beyond = min(pmax, 1.2 * self.p_top)  # lines run on past the chart's edge
        self._saturation_curve(tmin)
        self.p_bottom = max(self.sat_p[0], self.pc * 1e-3)
        self.T_bottom = self.saturation_temperature(self.p_bottom)

    def _saturation_curve(self, tmin):
        # Denser towards Tc, where the dome closes.
        u = np.linspace(0.0, 1.0, 400)
        T = self.Tc - (self.Tc - tmin) * (1.0 - u) ** 3
        T = T[T < self.Tc * (1 - 1e-7)]
        liq, vap = self.fluid.saturation(T=T)
        good = (liq.error == "") & (vap.error == "")
        self.sat_T = T[good]
        self.sat_p = liq.p[good]
        self.liq = {q: getattr(liq, q)[good] for q in ("h", "s", "D")}
        self.vap = {q: getattr(vap, q)[good] for q in ("h", "s", "D")}
        if len(self.sat_T) < 10:
            raise ValueError(f"{self.info.code}: the saturation curve could not be computed")

    def saturation_temperature(self, p):
        if p <= self.sat_p[0]:
            return float(self.sat_T[0])
        return float(np.interp(math.log(p), np.log(self.sat_p), self.sat_T))

    def dome(self, quantity):
        """The dome as one curve: liquid branch up to the critical point, vapour branch down."""
        return np.concatenate([self.liq[quantity], [getattr(self.critical, quantity)],
                               self.vap[quantity][::-1]])

    def dome_y(self, quantity):
        values = {"p": self.sat_p, "T": self.sat_T}[quantity]
        return np.concatenate([values, [getattr(self.critical, quantity)], values[::-1]])

    def quality_line(self, x, quantity):
        return self.liq[quantity] + x * (self.vap[quantity] - self.liq[quantity])

    def isotherm(self, T):
        """(h, p, n) of the isotherm T from below p_bottom to above p_top, across the dome at
        ps: n points of the vapour branch, then the saturated vapour and liquid, then the
        liquid branch (n None above Tc; 0 where ps lies below the chart: liquid only)."""
        f = self.fluid
        p_lo = self.p_bottom / 1.2
        D_lo, D_hi = f.state(T=T, p=np.array([p_lo, self.p_beyond])).D
        if not (np.isfinite(D_lo) and np.isfinite(D_hi)):
            return None
        if T >= self.Tc:
            return (*self._td_curve(T, np.geomspace(D_lo, D_hi, 2 * LINE_POINTS)), None)
        try:
            liq, vap = f.saturation(T=T)
        except ValueError:
            return None
        if vap.p <= p_lo:  # below the chart: its liquid branch only
            return (*self._td_curve(T, np.geomspace(D_lo, D_hi, LINE_POINTS)), 0)
        vapour = self._td_curve(T, np.geomspace(D_lo, vap.D, LINE_POINTS, endpoint=False))
        liquid = self._td_curve(T, np.geomspace(liq.D, D_hi, LINE_POINTS)[1:])
        h = np.concatenate([vapour[0], [vap.h, liq.h], liquid[0]])
        p = np.concatenate([vapour[1], [vap.p, liq.p], liquid[1]])
        return h, p, LINE_POINTS

    def _td_curve(self, T, D):
        st = self.fluid.state(T=T, D=D)
        good = _found(st, T=T, D=D)
        return np.where(good, st.h, np.nan), np.where(good, st.p, np.nan)

    def isentrope(self, s):
        """(h, p) of the isentrope s in single phase (two-phase parts left out)."""
        p = np.geomspace(self.p_bottom / 1.2, self.p_beyond, LINE_POINTS)
        st = self.fluid.state(p=p, s=s)
        good = _found(st, p=p, s=s) & (st.phase != "two-phase")
        return np.where(good, st.h, np.nan), p

    def isobar(self, p):
        """(s, T) of the isobar p from T_bottom to T_top, across the dome at Ts."""
        lo = max(self.T_bottom - 0.05 * (self.T_top - self.T_bottom), self.Tmin)
        hi = min(self.T_top * 1.02, self.Tmax)
        whole = np.linspace(lo, hi, 2 * LINE_POINTS)
        if p >= self.pc:
            return self._tp_curve(whole, p), whole
        try:
            liq, vap = self.fluid.saturation(p=p)
        except ValueError:
            return self._tp_curve(whole, p), whole
        Ts = liq.T
        if Ts <= lo:  # below the chart: its vapour branch only
            return self._tp_curve(whole, p), whole
        T_liq = np.linspace(lo, Ts, LINE_POINTS, endpoint=False)
        T_vap = np.linspace(Ts, hi, LINE_POINTS)[1:]
        s = np.concatenate([self._tp_curve(T_liq, p), [liq.s, vap.s], self._tp_curve(T_vap, p)])
        T = np.concatenate([T_liq, [Ts, Ts], T_vap])
        return s, T

    def _tp_curve(self, T, p):
        st = self.fluid.state(T=T, p=p)
        good = _found(st, T=T, p=p) & (st.phase != "two-phase")
        return np.where(good, st.s, np.nan)


def _label_on_curve(ax, x, y, index, text, colour, size=7):
    """text on the curve at point index, turned along the curve as it appears on the chart."""
    n = len(x)
    lo, hi = max(index - 2, 0), min(index + 2, n - 1)
    while lo < index and not (np.isfinite(x[lo]) and np.isfinite(y[lo])):
        lo += 1
    while hi > index and not (np.isfinite(x[hi]) and np.isfinite(y[hi])):
        hi -= 1
    angle = 0.0
    if hi > lo:
        (x0, y0), (x1, y1) = ax.transData.transform([(x[lo], y[lo]), (x[hi], y[hi])])
        angle = math.degrees(math.atan2(y1 - y0, x1 - x0))
        if angle > 90:
            angle -= 180
        elif angle < -90:
            angle += 180
    ax.text(x[index], y[index], text, color=colour, fontsize=size, rotation=angle,
            rotation_mode="anchor", ha="center", va="center", clip_on=True, zorder=5,
            bbox=dict(boxstyle="square,pad=0.1", fc="white", ec="none", alpha=0.85))


def _nearest_index(ax, x, y, target, log=False):
    """Index of the point of the curve (x, y) nearest target in y (in log where asked) among
    the points where a label is not cut by the chart's edge; None if there is none."""
    values = np.asarray(y, dtype=float)
    candidates = [i for i in range(len(values)) if _inside(ax, x[i], y[i])]
    if not candidates:
        return None
    v = values[candidates]
    d = np.abs(np.log(v) - math.log(target)) if log else np.abs(v - target)
    return candidates[int(np.argmin(d))]


def _inside(ax, x, y, margin=0.03):
    """Whether (x, y) lies inside the axes, at least margin (a fraction of the axes) from the
    edges, so that a label there is not cut."""
    if not (np.isfinite(x) and np.isfinite(y)):
        return False
    u, v = ax.transAxes.inverted().transform(ax.transData.transform((x, y)))
    return margin < u < 1 - margin and margin < v < 1 - margin


class MixtureChartData:
    """The ranges, bubble and dew lines of a mixture in mass units, for a p-h chart: the dome
    is the phase envelope, its bubble line (the liquid of the mixture's composition) and its dew
    line (the vapour) meeting at the critical point; isotherms cross the dome sloped (the glide).
    Lines have fewer points than a fluid's: every state of a mixture is a flash."""

    ISOTHERM_POINTS = 120
    ISENTROPE_POINTS = 40

    def __init__(self, mix):
        self.fluid = mix
        envelope = mix.envelope()
        self.critical = envelope.critical
        self.Tc, self.pc = self.critical.T, self.critical.p
        self.info = types.SimpleNamespace(
            code=mix.name, name=mix.name, Tc=self.Tc, pc=self.pc, M=mix.M, reference_state="",
            title=f"{mix.name} ({_composition_text(mix)}): p-h chart\ncritical point of the "
                  f"mixture: Tc = {self.Tc:.2f} K, pc = {self.pc:.4g} MPa; "
                  f"cricondentherm {envelope.cricondentherm.T:.2f} K")
        tmin, tmax, pmax = mix.range
        self.Tmin, self.Tmax = tmin, tmax
        self.T_top = min(tmax, 1.6 * self.Tc)
        self.p_top = min(pmax, 5.0 * self.pc)
        self.p_beyond = min(pmax, 1.2 * self.p_top)
        bubble = envelope.bubble
        self.sat_p = envelope.p[bubble]
        self.sat_T = envelope.T[bubble]
        self.dew_p = envelope.p[~bubble]
        self.liq = {"h": envelope.liquid.h[bubble]}
        self.vap = {"h": envelope.vapour.h[~bubble]}
        self.p_bottom = max(float(np.min(envelope.p)), self.pc * 1e-3)
        self.T_bottom = float(self.sat_T[0])

    def dome(self, quantity):
        return np.concatenate([self.liq[quantity], [getattr(self.critical, quantity)],
                               self.vap[quantity]])

    def dome_y(self, quantity):
        return np.concatenate([self.sat_p, [self.pc], self.dew_p])

    def isotherm(self, T):
        """(h, p, n) of the isotherm T by (T, p) flashes: n the points before it meets the dew
        line (None above the critical temperature)."""
        p = np.geomspace(self.p_bottom / 1.2, self.p_beyond, self.ISOTHERM_POINTS)
        # The bubble and dew points themselves, where the isotherm turns.
        corners = self.fluid.state(T=np.array([T, T]), x=np.array([0.0, 1.0]))
        p = np.unique(np.concatenate([p, corners.p[np.isfinite(corners.p)]]))
        st = self.fluid.state(T=T, p=p)
        good = _found(st, T=T, p=p)
        h = np.where(good, st.h, np.nan)
        if T >= self.Tc:
            return h, p, None
        vapour = np.flatnonzero(good & (st.phase == "vapour"))
        return h, p, int(vapour[-1]) if len(vapour) else 0

    def isentrope(self, s):
        p = np.geomspace(self.p_bottom / 1.2, self.p_beyond, self.ISENTROPE_POINTS)
        st = self.fluid.state(p=p, s=s)
        good = _found(st, p=p, s=s) & (st.phase != "two-phase")
        return np.where(good, st.h, np.nan), p


def _composition_text(mix):
    return ", ".join(f"{code} {z:.4g}" for code, z in zip(mix.components, mix.z)) + " mol/mol"


def _draw_dome(ax, data, x_quantity, y_quantity, show):
    ax.plot(data.dome(x_quantity), data.dome_y(y_quantity), color=DOME_COLOUR, lw=1.6,
            zorder=4, label="saturation dome")
    label = "vapour fraction x = 0.1 ... 0.9"
    for x in QUALITIES if show.qualities else ():
        ax.plot(data.quality_line(x, x_quantity), data.dome_y(y_quantity)[: len(data.sat_T)],
                color=QUALITY_COLOUR, lw=0.6, ls=(0, (4, 3)), zorder=3, label=label)
        label = None
    cx, cy = getattr(data.critical, x_quantity), getattr(data.critical, y_quantity)
    ax.plot([cx], [cy], "o", color=DOME_COLOUR, ms=5, zorder=6)
    if show.labels:
        ax.annotate("critical point", (cx, cy), xytext=(6, 6), textcoords="offset points",
                    fontsize=8, zorder=6)


def _label_qualities(ax, data, x_quantity, y_quantity, y_label):
    y = data.dome_y(y_quantity)[: len(data.sat_T)]
    for x in QUALITIES:
        line = data.quality_line(x, x_quantity)
        i = _nearest_index(ax, line, y, y_label, log=(y_quantity == "p"))
        if i is not None:
            _label_on_curve(ax, line, y, i, f"x = {x:g}", QUALITY_COLOUR, size=6.5)


def _title(ax, data, kind):
    info = data.info
    if getattr(info, "title", None):
        ax.set_title(info.title, fontsize=11)
        return
    name = f"{info.name} ({info.code})" if info.name and info.name != info.code else info.code
    ax.set_title(f"{name}: {kind} chart\ncritical point of the table's equation: "
                 f"Tc = {info.Tc:.2f} K, pc = {info.pc:.4g} MPa", fontsize=11)


def _source(data):
    """Where the values come from: the table and the fluid's reference state."""
    text = f"xalt1, table {os.path.basename(data.fluid.table)}"
    if data.info.reference_state:
        text += f", reference state {data.info.reference_state}"
    return text


def _footnote(fig, data, lines, qualities=True):
    """What the lines are (left) and where the values come from (right), under the chart."""
    fig.text(0.01, 0.01, lines + ("; dashed: vapour fraction x" if qualities else ""),
             ha="left", va="bottom", fontsize=7, color="0.4")
    fig.text(0.99, 0.01, _source(data), ha="right", va="bottom", fontsize=7, color="0.4")


def _log_pressure_axis(ax):
    ax.set_yscale("log")
    ax.yaxis.set_major_locator(LogLocator(base=10, subs=(1.0, 2.0, 5.0)))
    ax.yaxis.set_major_formatter(FuncFormatter(lambda v, _: f"{v:g}"))
    ax.yaxis.set_minor_formatter(NullFormatter())


def draw_ph(ax, data, show=Show()):
    """Draws the p-h chart of data into ax: the lines show asks for, the title."""
    _log_pressure_axis(ax)
    h_left = np.nanmin(data.liq["h"][data.sat_p >= data.p_bottom * 0.999])
    right = data.fluid.state(T=data.T_top, p=data.p_bottom)
    h_right = right.h
    span = h_right - h_left
    ax.set_xlim(h_left - 0.04 * span, h_right + 0.03 * span)
    ax.set_ylim(data.p_bottom, data.p_top)
    ax.set_xlabel("specific enthalpy h / (kJ/kg)")
    ax.set_ylabel("pressure p / MPa")
    ax.grid(True, which="major", color="0.9", lw=0.6)
    _draw_dome(ax, data, "h", "p", show)
    log_span = math.log(data.p_top / data.p_bottom)
    if show.isentropes:
        _draw_isentropes(ax, data, log_span, show.labels)
    if show.isotherms:
        _draw_isotherms(ax, data, log_span, show.labels)
    if show.qualities and show.labels:
        _label_qualities(ax, data, "h", "p", data.p_bottom * math.exp(0.06 * log_span))
    _title(ax, data, "p-h")


def _draw_isotherms(ax, data, log_span, labels):
    step = nice_step(data.T_top - data.T_bottom, 18)
    legend = "isotherms T / K"
    for T in round_values(data.T_bottom + 0.05 * step, data.T_top, step):
        curve = data.isotherm(T)
        if curve is None:
            continue
        h, p, n_vapour = curve
        ax.plot(h, p, color=ISOTHERM_COLOUR, lw=0.8, zorder=2, label=legend)
        legend = None
        if not labels:
            continue
        # The label sits on the vapour branch a little below where the isotherm leaves the
        # dome, or below pc above Tc; where that is under the chart, on the liquid branch near
        # the top.
        if n_vapour is None:
            i = _nearest_index(ax, h, p, data.pc / math.exp(0.12 * log_span), log=True)
        else:
            p_corner = p[n_vapour]
            p_label = p_corner / math.exp(0.07 * log_span)
            if p_label > data.p_bottom * math.exp(0.04 * log_span):
                i = _nearest_index(ax, h[:n_vapour], p[:n_vapour], p_label, log=True)
            else:
                top = data.p_top / math.exp(0.05 * log_span)
                i = _nearest_index(ax, h[n_vapour + 2:], p[n_vapour + 2:], top, log=True)
                i = None if i is None else i + n_vapour + 2
        if i is not None:
            _label_on_curve(ax, h, p, i, f"{number_text(T)} K", ISOTHERM_COLOUR)


def _draw_isentropes(ax, data, log_span, labels):
    s_c = data.critical.s
    right = data.fluid.state(T=data.T_top, p=data.p_bottom).s
    step = nice_step(right - s_c, 16)
    legend = "isentropes s / (kJ/(kg K))"
    for s in round_values(s_c, right, step):
        h, p = data.isentrope(s)
        ax.plot(h, p, color=ISENTROPE_COLOUR, lw=0.6, zorder=2, label=legend)
        legend = None
        if not labels:
            continue
        i = _nearest_index(ax, h, p, data.p_top / math.exp(0.12 * log_span), log=True)
        if i is not None:
            _label_on_curve(ax, h, p, i, f"s = {number_text(s)}", ISENTROPE_COLOUR, size=6.5)


def _low_gap(levels, width):
    """The middle of the lowest gap between sorted levels that is at least width wide."""
    for lo, hi in zip(levels, levels[1:]):
        if hi - lo >= width:
            return 0.5 * (lo + hi)
    return levels[0] + 0.5 * width


def draw_ts(ax, data, show=Show()):
    """Draws the T-s chart of data into ax: the lines show asks for, the title."""
    s_left = np.nanmin(data.liq["s"][data.sat_T >= data.T_bottom * 0.999])
    s_right = data.fluid.state(T=data.T_top, p=data.p_bottom).s
    span = s_right - s_left
    ax.set_xlim(s_left - 0.04 * span, s_right + 0.03 * span)
    T_span = data.T_top - data.T_bottom
    ax.set_ylim(data.T_bottom - 0.03 * T_span, data.T_top)
    ax.set_xlabel("specific entropy s / (kJ/(kg K))")
    ax.set_ylabel("temperature T / K")
    ax.grid(True, color="0.9", lw=0.6)
    _draw_dome(ax, data, "s", "T", show)
    lowest = max(ax.get_ylim()[0], data.sat_T[0]) + 0.03 * T_span
    crossings = [lowest]  # where the isobars cross the dome, above the lowest label level
    legend = "isobars p / MPa"
    for p in pressure_series(data.p_bottom, data.p_top) if show.isobars else ():
        s, T = data.isobar(p)
        ax.plot(s, T, color=ISOBAR_COLOUR, lw=0.8, zorder=2, label=legend)
        legend = None
        if p < data.pc and data.saturation_temperature(p) > lowest:
            crossings.append(data.saturation_temperature(p))
        i = _nearest_index(ax, s, T, data.T_top - 0.1 * T_span) if show.labels else None
        if i is not None:
            _label_on_curve(ax, s, T, i, f"{number_text(p)} MPa", ISOBAR_COLOUR)
    if show.qualities and show.labels:
        _label_qualities(ax, data, "s", "T", _low_gap(sorted(crossings), 0.035 * T_span))
    _title(ax, data, "T-s")


def chart_kind(kind):
    """"ph" or "ts" for kind given as ph, p-h, ts or T-s, in any case."""
    key = str(kind).lower().replace("-", "")
    if key not in AXES_QUANTITIES:
        raise ValueError(f"chart kind must be ph or ts (or p-h, T-s), not {kind!r}")
    return key


def mass_fluid(fluid):
    """fluid itself if loaded in mass units, else the same fluid (or mixture) of the same table
    in them."""
    if fluid.units == "mass":
        return fluid
    if isinstance(fluid, xalt1.Mixture):
        return fluid.in_units("mass")
    return xalt1.Fluid(fluid.code, table=fluid.table, units="mass")


def _chart_data(fluid, kind):
    """The chart's data of a fluid or a mixture (mass units); mixtures have p-h charts."""
    if isinstance(fluid, xalt1.Mixture):
        if kind != "ph":
            raise ValueError("a mixture's chart is the p-h chart")
        return MixtureChartData(fluid)
    return ChartData(fluid)


def _draw_chart(ax, data, kind, show):
    (draw_ph if kind == "ph" else draw_ts)(ax, data, show)


def _legend(ax, title=None):
    """The legend of the chart in ax, made anew to hold every labelled line; it keeps the
    title of the one it replaces unless given one."""
    if title is None and ax.get_legend() is not None:
        title = ax.get_legend().get_title().get_text()
    ax.legend(loc="upper left", title=title, fontsize=7, title_fontsize=7,
              framealpha=0.9).set_zorder(9)


def plot(fluid, kind, ax=None, *, isotherms=True, isentropes=True, isobars=True,
         qualities=True, labels=True, legend=True):
    """Draws the chart kind ("ph" or "ts"; also "p-h", "T-s", any case) of fluid into the
    matplotlib axes ax, or into a new pyplot figure where ax is None; returns the axes.

    isotherms and isentropes (p-h), isobars (T-s) and qualities (the lines x = 0.1 .. 0.9)
    switch those lines; labels the values written on them; legend a legend in the axes that
    names the lines, the table and the reference state. Of a given ax's figure only the axes
    are touched. The chart is in mass units whatever the fluid's units; a fluid loaded in molar
    units is drawn from its mass-unit twin and the legend (or, without it, the title) says so.
    The kind and the molar mass are kept on the axes for cycle().
    """
    kind = chart_kind(kind)
    own_figure = ax is None
    if own_figure:
        import matplotlib.pyplot as plt
        ax = plt.figure(figsize=FIGURE_SIZE).add_subplot(1, 1, 1)
    data = _chart_data(mass_fluid(fluid), kind)
    qualities = qualities and not isinstance(fluid, xalt1.Mixture)
    _draw_chart(ax, data, kind, Show(isotherms, isentropes, isobars, qualities, labels))
    note = f"drawn in mass units ({X_UNITS[kind]})" if fluid.units != "mass" else None
    if legend:
        if note:
            ax.plot([], [], " ", label=note)
        _legend(ax, title=_source(data))
    elif note:
        ax.set_title(f"{ax.get_title()}, {note}", fontsize=11)
    ax._xalt1_chart = DrawnChart(kind, data.info.code, data.info.M)
    if own_figure:
        ax.figure.tight_layout()
    return ax


def cycle(ax, states, kind=None, close=True, label=None, **line_options):
    """Draws states over the chart in ax as points numbered 1..n joined by lines, from the
    last back to the first where close; returns the axes (the line is ax.lines[-1]).

    states: a sequence of States (scalar or of arrays, taken in order) or one State of arrays.
    kind ("ph" or "ts") defaults to the chart plot() drew into ax. States in molar units are
    converted to mass units with the molar mass of the fluid plot() drew (so they must be of
    that fluid; on axes without such a chart, give states in mass units). label names the
    cycle in the legend; line_options (color, lw, marker, ...) go to ax.plot. The axes' limits
    are left as they are.
    """
    drawn = getattr(ax, "_xalt1_chart", None)
    kind = _cycle_kind(drawn, kind)
    M = drawn.M if drawn else None
    x, y = (_state_values(states, name, M) for name in AXES_QUANTITIES[kind])
    n = len(x)
    if n == 0:
        raise ValueError("cycle() needs at least one state")
    if close and n > 1:
        x, y = np.append(x, x[0]), np.append(y, y[0])
    options = dict(color=CYCLE_COLOUR, linewidth=1.8, marker="o", markersize=5,
                   markerfacecolor="white", markeredgewidth=1.5, zorder=7,
                   markevery=list(range(n)))
    options.update(cbook.normalize_kwargs(line_options, Line2D))
    line, = ax.plot(x, y, label=label, **options)
    _number_points(ax, x[:n], y[:n], line.get_color())
    if label is not None:
        _legend(ax)
    return ax


def _cycle_kind(drawn, kind):
    """The kind of chart cycle() draws over: kind if given (and not at odds with the chart
    in the axes), else that chart's."""
    if kind is None:
        if drawn is None:
            raise ValueError("these axes hold no chart drawn by xalt1.chart.plot(): "
                             "give kind=\"ph\" or \"ts\"")
        return drawn.kind
    kind = chart_kind(kind)
    if drawn is not None and drawn.kind != kind:
        raise ValueError(f"these axes hold a {drawn.kind} chart, not a {kind} one")
    return kind


def _state_values(states, name, M):
    """The values of quantity name of the states as one array, in mass units."""
    if hasattr(states, "units"):  # one State of arrays
        states = [states]
    parts = []
    for st in states:
        values = np.atleast_1d(np.asarray(getattr(st, name), dtype=float)).ravel()
        if st.units == "molar" and name in ("h", "s"):
            if M is None:
                raise ValueError("states in molar units need the molar mass of the fluid "
                                 "plot() drew into the axes: give them in mass units")
            values = values / M  # J/mol over g/mol is kJ/kg; J/(mol K), kJ/(kg K)
        parts.append(values)
    values = np.concatenate(parts) if parts else np.empty(0)
    if not np.isfinite(values).all():
        bad = int(np.flatnonzero(~np.isfinite(values))[0]) + 1
        raise ValueError(f"state {bad} has no {name}: it was not found")
    return values


def _number_points(ax, x, y, colour):
    """Numbers 1..n beside the points, each pushed away from their middle."""
    points = ax.transData.transform(np.column_stack([x, y]))
    middle = points.mean(axis=0)
    for i, (point, xi, yi) in enumerate(zip(points, x, y)):
        away = point - middle
        length = math.hypot(*away)
        dx, dy = away / length if length > 0 else (0.7, 0.7)
        ax.annotate(str(i + 1), (xi, yi), xytext=(10 * dx, 10 * dy),
                    textcoords="offset points", ha="center", va="center", fontsize=8,
                    color=colour, fontweight="bold", zorder=8)


def draw(fluid, kind, path):
    """Draws the chart kind ("ph" or "ts") of fluid (loaded in mass units) into path; the
    file's extension (.png, .svg, .pdf) chooses the format."""
    if kind not in ("ph", "ts"):
        raise ValueError(f"chart kind must be ph or ts, not {kind!r}")
    if fluid.units != "mass":
        raise ValueError("charts are drawn in mass units: load the fluid with units=\"mass\"")
    data = _chart_data(fluid, kind)
    fig = Figure(figsize=FIGURE_SIZE)
    FigureCanvasAgg(fig)
    mixture = isinstance(fluid, xalt1.Mixture)
    _draw_chart(fig.add_subplot(1, 1, 1), data, kind, Show(qualities=not mixture))
    _footnote(fig, data, FOOTNOTES[kind], qualities=not mixture)
    fig.tight_layout(rect=(0, 0.02, 1, 1))
    fig.savefig(path, dpi=150)


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m xalt1.chart",
        description="Draws the p-h or T-s chart of a fluid, or the p-h chart of a named blend "
                    "(mass units), into a file.")
    parser.add_argument("code", help="the fluid's code, as in xalt1.fluids(), or a blend's "
                                     "name, as in xalt1.BLENDS")
    parser.add_argument("kind", choices=("ph", "ts"), help="p-h or T-s chart")
    parser.add_argument("out", help="output file: .png, .svg or .pdf")
    parser.add_argument("--table", help="substance table (default: the shipped one)")
    args = parser.parse_args(argv)
    try:
        blends = {name.lower(): name for name in xalt1.BLENDS}
        if args.code.lower() in blends:
            fluid = xalt1.Mixture(blends[args.code.lower()], units="mass", table=args.table)
        else:
            fluid = xalt1.Fluid(args.code, table=args.table, units="mass")
        draw(fluid, args.kind, args.out)
    except (ValueError, OSError) as e:
        print(f"xalt1.chart: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
