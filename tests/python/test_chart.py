"""The charts drawn into matplotlib axes (plot) and the cycles drawn over them (cycle)."""

import re

import matplotlib

matplotlib.use("Agg")

import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import pytest  # noqa: E402
from matplotlib.figure import Figure  # noqa: E402

from xalt1 import chart  # noqa: E402
from conftest import ROOT  # noqa: E402


def new_axes():
    return Figure(figsize=(8, 6)).add_subplot(1, 1, 1)


def cycle_states(f):
    """The four states of a refrigeration cycle of f with an isentropic compressor."""
    st1 = f.state(T=263.15, x=1)
    p_cond = f.saturation(T=313.15)[0].p
    st3 = f.state(p=p_cond, x=0)
    return [st1, f.state(p=p_cond, s=st1.s), st3, f.state(p=st1.p, h=st3.h)]


@pytest.mark.parametrize("kind, code, y_label", [("ph", "R1234yf", "pressure p / MPa"),
                                                 ("T-s", "CO2", "temperature T / K")])
def test_plot_draws_into_the_given_axes_only(load, kind, code, y_label):
    ax = new_axes()
    ax.figure.suptitle("mine")
    assert chart.plot(load(code, "mass"), kind, ax) is ax
    assert len(ax.lines) > 15 and ax.get_ylabel() == y_label and ax.get_legend()
    assert [t.get_text() for t in ax.figure.texts] == ["mine"]  # the suptitle only


@pytest.mark.parametrize("kind, expected", [("ph", "ph"), ("PH", "ph"), ("p-h", "ph"),
                                            ("P-H", "ph"), ("ts", "ts"), ("T-s", "ts"),
                                            ("TS", "ts")])
def test_chart_kinds_in_any_case(kind, expected):
    assert chart.chart_kind(kind) == expected


@pytest.mark.parametrize("kind", ["hs", "", "p-v", None])
def test_an_unknown_kind_is_refused(load, kind):
    with pytest.raises(ValueError, match="ph or ts"):
        chart.plot(load("R1234yf", "mass"), kind, new_axes())


def test_a_molar_fluid_is_drawn_in_mass_units(load):
    molar = load("R1234yf", "molar")
    ax = chart.plot(molar, "ph", new_axes(), isotherms=False, isentropes=False)
    h, p = ax.lines[0].get_data()  # the dome, liquid branch first
    liquid = slice(1, len(h) // 2, 25)  # the first point, at Tmin, is not a (p, x) input
    expected = molar.state(p=p[liquid], x=0).h / molar.info.M
    np.testing.assert_allclose(h[liquid], expected, rtol=1e-6)
    texts = [t.get_text() for t in ax.get_legend().get_texts()]
    assert "drawn in mass units (kJ/kg)" in texts


@pytest.mark.parametrize("units, close, as_array", [("mass", True, False),
                                                    ("molar", True, False),
                                                    ("mass", False, False),
                                                    ("molar", True, True)])
def test_cycle_numbers_its_points_and_closes_the_loop(load, units, close, as_array):
    f = load("R1234yf", units)
    ax = chart.plot(f, "ph", new_axes(), labels=False)
    states = cycle_states(f)
    if as_array:  # one State holding the four
        states = f.state(p=np.array([st.p for st in states]), h=np.array([st.h for st in states]))
    assert chart.cycle(ax, states, close=close, label="cycle") is ax
    h, p = ax.lines[-1].get_data()
    assert len(h) == 4 + close and (h[0] == h[-1]) == close
    assert h[0] == pytest.approx(load("R1234yf", "mass").state(T=263.15, x=1).h, rel=1e-9)
    numbers = [t.get_text() for t in ax.texts if t.get_text().isdigit()]
    assert numbers == ["1", "2", "3", "4"]
    assert "cycle" in [t.get_text() for t in ax.get_legend().get_texts()]


def test_cycle_on_axes_without_a_chart_needs_the_kind(load):
    states = cycle_states(load("R1234yf", "mass"))
    with pytest.raises(ValueError, match="kind"):
        chart.cycle(new_axes(), states)
    ax = chart.cycle(new_axes(), states, kind="T-s", color="k")
    assert len(ax.lines[-1].get_xdata()) == 5 and ax.lines[-1].get_color() == "k"
    with pytest.raises(ValueError, match="molar mass"):
        chart.cycle(new_axes(), cycle_states(load("R1234yf", "molar")), kind="ph")


def test_the_readme_cycle_example_runs(tmp_path, monkeypatch):
    readme = (ROOT / "README.md").read_text()
    section = readme[readme.index("### Charts"):]
    example = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    monkeypatch.chdir(tmp_path)
    names = {}
    exec(example, names)
    ax = names["ax"]
    h, p = ax.lines[-1].get_data()
    assert len(h) == 5 and h[0] == h[-1]
    assert (h[3], p[2], p[3]) == pytest.approx((h[2], p[1], p[0]))  # throttle, condenser
    assert (tmp_path / "cycle.png").stat().st_size > 50_000
    plt.close(ax.figure)
