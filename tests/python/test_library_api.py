"""The module as a cycle or plant model uses it: the README's examples, derivatives against
differences of states, units and reference states, phases asked for, names, pickling across
processes, and inputs that are not numbers."""

import concurrent.futures
import math
import pickle
import re
from pathlib import Path

import numpy as np
import pytest

import xalt1

README = Path(__file__).resolve().parents[2] / "README.md"


@pytest.fixture(scope="module")
def r134a():
    return xalt1.Fluid("R134a", units="SI")


def test_the_readme_cycle_and_turbine_run():
    blocks = re.findall(r"```python\n(.*?)```", README.read_text(), re.S)
    examples = [b for b in blocks if "units=\"SI\"" in b]
    assert len(examples) == 2
    for code in examples:
        exec(compile(code, "README.md", "exec"), {})


def _central(f, of, T, D, hT=1e-5, hD=1e-5):
    """Partials of a quantity in T at constant D and in D at constant T, by differences."""
    def q(t, d):
        st = f.state(T=t, D=d)
        return 1.0 / st.D if of == "v" else getattr(st, of)
    return ((q(T * (1 + hT), D) - q(T * (1 - hT), D)) / (2 * hT * T),
            (q(T, D * (1 + hD)) - q(T, D * (1 - hD))) / (2 * hD * D))


@pytest.mark.parametrize("of, wrt, const", [
    ("D", "h", "p"), ("D", "p", "h"), ("h", "p", "s"), ("s", "T", "p"), ("T", "p", "h"),
    ("u", "D", "s"), ("g", "T", "v"), ("f", "p", "T")])
def test_first_derivatives_against_differences(r134a, of, wrt, const):
    st = r134a.state(T=320.0, p=2.0e6)
    a, b, c = (_central(r134a, q, st.T, st.D) for q in (of, wrt, const))
    numeric = (a[0] * c[1] - a[1] * c[0]) / (b[0] * c[1] - b[1] * c[0])
    assert r134a.derivative(of, wrt, const, T=320.0, p=2.0e6) == pytest.approx(numeric, rel=1e-6)


def test_second_derivative_and_identities(r134a):
    st = r134a.state(T=360.0, p=1.0e6)
    # d/dT at constant p of (dh/dT) at constant p is dcp/dT.
    dT = 1e-4
    numeric = (r134a.state(T=360.0 + dT, p=1.0e6).cp - r134a.state(T=360.0 - dT, p=1.0e6).cp) / (
        2 * dT)
    exact = r134a.derivative("h", "T", "p", wrt2="T", const2="p", T=360.0, p=1.0e6)
    assert exact == pytest.approx(numeric, rel=1e-6)
    assert r134a.derivative("h", "T", "p", T=360.0, p=1.0e6) == pytest.approx(st.cp, rel=1e-12)
    assert r134a.derivative("T", "p", "h", T=360.0, p=1.0e6) == pytest.approx(st.mu_JT, rel=1e-11)


def test_many_derivatives_of_an_array_in_one_solve():
    f = xalt1.Fluid("R1234yf", units="mass")
    p = np.array([0.5, 1.0, 2.0, 1.0])
    h = np.array([420.0, 300.0, 450.0, -1e9])  # a mixture, and no state at all
    before = xalt1.evaluation_count()
    f.state(p=p, h=h)
    solving = xalt1.evaluation_count() - before
    d = f.derivatives([("D", "h", "p"), ("D", "p", "h"), ("h", "T", "p", "p", "T")], p=p, h=h)
    assert xalt1.evaluation_count() - before == 2 * solving  # nothing beyond the solves
    st = d["state"]
    assert list(st.ok) == [True, True, True, False]
    assert st.phase[1] == "two-phase"
    assert np.isfinite(d[("D", "h", "p")][:3]).all() and np.isnan(d[("D", "h", "p")][3])
    assert np.isnan(d[("h", "T", "p", "p", "T")][1])  # no second derivative of a mixture
    for i in range(3):
        assert d[("D", "p", "h")][i] == pytest.approx(
            f.derivative("D", "p", "h", p=p[i], h=h[i]), rel=1e-12)
    with pytest.raises(xalt1.Error, match="two-phase"):
        f.derivative("h", "T", "p", p=1.0, h=300.0)


def test_saturation_slopes_and_the_series_alone(r134a):
    s = r134a.saturation_derivatives(T=280.0)
    l1, v1 = r134a.saturation(T=280.0 + 1e-3)
    l0, v0 = r134a.saturation(T=280.0 - 1e-3)
    assert s["dps/dT"] == pytest.approx((v1.p - v0.p) / 2e-3, rel=1e-7)
    assert s["dh''/dp"] == pytest.approx((v1.h - v0.h) / (v1.p - v0.p), rel=1e-6)
    assert s["dD'/dT"] == pytest.approx((l1.D - l0.D) / 2e-3, rel=1e-6)
    before = xalt1.evaluation_count()
    series = r134a.saturation_series(T=280.0)
    assert xalt1.evaluation_count() == before
    assert series.p == pytest.approx(r134a.saturation(T=280.0)[1].p, rel=1e-9)


