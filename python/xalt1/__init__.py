"""Thermodynamic properties of pure fluids from xalt1's molecular equation of state.

    import xalt1
    f = xalt1.Fluid("R1234yf", units="mass")
    st = f.state(p=1.0, h=420.0)          # any two of T, p, D, h, s, x by keyword
    print(st.T, st.D, st.s, st.phase)
    liq, vap = f.saturation(T=273.15)     # or p=...

Inputs are scalars or numpy arrays (broadcast against each other). A scalar call that fails
raises xalt1.Error (a ValueError) whose message names the input, the fluid's range and the
reason; an array call never stops at an element: a failed element's numbers are NaN and its
`error` says why ("" where the state was found).

The input pairs: (T, D), (T, p), (p, D), (p, h), (p, s), (p, u), (T, h), (T, s), (D, h),
(D, s), (D, u), (h, s), (T, x), (p, x), (h, x), (s, x); x is the vapour fraction, 0 for the
saturated liquid and 1 for the saturated vapour. Units are chosen when the fluid is loaded
(see UNITS), and so is the reference state (the zero of u, h, s, f, g).

Derivatives, exact from the equation's analytic derivatives:

    f.derivative("h", "T", "p", T=300.0, p=1.0)        # (dh/dT) at constant p = cp
    f.derivatives([("D", "h", "p"), ("D", "p", "h")], p=1.0, h=400.0)
    f.saturation_derivatives(T=273.15)["dps/dT"]
"""

import collections
import numbers
import os

import numpy as np

from . import _xalt1
from ._xalt1 import Error, FluidInfo, evaluation_count

__version__ = _xalt1.version()

__all__ = ["Error", "Fluid", "FluidInfo", "Mixture", "MixtureState", "Envelope", "EnvelopePoint",
           "PxyDiagram", "TxyDiagram", "Range", "State", "UNITS", "BLENDS", "fluids", "default_table", "evaluation_count", "__version__"]

# The outputs of every state, in this order.
QUANTITIES = tuple(_xalt1.QUANTITIES)
PHASES = tuple(_xalt1.PHASES)
# Phase names by the library's phase number; a failed element (-1) picks the last, "".
_PHASE_NAMES = np.array(PHASES + ("",))

UNITS = {
    "molar": dict(T="K", p="MPa", D="mol/dm3", v="dm3/mol", u="J/mol", h="J/mol",
                  s="J/(mol K)", cv="J/(mol K)", cp="J/(mol K)", f="J/mol", g="J/mol", w="m/s",
                  mu_JT="K/MPa", kappa_T="1/MPa", x="mol/mol"),
    "mass": dict(T="K", p="MPa", D="kg/m3", v="m3/kg", u="kJ/kg", h="kJ/kg", s="kJ/(kg K)",
                 cv="kJ/(kg K)", cp="kJ/(kg K)", f="kJ/kg", g="kJ/kg", w="m/s",
                 mu_JT="K/MPa", kappa_T="1/MPa", x="kg/kg"),
    "SI": dict(T="K", p="Pa", D="kg/m3", v="m3/kg", u="J/kg", h="J/kg", s="J/(kg K)",
               cv="J/(kg K)", cp="J/(kg K)", f="J/kg", g="J/kg", w="m/s",
               mu_JT="K/Pa", kappa_T="1/Pa", x="kg/kg"),
    "SI-molar": dict(T="K", p="Pa", D="mol/m3", v="m3/mol", u="J/mol", h="J/mol",
                     s="J/(mol K)", cv="J/(mol K)", cp="J/(mol K)", f="J/mol", g="J/mol",
                     w="m/s", mu_JT="K/Pa", kappa_T="1/Pa", x="mol/mol"),
}

# The reference states a fluid can be loaded with (or an explicit (T, D, h, s)).
REFERENCES = ("table", "IIR", "ASHRAE", "NBP")

# The quantities of derivatives.
VARIABLES = ("T", "p", "D", "v", "u", "h", "s", "g", "f")

Range = collections.namedtuple("Range", "Tmin Tmax pmax")
Range.__doc__ = "Where a fluid answers: Tmin and Tmax in K, pmax in the fluid's pressure unit."
SeriesPoint = collections.namedtuple("SeriesPoint", "T p Dl Dv")
SeriesPoint.__doc__ = "Saturation from the series alone: T, ps, D' and D''."

