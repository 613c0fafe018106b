// Benchmarks of the evaluation path on a substance table: (a) the floor, one sweep over all terms
// computing F only; (b) the seven residual derivatives of one state; (c) one silent property
// evaluation; (d) the saturation routine at 0.6, 0.8 and 0.95 Tc with its passes, and its robust
// path (the saturated pair solved directly) at 0.6, 0.95 and 0.9999 Tc with its evaluations; (e)
// requests of the state solver (mode 2 liquid, vapour, supercritical; mode 3; mode 5), in process
// with the console on a null stream, also next to the critical point; (f) selecting and loading a
// substance.
//
// Table: --table=PATH or XALT1_BENCH_TABLE, else the shipped table. Fluids: --fluids=A,B,C or
// XALT1_BENCH_FLUIDS, else Argon (or Methane), CO2 and R134a, those the table holds;
// --fluids=all takes every fluid of the table. --markdown=PATH also writes the summary as a
// markdown table (tools/perf_doc.sh puts it into docs/performance.md).
// After the usual output a summary lists each figure (the median when repetitions are asked
// for) and its ratio to the floor of the same fluid, measured in the same run. The summary uses
// the CPU time, which other processes on a shared machine disturb less than the wall time.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/summary_runs.h"
#include "eos/eos.h"
#include "eos/term_sweep.h"
#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "props/maxwel_passes.h"
#include "props/props.h"
#include "props/saturation_pair.h"
#include "props/td_props.h"
#include "substance/subst_const.h"
#include "substance/substance.h"
#include "substance/table_layout.h"

namespace {

// ---- Session: a temporary work folder with the table, the console on a null stream ---------

class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

NullBuffer null_buffer;
std::ostream null_stream(&null_buffer);
std::istringstream console_input;

[[noreturn]] void input_ended() {
    std::fprintf(stderr, "xalt1_bench: the program asked for console input (an error?)\n");
    std::abort();
}

// Console answers: `text`, then empty lines for error pauses (which the checks below catch).
void console_answers(const std::string& text) {
    console_input.clear();
    console_input.str(text);
    set_console_streams(&console_input, &null_stream);
}

std::vector<std::string> menu_codes(const std::string& path) {
    std::vector<std::string> codes;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (table_layout::ends_menu(line)) break;
        if (table_layout::is_menu_line(line)) codes.emplace_back(table_layout::menu_code(line));
    }
    return codes;
}

std::string table_path;
std::vector<std::string> table_codes;
std::filesystem::path work_dir;

