"""Two threads with two fluids; fluids of another table; the metadata of the table."""

import shutil
import threading

import numpy as np

import xalt1


def workload(f):
    info = f.info
    T = info.Tc * np.linspace(0.65, 1.4, 400)
    p = info.pc * np.geomspace(0.01, 3.0, 400)
    st = f.state(T=T, p=p)
    ok = st.error == ""
    back = f.state(p=p[ok], h=st.h[ok])
    liq, vap = f.saturation(T=info.Tc * np.linspace(0.6, 0.99, 50))
    return np.concatenate([st.D, back.T, liq.D, vap.D])


def test_two_threads_with_two_fluids():
    fluids = [xalt1.Fluid("CO2"), xalt1.Fluid("R1234yf", units="mass")]
    expected = [workload(f) for f in fluids]
    results = [[], []]
    start = threading.Barrier(2)

    def run(k):
        start.wait()
        for _ in range(15):
            results[k].append(workload(fluids[k]))

    threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for k in range(2):
        assert len(results[k]) == 15
        for r in results[k]:
            np.testing.assert_array_equal(r, expected[k])


def test_one_fluid_from_two_threads():
    f = xalt1.Fluid("n-Pentane")
    expected = workload(f)
    results = []
    threads = [threading.Thread(target=lambda: results.append(workload(f))) for _ in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for r in results:
        np.testing.assert_array_equal(r, expected)


def test_fluids_of_the_shipped_table():
    listed = {i.code: i for i in xalt1.fluids()}
    assert {"R1234yf", "CO2", "n-Pentane", "Argon"} <= listed.keys()
    info = listed["R1234yf"]
    loaded = xalt1.Fluid("R1234yf").info
    for field in ("name", "fluid_class", "M", "Tc", "pc", "Dc", "Ttriple", "Tmax", "pmax",
                  "reference_state", "meets_targets"):
        assert getattr(info, field) == getattr(loaded, field), field
    assert info.Ttriple < info.Tc < info.Tmax and 0 < info.pc < info.pmax
    assert info.fluid_class in ("nonpolar", "quadrupolar", "dipolar", "hbond")
    assert info.reference_state in ("IIR", "NBP", "triple point")
    assert xalt1.default_table().endswith("x_rstoff.tab")
    assert "xalt1" in xalt1.default_table()  # the copy inside the package


def test_a_table_by_path(tmp_path):
    table = tmp_path / "mine.tab"
    shutil.copy(xalt1.default_table(), table)
    f = xalt1.Fluid("CO2", table=table)
    assert f.table == str(table)
    assert f.state(T=300.0, p=1.0).D == xalt1.Fluid("CO2").state(T=300.0, p=1.0).D
    codes = [i.code for i in xalt1.fluids(table)]
    assert codes == [i.code for i in xalt1.fluids()]