# The table shipped inside the package is the default of every call without a table, unless
# XALT1_TABLE names another one.
SHIPPED_TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "x_rstoff.tab")
if os.path.isfile(SHIPPED_TABLE) and not os.environ.get("XALT1_TABLE"):
    _xalt1.set_default_table(SHIPPED_TABLE)


def default_table():
    """Path of the table that Fluid and fluids() read when given none."""
    return _xalt1.default_table()


def _table_arg(table):
    return "" if table is None else os.fspath(table)


def fluids(table=None):
    """Metadata of every fluid of the table (default: the shipped one), in menu order."""
    return _xalt1.fluids(_table_arg(table))


class State:
    """One state, or an array of states, with every output as an attribute.

    T, p, D, u, h, s, cv, cp, f (Helmholtz energy), g (Gibbs energy), w (speed of sound),
    mu_JT (Joule-Thomson coefficient, K/MPa), kappa_T (isothermal compressibility, 1/MPa),
    x (vapour fraction, NaN in single phase), phase ("liquid", "vapour", "supercritical",
    "two-phase"; "" for a failed element) and error ("" where the state was found).
    Floats and str for a scalar call, numpy arrays of the inputs' broadcast shape otherwise.
    """

    __slots__ = QUANTITIES + ("phase", "error", "units")

    def __init__(self, values, units):
        for name in QUANTITIES + ("phase", "error"):
            setattr(self, name, values[name])
        self.units = units

    @property
    def ok(self):
        """True (or a boolean array) where the state was found."""
        return self.error == ""

    def as_dict(self):
        """The outputs by name (phase and error included)."""
        return {name: getattr(self, name) for name in QUANTITIES + ("phase", "error")}

    def __repr__(self):
        if isinstance(self.phase, str):
            if self.error:
                return f"State(error={self.error!r})"
            units = UNITS[self.units]
            parts = [f"{q}={getattr(self, q):.10g} {units[q]}" for q in QUANTITIES]
            return f"State({self.phase}, " + ", ".join(parts) + ")"
        failed = int(np.count_nonzero(self.error != ""))
        return f"State(array of shape {self.T.shape}, {failed} failed, units={self.units!r})"


def _scalar_state(values):
    values = dict(values)
    values["phase"] = PHASES[values["phase"]]
    values["error"] = ""
    return values


def _array_state(values, shape):
    out = {q: values[q].reshape(shape) for q in QUANTITIES}
    out["phase"] = _PHASE_NAMES[values["phase"]].reshape(shape)
    # An array of str objects: every element without a failure holds the one empty str, so
    # the array costs a pointer per element however long a message is.
    error = np.full(int(np.prod(shape, dtype=np.int64)), "", dtype=object)
    for index, message in values["failed"]:
        error[index] = message
    out["error"] = error.reshape(shape)
    return out


def _scalar_from_array(values):
    """The state of a one-element array call as a scalar call gives it."""
    out = {q: float(values[q].reshape(-1)[0]) for q in QUANTITIES}
    out["phase"] = str(values["phase"].reshape(-1)[0])
    out["error"] = str(values["error"].reshape(-1)[0])
    return out


def _flat(a, shape):
    """a as a one-dimensional float64 column for the library: one value, or the broadcast."""
    if a.size == 1:
        return a.reshape(1)
    flat = np.broadcast_to(a, shape).reshape(-1)
    if flat.strides[0] % flat.itemsize:
        flat = flat.copy()
    return flat


def _as_float(name, value):
    """value as float64 (a scalar or an array); strings, booleans and complex numbers, which
    numpy would read as numbers or cut to their real part, raise TypeError."""
    if isinstance(value, (str, bytes, bool, np.bool_, complex, np.complexfloating)):
        raise TypeError(f"{name} = {value!r} is not a real number")
    if not isinstance(value, numbers.Real):
        kind = np.asarray(value).dtype.kind
        if kind in "bcUSV":
            raise TypeError(f"{name} = {value!r} is not a real number (array of {kind!r} kind)")
    try:
        return np.asarray(value, dtype=np.float64)
    except (TypeError, ValueError):
        raise TypeError(f"{name} = {value!r} is not a real number") from None


