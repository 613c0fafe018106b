"""Mixtures from Python: blends in a few lines, compositions refused with a clear error,
scalars and arrays alike, states that carry their phases' compositions."""

import pickle

import numpy as np
import pytest

import xalt1


@pytest.fixture(scope="module")
def r454b():
    return xalt1.Mixture("R454B", units="mass")


def test_blend_by_mass_fractions_is_the_named_blend(r454b):
    by_dict = xalt1.Mixture({"R32": 0.689, "R1234yf": 0.311}, basis="mass", units="mass")
    assert by_dict.components == r454b.components == ["R32", "R1234yf"]
    np.testing.assert_allclose(by_dict.z, r454b.z, rtol=0, atol=1e-15)
    assert r454b.name == "R454B" and by_dict.name == "R32/R1234yf"
    assert set(xalt1.BLENDS) == {"R454B", "R454C", "R513A", "R516A", "R455A", "Air"}
    a, b, xi, eta, source = r454b.binary[0]
    assert (a, b) == ("R32", "R1234yf") and 0.8 < xi < 1.2 and 0.9 <= eta <= 1.1 and source


def test_bubble_and_dew_points_give_both_phases(r454b):
    liq, vap = r454b.bubble(T=273.15)
    assert liq.phase == "liquid" and vap.phase == "vapour"
    np.testing.assert_allclose(liq.z, r454b.z, rtol=0, atol=1e-15)
    assert vap.z[0] > liq.z[0]  # R32 is the more volatile
    assert liq.p == vap.p and liq.x == 0.0 and vap.x == 1.0
    dew_liq, dew_vap = r454b.dew(T=273.15)
    assert dew_vap.p < liq.p  # the glide
    np.testing.assert_allclose(dew_vap.z, r454b.z, rtol=0, atol=1e-15)
    by_p = r454b.bubble(p=liq.p)[0]
    assert by_p.T == pytest.approx(273.15, abs=1e-7)


def test_two_phase_state_and_round_trips(r454b):
    st = r454b.state(p=0.8, h=300.0)
    assert st.phase == "two-phase" and 0 < st.x < 1
    assert st.liquid.shape == st.vapour.shape == (2,)
    for other in (r454b.state(p=0.8, s=st.s), r454b.state(T=st.T, D=st.D)):
        assert other.h == pytest.approx(300.0, abs=1e-5)
    gas = r454b.state(T=320.0, p=1.0)
    assert gas.phase == "vapour" and gas.liquid is None and np.isnan(gas.x)


def test_arrays_broadcast_and_carry_errors(r454b):
    st = r454b.state(T=np.array([[250.0, 300.0], [300.0, 20.0]]), p=1.0)
    assert st.T.shape == (2, 2) and st.z.shape == (2, 2, 2)
    assert st.phase.tolist() == [["liquid", "vapour"], ["vapour", ""]]
    assert "out of range" in st.error[1, 1] and np.isnan(st.D[1, 1])
    assert st.ok.tolist() == [[True, True], [True, False]]


@pytest.mark.parametrize("components, basis, message", [
    ({"R32": 0.6, "R1234yf": 0.6}, "mole", "not 1"),
    ({"R32": -0.2, "R1234yf": 1.2}, "mole", "not negative"),
    ({"R32": 0.5, "Unobtainium": 0.5}, "mole", "Unobtainium"),
    ({"R32": 0.5, "r32": 0.5}, "mole", "given twice"),
    ({}, "mole", "at least one"),
])
def test_bad_compositions_raise_clear_errors(components, basis, message):
    with pytest.raises(xalt1.Error, match=message):
        xalt1.Mixture(components, basis=basis)


def test_wrong_arguments_raise():
    with pytest.raises(ValueError, match="basis"):
        xalt1.Mixture({"R32": 1.0}, basis="volume")
    with pytest.raises(TypeError):
        xalt1.Mixture(["R32", "R1234yf"])
    with pytest.raises(TypeError):
        xalt1.Mixture({"R32": "half", "R1234yf": 0.5})
    with pytest.raises(xalt1.Error, match="blends are"):
        xalt1.Mixture("R999X")
    with pytest.raises(xalt1.Error, match="x = 0"):
        xalt1.Mixture("Air").state(T=80.0, x=0.5)


def test_air_three_components():
    air = xalt1.Mixture("Air")
    liq, vap = air.bubble(p=0.101325)
    assert liq.T == pytest.approx(78.9, abs=0.5)
    assert vap.z.sum() == pytest.approx(1.0, abs=1e-12) and vap.z[0] > liq.z[0]


def test_a_mixture_pickles(r454b):
    copy = pickle.loads(pickle.dumps(r454b))
    assert copy.components == r454b.components and copy.units == "mass"
    assert copy.state(T=300.0, p=1.0).h == r454b.state(T=300.0, p=1.0).h