def test_si_units_and_reference_states():
    molar = xalt1.Fluid("CO2")
    si = xalt1.Fluid("CO2", units="SI")
    a, b = molar.state(T=300.0, p=5.0), si.state(T=300.0, p=5.0e6)
    assert b.p == 5.0e6 and b.D == pytest.approx(a.D * molar.info.M, rel=1e-12)
    assert b.h == pytest.approx(a.h / molar.info.M * 1000.0, rel=1e-12)
    assert b.kappa_T == pytest.approx(a.kappa_T * 1e-6, rel=1e-12)
    assert set(xalt1.UNITS) == {"molar", "mass", "SI", "SI-molar"}
    ashrae = xalt1.Fluid("R134a", units="mass", reference="ASHRAE")
    liquid = ashrae.saturation(T=233.15)[0]
    assert abs(liquid.h) < 1e-9 and abs(liquid.s) < 1e-12
    own = xalt1.Fluid("R134a", units="mass", reference=(300.0, 1250.0, 10.0, 0.1))
    assert own.state(T=300.0, D=1250.0).h == pytest.approx(10.0, abs=1e-10)


def test_phase_asked_for_and_two_states():
    f = xalt1.Fluid("CO2")
    ps = f.saturation(T=290.0)[1].p
    assert f.state(T=290.0, p=0.8 * ps, phase="liquid").phase == "liquid"
    with pytest.raises(xalt1.Error, match="spinodal"):
        f.state(T=290.0, p=0.5 * ps, phase="liquid")
    T = np.array([300.0])
    st = f.state(T=T, p=np.array([0.5 * ps]), phase="gas")
    assert st.phase[0] == "vapour"
    liquid = f.state(T=250.0, p=100.0)
    with pytest.raises(xalt1.Error, match="two states"):
        f.state(T=250.0, h=liquid.h)
    assert f.state(T=250.0, h=liquid.h, phase="liquid").D == pytest.approx(liquid.D, rel=1e-9)


@pytest.mark.parametrize("asked, code", [
    ("co2", "CO2"), ("carbon dioxide", "CO2"), ("R-1234yf", "R1234yf"), ("r134A", "R134a")])
def test_fluids_by_name(asked, code):
    assert xalt1.Fluid(asked).code == code


def test_unknown_and_left_out_fluids():
    with pytest.raises(xalt1.Error, match="did you mean CO2"):
        xalt1.Fluid("CO3")
    with pytest.raises(xalt1.Error, match="left out") as caught:
        xalt1.Fluid("Water")
    assert caught.value.kind == "unknown fluid"


def test_facts_of_the_equation():
    listed = {i.code: i for i in xalt1.fluids()}
    f = xalt1.Fluid("Propane")
    for field in ("ptriple", "Tnbp", "acentric"):
        assert getattr(listed["Propane"], field) == getattr(f.info, field)
    assert f.saturation(T=f.info.Tnbp)[1].p == pytest.approx(0.101325, rel=1e-10)
    assert 0.1 < f.info.acentric < 0.2
    assert math.isnan(listed["CO2"].Tnbp)
    r = f.range
    assert r.Tmin == r[0] and r.pmax == r[2]


def _enthalpy(fluid):
    return fluid.state(T=300.0, p=1.0).h


def test_pickled_fluids_in_other_processes():
    f = xalt1.Fluid("R32", units="mass", reference="ASHRAE")
    back = pickle.loads(pickle.dumps(f))
    assert (back.code, back.units, back.reference) == ("R32", "mass", "ASHRAE")
    with concurrent.futures.ProcessPoolExecutor(max_workers=2) as pool:
        results = list(pool.map(_enthalpy, [f, f]))
    assert results == [f.state(T=300.0, p=1.0).h] * 2


def test_version():
    text = (README.parent / "CMakeLists.txt").read_text()
    assert xalt1.__version__ == re.search(r"project\(xalt1 VERSION ([0-9.]+)", text).group(1)


@pytest.mark.parametrize("bad", ["300", True, np.bool_(True), 250 + 50j, np.complex128(250 + 50j),
                                 np.array(["300", "310"])])
def test_inputs_that_are_not_real_numbers(bad):
    with pytest.raises(TypeError):
        xalt1.Fluid("CO2").state(T=bad, p=5.0)


def test_one_failure_in_a_large_array_stays_small():
    T = np.full(200_000, 300.0)
    T[0] = np.nan
    st = xalt1.Fluid("Argon").state(T=T, D=1.0)
    assert st.error[0] and not st.error[1]
    assert st.error.nbytes <= 8 * T.size