def _pair(inputs, call):
    if len(inputs) != 2:
        given = ", ".join(inputs) or "nothing"
        raise ValueError(f"{call}() takes two inputs by keyword, one of the pairs (T, D), (T, p), "
                         "(p, D), (p, h), (p, s), (p, u), (T, h), (T, s), (D, h), (D, s), "
                         "(D, u), (h, s), (T, x), (p, x), (h, x), (s, x); got " + given)
    (n1, v1), (n2, v2) = inputs.items()
    return n1, n2, _as_float(n1, v1), _as_float(n2, v2)


def _phase_arg(phase):
    if phase is None:
        return ""
    if not isinstance(phase, str):
        raise TypeError(f"phase must be None, \"liquid\", \"vapour\" or \"gas\", not {phase!r}")
    return phase


def _spec(spec):
    """A derivative as the library takes it: a tuple of 3 or 5 quantity names."""
    if isinstance(spec, str) or len(spec) not in (3, 5):
        raise ValueError(f"a derivative is (of, wrt, const) or (of, wrt, const, wrt2, const2), "
                         f"not {spec!r}")
    return tuple(str(name) for name in spec)


class Fluid:
    """One fluid of a substance table, loaded once; states by any two inputs.

    Fluid(code, table=None, units="molar", reference="table"): code as in the table's menu
    (xalt1.fluids()), case-insensitive, or the fluid's name, or a refrigerant number with or
    without its dash ("R-1234yf"); table a path (default: the shipped table); units one of
    UNITS ("molar": K, MPa, mol/dm3, J/mol, J/(mol K); "mass": K, MPa, kg/m3, kJ/kg,
    kJ/(kg K); "SI": K, Pa, kg/m3, J/kg, J/(kg K); "SI-molar": K, Pa, mol/m3, J/mol,
    J/(mol K)); reference the zero of u, h, s, f, g: "table" (the table's own, IIR or NBP),
    "IIR" (h = 200 kJ/kg, s = 1 kJ/(kg K) for the saturated liquid at 0 C), "ASHRAE" (h = 0,
    s = 0 for the saturated liquid at -40 C), "NBP" (h = 0, s = 0 for the saturated liquid at
    0.101325 MPa), or a tuple (T, D, h, s) in the fluid's units: h and s at the state (T, D).

    A Fluid pickles (by its table, code, units and reference), so it can be sent to other
    processes (multiprocessing, concurrent.futures).
    """

    def __init__(self, code, table=None, units="molar", reference="table"):
        if units not in UNITS:
            raise ValueError(f'units must be one of {", ".join(UNITS)}, not {units!r}')
        if not isinstance(code, str):
            raise TypeError(f"code must be a str, not {code!r}")
        self._reference = reference
        if isinstance(reference, str):
            self._fluid = _xalt1.Fluid(code, _table_arg(table), units, reference)
        else:
            state = [float(_as_float("reference", v)) for v in reference]
            self._fluid = _xalt1.Fluid(code, _table_arg(table), units, "table", state)

    def __reduce__(self):
        return (Fluid, (self.code, self.table, self.units, self._reference))

    @property
    def code(self):
        return self._fluid.info.code

    @property
    def info(self):
        """The fluid's metadata (FluidInfo: code, name, M, Tc, pc, Dc, Ttriple, Tmax, pmax,
        and ptriple, Tnbp, acentric of the table's equation, computed at load)."""
        return self._fluid.info

    @property
    def units(self):
        return self._fluid.units

    @property
    def reference(self):
        """The reference state the fluid was loaded with."""
        return self._reference

    @property
    def table(self):
        return self._fluid.table

    @property
    def range(self):
        """Range(Tmin, Tmax, pmax) in K and MPa: where the fluid answers."""
        return Range(*self._fluid.range)

    @property
    def build_cost(self):
        """(exact pair solves, property evaluations) spent on the saturation curve at load."""
        return self._fluid.build_cost

    @property
    def critical(self):
        """The critical point of the table's equation, as a State in the fluid's units."""
        return State(_scalar_state(self._fluid.critical), self.units)

    def state(self, phase=None, **inputs):
        """The state of two inputs by keyword, any pair of the module's list in either order;
        scalars or arrays. phase="liquid" or "vapour" ("gas") asks for the state on that
        branch, metastable states up to the spinodal included, never a mixture; where a pair
        has two states (T and h, say) it picks the denser ("liquid") or the less dense one."""
        n1, n2, a, b = _pair(inputs, "state")
        ph = _phase_arg(phase)
        if a.ndim == 0 and b.ndim == 0:
            return State(_scalar_state(self._fluid.state(n1, n2, float(a), float(b), ph)),
                         self.units)
        shape = np.broadcast_shapes(a.shape, b.shape)
        values = self._fluid.states(n1, n2, _flat(a, shape), _flat(b, shape), ph)
        return State(_array_state(values, shape), self.units)

    def derivative(self, of, wrt, const, wrt2=None, const2=None, phase=None, **inputs):
        """The partial derivative (d of / d wrt) at constant const at the state of two inputs
        (as state() takes them), of, wrt and const any of T, p, D, v, u, h, s, g, f; with wrt2
        and const2 the second derivative d/d wrt2 at constant const2 of it. Exact, in the
        fluid's units. A two-phase state gives the homogeneous mixture's first derivative; a
        scalar that has none raises Error, an array element has NaN."""
        spec = (of, wrt, const) if wrt2 is None else (of, wrt, const, wrt2, const2)
        return self.derivatives([spec], phase=phase, **inputs)[_spec(spec)]

    def derivatives(self, asked, phase=None, **inputs):
        """Many derivatives at the states of two inputs, each state solved once: asked is a
        list of (of, wrt, const) or (of, wrt, const, wrt2, const2); returns a dict from each of
        them (as a tuple of str) to its value or array, and "state" to the State."""
        specs = [_spec(spec) for spec in asked]
        n1, n2, a, b = _pair(inputs, "derivatives")
        ph = _phase_arg(phase)
        scalar = a.ndim == 0 and b.ndim == 0
        shape = np.broadcast_shapes(a.shape, b.shape)
        result = self._fluid.derivatives(list(specs), n1, n2, _flat(a, shape or (1,)),
                                         _flat(b, shape or (1,)), ph)
        state = _array_state(result["state"], shape or (1,))
        if scalar:
            if state["error"][0]:
                self.state(phase=phase, **inputs)  # raises the state's own Error
            for _, reason in result["why"]:
                raise Error(f"{self.code}: {reason}")
            values = {spec: float(v[0]) for spec, v in zip(specs, result["values"])}
            values["state"] = State(_scalar_from_array(state), self.units)
            return values
        values = {spec: v.reshape(shape) for spec, v in zip(specs, result["values"])}
        values["state"] = State(state, self.units)
        return values

    def saturation(self, *, T=None, p=None):
        """The saturated liquid and vapour, (liq, vap), at T (Tmin <= T < Tc) or at p."""
        by, v = self._saturation_arg(T, p)
        if v.ndim == 0:
            liq, vap = self._fluid.saturation(by, float(v))
            return (State(_scalar_state(liq), self.units),
                    State(_scalar_state(vap), self.units))
        liq, vap = self._fluid.saturations(by, _flat(v, v.shape))
        return (State(_array_state(liq, v.shape), self.units),
                State(_array_state(vap, v.shape), self.units))

    def saturation_derivatives(self, *, T=None, p=None):
        """Slopes along the saturation curve at T or p: a dict with "T", "ps" and "dps/dT",
        "dT/dp", and for the saturated liquid (') and vapour ('') "dD'/dT", "dh''/dT",
        "ds'/dp", ... of D, h, s, u and v, d/dT and d/dp (Clapeyron and the pair's
        derivatives). Arrays give a dict of arrays."""
        by, v = self._saturation_arg(T, p)
        if v.ndim == 0:
            return self._fluid.saturation_slopes(by, float(v))
        rows = [self._fluid.saturation_slopes(by, float(x)) for x in v.reshape(-1)]
        return {key: np.array([r[key] for r in rows]).reshape(v.shape) for key in rows[0]}

    def saturation_series(self, *, T=None, p=None):
        """SeriesPoint(T, p, Dl, Dv) of the saturation series alone, without an evaluation of
        the equation (to about 1e-10): for callers that need no other property."""
        by, v = self._saturation_arg(T, p)
        return SeriesPoint(*self._fluid.saturation_series(by, float(v)))

    def residual(self, *, T, D):
        """The reduced residual Helmholtz energy alphar(tau, delta) of the table's equation at
        (T, D), tau = Tc/T and delta = D/Dc, and its derivatives times the powers of their
        variables (delta*dalphar/ddelta, tau*dalphar/dtau, ..., delta^3*d3alphar/ddelta3)."""
        return self._fluid.residual(float(_as_float("T", T)), float(_as_float("D", D)))

    @staticmethod
    def _saturation_arg(T, p):
        if (T is None) == (p is None):
            raise ValueError("saturation takes T or p by keyword (one of them)")
        by, value = ("T", T) if T is not None else ("p", p)
        return by, _as_float(by, value)

    def __repr__(self):
        return f"Fluid({self.code!r}, units={self.units!r})"


