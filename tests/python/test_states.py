"""States from every input pair: round trips, two-phase states, units, saturation."""

import numpy as np
import pytest

from conftest import FLUIDS

R_TOL = 1e-9
X_TOL = 1e-9


def single_phase_grid(f):
    """(T, p) of liquid, vapour and supercritical states over the fluid's range, away from
    the saturation pressure (where the pair (T, p) does not fix a state)."""
    Tmin, Tmax, pmax = f.range
    Tc, pc = f.info.Tc, f.info.pc
    T, p = np.meshgrid(Tc * np.array([0.6, 0.75, 0.9, 0.98, 1.02, 1.2, 1.5]),
                       pc * np.array([0.002, 0.05, 0.3, 0.9, 1.1, 3.0]))
    T, p = T.ravel(), p.ravel()
    keep = (T > Tmin) & (T < Tmax) & (p < pmax)
    T, p = T[keep], p[keep]
    below = T < Tc
    ps = np.full_like(T, np.nan)
    ps[below] = f.saturation(T=T[below])[0].p
    far = ~below | (np.abs(p / ps - 1) > 0.02)
    return T[far], p[far]


def assert_found(st):
    assert (st.error == "").all(), [e for e in np.ravel(st.error) if e][:3]


@pytest.mark.parametrize("units", ["molar", "mass"])
@pytest.mark.parametrize("code", FLUIDS)
def test_single_phase_round_trips(load, code, units):
    f = load(code, units)
    T, p = single_phase_grid(f)
    assert len(T) >= 20
    st = f.state(T=T, p=p)
    assert_found(st)
    assert set(np.unique(st.phase)) <= {"liquid", "vapour", "supercritical"}
    for back, quantity, expected in [
        (f.state(p=p, h=st.h), "T", T),
        (f.state(p=p, s=st.s), "T", T),
        (f.state(h=st.h, p=p), "T", T),  # either order
        (f.state(T=T, D=st.D), "p", p),
        (f.state(p=p, D=st.D), "T", T),
    ]:
        assert_found(back)
        np.testing.assert_allclose(getattr(back, quantity), expected, rtol=R_TOL)
        np.testing.assert_array_equal(back.phase, st.phase)
        assert np.isnan(back.x).all()


@pytest.mark.parametrize("units", ["molar", "mass"])
@pytest.mark.parametrize("code", FLUIDS)
def test_two_phase_round_trips(load, code, units):
    f = load(code, units)
    Tmin, Tc = f.range[0], f.info.Tc
    T, x = np.meshgrid(Tmin + (Tc - Tmin) * np.array([0.1, 0.6, 0.95]),
                       [0.1, 0.35, 0.5, 0.8, 0.95])
    T, x = T.ravel(), x.ravel()
    st = f.state(T=T, x=x)
    assert_found(st)
    assert (st.phase == "two-phase").all()
    for back in [f.state(p=st.p, h=st.h), f.state(p=st.p, s=st.s), f.state(T=T, D=st.D),
                 f.state(p=st.p, D=st.D)]:
        assert_found(back)
        np.testing.assert_allclose(back.x, x, rtol=0, atol=X_TOL)
        np.testing.assert_allclose(back.T, T, rtol=R_TOL)
    by_p = f.state(p=st.p, x=x)
    np.testing.assert_allclose(by_p.T, T, rtol=R_TOL)
    # A two-phase state has no heat capacities, speed of sound, mu_JT or kappa_T.
    for q in ("cv", "cp", "w", "mu_JT", "kappa_T"):
        assert np.isnan(getattr(st, q)).all()


