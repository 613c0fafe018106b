// The C interface's array call against the C++ interface's (make bench-c): the same states, every
// output wanted, per state; and their ratio measured in alternating blocks of CPU time, so that
// a changing load of the machine affects both alike. Built twice: against libxalt1.so and
// against libxalt1.a.
//
// Options: --table=PATH (default the shipped table), --fluids=A,B (default Argon, CO2, R134a).
#include <benchmark/benchmark.h>
#include <xalt1/xalt1.h>
#include <xalt1/xalt1_c.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

using xalt1::Input;

std::string table_path;

// A fluid loaded through both interfaces.
struct Both {
    std::unique_ptr<xalt1::Fluid> cpp;
    xalt1_fluid* c = nullptr;
};

Both& fluid(const std::string& code) {
    static std::map<std::string, Both> loaded;
    Both& b = loaded[code];
    if (!b.cpp) {
        b.cpp = std::make_unique<xalt1::Fluid>(code, table_path);
        if (xalt1_load(code.c_str(), table_path.c_str(), XALT1_MOLAR, 0, &b.c) != XALT1_OK)
            throw std::runtime_error(xalt1_last_error());
    }
    return b;
}

// 1024 single-phase states over 0.55 to 1.45 Tc and 0.02 to 2.4 Dc (a fixed pseudo-random
// sequence), as the inputs of a pair: (T, D), or (p, h) taken from those states.
struct Inputs {
    std::vector<double> first, second;
};

Inputs inputs_of(const xalt1::Fluid& f, Input input) {
    Inputs in;
    bench_support::Sequence sequence;
    auto next = [&] { return sequence.next(); };
    const double Tc = f.info().Tc, Dc = f.info().Dc;
    while (in.first.size() < 1024) {
        const double T = Tc * (0.55 + 0.9 * next()), D = Dc * (0.02 + 2.38 * next());
        try {
            const xalt1::State st = f.state_TD(T, D);
            if (st.phase == xalt1::Phase::two_phase || st.p > f.range().pmax) continue;
            in.first.push_back(input == Input::TD ? T : st.p);
            in.second.push_back(input == Input::TD ? D : st.h);
        } catch (const xalt1::Error&) {
        }
    }
    return in;
}

// The C++ array call with every output column and the phases (no messages).
class CppColumns {
  public:
    explicit CppColumns(std::size_t n) : columns_(n) {}
    void run(const xalt1::Fluid& f, Input input, const Inputs& in) {
        f.states(input, {in.first.data(), 1}, {in.second.data(), 1}, in.first.size(), columns_.out);
    }

  private:
    bench_support::AllColumns columns_;
};

// The C array call with every element's state and status.
class CRecords {
  public:
    explicit CRecords(std::size_t n) : states_(n), status_(n) {}
    void run(const xalt1_fluid* f, Input input, const Inputs& in) {
        xalt1_states(f, static_cast<int>(input), in.first.data(), 1, in.second.data(), 1,
                     in.first.size(), XALT1_ANY_PHASE, states_.data(), status_.data(), nullptr);
    }

  private:
    std::vector<xalt1_state> states_;
    std::vector<int> status_;
};

void per_state(benchmark::State& state, std::size_t n, uint64_t before) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
    state.counters["evaluations"] = static_cast<double>(xalt1_evaluation_count() - before) /
                                    static_cast<double>(state.iterations() * n);
    state.counters["us_per_state"] = benchmark::Counter(
        static_cast<double>(n) * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void cpp_array(benchmark::State& state, const std::string& code, Input input) {
    Both& f = fluid(code);
    const Inputs in = inputs_of(*f.cpp, input);
    CppColumns out(in.first.size());
    const uint64_t before = xalt1_evaluation_count();
    for (auto _ : state) out.run(*f.cpp, input, in);
    per_state(state, in.first.size(), before);
}

void c_array(benchmark::State& state, const std::string& code, Input input) {
    Both& f = fluid(code);
    const Inputs in = inputs_of(*f.cpp, input);
    CRecords out(in.first.size());
    const uint64_t before = xalt1_evaluation_count();
    for (auto _ : state) out.run(f.c, input, in);
    per_state(state, in.first.size(), before);
}

// C time over C++ time of the same array, alternating within each iteration.
void c_over_cpp(benchmark::State& state, const std::string& code, Input input) {
    Both& f = fluid(code);
    const Inputs in = inputs_of(*f.cpp, input);
    CppColumns cpp(in.first.size());
    CRecords c(in.first.size());
    double c_seconds = 0.0, cpp_seconds = 0.0;
    for (auto _ : state) {
        const double t0 = bench_support::thread_seconds();
        c.run(f.c, input, in);
        const double t1 = bench_support::thread_seconds();
        cpp.run(*f.cpp, input, in);
        c_seconds += t1 - t0;
        cpp_seconds += bench_support::thread_seconds() - t1;
    }
    state.counters["ratio"] = c_seconds / cpp_seconds;
}

void register_fluid(const std::string& code) {
    using benchmark::RegisterBenchmark;
    for (Input input : {Input::TD, Input::ph}) {
        const auto [a, b] = xalt1::input_names(input);
        const std::string pair = std::string(a) + std::string(b) + "/" + code;
        RegisterBenchmark(("cpp_array_" + pair).c_str(), cpp_array, code, input)
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark(("c_array_" + pair).c_str(), c_array, code, input)
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark(("c_over_cpp_" + pair).c_str(), c_over_cpp, code, input)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(40);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench_support::Options options = bench_support::options_of(argc, argv);
    table_path = options.table;
    for (const std::string& code : options.fluids) register_fluid(code);
    int count = static_cast<int>(options.rest.size());
    benchmark::Initialize(&count, options.rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