# ---- Mixtures ---------------------------------------------------------------------------------

# The named blends: name -> ({code: fraction}, basis).
BLENDS = {name: (dict(fractions), basis) for name, fractions, basis in _xalt1.blends()}


class MixtureState(State):
    """A state of a mixture: the outputs of State (x the vapour fraction, by amount in molar
    units and by mass in mass units), z its mole fractions, and in two phases liquid and vapour,
    the phases' mole fractions (None in single phase), in the order of Mixture.components.
    Arrays carry one more axis for the components (NaN where a state has no such phase)."""

    __slots__ = ("z", "liquid", "vapour")

    def __init__(self, values, units):
        super().__init__(values, units)
        self.z = values["z"]
        self.liquid = values["liquid"]
        self.vapour = values["vapour"]

    def as_dict(self):
        out = super().as_dict()
        out.update(z=self.z, liquid=self.liquid, vapour=self.vapour)
        return out

    def reshaped(self, shape):
        """The same states of arrays in the given shape (z with the components' axis last)."""
        for name in QUANTITIES + ("phase", "error"):
            setattr(self, name, getattr(self, name).reshape(shape))
        self.z = self.z.reshape(tuple(shape) + (self.z.shape[-1],))
        return self

    def __repr__(self):
        text = super().__repr__()
        if isinstance(self.phase, str) and not self.error:
            return "Mixture" + text[:-1] + f", z={list(np.round(self.z, 10))})"
        return "Mixture" + text


