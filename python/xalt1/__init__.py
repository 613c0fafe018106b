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

The input pairs: (T, D), (T, p), (p, D), (p, h), (p, s), (T, x), (p, x); x is the vapour
fraction, 0 for the saturated liquid and 1 for the saturated vapour. Units are chosen when the
fluid is loaded (see UNITS).
"""

import os

import numpy as np

from . import _xalt1
from ._xalt1 import Error, FluidInfo, evaluation_count

__all__ = ["Error", "Fluid", "FluidInfo", "State", "UNITS", "fluids", "default_table",
           "evaluation_count"]

# The outputs of every state, in this order.
QUANTITIES = tuple(_xalt1.QUANTITIES)
PHASES = tuple(_xalt1.PHASES)
# Phase names by the library's phase number; a failed element (-1) picks the last, "".
_PHASE_NAMES = np.array(PHASES + ("",))

UNITS = {
    "molar": dict(T="K", p="MPa", D="mol/dm3", u="J/mol", h="J/mol", s="J/(mol K)",
                  cv="J/(mol K)", cp="J/(mol K)", f="J/mol", g="J/mol", w="m/s",
                  mu_JT="K/MPa", kappa_T="1/MPa", x="mol/mol"),
    "mass": dict(T="K", p="MPa", D="kg/m3", u="kJ/kg", h="kJ/kg", s="kJ/(kg K)",
                 cv="kJ/(kg K)", cp="kJ/(kg K)", f="kJ/kg", g="kJ/kg", w="m/s",
                 mu_JT="K/MPa", kappa_T="1/MPa", x="kg/kg"),
}

# The table shipped inside the package is the default of every call without a table.
SHIPPED_TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "x_rstoff.tab")
if os.path.isfile(SHIPPED_TABLE):
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
    failed = values["failed"]
    width = max((len(message) for _, message in failed), default=1)
    error = np.full(int(np.prod(shape, dtype=np.int64)), "", dtype=f"<U{width}")
    for index, message in failed:
        error[index] = message
    out["error"] = error.reshape(shape)
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
    try:
        return np.asarray(value, dtype=np.float64)
    except (TypeError, ValueError):
        raise ValueError(f"{name} = {value!r} is not a number") from None


class Fluid:
    """One fluid of a substance table, loaded once; states by any two inputs.

    Fluid(code, table=None, units="molar"): code as in the table's menu (xalt1.fluids()),
    table a path (default: the shipped table), units "molar" (K, MPa, mol/dm3, J/mol,
    J/(mol K), m/s) or "mass" (K, MPa, kg/m3, kJ/kg, kJ/(kg K), m/s).
    """

    def __init__(self, code, table=None, units="molar"):
        if units not in UNITS:
            raise ValueError(f'units must be "molar" or "mass", not {units!r}')
        self._fluid = _xalt1.Fluid(code, _table_arg(table), units)

    @property
    def code(self):
        return self._fluid.info.code

    @property
    def info(self):
        """The fluid's metadata (FluidInfo: code, name, M, Tc, pc, Dc, Ttriple, Tmax, ...)."""
        return self._fluid.info

    @property
    def units(self):
        return self._fluid.units

    @property
    def table(self):
        return self._fluid.table

    @property
    def range(self):
        """(Tmin, Tmax, pmax) in K and MPa: where the fluid answers."""
        return self._fluid.range

    @property
    def build_cost(self):
        """(exact pair solves, property evaluations) spent on the saturation curve at load."""
        return self._fluid.build_cost

    @property
    def critical(self):
        """The critical point of the table's equation, as a State in the fluid's units."""
        return State(_scalar_state(self._fluid.critical), self.units)

    def state(self, **inputs):
        """The state of two inputs by keyword: state(T=.., D=..), (T, p), (p, D), (p, h),
        (p, s), (T, x) or (p, x), in either order; scalars or arrays."""
        if len(inputs) != 2:
            given = ", ".join(inputs) or "nothing"
            raise ValueError("state() takes two inputs by keyword, one of the pairs (T, D), "
                             "(T, p), (p, D), (p, h), (p, s), (T, x), (p, x); got " + given)
        (n1, v1), (n2, v2) = inputs.items()
        a, b = _as_float(n1, v1), _as_float(n2, v2)
        if a.ndim == 0 and b.ndim == 0:
            return State(_scalar_state(self._fluid.state(n1, n2, float(a), float(b))),
                         self.units)
        shape = np.broadcast_shapes(a.shape, b.shape)
        values = self._fluid.states(n1, n2, _flat(a, shape), _flat(b, shape))
        return State(_array_state(values, shape), self.units)

    def saturation(self, *, T=None, p=None):
        """The saturated liquid and vapour, (liq, vap), at T (Tmin <= T < Tc) or at p."""
        if (T is None) == (p is None):
            raise ValueError("saturation() takes T or p by keyword (one of them)")
        by, value = ("T", T) if T is not None else ("p", p)
        v = _as_float(by, value)
        if v.ndim == 0:
            liq, vap = self._fluid.saturation(by, float(v))
            return (State(_scalar_state(liq), self.units),
                    State(_scalar_state(vap), self.units))
        liq, vap = self._fluid.saturations(by, _flat(v, v.shape))
        return (State(_array_state(liq, v.shape), self.units),
                State(_array_state(vap, v.shape), self.units))

    def __repr__(self):
        return f"Fluid({self.code!r}, units={self.units!r})"
