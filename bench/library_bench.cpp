// Benchmarks of the library (make bench-library): a state from (T, D) with every output against
// the silent X_TD_DAT of the same states, scalar and as an array; saturation by T and by p over
// 0.3 to 0.99 Tc with their property evaluations, and the series alone; the states of every
// single-phase input pair; (p, h) with derivatives; loading a fluid with the build of its
// saturation curve; binary mixtures' bubble and dew points and flashes. Each figure carries the
// evaluations per state (of the mixture's residual part for mixtures) next to its time.
//
// Options: --table=PATH (default the shipped table), --fluids=A,B (default Argon, CO2, R134a),
// --mixtures=A+B,C+D (default R32+R1234yf, CO2+Ethane, Methane+Ethane, Propane+n-Butane),
// --markdown=PATH writes the summary as markdown tables (docs/performance.md takes them).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "api/binary_pairs.h"
#include "api/mixture_vle.h"
#include "api/table.h"
#include "api/xalt1.h"
#include "bench/bench_support.h"
#include "bench/summary_runs.h"
#include "props/props.h"

namespace {

using xalt1::Fluid;
using xalt1::Input;
using xalt1::State;

std::string table_path;
std::map<std::string, std::unique_ptr<Fluid>> loaded;

const Fluid& fluid(const std::string& code) {
    auto& slot = loaded[code];
    if (!slot) slot = std::make_unique<Fluid>(code, table_path);
    return *slot;
}

using bench_support::Sequence;
using bench_support::thread_seconds;

// 64 single-phase states over 0.55 to 1.45 Tc and 0.02 to 2.4 Dc (the cycle of the program's
// own benchmark, without the states inside the saturation dome), as (T, D) and as the library's
// states.
struct Cycle {
    std::vector<double> T, D;
    std::vector<State> states;
};

Cycle cycle_of(const Fluid& f) {
    Cycle c;
    Sequence s;
    const double Tc = f.info().Tc, Dc = f.info().Dc;
    while (c.T.size() < 64) {
        const double T = Tc * (0.55 + 0.9 * s.next()), D = Dc * (0.02 + 2.38 * s.next());
        try {
            const State st = f.state_TD(T, D);
            if (st.phase == xalt1::Phase::two_phase) continue;
            c.T.push_back(T);
            c.D.push_back(D);
            c.states.push_back(st);
        } catch (const xalt1::Error&) {
        }
    }
    return c;
}

void count_evaluations(benchmark::State& state, uint64_t before, double per) {
    state.counters["evaluations"] =
        static_cast<double>(xalt1::evaluation_count() - before) / (per * state.iterations());
}

// ---- The figures ---------------------------------------------------------------------------

// The silent X_TD_DAT of the cycle's states (the fluid's records installed in this thread by a
// library call first).
void td_dat(benchmark::State& state, const std::string& code) {
    const Fluid& f = fluid(code);
    const Cycle c = cycle_of(f);
    f.state_TD(c.T[0], c.D[0]);
    std::size_t i = 0;
    int32_t status = 0;
    for (auto _ : state) {
        const std::size_t k = i++ & 63;
        X_TD_DAT(true, c.D[k], c.T[k], -1.0f, status);
        benchmark::DoNotOptimize(status);
    }
}

void state_TD(benchmark::State& state, const std::string& code) {
    const Fluid& f = fluid(code);
    const Cycle c = cycle_of(f);
    std::size_t i = 0;
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state) {
        const std::size_t k = i++ & 63;
        benchmark::DoNotOptimize(f.state_TD(c.T[k], c.D[k]));
    }
    count_evaluations(state, before, 1.0);
}

// The two above in alternating blocks of 64 calls (CPU time of the thread), so that a changing
// load of the machine affects both alike: their ratio.
void state_TD_ratio(benchmark::State& state, const std::string& code) {
    const Fluid& f = fluid(code);
    const Cycle c = cycle_of(f);
    double library = 0.0, core = 0.0;
    int32_t status = 0;
    for (auto _ : state) {
        double t0 = thread_seconds();
        for (std::size_t k = 0; k < 64; ++k) benchmark::DoNotOptimize(f.state_TD(c.T[k], c.D[k]));
        double t1 = thread_seconds();
        library += t1 - t0;
        for (std::size_t k = 0; k < 64; ++k) X_TD_DAT(true, c.D[k], c.T[k], -1.0f, status);
        benchmark::DoNotOptimize(status);
        core += thread_seconds() - t1;
    }
    state.counters["ratio"] = library / core;
}