@pytest.mark.parametrize("code", FLUIDS)
def test_mass_against_molar_units(load, code):
    molar, mass = load(code, "molar"), load(code, "mass")
    M = molar.info.M
    Tmin, Tmax, _ = molar.range
    Tc = molar.info.Tc
    T = np.array([Tmin + 0.2 * (Tc - Tmin)] * 2 + [Tmin + 0.8 * (Tc - Tmin), min(1.3 * Tc, Tmax)])
    x = np.array([np.nan, 0.4, np.nan, np.nan])
    p = molar.info.pc * np.array([0.8, np.nan, 0.05, 2.0])
    single = np.isnan(x)
    a = molar.state(T=T[single], p=p[single])
    b = mass.state(T=T[single], p=p[single])
    two = (molar.state(T=T[~single], x=x[~single]), mass.state(T=T[~single], x=x[~single]))
    for m, k in [(a, b), two]:
        np.testing.assert_allclose(k.D, m.D * M, rtol=1e-12)
        for q in ("u", "h", "s", "cv", "cp", "f", "g"):
            np.testing.assert_allclose(getattr(k, q), getattr(m, q) / M, rtol=1e-12)
        for q in ("T", "p", "w", "mu_JT", "kappa_T", "x"):
            np.testing.assert_allclose(getattr(k, q), getattr(m, q), rtol=1e-12)
        np.testing.assert_array_equal(k.phase, m.phase)
    # Inputs in mass units give the same state.
    np.testing.assert_allclose(mass.state(p=p[single], h=a.h / M).T, T[single], rtol=R_TOL)
    np.testing.assert_allclose(mass.state(T=T[single], D=a.D * M).p, p[single], rtol=R_TOL)


@pytest.mark.parametrize("code", FLUIDS)
def test_saturation_pair(load, code):
    f = load(code)
    Tmin = f.range[0]
    T = np.linspace(Tmin, f.info.Tc, 12)[:-1] + 0.1
    liq, vap = f.saturation(T=T)
    assert_found(liq)
    assert_found(vap)
    assert (liq.phase == "liquid").all() and (vap.phase == "vapour").all()
    assert (liq.x == 0).all() and (vap.x == 1).all()
    assert (liq.D > vap.D).all()
    np.testing.assert_allclose(liq.p, vap.p, rtol=1e-12)
    assert (np.abs(liq.g - vap.g) < 1e-8 * 8.314 * T).all()
    back_liq, back_vap = f.saturation(p=liq.p)
    np.testing.assert_allclose(back_liq.T, T, rtol=R_TOL)
    np.testing.assert_allclose(back_vap.D, vap.D, rtol=1e-8)
    # The scalar call, the array call and the quality ends are one state.
    one_liq, one_vap = f.saturation(T=float(T[3]))
    assert one_liq.D == liq.D[3] and one_vap.h == vap.h[3]
    assert f.state(T=float(T[3]), x=0.0).D == pytest.approx(liq.D[3], rel=1e-12)
    assert f.state(T=float(T[3]), x=1.0).D == pytest.approx(vap.D[3], rel=1e-12)


def test_scalar_and_array_calls_agree_and_broadcast(load):
    f = load("R1234yf", "mass")
    T = np.array([[250.0, 300.0, 350.0], [260.0, 310.0, 400.0]])
    st = f.state(T=T, p=np.array([0.05, 5.0, 1.0]))  # broadcast along the rows
    assert st.T.shape == st.phase.shape == st.error.shape == (2, 3)
    for i, j in np.ndindex(T.shape):
        one = f.state(T=float(T[i, j]), p=[0.05, 5.0, 1.0][j])
        assert isinstance(one.phase, str) and one.error == ""
        for q in ("D", "h", "s", "cp", "w", "mu_JT", "kappa_T"):
            assert getattr(one, q) == getattr(st, q)[i, j]
        assert one.phase == st.phase[i, j]
    column = f.state(T=T[0, 1], p=np.array([0.1, 0.2]))  # scalar against an array
    assert column.T.shape == (2,) and (column.T == 300.0).all()
    # Strided and integer inputs are read as they stand.
    p = np.arange(1, 9)[::2]
    strided = f.state(T=400, p=p)
    np.testing.assert_array_equal(strided.D, f.state(T=400.0, p=p.astype(float).copy()).D)
    assert f.state(T=np.zeros(0), p=1.0).T.shape == (0,)
