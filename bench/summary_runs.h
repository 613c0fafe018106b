// What the summaries of the benchmark programs take from Google Benchmark's runs: the median of
// repeated runs or the single run, its CPU time per iteration, and its named counters.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace summary_runs {

using Run = benchmark::BenchmarkReporter::Run;

// A run the summary shows: the median of repetitions, or the one run without repetitions.
inline bool shown(const Run& run) {
    if (run.error_occurred) return false;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    return median || single;
}

// CPU time per iteration, ns.
inline double cpu_ns(const Run& run) {
    return run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
}

// A counter of the run, or `absent`.
inline double counter(const Run& run, const std::string& name, double absent) {
    const auto it = run.counters.find(name);
    return it == run.counters.end() ? absent : it->second.value;
}

}  // namespace summary_runs