// (T, D) as an array of 10^4 states (the cycle repeated), every output wanted.
void states_TD_array(benchmark::State& state, const std::string& code) {
    const Fluid& f = fluid(code);
    const Cycle c = cycle_of(f);
    const std::size_t n = 10000;
    std::vector<double> T(n), D(n);
    for (std::size_t i = 0; i < n; ++i) {
        T[i] = c.T[i & 63];
        D[i] = c.D[i & 63];
    }
    std::vector<std::string> error(n);
    bench_support::AllColumns columns(n);
    xalt1::Outputs& out = columns.out;
    out.error = error.data();
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state) f.states(Input::TD, {T.data(), 1}, {D.data(), 1}, n, out);
    count_evaluations(state, before, static_cast<double>(n));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
    state.counters["states"] = static_cast<double>(n);
}

// Saturation by T at 70 temperatures from 0.3 to 0.99 Tc (those in the fluid's range), or by p
// at their saturation pressures; time and evaluations per pair.
void saturation(benchmark::State& state, const std::string& code, bool by_T) {
    const Fluid& f = fluid(code);
    std::vector<double> values;
    for (int k = 0; k < 70; ++k) {
        const double T = f.info().Tc * (0.3 + 0.01 * k);
        if (T < f.range().Tmin) continue;
        values.push_back(by_T ? T : f.saturation_T(T).second.p);
    }
    std::size_t i = 0;
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state) {
        const double v = values[i++ % values.size()];
        benchmark::DoNotOptimize(by_T ? f.saturation_T(v) : f.saturation_p(v));
    }
    count_evaluations(state, before, 1.0);
}

// The value of a pair's quantity ("T", "p", "D", "h", "s", "u") in a state.
double quantity_of(const State& st, std::string_view name) {
    if (name == "T") return st.T;
    if (name == "p") return st.p;
    if (name == "D") return st.D;
    if (name == "h") return st.h;
    if (name == "s") return st.s;
    return st.u;
}

// The inputs of one pair taken from the cycle's single-phase states (those inside the range).
std::vector<std::pair<double, double>> pair_inputs(const Fluid& f, Input input) {
    const auto [first, second] = xalt1::input_names(input);
    std::vector<std::pair<double, double>> inputs;
    for (const State& st : cycle_of(f).states)
        if (st.p <= f.range().pmax)
            inputs.push_back({quantity_of(st, first), quantity_of(st, second)});
    return inputs;
}

// States of one input pair over the cycle's single-phase states, with the inputs taken from
// them (a state a pair has twice, (T, h), asked for as the phase it is in).
void pair_states(benchmark::State& state, const std::string& code, Input input) {
    const Fluid& f = fluid(code);
    const std::vector<std::pair<double, double>> inputs = pair_inputs(f, input);
    std::size_t i = 0;
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state) {
        const auto& [a, b] = inputs[i++ % inputs.size()];
        try {
            benchmark::DoNotOptimize(f.state(input, a, b));
        } catch (const xalt1::Error&) {
            state.counters["two_states"] += 1;
        }
    }
    count_evaluations(state, before, 1.0);
}

// The (p, h) states of the cycle with four derivatives each, in one array call, against the
// same call without derivatives: time and evaluations per state.
void ph_with_derivatives(benchmark::State& state, const std::string& code, bool second) {
    const Fluid& f = fluid(code);
    const std::vector<std::pair<double, double>> inputs = pair_inputs(f, Input::ph);
    const std::size_t n = inputs.size();
    std::vector<double> p(n), h(n);
    for (std::size_t i = 0; i < n; ++i) std::tie(p[i], h[i]) = inputs[i];
    using V = xalt1::Variable;
    std::vector<xalt1::Derivative> asked = {
        {V::D, V::h, V::p}, {V::D, V::p, V::h}, {V::h, V::p, V::s}, {V::s, V::T, V::p}};
    if (second) asked.push_back({V::p, V::D, V::T, true, V::D, V::T});
    std::vector<std::vector<double>> columns(asked.size(), std::vector<double>(n));
    std::vector<double*> out;
    for (auto& c : columns) out.push_back(c.data());
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state)
        f.derivatives(Input::ph, {p.data(), 1}, {h.data(), 1}, n, asked, out.data());
    count_evaluations(state, before, static_cast<double>(n));
    state.counters["states"] = static_cast<double>(n);
}

