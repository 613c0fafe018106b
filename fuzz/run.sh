#!/usr/bin/env bash
# Robustness campaign, run by `make fuzz`:
#   1. coverage-guided fuzzing of the substance-table readers (libFuzzer, clang, ASan+UBSan)
#      for FUZZ_TABLE_SECONDS seconds, seeded with the shipped table, the test tables and the
#      tables of fuzz/seeds/ (a menu past its 1000 entries, carriage returns, long lines);
#   2. FUZZ_SESSIONS scripted sessions of the sanitizer build of the program with random menu
#      choices, modes and values, on every fluid of the shipped table.
# Inputs that make the table fuzzer fail land in build/fuzz/artifacts/; keep each one in
# tests/data/fuzz_regressions/ once the fault is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
table_seconds=${FUZZ_TABLE_SECONDS:-600}
sessions=${FUZZ_SESSIONS:-2000}
seed=${FUZZ_SEED:-$(date +%s)}
out=$root/build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"

if [ "$table_seconds" -gt 0 ]; then
    echo "== table fuzzing for $table_seconds s"
    nice -n 10 "$out/table_fuzzer" -max_total_time="$table_seconds" -timeout=20 \
        -rss_limit_mb=4096 -max_len=8192 -print_final_stats=1 -dict="$root/fuzz/table.dict" \
        -artifact_prefix="$out/artifacts/" \
        "$out/corpus" "$root/data" "$root/tests/data" "$root/fuzz/seeds" 2>"$out/table_fuzz.log" || {
        tail -n 60 "$out/table_fuzz.log"
        echo "table fuzzing found a fault; the input is in $out/artifacts/"
        exit 1
    }
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$out/table_fuzz.log" || true
fi

if [ "$sessions" -gt 0 ]; then
    echo "== $sessions fuzzed sessions (seed $seed)"
    nice -n 10 "$out/session_fuzzer" --binary "$out/xalt1_checked" --sessions "$sessions" \
        --seed "$seed" --jobs "${FUZZ_JOBS:-2}" \
        --table "$root/data/x_rstoff.tab" --keep "$out/session_failures"
fi
