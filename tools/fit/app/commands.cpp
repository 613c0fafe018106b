#include "app/commands.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "app/add_fluid.h"
#include "app/environment.h"
#include "base/log.h"
#include "io/fluid_folder.h"
#include "io/state_file.h"
#include "model/program.h"
#include "output/diagnostics.h"
#include "output/entries.h"
#include "output/fluid_list.h"
#include "output/report.h"
#include "output/table.h"
#include "policy/figures.h"
#include "policy/fluids.h"
#include "solve/measure.h"
#include "solve/sequence.h"
#include "solve/stages.h"
#include "solve/tuning.h"

namespace fit {

namespace {

// ---- Arguments -------------------------------------------------------------------------------

enum class Arg {
    reference,
    state,
    new_state,
    table,
    new_table,
    report_folder,
    report_file,
    data,
    code,
    codes,  // one or more, the last argument
    rounds,
    iterations,
    factor,
};

const char* arg_name(Arg a) {
    switch (a) {
        case Arg::reference:
            return "<reference folder>";
        case Arg::state:
            return "<state file>";
        case Arg::new_state:
            return "<new state file>";
        case Arg::table:
            return "<table>";
        case Arg::new_table:
            return "<new table>";
        case Arg::report_folder:
            return "<report folder>";
        case Arg::report_file:
            return "<report file>";
        case Arg::data:
            return "<data folder>";
        case Arg::code:
            return "<code>";
        case Arg::codes:
            return "<code>...";
        case Arg::rounds:
            return "<rounds>";
        case Arg::iterations:
            return "<iterations>";
        case Arg::factor:
            break;
    }
    return "<factor>";
}

// A whole number or a real of the command line; throws naming the argument.
double number_arg(Arg a, const std::string& text, bool whole) {
    try {
        size_t used = 0;
        const double v = whole ? std::stoi(text, &used) : std::stod(text, &used);
        if (used == text.size()) return v;
    } catch (const std::exception&) {
    }
    throw std::invalid_argument(std::string(arg_name(a)) + " '" + text + "' is not a " +
                                (whole ? "whole number" : "number"));
}

void set_arg(Settings& s, Arg a, const std::string& v) {
    switch (a) {
        case Arg::reference:
            s.reference = v;
            break;
        case Arg::state:
            s.state = v;
            break;
        case Arg::new_state:
            s.new_state = v;
            break;
        case Arg::table:
            s.table = v;
            break;
        case Arg::new_table:
            s.new_table = v;
            break;
        case Arg::report_folder:
        case Arg::report_file:
            s.report = v;
            break;
        case Arg::data:
            s.data = v;
            break;
        case Arg::code:
        case Arg::codes:
            s.codes.push_back(v);
            break;
        case Arg::rounds:
            s.rounds = static_cast<int>(number_arg(a, v, true));
            break;
        case Arg::iterations:
            s.iterations = static_cast<int>(number_arg(a, v, true));
            break;
        case Arg::factor:
            s.factor = number_arg(a, v, false);
            break;
    }
}

// ---- The commands ------------------------------------------------------------------------------

int search_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    write_state(s.state, search(fluids, s));
    return 0;
}

int fit_command(Settings& s) {
    s.deterministic = true;
    const auto fluids = load_reference(s.reference);
    fit_sequence(fluids, s,
                 [&](const FitState& state, const std::string&) { write_state(s.state, state); });
    return 0;
}

int polish_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    polish(fluids, state, s);
    write_state(s.new_state, state);
    return 0;
}

int refit_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    refine(fluids, state, s.iterations, s);
    write_state(s.new_state, state);
    return 0;
}

int tune_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    tune(fluids, state, s.rounds, s.iterations, s);
    write_state(s.new_state, state);
    return 0;
}

int retune_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    retune(fluids, state, s.codes, s.rounds, s);
    write_state(s.new_state, state);
    return 0;
}

int tighten_command(Settings& s) {
    FitState state = read_state(s.state);
    if (!(s.factor > 0.0)) throw std::runtime_error("tighten: the factor must be positive");
    for (const std::string& code : s.codes) {
        auto g = state.guards.find(code);
        if (g == state.guards.end()) throw std::runtime_error("tighten: no guard rows of " + code);
        for (Row& r : g->second) r.sigma *= s.factor;
        std::printf("%s: %zu guard rows\n", code.c_str(), g->second.size());
    }
    write_state(s.new_state, state);
    return 0;
}