// The saturation series alone at the temperatures of sat_T: no evaluation.
void saturation_series(benchmark::State& state, const std::string& code) {
    const Fluid& f = fluid(code);
    std::size_t i = 0;
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state) {
        const double T = f.info().Tc * (0.3 + 0.01 * static_cast<double>(i++ % 70));
        if (T < f.range().Tmin) continue;
        benchmark::DoNotOptimize(f.saturation_series(Fluid::SaturationBy::T, T));
    }
    count_evaluations(state, before, 1.0);
}

// Loading the fluid: the entry checked and read, the build of its saturation curve (exact pair
// solves and their evaluations) and the check of its range (evaluations of the library's own).
void load(benchmark::State& state, const std::string& code) {
    Fluid::BuildCost cost;
    uint64_t own = 0;
    for (auto _ : state) {
        const uint64_t before = xalt1::evaluation_count();
        const Fluid f(code, table_path);
        own = xalt1::evaluation_count() - before;
        cost = f.build_cost();
    }
    state.counters["solves"] = cost.solves;
    state.counters["evaluations"] = static_cast<double>(cost.evaluations + own);
}

// ---- Mixtures ----------------------------------------------------------------------------------

namespace mix = xalt1::detail;

// A binary "A+B" of the table's fluids: the one-fluid model with the pair's parameters from the
// binary file next to the table, the components' critical constants and saturation series.
struct Binary {
    std::unique_ptr<mix::MixtureModel> model;
    std::vector<mix::CriticalConstants> pure;
    std::vector<mix::SaturationSource> series;
};

std::map<std::string, Binary> binaries;

mix::SaturationSource series_of(const Fluid* f) {
    return [f](double T, mix::PureSaturation& out) {
        try {
            const xalt1::SeriesPoint s = f->saturation_series(Fluid::SaturationBy::T, T);
            out = {s.p, s.Dl, s.Dv};
            return true;
        } catch (const xalt1::Error&) {
            return false;
        }
    };
}

const Binary& binary(const std::string& name) {
    Binary& b = binaries[name];
    if (b.model) return b;
    const std::size_t plus = name.find('+');
    const std::vector<std::string> codes = {name.substr(0, plus), name.substr(plus + 1)};
    std::vector<mix::Records> records;
    for (const std::string& code : codes) {
        records.push_back(mix::load_fluid(table_path, code).records);
        const Fluid& f = fluid(code);
        b.pure.push_back({f.info().Tc, f.info().pc, f.info().acentric, f.range().Tmin});
        b.series.push_back(series_of(&f));
    }
    const auto pairs = mix::read_binary_pairs(mix::binary_pairs_path(table_path));
    std::vector<std::vector<mix::BinaryParameters>> k(2, std::vector<mix::BinaryParameters>(2));
    k[0][1] = k[1][0] = mix::parameters_of(pairs, codes[0], codes[1]);
    b.model = std::make_unique<mix::MixtureModel>(records, k);
    return b;
}

// The feeds of a binary's figures: x = 0.2, 0.5 and 0.8 of the first component at 0.7, 0.8 and
// 0.9 of the lower critical temperature (at least 2 K above both ranges), with their bubble and
// dew pressures.
struct Feed {
    std::vector<double> z;
    double T = 0, bubble = 0, dew = 0;
};

std::vector<Feed> feeds_of(const Binary& b) {
    std::vector<Feed> feeds;
    const double Tc = std::min(b.pure[0].Tc, b.pure[1].Tc);
    const double Tmin = std::max(b.pure[0].Tmin, b.pure[1].Tmin) + 2.0;
    for (double share : {0.7, 0.8, 0.9})
        for (double x : {0.2, 0.5, 0.8}) {
            Feed f{{x, 1.0 - x}, std::max(share * Tc, Tmin)};
            f.bubble = mix::bubble_at_T(*b.model, b.pure, f.z, f.T, b.series).p;
            f.dew = mix::dew_at_T(*b.model, b.pure, f.z, f.T, b.series).p;
            feeds.push_back(f);
        }
    return feeds;
}

enum class MixtureFigure {
    bubble_T,
    bubble_T_estimated,
    dew_p,
    flash_two_phase,
    flash_one_phase,
    flash_ph
};

