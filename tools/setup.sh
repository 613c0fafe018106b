#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when they are missing. The program itself
# needs only cmake and a C++ compiler; the tests, the benchmarks and the fitting tool need more.
#   tools/setup.sh program   cmake, g++                       (make run, make csv)
#   tools/setup.sh test      + GoogleTest, Ceres, Eigen       (make test; the fitting tool's tests)
#   tools/setup.sh bench     + Google Benchmark               (make bench, make perf)
#   tools/setup.sh fit       + Ceres Solver, Eigen            (make data, make fit)
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
case "${1:-program}" in
program) ;;
test)
    [ -f /usr/include/gtest/gtest.h ] || need+=(googletest libgtest-dev)
    [ -f /usr/include/ceres/ceres.h ] || need+=(libceres-dev)
    [ -f /usr/include/eigen3/Eigen/Dense ] || need+=(libeigen3-dev)
    ;;
bench)
    [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
    ;;
fit)
    [ -f /usr/include/ceres/ceres.h ] || need+=(libceres-dev)
    [ -f /usr/include/eigen3/Eigen/Dense ] || need+=(libeigen3-dev)
    ;;
*)
    echo "usage: tools/setup.sh program|test|bench|fit" >&2
    exit 2
    ;;
esac
if [ "${#need[@]}" -gt 0 ]; then
    echo "Installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