void open_session() {
    work_dir = std::filesystem::temp_directory_path() /
               ("xalt1_bench_" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::create_directories(work_dir);
    std::filesystem::copy_file(table_path, work_dir / "x_rstoff.tab",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::current_path(work_dir);
    set_end_of_input_handler(input_ended);
    console_answers("");
    UNIT_TABLE.l_trace = false;
    UNIT_TABLE.l_status = true;
    int32_t status = 0;
    X_OPEN(status);
    if (status != 0) {
        std::fprintf(stderr, "xalt1_bench: cannot open the work files\n");
        std::exit(1);
    }
}

void close_session() {
    int32_t status = 0;
    X_CLOSE(status);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::error_code ignored;
    std::filesystem::remove_all(work_dir, ignored);
}

// Selects and loads a substance as the main cycle does; true on success.
bool load(const std::string& code) {
    int32_t index = 0;
    for (std::size_t i = 0; i < table_codes.size(); ++i)
        if (table_codes[i] == code) index = static_cast<int32_t>(i + 1);
    if (index == 0) return false;
    console_answers(std::to_string(index) + "\n");
    Text<10> chosen = blank_text<10>();
    int32_t status = 0;
    X_STAUSW(UNIT_TABLE.i4_lun, chosen, status);
    if (status != 0) return false;
    X_TABEIN(true, chosen, status);
    console_answers("");
    return status == 0;
}

// ---- States --------------------------------------------------------------------------------

struct State {
    double D, T;
};

// A fixed cycle of states in the equation's range over 0.55 to 1.45 Tc and 0.02 to 2.4 Dc
// (gas, liquid, dense supercritical), so that no two consecutive calls share T or D.
std::vector<State> state_cycle() {
    std::vector<State> states;
    uint64_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    const SubstConst& sc = SUBST_CONST;
    while (states.size() < 64) {
        const State s{sc.Dc * (0.02 + 2.38 * next()), sc.Tc * (0.55 + 0.9 * next())};
        if (X_R_INRANGE(s.D, s.T)) states.push_back(s);
    }
    return states;
}

double thread_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

bool fail(benchmark::State& state, const std::string& what) {
    state.SkipWithError(what.c_str());
    return false;
}

bool setup(benchmark::State& state, const std::string& code) {
    if (!load(code)) return fail(state, "cannot load " + code);
    return true;
}

// Loads the fluid for a figure that needs the floor sweep's tables.
bool setup_sweep(benchmark::State& state, const std::string& code) {
    if (!setup(state, code)) return false;
    if (term_sweep::current().usable) return true;
    return fail(state, "the terms of " + code + " do not fit the sweep's tables");
}

// ---- The figures ---------------------------------------------------------------------------

void floor_sweep(benchmark::State& state, const std::string& code) {
    if (!setup_sweep(state, code)) return;
    const std::vector<State> states = state_cycle();
    const term_sweep::Prepared& p = term_sweep::current();
    std::size_t i = 0;
    for (auto _ : state) {
        const State& s = states[i++ & 63];
        benchmark::DoNotOptimize(term_sweep::value(p, s.D, s.T));
    }
    state.counters["terms"] = p.count;
}

void seven_by_fres(benchmark::State& state, const std::string& code) {
    if (!setup(state, code)) return;
    const std::vector<State> states = state_cycle();
    static constexpr int32_t kPairs[7][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0},
                                             {1, 1}, {2, 0}, {3, 0}};
    std::size_t i = 0;
    for (auto _ : state) {
        const State& s = states[i++ & 63];
        double f[7];
        for (int k = 0; k < 7; ++k) X_R_FRES(s.D, s.T, kPairs[k][0], kPairs[k][1], f[k]);
        benchmark::DoNotOptimize(f);
    }
}

void seven_by_sweep(benchmark::State& state, const std::string& code) {
    if (!setup(state, code)) return;
    const std::vector<State> states = state_cycle();
    std::size_t i = 0;
    for (auto _ : state) {
        const State& s = states[i++ & 63];
        FresDeriv f;
        int32_t status = 0;
        X_R_FDERIV(s.D, s.T, f, status);
        benchmark::DoNotOptimize(f);
    }
}

// Silent evaluations over the cycle of states (every call at a new temperature), or at one
// temperature with changing densities, as the searches and the saturation routine call it.
void td_dat(benchmark::State& state, const std::string& code, bool one_temperature) {
    if (!setup(state, code)) return;
    std::vector<State> states = state_cycle();
    if (one_temperature)
        for (State& s : states) s.T = 0.8 * SUBST_CONST.Tc;
    const bool silent = true;
    const float x = -1.0f;
    int32_t status = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        const State& s = states[i++ & 63];
        X_TD_DAT(silent, s.D, s.T, x, status);
        benchmark::DoNotOptimize(TD_PROPS.g);
    }
    if (status != 0) fail(state, "X_TD_DAT status " + std::to_string(status));
}

// The ratio of a silent evaluation to the floor sweep, both over the cycle of states, timed
// (CPU time of the thread) in alternating blocks of 64 calls, so that a changing load of the
// machine affects both alike.
void td_dat_ratio(benchmark::State& state, const std::string& code) {
    if (!setup_sweep(state, code)) return;
    const std::vector<State> states = state_cycle();
    const term_sweep::Prepared& p = term_sweep::current();
    const bool silent = true;
    const float x = -1.0f;
    int32_t status = 0;
    double floor_s = 0.0, td_s = 0.0;
    for (auto _ : state) {
        const double t0 = thread_seconds();
        for (const State& s : states) benchmark::DoNotOptimize(term_sweep::value(p, s.D, s.T));
        const double t1 = thread_seconds();
        for (const State& s : states) {
            X_TD_DAT(silent, s.D, s.T, x, status);
            benchmark::DoNotOptimize(TD_PROPS.g);
        }
        const double t2 = thread_seconds();
        floor_s += t1 - t0;
        td_s += t2 - t1;
    }
    if (status != 0) fail(state, "X_TD_DAT status " + std::to_string(status));
    state.counters["ratio"] = floor_s > 0.0 ? td_s / floor_s : 0.0;
}