def _mixture_scalar(values):
    out = _scalar_state(values)
    out["z"] = np.array(values["z"])
    for phase in ("liquid", "vapour"):
        out[phase] = None if values[phase] is None else np.array(values[phase])
    return out


def _mixture_array(values, shape):
    out = _array_state(values, shape)
    for name in ("z", "liquid", "vapour"):
        out[name] = values[name].reshape(shape + (values[name].shape[-1],))
    return out


_MIXTURE_PAIRS = "(T, p), (p, h), (p, s), (T, D), (T, x) or (p, x) with x = 0 or 1"

EnvelopePoint = collections.namedtuple("EnvelopePoint", "T p liquid vapour bubble")
EnvelopePoint.__doc__ = ("A point of a phase envelope: T, p, the coexisting liquid and vapour "
                         "(MixtureStates, one of the mixture's composition) and whether it is a "
                         "bubble point (the liquid of the mixture's composition).")


class Envelope:
    """The phase envelope of a mixture in p-T.

    T, p and bubble are arrays along the curve: from the bubble point at the lowest pressure
    up the bubble line (bubble True), over the critical point and down the dew line (False) to
    the same pressure; liquid and vapour the coexisting phases at each point (MixtureStates of
    arrays; z of each phase along a last axis). critical is the critical point (a MixtureState),
    cricondenbar and cricondentherm the points of highest pressure and highest temperature
    (EnvelopePoints)."""

    __slots__ = ("T", "p", "bubble", "liquid", "vapour", "critical", "cricondenbar",
                 "cricondentherm")

    def __init__(self, values, units):
        points = values["points"]
        self.liquid = _stacked_states([pt[0] for pt in points], units)
        self.vapour = _stacked_states([pt[1] for pt in points], units)
        self.T = self.liquid.T
        self.p = self.liquid.p
        self.bubble = np.array([pt[2] for pt in points], dtype=bool)
        self.critical = MixtureState(_mixture_scalar(values["critical"]), units)
        self.cricondenbar = _envelope_point(values["cricondenbar"], units)
        self.cricondentherm = _envelope_point(values["cricondentherm"], units)

    @property
    def bubble_line(self):
        """(T, p) of the bubble line, up to the critical point."""
        return self.T[self.bubble], self.p[self.bubble]

    @property
    def dew_line(self):
        """(T, p) of the dew line, down from the critical point."""
        return self.T[~self.bubble], self.p[~self.bubble]

    def __repr__(self):
        c = self.critical
        return (f"Envelope({len(self.T)} points, critical T = {c.T:.6g} K, "
                f"p = {c.p:.6g}, cricondenbar p = {self.cricondenbar.p:.6g}, "
                f"cricondentherm T = {self.cricondentherm.T:.6g} K)")


