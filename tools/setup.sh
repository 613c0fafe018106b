#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(googletest libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# The fitting tool of the substance table (tools/fit) needs Ceres Solver and Eigen.
[ -f /usr/include/ceres/ceres.h ] || need+=(libceres-dev)
[ -f /usr/include/eigen3/Eigen/Dense ] || need+=(libeigen3-dev)
if [ "${#need[@]}" -gt 0 ]; then
    echo "Installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
