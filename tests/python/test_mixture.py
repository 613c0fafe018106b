"""Mixtures from Python: blends in a few lines, compositions refused with a clear error,
scalars and arrays alike, states that carry their phases' compositions."""

import pickle
import re

import numpy as np
import pytest

import xalt1
from conftest import ROOT


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


@pytest.mark.parametrize("name", ["R454B", "R513A", "Air"])
def test_envelope_through_the_critical_point(name):
    mix = xalt1.Mixture(name, units="mass")
    env = mix.envelope()
    c = env.critical
    assert c.phase == "supercritical" and np.isnan(c.cp)
    assert env.bubble[0] and not env.bubble[-1]  # up the bubble line, down the dew line
    assert env.cricondentherm.T >= env.T.max() - 1e-9
    assert env.cricondenbar.p >= env.p.max() - 1e-9
    assert c.T == pytest.approx(mix.critical().T, abs=0.05)
    # Each point's phase of the mixture's composition: the liquid on the bubble line.
    feed = np.where(env.bubble[:, None], env.liquid.z, env.vapour.z)
    np.testing.assert_allclose(feed, np.broadcast_to(mix.z, feed.shape), atol=1e-14)
    T_bubble, p_bubble = env.bubble_line
    liq, _ = mix.bubble(T=float(T_bubble[2]))
    assert liq.p == pytest.approx(p_bubble[2], rel=1e-6)


def test_mixture_p_h_chart_has_the_envelope_as_its_dome(tmp_path):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    from matplotlib.figure import Figure
    from xalt1 import chart

    ax = Figure().add_subplot(1, 1, 1)
    chart.plot(xalt1.Mixture("R454B"), "ph", ax)  # molar units drawn in mass units
    assert "critical point of the mixture" in ax.get_title()
    dome = [line for line in ax.lines if line.get_label() == "saturation dome"]
    assert len(dome) == 1 and len(dome[0].get_xdata()) > 20
    with pytest.raises(ValueError, match="p-h"):
        chart.plot(xalt1.Mixture("R454B"), "ts", Figure().add_subplot(1, 1, 1))
    out = tmp_path / "air.png"
    assert chart.main(["Air", "ph", str(out)]) == 0 and out.stat().st_size > 10000


def test_the_readme_mixture_example_runs_and_says_what_it_gives():
    readme = (ROOT / "README.md").read_text()
    section = readme[readme.index("## Mixtures"):readme.index("## Adding a fluid")]
    (code,) = re.findall(r"```python\n(.*?)```", section, re.S)
    names = {}
    exec(compile(code, "README.md", "exec"), names)
    assert names["liq"].T == pytest.approx(281.38, abs=0.01)
    assert names["dew"].T == pytest.approx(283.07, abs=0.01)
    assert names["st"].x == pytest.approx(0.300, abs=0.001)
    assert names["env"].critical.T == pytest.approx(350.40, abs=0.01)


def test_pxy_and_txy_diagrams_of_a_binary(load):
    mix = xalt1.Mixture({"R32": 0.5, "R1234yf": 0.5})
    d = mix.pxy(273.15, n=11)
    ends = [load(code).saturation(T=273.15)[0].p for code in ("R1234yf", "R32")]
    assert d.bubble_p[[0, -1]] == pytest.approx(ends, rel=1e-7)  # x = 0 is pure R1234yf
    assert (d.bubble_p >= d.dew_p - 1e-12).all() and np.isnan(d.critical_x)
    t = mix.txy(1.0, n=5)
    assert (t.bubble_T <= t.dew_T + 1e-9).all() and t.bubble_x.tolist() == [0, 0.25, 0.5, 0.75, 1]
    # Above methane's critical temperature the lines end at the mixture's critical point.
    ch4 = xalt1.Mixture({"Methane": 0.5, "Ethane": 0.5}).pxy(250.0, n=11)
    assert 0.6 < ch4.critical_x < 0.7 and ch4.critical_p > ch4.bubble_p.max()
    with pytest.raises(xalt1.Error, match="binary"):
        xalt1.Mixture("Air").pxy(100.0)


def test_bubble_and_dew_points_of_arrays_carry_each_elements_error(r454b):
    liq, vap = r454b.bubble(T=np.array([[250.0, 273.15], [300.0, 420.0]]))
    assert liq.T.shape == (2, 2) and vap.z.shape == (2, 2, 2)
    assert liq.p[0, 1] == pytest.approx(r454b.bubble(T=273.15)[0].p, rel=1e-12)
    assert liq.error[1, 1] and np.isnan(vap.p[1, 1]) and np.isnan(vap.z[1, 1]).all()
    assert liq.phase.tolist() == [["liquid", "liquid"], ["liquid", ""]]
    assert (r454b.dew(p=np.array([0.5, 1.0]))[1].T > liq.T[0, 0]).all()


def test_a_pair_without_data_takes_the_rule_of_its_classes():
    (a, b, xi, eta, source), = xalt1.Mixture({"Propane": 0.5, "Isobutane": 0.5}).binary
    assert source.startswith("predicted: nonpolar-nonpolar") and eta == 1.0
    assert abs(xi - 1.0) < 0.02
    listed, = xalt1.Mixture({"n-Butane": 0.5, "Isobutane": 0.5}).binary
    assert listed[4].startswith("fitted to")


def test_isotherms_cross_the_glide_rising_in_temperature(r454b):
    # Between the bubble and the dew point at one pressure, h and T rise together.
    p = 1.0
    T_bubble, T_dew = r454b.bubble(p=p)[0].T, r454b.dew(p=p)[1].T
    T = np.linspace(T_bubble + 0.01, T_dew - 0.01, 7)
    st = r454b.state(T=T, p=p)
    assert (st.phase == "two-phase").all()
    assert (np.diff(st.h) > 0).all() and (np.diff(st.x) > 0).all()
    np.testing.assert_allclose(r454b.state(p=p, h=st.h).T, T, atol=1e-7)


def test_a_cycle_over_a_mixtures_chart():
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    from matplotlib.figure import Figure
    from xalt1 import chart

    mix = xalt1.Mixture("R454B")  # molar units: the chart converts by the blend's molar mass
    ax = chart.plot(mix, "ph", Figure().add_subplot(1, 1, 1), isentropes=False, labels=False)
    st1 = mix.state(T=263.15, x=1)
    p_high = mix.state(T=313.15, x=0).p
    st2 = mix.state(p=p_high, s=st1.s)
    st3 = mix.state(p=p_high, x=0)
    st4 = mix.state(p=st1.p, h=st3.h)
    assert st4.phase == "two-phase" and st4.T < st1.T  # the glide: evaporation starts colder
    chart.cycle(ax, [st1, st2, st3, st4], label="R454B cycle")
    h = ax.lines[-1].get_xdata()
    assert h[0] == pytest.approx(st1.h / mix.M) and h[2] == pytest.approx(st3.h / mix.M)