PxyDiagram = collections.namedtuple(
    "PxyDiagram", "T bubble_x bubble_y bubble_p dew_x dew_y dew_p critical_x critical_p")
PxyDiagram.__doc__ = ("The p-x-y diagram of a binary at T: along the bubble line the liquid's "
                      "and the vapour's mole fraction of the first component and p, the same "
                      "along the dew line; critical_x and critical_p where the lines end at "
                      "the mixture's critical point (NaN where they do not).")
TxyDiagram = collections.namedtuple(
    "TxyDiagram", "p bubble_x bubble_y bubble_T dew_x dew_y dew_T critical_x critical_T")
TxyDiagram.__doc__ = "The T-x-y diagram of a binary at p, as PxyDiagram with T for p."


def _stacked_states(dicts, units, errors=None, components=None):
    """One MixtureState of arrays from scalar states' dicts; a None in dicts (with its message
    in errors) is a failed element: NaN, phase "" and z NaN."""
    n = len(dicts)
    width = components if components is not None else len(next(d for d in dicts)["z"])
    values = {name: np.array([d[name] if d else np.nan for d in dicts], dtype=float)
              for name in QUANTITIES}
    values["phase"] = np.array([PHASES[d["phase"]] if d else "" for d in dicts], dtype=object)
    values["error"] = np.array(errors if errors is not None else [""] * n, dtype=object)
    values["z"] = np.array([d["z"] if d else [np.nan] * width for d in dicts],
                           dtype=float).reshape(n, width)
    values["liquid"] = values["vapour"] = None
    return MixtureState(values, units)


def _envelope_point(values, units):
    liq, vap, bubble = values
    liquid = MixtureState(_mixture_scalar(liq), units)
    vapour = MixtureState(_mixture_scalar(vap), units)
    return EnvelopePoint(liquid.T, liquid.p, liquid, vapour, bool(bubble))


