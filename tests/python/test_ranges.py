"""The edges of every fluid's range from Python: the reproducers once found there give a
correct value or a clear error, a damaged table is refused, and docs/ranges.md is what the
library gives."""

import subprocess
import sys

import numpy as np
import pytest

import xalt1
from conftest import ROOT


def test_ranges_document_is_current():
    done = subprocess.run([sys.executable, str(ROOT / "tools/ranges/ranges_doc.py"), "--check",
                           str(ROOT / "docs/ranges.md")], capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr


def test_compressed_liquid_beyond_the_range_is_refused(load):
    f = load("Propane")
    with pytest.raises(xalt1.Error, match="out of range"):
        f.state(T=f.range.Tmin, p=1000.0)
    a = f.state(T=f.range.Tmin, p=f.range.pmax)
    assert f.state(p=f.range.pmax, D=a.D).T == pytest.approx(f.range.Tmin, rel=1e-7)


@pytest.mark.parametrize("code", ["CO2", "R32", "R161", "Nitrogen", "Ammonia"])
def test_ends_of_the_range_are_inside(load, code):
    f = load(code)
    r = f.range
    for T in (r.Tmin, r.Tmax):
        st = f.state(T=T, p=r.pmax)
        assert f.state(p=r.pmax, h=st.h).T == pytest.approx(T, rel=1e-9)
    p_low = f.saturation(T=r.Tmin)[0].p
    assert f.saturation(p=p_low)[0].T == pytest.approx(r.Tmin, rel=1e-7)
    assert f.state(p=p_low, x=0.5).T == pytest.approx(r.Tmin, rel=1e-7)
    p_top = f.saturation(T=0.9999 * f.info.Tc)[0].p
    assert f.saturation(p=p_top)[0].T == pytest.approx(0.9999 * f.info.Tc, rel=1e-7)
    pc = f.info.pc
    for T in (0.9 * f.info.Tc, min(1.2 * f.info.Tc, r.Tmax)):
        h = f.state(T=T, p=pc).h
        assert f.state(p=pc, h=h).T == pytest.approx(T, rel=1e-9)


def test_identities_to_round_off(load):
    f = load("R134a")
    T = np.linspace(f.range.Tmin, f.range.Tmax, 50)
    st = f.state(T=T, p=np.full(50, 1.0))
    np.testing.assert_allclose(st.h, st.u + 1e3 * st.p / st.D, rtol=1e-12)
    np.testing.assert_allclose(st.g, st.h - st.T * st.s, rtol=1e-12, atol=1e-9)


def test_damaged_table_is_refused(tmp_path):
    text = open(xalt1.default_table(), encoding="utf-8").read()
    table = tmp_path / "cut.tab"
    table.write_text(text[:-60], encoding="utf-8")
    with pytest.raises(xalt1.Error, match="the entry of R1336mzzZ, line [0-9]+: "):
        xalt1.Fluid("R1336mzzZ", table=table)
    table.write_text(text.replace("Alpha: 1.29466384", "Alfa: 1.29466384"), encoding="utf-8")
    with pytest.raises(xalt1.Error, match="unknown label 'Alfa:'"):
        xalt1.Fluid("CO2", table=table)