// One call of a figure on the k-th feed (the figures without the series start from estimates
// of the critical constants).
void mixture_call(const Binary& b, const Feed& f, MixtureFigure figure, std::size_t k, double h) {
    const double middle = 0.5 * (f.bubble + f.dew);
    switch (figure) {
        case MixtureFigure::bubble_T:
            benchmark::DoNotOptimize(mix::bubble_at_T(*b.model, b.pure, f.z, f.T, b.series));
            break;
        case MixtureFigure::bubble_T_estimated:
            benchmark::DoNotOptimize(mix::bubble_at_T(*b.model, b.pure, f.z, f.T));
            break;
        case MixtureFigure::dew_p:
            benchmark::DoNotOptimize(mix::dew_at_p(*b.model, b.pure, f.z, f.dew, b.series));
            break;
        case MixtureFigure::flash_two_phase:
            benchmark::DoNotOptimize(mix::flash_Tp(*b.model, b.pure, f.z, f.T, middle, b.series));
            break;
        case MixtureFigure::flash_one_phase: {
            // Alternately a compressed liquid and a superheated vapour.
            const double p = k % 2 == 0 ? 1.5 * f.bubble : 0.5 * f.dew;
            benchmark::DoNotOptimize(mix::flash_Tp(*b.model, b.pure, f.z, f.T, p, b.series));
            break;
        }
        case MixtureFigure::flash_ph:
            benchmark::DoNotOptimize(mix::flash_ph(*b.model, b.pure, f.z, middle, h, b.series));
            break;
    }
}

// A figure over the binary's feeds: time and evaluations per call. The (p, h) flash takes the
// enthalpy of the two-phase flash halfway between the dew and the bubble pressure.
void mixture(benchmark::State& state, const std::string& name, MixtureFigure figure) {
    const Binary& b = binary(name);
    const std::vector<Feed> feeds = feeds_of(b);
    std::vector<double> h;
    for (const Feed& f : feeds) {
        const double middle = 0.5 * (f.bubble + f.dew);
        h.push_back(mix::flash_enthalpy(
            *b.model, mix::flash_Tp(*b.model, b.pure, f.z, f.T, middle, b.series)));
    }
    std::size_t i = 0;
    const uint64_t before = xalt1::evaluation_count();
    for (auto _ : state) {
        const std::size_t k = i++;
        mixture_call(b, feeds[k % feeds.size()], figure, k, h[k % feeds.size()]);
    }
    count_evaluations(state, before, 1.0);
}

void register_mixture(const std::string& name) {
    using benchmark::kMicrosecond;
    const struct {
        const char* figure;
        MixtureFigure kind;
    } figures[] = {{"mix_bubble_T", MixtureFigure::bubble_T},
                   {"mix_bubble_T_estimated", MixtureFigure::bubble_T_estimated},
                   {"mix_dew_p", MixtureFigure::dew_p},
                   {"mix_flash_Tp_two_phase", MixtureFigure::flash_two_phase},
                   {"mix_flash_Tp_one_phase", MixtureFigure::flash_one_phase},
                   {"mix_flash_ph", MixtureFigure::flash_ph}};
    for (const auto& f : figures)
        benchmark::RegisterBenchmark((std::string(f.figure) + "/" + name).c_str(), mixture, name,
                                     f.kind)
            ->Unit(kMicrosecond);
}

// ---- Summary ---------------------------------------------------------------------------------

// A figure per call, or per state of an array call.
struct Figure {
    double ns = 0, evaluations = -1, ratio = 0, solves = 0, states = 1;
};