class Mixture:
    """A mixture of fluids of one table, by the one-fluid model with one binary parameter per pair.

    Mixture({"R32": 0.689, "R1234yf": 0.311}, basis="mass"), or mole fractions (the default), or
    a named blend, Mixture("R454B") (see BLENDS); units and table as for Fluid; pairs a binary
    file (default: the binary_pairs.csv next to the table, the shipped one for the shipped
    table). Fractions must be >= 0 and sum to 1; a component named twice, an unknown fluid or
    a fluid left out of the table is an Error.

        mix = xalt1.Mixture("R454B", units="mass")
        liq, vap = mix.bubble(T=273.15)        # vap.z: the first bubble's mole fractions
        st = mix.state(p=1.0, h=300.0)         # st.x, st.liquid, st.vapour inside the glide

    mix.components lists the codes in order, mix.z the mole fractions, mix.M the molar mass.
    """

    def __init__(self, components, basis="mole", units="molar", table=None, pairs=None):
        if units not in UNITS:
            raise ValueError(f'units must be one of {", ".join(UNITS)}, not {units!r}')
        if basis not in ("mole", "mass"):
            raise ValueError(f'basis must be "mole" or "mass", not {basis!r}')
        pairs_arg = "" if pairs is None else os.fspath(pairs)
        self._args = (components, basis, units, table, pairs)
        if isinstance(components, str):
            self._mix = _xalt1.Mixture([], basis, _table_arg(table), units, pairs_arg, components)
            return
        if not isinstance(components, dict):
            raise TypeError("components must be a dict {code: fraction} or a blend's name, not "
                            f"{components!r}")
        fractions = []
        for code, fraction in components.items():
            if not isinstance(code, str):
                raise TypeError(f"a component's code must be a str, not {code!r}")
            fractions.append((code, float(_as_float(code, fraction))))
        self._mix = _xalt1.Mixture(fractions, basis, _table_arg(table), units, pairs_arg)

    def __reduce__(self):
        return (Mixture, self._args)

    def in_units(self, units):
        """The same mixture (components, table, pairs) in other units."""
        components, basis, _, table, pairs = self._args
        return Mixture(components, basis, units, table, pairs)

    @property
    def components(self):
        """The components' codes as the table has them, in order."""
        return list(self._mix.components)

    @property
    def z(self):
        """The mole fractions, in the order of components."""
        return np.array(self._mix.z)

    @property
    def M(self):
        """The molar mass, g/mol."""
        return self._mix.M

    @property
    def name(self):
        return self._mix.name

    @property
    def units(self):
        return self._mix.units

    @property
    def table(self):
        return self._mix.table

    @property
    def range(self):
        """Range(Tmin, Tmax, pmax): the mole-fraction means of the components' Tmin and Tmax, the
        lowest of their pmax."""
        return Range(*self._mix.range)

    @property
    def binary(self):
        """Every pair's parameters: a list of (A, B, xi, eta, source)."""
        return list(self._mix.binary)

    def state(self, **inputs):
        """The state of two inputs by keyword: (T, p), (p, h), (p, s), (T, D), or (T, x) or
        (p, x) with x = 0 (the bubble point's liquid) or 1 (the dew point's vapour); scalars or
        arrays, as Fluid.state."""
        if len(inputs) != 2:
            raise ValueError(f"state() takes two inputs by keyword, {_MIXTURE_PAIRS}; got "
                             + (", ".join(inputs) or "nothing"))
        (n1, v1), (n2, v2) = inputs.items()
        a, b = _as_float(n1, v1), _as_float(n2, v2)
        if a.ndim == 0 and b.ndim == 0:
            values = self._mix.state(n1, n2, float(a), float(b))
            return MixtureState(_mixture_scalar(values), self.units)
        shape = np.broadcast_shapes(a.shape, b.shape)
        values = self._mix.states(n1, n2, _flat(a, shape), _flat(b, shape))
        return MixtureState(_mixture_array(values, shape), self.units)

    def bubble(self, *, T=None, p=None):
        """The bubble point at T or p: (liquid, vapour), the liquid of the mixture's composition
        and the first bubble of vapour in equilibrium with it (vapour.z). For an array, both
        are MixtureStates of arrays; a failed element has NaN and its message in error."""
        return self._saturated("bubble", T, p)

    def dew(self, *, T=None, p=None):
        """The dew point at T or p: (liquid, vapour), the vapour of the mixture's composition
        and the first drop of liquid in equilibrium with it (liquid.z); arrays as bubble()."""
        return self._saturated("dew", T, p)

    def _saturated(self, kind, T, p):
        by, v = Fluid._saturation_arg(T, p)
        if v.ndim == 0:
            liq, vap = self._mix.saturated(kind, by, float(v))
            return (MixtureState(_mixture_scalar(liq), self.units),
                    MixtureState(_mixture_scalar(vap), self.units))
        # An array: element by element, a failed one NaN with its message.
        liquids, vapours, errors = [], [], []
        for x in v.reshape(-1):
            try:
                liq, vap = self._mix.saturated(kind, by, float(x))
                errors.append("")
            except Error as e:
                liq = vap = None
                errors.append(str(e))
            liquids.append(liq)
            vapours.append(vap)
        n = len(self.components)
        return tuple(_stacked_states(dicts, self.units, errors, n).reshaped(v.shape)
                     for dicts in (liquids, vapours))

    def envelope(self):
        """The phase envelope in p-T (Envelope): the bubble and dew lines through the critical
        point, with the cricondenbar and the cricondentherm."""
        return Envelope(self._mix.envelope(), self.units)

    def pxy(self, T, n=21):
        """The p-x-y diagram of a binary mixture at T (PxyDiagram), n compositions of the
        first component from 0 to 1."""
        return self._diagram(PxyDiagram, "T", T, n)

    def txy(self, p, n=21):
        """The T-x-y diagram of a binary mixture at p (TxyDiagram)."""
        return self._diagram(TxyDiagram, "p", p, n)

    def _diagram(self, kind, by, value, n):
        value = float(_as_float(by, value))
        d = self._mix.diagram(by, value, int(n))
        return kind(value, d["bubble_x"], d["bubble_y"], d["bubble"], d["dew_x"], d["dew_y"],
                    d["dew"], d["critical_x"], d["critical"])

    def critical(self):
        """The critical point of the mixture's composition, a MixtureState (cp, w, mu_JT and
        kappa_T NaN)."""
        return MixtureState(_mixture_scalar(self._mix.critical()), self.units)

    def __repr__(self):
        parts = ", ".join(f"{c!r}: {z:.6g}" for c, z in zip(self.components, self.z))
        return f"Mixture({{{parts}}}, units={self.units!r})  # {self.name}, mole fractions"