// A saturation routine at a fraction of Tc: X_MAXWEL with its passes, or the saturated pair
// solved directly (X_SAT_PAIR, the robust path of X_MAXWEL) with its property evaluations.
struct SaturationRoutine {
    const char* name;
    void (*routine)(const double&, double&, double&, double&, int32_t&);
    const char* counter;
    const int32_t* count;
};

const SaturationRoutine kMaxwel{"X_MAXWEL", X_MAXWEL, "passes", &MAXWEL_PASSES};
const SaturationRoutine kSatPair{"X_SAT_PAIR", X_SAT_PAIR, "evaluations", &SAT_PAIR_EVALUATIONS};

void saturation(benchmark::State& state, const std::string& code, double fraction,
                const SaturationRoutine& r) {
    if (!setup(state, code)) return;
    const double T = fraction * SUBST_CONST.Tc;
    double ps = 0, Dliq = 0, Dvap = 0;
    int32_t status = 0;
    for (auto _ : state) {
        r.routine(T, ps, Dliq, Dvap, status);
        benchmark::DoNotOptimize(ps);
    }
    if (status != 0) fail(state, std::string(r.name) + " status " + std::to_string(status));
    state.counters[r.counter] = *r.count;
}

// One request of the state solver; the result file is started anew before each one.
// A request that reports a failure (the saturation routine finds no pair for some fluid's
// request next to the critical point) waits for Enter: it is tried once with Enter lines to
// answer, and its figure is skipped instead of timed.
void request(benchmark::State& state, const std::string& code, double T_Tc, double D_Dc,
             double p_Pc) {
    if (!setup(state, code)) return;
    const SubstConst& sc = SUBST_CONST;
    const int32_t result = lun_of(RESULT_ENTRY);
    int32_t status = 0;
    auto run_once = [&]() {
        double T = T_Tc * sc.Tc, D = D_Dc * sc.Dc, p = p_Pc * sc.Pc;
        rewind_channel(result);
        X_PVT(T, D, p, status);
        benchmark::DoNotOptimize(TD_PROPS.p);
    };
    const std::string enters(16, '\n');
    console_answers(enters);
    run_once();
    const bool reported = console_input.tellg() != std::streampos(0);
    console_answers("");
    if (reported) {
        fail(state, "the request reports a failure");
        return;
    }
    for (auto _ : state) run_once();
    if (status != 0) fail(state, "X_PVT status " + std::to_string(status));
}

void loading(benchmark::State& state, const std::string& code) {
    for (auto _ : state)
        if (!load(code)) {
            fail(state, "cannot load " + code);
            break;
        }
}

// ---- Summary: medians and their ratios to the floor ----------------------------------------

struct Figure {
    double ns = 0;
    double passes = 0;
    double evaluations = 0;
    double ratio = 0;
};

std::string figure_text(const Figure& f, double floor_ns) {
    char text[64];
    const double ratio = floor_ns > 0 ? f.ns / floor_ns : 0.0;
    if (f.ratio > 0)
        std::snprintf(text, sizeof text, "%.2fx", f.ratio);
    else if (f.ns >= 1e4)
        std::snprintf(text, sizeof text, "%.1f us (%.0fx)", f.ns / 1e3, ratio);
    else
        std::snprintf(text, sizeof text, "%.0f ns (%.1fx)", f.ns, ratio);
    return text;
}

