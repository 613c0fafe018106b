"""The README's Python example, the charts, and the README's wheel installed into a fresh virtual
environment outside the repository (offline, with Debian's packages)."""

import os
import re
import shutil
import subprocess
import sys

import pytest

import xalt1
from xalt1 import chart
from conftest import ROOT

README = (ROOT / "README.md").read_text()


def python_section():
    start = README.index("## Use from Python")
    return README[start:README.index("\n## ", start + 1)]


def readme_example():
    return re.search(r"```python\n(.*?)```", python_section(), re.S).group(1)


def test_readme_example_gives_the_state_at_p_h_in_mass_units():
    example = readme_example()
    assert len(example.strip().splitlines()) == 5
    out = subprocess.run([sys.executable, "-c", example], capture_output=True, text=True,
                         cwd=ROOT, check=True).stdout.split()
    T, D, s, cp, w, x = (float(v) for v in out[:6])
    expected = xalt1.Fluid("R1234yf", units="mass").state(p=1.0, h=420.0)
    assert (T, D, s) == (expected.T, expected.D, expected.s)
    assert out[6] == expected.phase == "vapour" and x != x  # x is NaN in single phase
    assert 300 < T < 360 and 30 < D < 70


@pytest.mark.parametrize("code, kind, name", [("R1234yf", "ph", "ph.png"),
                                              ("CO2", "ts", "ts.svg")])
def test_a_chart_drawn_to_a_file(tmp_path, code, kind, name):
    out = tmp_path / name
    chart.draw(xalt1.Fluid(code, units="mass"), kind, out)
    data = out.read_bytes()
    if name.endswith(".png"):
        assert data.startswith(b"\x89PNG") and len(data) > 50_000
    else:
        text = data.decode()
        assert "<svg" in text and len(text) > 30_000


def test_chart_lines_are_curves_without_gaps_or_jumps():
    data = chart.ChartData(xalt1.Fluid("n-Pentane", units="mass"))
    h, p, n_vapour = data.isotherm(400.0)
    assert n_vapour and (h == h).all()  # every point found
    assert (p[:n_vapour] > 0).all() and (abs(p[n_vapour] / p[n_vapour + 1] - 1) < 1e-9)
    s, T = data.isobar(1.0)
    assert (s == s).all() and T.min() < data.T_bottom and T.max() >= data.T_top
    step = (abs(s[1:] - s[:-1]) < 0.05 * (s.max() - s.min())) | (T[1:] == T[:-1])
    assert step.all()  # no jumps but the crossing of the dome at Ts


def test_chart_command_line(tmp_path):
    env = dict(os.environ, MPLBACKEND="Agg")
    ok = subprocess.run([sys.executable, "-m", "xalt1.chart", "Argon", "ts",
                         str(tmp_path / "argon.png")], capture_output=True, text=True, env=env)
    assert ok.returncode == 0, ok.stderr
    assert (tmp_path / "argon.png").stat().st_size > 50_000
    bad = subprocess.run([sys.executable, "-m", "xalt1.chart", "NoSuch", "ph",
                          str(tmp_path / "x.png")], capture_output=True, text=True, env=env)
    assert bad.returncode == 1 and "NoSuch" in bad.stderr and not (tmp_path / "x.png").exists()


def test_wheel_installed_as_the_readme_says_runs_outside_the_source_tree(tmp_path):
    commands = [line.strip() for line in python_section().splitlines()
                if line.startswith("    ") and ("xalt1-venv" in line or "pip wheel" in line)]
    assert len(commands) == 3 and "pip wheel . --no-deps --no-index --no-build-isolation" in \
        commands[0], commands
    shutil.rmtree(ROOT / "build" / "wheel", ignore_errors=True)
    venv = tmp_path / "venv"
    env = {k: v for k, v in os.environ.items()
           if k not in ("PYTHONPATH", "PIP_INDEX_URL", "XALT1_TABLE", "MAKEFLAGS", "MAKELEVEL")}
    for command in commands:
        subprocess.run(command.replace("~/xalt1-venv", str(venv)), shell=True, cwd=ROOT,
                       env=env, check=True, capture_output=True, timeout=1200)
    # Isolated (-I): neither the current folder nor PYTHONPATH nor the user's site is searched.
    python = [str(venv / "bin" / "python"), "-I", "-c"]
    probe = "import xalt1; print(xalt1.__file__); print(xalt1.default_table())"
    where = subprocess.run(python + [probe], cwd=tmp_path, env=env, capture_output=True,
                           text=True, check=True).stdout.splitlines()
    assert where[0].startswith(str(venv)) and where[1].startswith(str(venv))
    out = subprocess.run(python + [readme_example()], cwd=tmp_path, env=env, capture_output=True,
                         text=True, check=True).stdout.split()
    expected = xalt1.Fluid("R1234yf", units="mass").state(p=1.0, h=420.0)
    assert [float(v) for v in out[:3]] == [expected.T, expected.D, expected.s]


def test_table_named_by_the_environment_is_the_default(tmp_path):
    table = tmp_path / "copy.tab"
    shutil.copy(xalt1.default_table(), table)
    env = dict(os.environ, XALT1_TABLE=str(table))
    out = subprocess.run([sys.executable, "-c", "import xalt1; print(xalt1.default_table())"],
                         env=env, capture_output=True, text=True, check=True).stdout.strip()
    assert out == str(table)
