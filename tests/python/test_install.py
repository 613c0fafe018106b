"""The library as another project uses it: `make package`, its Debian package unpacked into a
scratch root and `cmake --install` into a prefix, the examples (C, C++, Fortran; examples/) built
against both with find_package and with pkg-config, and from the source tree with
add_subdirectory; the ctypes example on the installed library. Each prints the (p, h) state the
Python module gives."""

import os
import re
import shutil
import subprocess
import sys

import pytest

import xalt1
from conftest import ROOT

RELEASE = ROOT / "build" / "release"
EXAMPLES = ROOT / "examples"
# A make run by pytest under `make test` must not talk to the outer make's job server.
ENV = {k: v for k, v in os.environ.items()
       if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL", "XALT1_TABLE", "PKG_CONFIG_PATH")}


def run(command, **kwargs):
    done = subprocess.run(command, capture_output=True, text=True, env=kwargs.pop("env", ENV),
                          timeout=900, **kwargs)
    assert done.returncode == 0, f"{command}:\n{done.stdout}\n{done.stderr}"
    return done.stdout


@pytest.fixture(scope="session")
def trees(tmp_path_factory):
    """{"prefix": an install prefix, "deb": /usr of the unpacked Debian package}."""
    root = tmp_path_factory.mktemp("installed")
    run(["make", "-s", "package"], cwd=ROOT)
    debs = list((RELEASE / "packages").glob("xalt1_*.deb"))
    assert len(debs) == 1, debs
    run(["dpkg-deb", "-x", str(debs[0]), str(root / "deb")])
    run(["cmake", "--install", str(RELEASE), "--prefix", str(root / "prefix")])
    return {"prefix": root / "prefix", "deb": root / "deb" / "usr"}


@pytest.fixture(scope="session")
def expected():
    return xalt1.Fluid("R1234yf", units="mass").state(p=1.0, h=420.0)


def state_in(output, label):
    """T, D, s and phase of the line `<label>: T=... D=... s=... phase=...`."""
    m = re.search(label + r": T=\s*(\S+) D=\s*(\S+) s=\s*(\S+) phase=(\d)", output)
    assert m, output
    return float(m.group(1)), float(m.group(2)), float(m.group(3)), int(m.group(4))


def check_state(output, label, expected):
    T, D, s, phase = state_in(output, label)
    assert (T, D, s) == pytest.approx((expected.T, expected.D, expected.s), rel=1e-12)
    assert xalt1.PHASES[phase] == expected.phase


def build_examples(build, how, tree=None):
    env = dict(ENV)
    command = ["cmake", "-S", str(EXAMPLES), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
               f"-DXALT1_FROM={how}"]
    if how == "package":
        command.append(f"-DCMAKE_PREFIX_PATH={tree}")
    elif how == "pkg-config":
        env["PKG_CONFIG_PATH"] = str(tree / "lib" / "pkgconfig")
    else:
        command.append(f"-DXALT1_SOURCE_DIR={ROOT}")
    run(command, env=env)
    run(["cmake", "--build", str(build), "-j", os.environ.get("JOBS", "2")], env=env)


@pytest.mark.parametrize("tree_name", ["prefix", "deb"])
@pytest.mark.parametrize("how", ["package", "pkg-config"])
def test_examples_against_an_installed_tree(trees, expected, tmp_path, tree_name, how):
    tree = trees[tree_name]
    build_examples(tmp_path / "build", how, tree)
    table = str(tree / "share" / "xalt1" / "x_rstoff.tab")
    # Run from elsewhere: the installed library finds the table installed beside it.
    c = run([str(tmp_path / "build" / "state_c")], cwd=tmp_path)
    check_state(c, "C", expected)
    assert f"table {table}, version {xalt1.__version__}" in c
    assert "failed 1," in c and "status=out of range" in c
    cpp = run([str(tmp_path / "build" / "state_cpp")], cwd=tmp_path)
    check_state(cpp, r"C\+\+", expected)
    assert f"table {table}," in cpp
    fortran = run([str(tmp_path / "build" / "state_fortran")], cwd=tmp_path)
    check_state(fortran, "Fortran", expected)
    assert "failed elements: 1" in fortran
    if how == "package":
        check_state(run([str(tmp_path / "build" / "state_cpp_static")], cwd=tmp_path),
                    r"C\+\+", expected)


def test_installed_library_reads_the_table_named_by_the_environment(trees, tmp_path):
    build_examples(tmp_path / "build", "package", trees["prefix"])
    table = tmp_path / "elsewhere.tab"
    shutil.copy(trees["prefix"] / "share" / "xalt1" / "x_rstoff.tab", table)
    out = run([str(tmp_path / "build" / "state_c")], cwd=tmp_path,
              env=dict(ENV, XALT1_TABLE=str(table)))
    assert f"table {table}," in out
    missing = subprocess.run([str(tmp_path / "build" / "state_c")], capture_output=True, text=True,
                             env=dict(ENV, XALT1_TABLE=str(tmp_path / "missing.tab")))
    assert missing.returncode == 1 and "missing.tab" in missing.stderr and not missing.stdout


def test_moved_prefix_still_finds_its_table(trees, expected, tmp_path):
    moved = tmp_path / "moved"
    shutil.copytree(trees["prefix"], moved, symlinks=True)
    build_examples(tmp_path / "build", "pkg-config", moved)
    out = run([str(tmp_path / "build" / "state_c")], cwd=tmp_path)
    check_state(out, "C", expected)
    assert f"table {moved / 'share' / 'xalt1' / 'x_rstoff.tab'}," in out


def test_examples_with_add_subdirectory(expected, tmp_path):
    build_examples(tmp_path / "build", "source")
    outputs = {name: run([str(tmp_path / "build" / name)], cwd=tmp_path)
               for name in ("state_c", "state_cpp", "state_fortran")}
    for name, label in [("state_c", "C"), ("state_cpp", r"C\+\+"), ("state_fortran", "Fortran")]:
        check_state(outputs[name], label, expected)
    # Built inside another project, the library reads the table of its source tree.
    assert f"table {ROOT / 'data' / 'x_rstoff.tab'}," in outputs["state_c"]
    # Only the libraries were built: no program, tests or tools of xalt1's own.
    assert not (tmp_path / "build" / "xalt1" / "xalt1").exists()
    assert not (tmp_path / "build" / "xalt1" / "tests").exists()


def test_ctypes_example_on_the_installed_library(trees, expected, tmp_path):
    library = trees["prefix"] / "lib" / "libxalt1.so.1"
    out = run([sys.executable, str(EXAMPLES / "python" / "ctypes_state.py"), str(library)],
              cwd=tmp_path)
    check_state(out, "ctypes", expected)
    assert "failed 1" in out


def test_shared_library_exports_only_its_interfaces(trees):
    library = trees["prefix"] / "lib" / "libxalt1.so.1"
    assert re.search(r"SONAME\s+libxalt1\.so\.1\n", run(["objdump", "-p", str(library)]))
    symbols = run(["nm", "-D", "--defined-only", "-C", str(library)]).splitlines()
    names = [line.split(" ", 2)[2] for line in symbols]
    assert "xalt1_states" in names and any(n.startswith("xalt1::Fluid::state(") for n in names)
    outside = [n for n in names if not (n.startswith(("xalt1_", "xalt1::")) or
                                        n.endswith(" for xalt1::Error"))]
    assert outside == []
    assert not [n for n in names if "detail::" in n or "Impl::" in n]