class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!summary_runs::shown(run)) continue;
            Figure f;
            f.ns = summary_runs::cpu_ns(run);
            f.passes = summary_runs::counter(run, "passes", 0.0);
            f.evaluations = summary_runs::counter(run, "evaluations", 0.0);
            f.ratio = summary_runs::counter(run, "ratio", 0.0);
            const std::string name = run.run_name.function_name;
            const std::size_t slash = name.find('/');
            const std::string fluid = name.substr(slash + 1);
            if (order_.find(fluid) == order_.end()) order_[fluid] = {};
            auto& list = order_[fluid];
            const std::string figure = name.substr(0, slash);
            if (figures_[fluid].find(figure) == figures_[fluid].end()) list.push_back(figure);
            figures_[fluid][figure] = f;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        out << "\nSummary (" << (repetitions_ ? "medians" : "single runs")
            << " of the CPU time; ratio = figure / floor sweep of the same fluid)\n";
        for (const auto& [fluid, list] : order_) {
            const auto& figs = figures_[fluid];
            const auto floor = figs.find("a_floor_sweep");
            const double floor_ns = floor != figs.end() ? floor->second.ns : 0.0;
            out << "\n" << fluid << "\n";
            for (const std::string& name : list) {
                const Figure& f = figs.at(name);
                char line[160];
                const double ratio = floor_ns > 0 ? f.ns / floor_ns : 0.0;
                if (f.ns >= 1e4)
                    std::snprintf(line, sizeof line, "  %-28s %12.2f us %12.1f x floor",
                                  name.c_str(), f.ns / 1e3, ratio);
                else
                    std::snprintf(line, sizeof line, "  %-28s %12.1f ns %12.2f x floor",
                                  name.c_str(), f.ns, ratio);
                if (f.ratio > 0)
                    std::snprintf(line, sizeof line, "  %-28s %12.2f x floor (alternating blocks)",
                                  name.c_str(), f.ratio);
                out << line;
                const auto td = figs.find("c_td_dat_one_T");
                if (f.passes > 0 && td != figs.end()) {
                    std::snprintf(line, sizeof line,
                                  "   passes %3.0f, %.2f x (passes x 8 evaluations at one T)",
                                  f.passes, f.ns / (f.passes * 8.0 * td->second.ns));
                    out << line;
                }
                if (f.evaluations > 0 && td != figs.end()) {
                    std::snprintf(line, sizeof line,
                                  "   evaluations %3.0f, %.2f x (evaluations at one T)",
                                  f.evaluations, f.ns / (f.evaluations * td->second.ns));
                    out << line;
                }
                out << "\n";
            }
        }
    }

    void set_repetitions(bool on) { repetitions_ = on; }

    // The summary as markdown: a table of the figures with one column per fluid (each figure
    // with its ratio to the floor), and the range of the request figures (e) over all fluids.
    void write_markdown(const std::string& path) const {
        std::ofstream out(path);
        std::vector<std::string> fluids, figures;
        for (const auto& [fluid, list] : order_) {
            fluids.push_back(fluid);
            for (const std::string& name : list)
                if (std::find(figures.begin(), figures.end(), name) == figures.end())
                    figures.push_back(name);
        }
        out << "| figure |";
        for (const std::string& fluid : fluids) out << " " << fluid << " |";
        out << "\n|---|";
        for (std::size_t i = 0; i < fluids.size(); ++i) out << "---|";
        out << "\n";
        for (const std::string& name : figures) {
            out << "| " << name << " |";
            for (const std::string& fluid : fluids) {
                const auto& figs = figures_.at(fluid);
                const auto f = figs.find(name), floor = figs.find("a_floor_sweep");
                const double floor_ns = floor != figs.end() ? floor->second.ns : 0.0;
                out << " " << (f != figs.end() ? figure_text(f->second, floor_ns) : "") << " |";
            }
            out << "\n";
        }
        write_request_range(out);
        write_targets(out);
    }

  private:
    // Smallest and largest value of a per-fluid measure over the fluids that have it.
    template <typename Measure>
    std::string range_over_fluids(Measure measure) const {
        double lo = 0, hi = 0;
        for (const auto& [fluid, figs] : figures_) {
            const double v = measure(figs);
            if (v <= 0) continue;
            if (lo == 0 || v < lo) lo = v;
            hi = std::max(hi, v);
        }
        char text[64];
        std::snprintf(text, sizeof text, "%.2fx to %.2fx", lo, hi);
        return text;
    }

    void write_targets(std::ostream& out) const {
        using Figures = std::map<std::string, Figure>;
        auto ns = [](const Figures& figs, const std::string& name) {
            const auto f = figs.find(name);
            return f != figs.end() ? f->second.ns : 0.0;
        };
        // The evaluation-to-floor ratio timed in alternating blocks, the one a changing load
        // on a shared machine disturbs least.
        const std::string td = range_over_fluids([](const Figures& figs) {
            const auto f = figs.find("c_td_dat_ratio");
            return f != figs.end() ? f->second.ratio : 0.0;
        });
        const std::string maxwel = range_over_fluids([&](const Figures& figs) {
            double worst = 0;
            for (const auto& [name, f] : figs)
                if (f.passes > 0 && ns(figs, "c_td_dat_one_T") > 0)
                    worst = std::max(worst, f.ns / (f.passes * 8.0 * ns(figs, "c_td_dat_one_T")));
            return worst;
        });
        // The direct solve of the saturated pair: its evaluations and their cost.
        double most_evaluations = 0;
        const std::string sat_pair = range_over_fluids([&](const Figures& figs) {
            double worst = 0;
            for (const auto& [name, f] : figs)
                if (f.evaluations > 0 && ns(figs, "c_td_dat_one_T") > 0) {
                    worst = std::max(worst, f.ns / (f.evaluations * ns(figs, "c_td_dat_one_T")));
                    most_evaluations = std::max(most_evaluations, f.evaluations);
                }
            return worst;
        });
        out << "\n| target | result |\n|---|---|\n"
            << "| silent `X_TD_DAT` within 3x the floor (c_td_dat_ratio) | " << td << " |\n"
            << "| `X_MAXWEL` within 1.5x of passes x 8 silent evaluations at one T | " << maxwel
            << " (worst of the three temperatures) |\n"
            << "| `X_SAT_PAIR` (the robust path of `X_MAXWEL`) within 200 evaluations | at most "
            << most_evaluations << "; " << sat_pair
            << " of that many silent evaluations at one T (worst of the three temperatures) |\n";
    }

    void write_request_range(std::ostream& out) const {
        double lo = 0, hi = 0;
        std::string slowest;
        for (const auto& [fluid, figs] : figures_)
            for (const auto& [name, f] : figs) {
                if (name.rfind("e_", 0) != 0) continue;
                if (lo == 0 || f.ns < lo) lo = f.ns;
                if (f.ns > hi) hi = f.ns, slowest = name + "/" + fluid;
            }
        if (hi == 0) return;
        char text[200];
        std::snprintf(text, sizeof text,
                      "\nRequests (e) of %zu fluids: %.0f us to %.0f us of CPU time (slowest: "
                      "%s).\n",
                      figures_.size(), lo / 1e3, hi / 1e3, slowest.c_str());
        out << text;
    }

    std::map<std::string, std::vector<std::string>> order_;
    std::map<std::string, std::map<std::string, Figure>> figures_;
    bool repetitions_ = false;
};

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