// The codes of the fluids for which no entry could be made.
std::vector<std::string> without_entry(const std::vector<Fluid>& fluids,
                                       const std::vector<Entry>& entries) {
    std::vector<std::string> codes;
    for (const Fluid& f : fluids)
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const Entry& e) { return e.fluid->code == f.code; }))
            codes.push_back(f.code);
    return codes;
}

// The shipped fluids whose primary figures exceed their targets more than those of their
// stored 8-point fit (its entry derived and measured through the program alike), and why the
// shipped choice was kept: the 8-point fit cannot be shipped, or its ps or D'' is worse (the
// rule of retune), or else the model's rank before the table's rounding.
std::vector<EightPointNote> eight_point_notes(const FitState& state,
                                              const std::vector<Entry>& entries,
                                              const std::vector<FluidAccuracy>& acc) {
    constexpr double kNoise = 0.01;
    std::vector<EightPointNote> notes;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Fluid& f = *entries[i].fluid;
        const auto p8 = state.eight_point.find(f.code);
        if (p8 == state.eight_point.end() || !shipped(acc[i])) continue;
        Entry e;
        EightPointNote n{acc[i], {}, ""};
        if (!derive_entry(f, state.model, p8->second, e)) continue;
        n.eight_point = measure_entry(state.model, e, program_saturation);
        if (!(excess(n.eight_point, Rank::primary) < excess(n.shipped, Rank::primary) - kNoise))
            continue;
        const std::vector<std::string> why = left_out_reasons(n.eight_point);
        if (!why.empty()) {
            n.why = "the 8-point fit cannot be shipped:";
            for (const std::string& w : why) n.why += " " + w;
        } else if (!replaces_stored(n.eight_point, n.shipped)) {
            n.why = "its ps or D'' is worse, so retune kept the stored choice";
        } else {
            n.why = "ranked by the model's figures before the table's rounding";
        }
        notes.push_back(n);
    }
    return notes;
}

int data_command(Settings& s) {
    s.deterministic = true;
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    const auto entries = make_entries(fluids, state, s);
    std::vector<FluidAccuracy> acc;
    std::vector<Entry> shipped_entries;
    for (const Entry& e : entries) {
        acc.push_back(measure_entry(state.model, e, program_saturation, s.verbose_check));
        const auto held = state.held.find(e.fluid->code);
        if (held != state.held.end()) acc.back().held = held->second;
        if (shipped(acc.back())) shipped_entries.push_back(e);
    }
    const std::vector<MenuLine> menu = menu_lines(menu_order(), shipped_entries);
    write_table(s.table, state.model, menu);
    write_report(s.report, entries, acc, without_entry(fluids, entries),
                 eight_point_notes(state, entries, acc),
                 "the program's saturation routine X_MAXWEL", s.reference);
    write_fluid_list(s.report + "/fluids.md", menu, entries, acc, fluids);
    write_fluid_metadata(s.table, menu, entries, acc, fluids);
    return 0;
}

int add_command(Settings& s) {
    return run_add(s);
}

int eval_command(Settings& s) {
    return run_eval(s);
}

int loo_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    constexpr int kIterations = 15;
    refine(fluids, state, kIterations, s);
    std::ofstream(s.report) << "# Leave-one-fluid-out check of the coefficient sets\n\n"
                            << "Generated by `xalt1_fit loo`. Each training fluid is left out "
                               "of its set's fit in turn\n(term selection kept); its parameters "
                               "are then fitted alone. Deviations over\n0.5-0.95 Tc, in %.\n";
    for (int set = 0; set < SET_COUNT; ++set)
        leave_one_out(fluids, state, static_cast<SetKind>(set), s.report, kIterations, s);
    return 0;
}

int sat_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    FitState state = read_state(s.state);
    for (const Entry& e : make_entries(fluids, state, s))
        if (e.fluid->code == s.codes.front()) print_saturation(state.model, e, s.own_saturation);
    return 0;
}