class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!summary_runs::shown(run)) continue;
            Figure f;
            f.evaluations = summary_runs::counter(run, "evaluations", -1.0);
            f.ratio = summary_runs::counter(run, "ratio", 0.0);
            f.solves = summary_runs::counter(run, "solves", 0.0);
            f.states = summary_runs::counter(run, "states", 1.0);
            f.ns = summary_runs::cpu_ns(run) / f.states;
            const std::string name = run.run_name.function_name;
            const std::size_t slash = name.find('/');
            const std::string figure = name.substr(0, slash), code = name.substr(slash + 1);
            if (!figures_.count(figure)) order_.push_back(figure);
            if (std::find(fluids_.begin(), fluids_.end(), code) == fluids_.end())
                fluids_.push_back(code);
            figures_[figure][code] = f;
        }
    }

    // The pure fluids' figures, then the mixtures' (columns "A+B") in a table of their own.
    std::string markdown() const {
        std::vector<std::string> pure, mixtures;
        for (const std::string& code : fluids_)
            (code.find('+') == std::string::npos ? pure : mixtures).push_back(code);
        std::string out = table(pure);
        if (!out.empty() && !mixtures.empty()) out += '\n';
        out += table(mixtures);
        return out;
    }

  private:
    // The figures that have a value for any of the columns `codes`.
    std::string table(const std::vector<std::string>& codes) const {
        if (codes.empty()) return "";
        std::ostringstream out;
        out << "| figure |";
        for (const std::string& code : codes) out << " " << code << " |";
        out << "\n|---|";
        for (std::size_t k = 0; k < codes.size(); ++k) out << "---|";
        out << "\n";
        for (const std::string& figure : order_) {
            const auto& row = figures_.at(figure);
            if (std::none_of(codes.begin(), codes.end(),
                             [&row](const std::string& c) { return row.count(c) > 0; }))
                continue;
            out << "| " << figure << " |";
            for (const std::string& code : codes) {
                const auto it = row.find(code);
                out << " " << (it == row.end() ? "" : cell(it->second)) << " |";
            }
            out << "\n";
        }
        return out.str();
    }

    static std::string cell(const Figure& f) {
        char text[96];
        if (f.ratio > 0) {
            std::snprintf(text, sizeof text, "%.2fx", f.ratio);
            return text;
        }
        if (f.ns >= 1e6)
            std::snprintf(text, sizeof text, "%.1f ms", f.ns / 1e6);
        else if (f.ns >= 1e4)
            std::snprintf(text, sizeof text, "%.1f us", f.ns / 1e3);
        else
            std::snprintf(text, sizeof text, "%.0f ns", f.ns);
        std::string t = text;
        if (f.solves > 0) {
            std::snprintf(text, sizeof text, " (%.0f solves, %.0f evaluations)", f.solves,
                          f.evaluations);
            t += text;
        } else if (f.evaluations >= 0) {
            std::snprintf(text, sizeof text, " (%.2f ev.)", f.evaluations);
            t += text;
        }
        return t;
    }

    std::vector<std::string> order_, fluids_;
    std::map<std::string, std::map<std::string, Figure>> figures_;
};

void register_fluid(const std::string& code) {
    using benchmark::kMicrosecond;
    using benchmark::RegisterBenchmark;
    const auto name = [&](const char* figure) { return std::string(figure) + "/" + code; };
    RegisterBenchmark(name("TD_silent_X_TD_DAT").c_str(), td_dat, code);
    RegisterBenchmark(name("TD_state").c_str(), state_TD, code);
    RegisterBenchmark(name("TD_state_ratio").c_str(), state_TD_ratio, code)->Iterations(2000);
    RegisterBenchmark(name("TD_array_per_state").c_str(), states_TD_array, code)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("sat_T").c_str(), saturation, code, true)->Unit(kMicrosecond);
    RegisterBenchmark(name("sat_p").c_str(), saturation, code, false)->Unit(kMicrosecond);
    RegisterBenchmark(name("sat_series_T").c_str(), saturation_series, code);
    for (Input input : {Input::Tp, Input::pD, Input::ph, Input::ps, Input::pu, Input::hs, Input::Th,
                        Input::Ts, Input::Dh, Input::Ds, Input::Du}) {
        const auto [first, second] = xalt1::input_names(input);
        const std::string pair = std::string(first) + std::string(second);
        RegisterBenchmark(name(pair.c_str()).c_str(), pair_states, code, input)->Unit(kMicrosecond);
    }
    RegisterBenchmark(name("ph_4_derivatives_per_state").c_str(), ph_with_derivatives, code, false)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("ph_4_and_a_second_per_state").c_str(), ph_with_derivatives, code, true)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("load").c_str(), load, code)->Unit(kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    bench_support::Options options = bench_support::options_of(argc, argv);
    table_path = options.table;
    const std::string markdown = options.markdown;
    for (const std::string& code : options.fluids) register_fluid(code);
    for (const std::string& name : options.mixtures) register_mixture(name);
    int count = static_cast<int>(options.rest.size());
    benchmark::Initialize(&count, options.rest.data());
    SummaryReporter reporter(SummaryReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::string summary = reporter.markdown();
    std::printf("\n%s", summary.c_str());
    if (!markdown.empty()) std::ofstream(markdown) << summary;
    benchmark::Shutdown();
    return 0;
}