void register_fluid(const std::string& code) {
    using benchmark::kMicrosecond;
    using benchmark::kNanosecond;
    using benchmark::RegisterBenchmark;
    auto name = [&code](const std::string& figure) { return figure + "/" + code; };
    RegisterBenchmark(name("a_floor_sweep").c_str(), floor_sweep, code)->Unit(kNanosecond);
    RegisterBenchmark(name("b_seven_by_x_r_fres").c_str(), seven_by_fres, code)->Unit(kNanosecond);
    RegisterBenchmark(name("b_seven_by_x_r_fderiv").c_str(), seven_by_sweep, code)
        ->Unit(kNanosecond);
    RegisterBenchmark(name("c_td_dat").c_str(), td_dat, code, false)->Unit(kNanosecond);
    RegisterBenchmark(name("c_td_dat_one_T").c_str(), td_dat, code, true)->Unit(kNanosecond);
    RegisterBenchmark(name("c_td_dat_ratio").c_str(), td_dat_ratio, code)->Unit(kMicrosecond);
    for (double fraction : {0.6, 0.8, 0.95}) {
        char figure[32];
        std::snprintf(figure, sizeof figure, "d_maxwel_%.2fTc", fraction);
        RegisterBenchmark(name(figure).c_str(), saturation, code, fraction, kMaxwel)
            ->Unit(kMicrosecond);
    }
    // The robust path of the saturation routine alone, from low temperature to next to Tc.
    for (double fraction : {0.6, 0.95, 0.9999}) {
        char figure[32];
        std::snprintf(figure, sizeof figure, "d_sat_pair_%gTc", fraction);
        RegisterBenchmark(name(figure).c_str(), saturation, code, fraction, kSatPair)
            ->Unit(kMicrosecond);
    }
    // Mode 2 (p, T): liquid and vapour at 0.7 Tc, supercritical at 1.3 Tc; mode 3 (p, D): a
    // compressed liquid; mode 5 (p): saturation at 0.1 Pc.
    RegisterBenchmark(name("e_mode2_liquid").c_str(), request, code, 0.7, 0.0, 0.5)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("e_mode2_vapour").c_str(), request, code, 0.7, 0.0, 0.01)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("e_mode2_supercritical").c_str(), request, code, 1.3, 0.0, 1.0)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("e_mode3_liquid").c_str(), request, code, 0.0, 2.0, 0.5)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("e_mode5").c_str(), request, code, 0.0, 0.0, 0.1)->Unit(kMicrosecond);
    // Next to the critical point the saturated pair comes from the robust path: mode 4 at
    // 0.9999 Tc, mode 5 at 0.9999 Pc.
    RegisterBenchmark(name("e_mode4_0.9999Tc").c_str(), request, code, 0.9999, 0.0, 0.0)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("e_mode5_0.9999Pc").c_str(), request, code, 0.0, 0.0, 0.9999)
        ->Unit(kMicrosecond);
    RegisterBenchmark(name("f_load").c_str(), loading, code)->Unit(kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    table_path = XALT1_DEFAULT_TABLE;
    if (const char* env = std::getenv("XALT1_BENCH_TABLE"); env != nullptr && *env != '\0')
        table_path = env;
    std::string fluids;
    if (const char* env = std::getenv("XALT1_BENCH_FLUIDS"); env != nullptr) fluids = env;
    bool repetitions = false;
    std::string markdown;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--table=", 0) == 0) {
            table_path = arg.substr(8);
        } else if (arg.rfind("--fluids=", 0) == 0) {
            fluids = arg.substr(9);
        } else if (arg.rfind("--markdown=", 0) == 0) {
            markdown = arg.substr(11);
        } else {
            if (arg.rfind("--benchmark_repetitions=", 0) == 0)
                repetitions = arg != "--benchmark_repetitions=1";
            args.push_back(argv[i]);
        }
    }
    table_path = std::filesystem::absolute(table_path).string();
    // The session works in a temporary folder: a relative markdown path names the caller's.
    if (!markdown.empty()) markdown = std::filesystem::absolute(markdown).string();
    table_codes = menu_codes(table_path);
    if (table_codes.empty()) {
        std::fprintf(stderr, "xalt1_bench: no substances in %s\n", table_path.c_str());
        return 1;
    }
    if (fluids == "all") {
        fluids.clear();
        for (const std::string& c : table_codes) fluids += c + ",";
    }
    std::vector<std::string> chosen;
    const std::vector<std::string> wanted =
        fluids.empty() ? std::vector<std::string>{"Argon", "Methane", "CO2", "R134a"}
                       : split(fluids);
    for (const std::string& code : wanted) {
        bool present = false;
        for (const std::string& c : table_codes) present = present || c == code;
        if (!present) {
            if (!fluids.empty())
                std::fprintf(stderr, "xalt1_bench: %s is not in the table\n", code.c_str());
            continue;
        }
        // One nonpolar fluid is enough: Methane only without Argon.
        if (fluids.empty() && code == "Methane" && !chosen.empty() && chosen.front() == "Argon")
            continue;
        chosen.push_back(code);
    }
    if (chosen.empty()) chosen.push_back(table_codes.front());

    std::printf("table %s\nfluids:", table_path.c_str());
    for (const std::string& c : chosen) std::printf(" %s", c.c_str());
    std::printf("\n");
    std::fflush(stdout);

    open_session();
    for (const std::string& code : chosen) register_fluid(code);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    // Colour codes only for a terminal, not for output sent to a file or a pipe.
    SummaryReporter reporter(isatty(fileno(stdout)) ? SummaryReporter::OO_ColorTabular
                                                    : SummaryReporter::OO_Tabular);
    reporter.set_repetitions(repetitions);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (!markdown.empty()) reporter.write_markdown(markdown);
    benchmark::Shutdown();
    close_session();
    return 0;
}
