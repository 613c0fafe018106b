#!/usr/bin/env bash
# Installs the Debian packages the fuzzing builds need (clang with libFuzzer), when missing.
set -euo pipefail
need=()
command -v clang++-14 >/dev/null 2>&1 || need+=(clang-14)
ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    need+=(libclang-rt-14-dev)
if [ "${#need[@]}" -gt 0 ]; then
    echo "Installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
