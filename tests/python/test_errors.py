"""Bad input raises a clear ValueError (scalar calls) or marks the element (array calls), and
never prints."""

import math

import numpy as np
import pytest

import xalt1


@pytest.fixture(scope="module")
def co2():
    return xalt1.Fluid("CO2")


RANGE = "(the range of CO2: T from"

# (what is called, the error's kind or None for an error of the Python layer, words the
# message must hold)
BAD_CALLS = [
    (lambda f, tmp: xalt1.Fluid("NoSuchFluid"), "unknown fluid", ["NoSuchFluid"]),
    (lambda f, tmp: xalt1.Fluid("CO2", table=tmp / "missing.tab"), "unreadable table",
     ["missing.tab"]),
    (lambda f, tmp: xalt1.Fluid("CO2", units="imperial"), None, ["molar", "mass"]),
    (lambda f, tmp: f.state(T=math.nan, p=1.0), "bad input", ["T = nan", "finite", RANGE]),
    (lambda f, tmp: f.state(T=-5.0, p=1.0), "bad input", ["T = -5 K", "positive"]),
    (lambda f, tmp: f.state(T=300.0, D=0.0), "bad input", ["D = 0", "positive"]),
    (lambda f, tmp: f.state(T=1e4, p=1.0), "out of range", ["T = 10000 K", RANGE]),
    (lambda f, tmp: f.state(T=300.0, p=1e4), "out of range", ["p = 10000 MPa", RANGE]),
    (lambda f, tmp: f.state(p=1.0, h=-1e6), "out of range", ["h = -1000000 J/mol"]),
    (lambda f, tmp: f.state(T=250.0, x=1.5), "bad input", ["x = 1.5", "[0, 1]"]),
    (lambda f, tmp: f.state(T=250.0, p=f.saturation(T=250.0)[0].p), "not a state",
     ["saturation pressure", "x"]),
    (lambda f, tmp: f.state(T=300.0, u=1.0), "not a state", ["T and u", "(p,h)", "(h,s)"]),
    (lambda f, tmp: f.state(T=300.0, T2=1.0), "not a state", ["T2"]),
    (lambda f, tmp: f.state(p=1.0), None, ["two inputs", "got p"]),
    (lambda f, tmp: f.state(T=300.0, p=1.0, h=2.0), None, ["two inputs"]),
    (lambda f, tmp: f.state(T=[1.0, 2.0], p=[1.0, 2.0, 3.0]), None, ["broadcast"]),
    (lambda f, tmp: f.saturation(T=310.0), "out of range", ["T = 310 K", "Tc"]),
    (lambda f, tmp: f.saturation(p=8.0), "out of range", ["p = 8 MPa", "critical pressure"]),
    (lambda f, tmp: f.saturation(T=250.0, p=1.0), None, ["T or p"]),
    (lambda f, tmp: f.saturation(), None, ["T or p"]),
]


@pytest.mark.parametrize("call, kind, words", BAD_CALLS)
def test_bad_input_raises_a_clear_value_error(co2, tmp_path, capfd, call, kind, words):
    with pytest.raises(ValueError) as caught:
        call(co2, tmp_path)
    message = str(caught.value)
    for word in words:
        assert word in message, message
    if kind is not None:
        assert isinstance(caught.value, xalt1.Error)
        assert caught.value.kind == kind
        assert "CO2" in message or "NoSuchFluid" in message or "missing.tab" in message
    assert capfd.readouterr() == ("", "")  # nothing printed, nothing waited for


def test_array_with_failed_elements(co2, capfd):
    T = np.array([300.0, math.nan, -1.0, 1e5, 250.0, 400.0])
    st = co2.state(T=T, p=np.array([1.0, 1.0, 1.0, 1.0, 1.0, 1e4]))
    failed = np.array([False, True, True, True, False, True])
    assert st.error.shape == T.shape
    assert (st.error[failed] != "").all() and (st.error[~failed] == "").all()
    assert (st.ok == ~failed).all()
    assert "finite" in st.error[1] and "positive" in st.error[2]
    assert "T = 100000 K" in st.error[3] and "p = 10000 MPa" in st.error[5]
    assert (st.phase[failed] == "").all()
    from xalt1 import QUANTITIES
    for q in QUANTITIES:
        assert np.isnan(getattr(st, q)[failed]).all(), q
    for i in np.flatnonzero(~failed):
        one = co2.state(T=float(T[i]), p=1.0)
        assert (one.D, one.h, one.phase) == (st.D[i], st.h[i], st.phase[i])
    liq, vap = co2.saturation(T=np.array([250.0, 310.0, 100.0, 280.0]))
    assert list(liq.error != "") == [False, True, True, False]
    assert list(vap.error != "") == [False, True, True, False]
    assert np.isnan(vap.p[1:3]).all() and np.isfinite(vap.p[[0, 3]]).all()
    assert capfd.readouterr() == ("", "")


def test_all_failed_array_and_messages_of_any_length(co2):
    st = co2.state(p=np.full(3, 1.0), h=np.array([-1e6, -1e9, math.inf]))
    assert (st.error != "").all()
    assert st.error[1].startswith("CO2 at p = 1 MPa, h = -1000000000 J/mol")
