#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when they are missing. The program itself
# needs only cmake and a C++ compiler; the tests, the benchmarks and the fitting tool need more.
#   tools/setup.sh program   cmake, g++                       (make run, make csv)
#   tools/setup.sh test      + GoogleTest, Ceres, Eigen       (make test; the fitting tool's tests)
#                            + gfortran, pkg-config           (the examples built against the
#                                                              installed library)
#                            + the Python packages below      (make test runs pytest too)
#   tools/setup.sh python    + pybind11, numpy, matplotlib,   (make python, make chart,
#                              pytest, setuptools, pip, venv   pip install .)
#   tools/setup.sh bench     + Google Benchmark               (make bench, make perf)
#   tools/setup.sh fit       + Ceres Solver, Eigen            (make data, make fit)
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
# The Python module is built for and run by Debian's own interpreter, /usr/bin/python3.
python_packages() {
    local p
    for p in python3 python3-dev python3-pybind11 pybind11-dev python3-numpy python3-matplotlib \
        python3-pytest python3-setuptools python3-wheel python3-pip python3-venv; do
        [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] ||
            need+=("$p")
    done
}
case "${1:-program}" in
program) ;;
test)
    [ -f /usr/include/gtest/gtest.h ] || need+=(googletest libgtest-dev)
    [ -f /usr/include/ceres/ceres.h ] || need+=(libceres-dev)
    [ -f /usr/include/eigen3/Eigen/Dense ] || need+=(libeigen3-dev)
    command -v gfortran >/dev/null 2>&1 || need+=(gfortran)
    command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
    python_packages
    ;;
python)
    python_packages
    ;;
bench)
    [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
    ;;
fit)
    [ -f /usr/include/ceres/ceres.h ] || need+=(libceres-dev)
    [ -f /usr/include/eigen3/Eigen/Dense ] || need+=(libeigen3-dev)
    ;;
*)
    echo "usage: tools/setup.sh program|test|python|bench|fit" >&2
    exit 2
    ;;
esac
if [ "${#need[@]}" -gt 0 ]; then
    echo "Installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