int rows_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    print_rows(fluids, read_state(s.state), s.codes.front(), s);
    return 0;
}

int diag_command(Settings& s) {
    const auto fluids = load_reference(s.reference);
    diagnose(fluids, read_state(s.state), s);
    return 0;
}

struct Command {
    const char* name;
    std::vector<Arg> args;
    const char* what;
    int (*run)(Settings&);
};

const std::vector<Command>& commands() {
    using A = Arg;
    static const std::vector<Command> table = {
        {"fit",
         {A::reference, A::state},
         "the whole fit: search, polish, tune, retune, tightened guards where needed; writes the "
         "state file after every step",
         fit_command},
        {"search",
         {A::reference, A::state},
         "full search: term selection, exchange passes, joint fits; writes the state file",
         search_command},
        {"polish",
         {A::reference, A::state, A::new_state},
         "exchange passes and joint fits from the stored term selection",
         polish_command},
        {"refit",
         {A::reference, A::state, A::new_state, A::iterations},
         "joint fits from the stored state, term selection kept",
         refit_command},
        {"tune",
         {A::reference, A::state, A::new_state, A::rounds, A::iterations},
         "joint fits, then target-driven reweighting rounds of every fluid",
         tune_command},
        {"retune",
         {A::reference, A::state, A::new_state, A::rounds, A::codes},
         "reweighting of the named fluids (or all), the coefficient sets fixed",
         retune_command},
        {"tighten",
         {A::state, A::new_state, A::factor, A::codes},
         "multiplies the sigma of the named fluids' stored guard rows by the factor",
         tighten_command},
        {"data",
         {A::reference, A::state, A::table, A::report_folder},
         "refits from the stored state; writes the table, accuracy.md and fluids.md",
         data_command},
        {"add",
         {A::data, A::code, A::table, A::new_table},
         "fits one fluid to its data with the table's sets; writes the table with it",
         add_command},
        {"eval",
         {A::data, A::code, A::table, A::codes},
         "named entries of a table measured through the program against one fluid's data",
         eval_command},
        {"loo",
         {A::reference, A::state, A::report_file},
         "leave-one-fluid-out check of the three sets",
         loo_command},
        {"sat",
         {A::reference, A::state, A::code},
         "saturation deviations of one fluid's entry (FIT_OWN_SATURATION: own solver)",
         sat_command},
        {"rows",
         {A::reference, A::state, A::code},
         "one fluid's rows with their weighted residuals",
         rows_command},
        {"diag",
         {A::reference, A::state},
         "cost of every fluid by row kind, every offending state of the physics check",
         diag_command},
    };
    return table;
}

// Fills the settings' arguments from the command line; false when they do not fit.
bool read_args(const Command& c, int argc, char** argv, Settings& s) {
    const size_t given = static_cast<size_t>(argc - 2);
    const bool repeats = !c.args.empty() && c.args.back() == Arg::codes;
    if (given < c.args.size() || (!repeats && given > c.args.size())) return false;
    for (size_t i = 0; i < given; ++i)
        set_arg(s, c.args[std::min(i, c.args.size() - 1)], argv[i + 2]);
    return true;
}

}  // namespace

std::string usage_text() {
    std::string text;
    for (const Command& c : commands()) {
        text += text.empty() ? "usage: xalt1_fit " : "       xalt1_fit ";
        text += c.name;
        for (Arg a : c.args) text += std::string(" ") + arg_name(a);
        text += std::string("\n           ") + c.what + "\n";
    }
    return text;
}

int run_command(int argc, char** argv) {
    const std::string name = argc > 1 ? argv[1] : "";
    const auto& all = commands();
    const auto c =
        std::find_if(all.begin(), all.end(), [&](const Command& x) { return name == x.name; });
    Settings settings;
    read_environment(settings);
    settings.command = name;
    try {
        if (c == all.end() || !read_args(*c, argc, argv, settings)) {
            std::fprintf(stderr, "%s", usage_text().c_str());
            return 2;
        }
        return c->run(settings);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xalt1_fit: %s\n", e.what());
        return 1;
    }
}

}  // namespace fit
