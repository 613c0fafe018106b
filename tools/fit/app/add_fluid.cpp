#include "app/add_fluid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/log.h"
#include "model/eos.h"
#include "model/phase.h"
#include "model/program.h"
#include "output/entries.h"
#include "output/report.h"
#include "output/table.h"
#include "solve/joint_fit.h"
#include "solve/measure.h"
#include "solve/physics_check.h"
#include "solve/starts.h"
#include "solve/tuning.h"

namespace fit {

namespace {

// Start parameters of a choice: a polar parameter that is not free is off, a free one that is
// off starts at 1.
Params start_params(Params p, unsigned free) {
    p.q2 = (free & P_Q2) ? (p.q2 > 0 ? p.q2 : 1.0) : 0.0;
    p.dp = (free & P_DP) ? (p.dp > 0 ? p.dp : 1.0) : 0.0;
    return clamp_to_bounds(p, free);
}

// Start points from the table's fluids: each fluid's reduced parameters (the polar ones only
// where this choice frees them), the best `count` by their cost for this fluid.
std::vector<Params> peer_starts(const TableFile& table, const FluidCase& own, const Model& model,
                                size_t count) {
    std::vector<Params> candidates;
    for (const TableMember& m : table.members) {
        Params p = m.reduced;
        p.dc = own.p.dc;
        if (p.q2 <= 0) p.q2 = own.p.q2;
        if (p.dp <= 0) p.dp = own.p.dp;
        candidates.push_back(start_params(p, own.free));
    }
    return lowest_cost_starts(own, model, candidates, count);
}

// Where the data lack D'', the rows take the equation's own vapour density at the measured
// saturation pressure, so that equal Gibbs energies ask for that pressure.
bool complete_vapour_densities(Fluid& f, const std::vector<bool>& given, const Model& model,
                               const Params& p) {
    load_equation(model, f, p);
    bool changed = false;
    for (size_t i = 0; i < f.sat.size(); ++i) {
        if (given[i]) continue;
        SatPoint& s = f.sat[i];
        double D = 0;
        if (density_at(Eos::program(), s.T, s.ps, std::min(s.Dvap, 0.5 * f.Dc), D) &&
            D < 0.95 * s.Dliq) {
            s.Dvap = D;
            changed = true;
        }
    }
    return changed;
}

// Parameter-only fit of one choice before its reweighting: from the given start, then from
// the best start points of the table's fluids, with the vapour densities completed and guard
// rows where the physics check fails.
FluidCase prefit(Fluid& f, const std::vector<bool>& vapour_given, const TableFile& table,
                 unsigned free, const Params* start, size_t starts, const Settings& settings) {
    FitState state;
    state.model = table.model;
    FluidCase c = make_case(f, state, settings);
    c.free = free;
    c.p = start_params(start ? *start : c.p, free);
    std::vector<FluidCase*> one{&c};
    joint_fit(one, state.model, SetKind::Fa, false, settings.add.iterations);
    multi_start(c, peer_starts(table, c, state.model, starts), state.model, SetKind::Fa,
                settings.add.start_iterations);
    joint_fit(one, state.model, SetKind::Fa, false, settings.add.iterations);
    for (int pass = 0; pass < settings.add.vapour_passes; ++pass) {
        if (!complete_vapour_densities(f, vapour_given, state.model, c.p)) break;
        rebuild_rows(c, settings);
        joint_fit(one, state.model, SetKind::Fa, false, settings.add.iterations);
    }
    for (int extra = 0;
         extra < 3 && physics_check(c, state.model, true, settings.verbose_check) > 0; ++extra)
        joint_fit(one, state.model, SetKind::Fa, false, settings.add.iterations);
    return c;
}

void log_choice(const ParamChoice& c) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "  free %s%s: %g targets missed (t %.4f d %.4f alpha %.4f q2 %.4f dp %.4f)",
                  c.free & P_Q2 ? "Q2 " : "", c.free & P_DP ? "Dp" : "", c.score, c.p.t, c.p.d,
                  c.p.alpha, c.p.q2, c.p.dp);
    log_line(buf);
}

double cpu_seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// D'' figures only where the data give D''.
void keep_given_vapour(FluidAccuracy& a, const Fluid& f, const std::vector<bool>& given) {
    Stat& dvap = a.stat(Measure::saturated_vapour);
    dvap = Stat{};
    for (const auto& d : a.sat_dev)
        for (size_t i = 0; i < f.sat.size(); ++i)
            if (given[i] && f.sat[i].T / f.Tc == d[0]) add(dvap, d[3]);
}

// Figures of a choice as `add` reports them: its entry derived and measured through the
// program (saturation by X_MAXWEL). False when no entry can be derived.
bool program_figures(const Fluid& f, const FluidData& data, const Model& model, const Params& p,
                     Entry& e, FluidAccuracy& a) {
    if (!derive_entry(f, model, p, e)) return false;
    a = measure_entry(model, e, program_saturation);
    keep_given_vapour(a, f, data.vapour_given);
    return true;
}

// One choice of free parameters: prefit, reweighting, and the number of targets its entry
// misses through the program.
ParamChoice fit_choice(Fluid& f, const FluidData& data, const TableFile& table, unsigned shape,
                       const Params* start, size_t starts, const Settings& settings,
                       Params& plain) {
    FluidCase c = prefit(f, data.vapour_given, table, shape, start, starts, settings);
    plain = c.p;
    const Choice ch =
        reweight(c, table.model, shape, settings.add.tune_rounds, {}, settings.verbose_check);
    // the reweighted parameters are taken only where they miss fewer targets than the plain fit
    ParamChoice out{shape, ch.plain, 1e9};
    for (const Params& p : {ch.plain, weighted_params(c, table.model, ch)}) {
        Entry e;
        FluidAccuracy a;
        if (!program_figures(f, data, table.model, p, e, a)) continue;
        const double missed = static_cast<double>(missed_targets(a).size());
        if (missed < out.score) out = {shape, p, missed};
    }
    return out;
}

// Fits every choice of free parameters in turn (those the library allows the fluid: its
// class's, then with Q2, Dp or both), the first from the table's fluids, the others from the
// first one's fit, and keeps the one that misses the fewest targets through the program (the
// earlier one on a tie); stops as soon as one meets them all, or when the next choice, taking
// as long as the longest so far, would end after the time budget.
ParamChoice choose_params(Fluid& f, const FluidData& data, const TableFile& table,
                          const Settings& settings) {
    ParamChoice best;
    Params base_plain;
    const std::vector<unsigned> choices = shape_variants(f);
    const double start = cpu_seconds();
    double longest = 0;
    for (size_t i = 0; i < choices.size() && i < settings.add.max_choices; ++i) {
        const double before = cpu_seconds();
        if (i > 0 && before - start + longest > settings.add.seconds) {
            log_line("  time budget: " + std::to_string(choices.size() - i) +
                     " choices of free parameters left out");
            break;
        }
        Params plain;
        const ParamChoice c = i == 0 ? fit_choice(f, data, table, choices[i], nullptr,
                                                  settings.add.max_starts, settings, base_plain)
                                     : fit_choice(f, data, table, choices[i], &base_plain,
                                                  settings.add.extra_starts, settings, plain);
        log_choice(c);
        longest = std::max(longest, cpu_seconds() - before);
        if (i == 0 || c.score < best.score) best = c;
        if (best.score <= 0) break;
    }
    return best;
}

std::vector<std::string> data_warnings(const FluidData& d) {
    std::vector<std::string> w;
    const Fluid& f = d.fluid;
    const auto given = std::count(d.vapour_given.begin(), d.vapour_given.end(), true);
    if (given < static_cast<long>(f.sat.size()))
        w.push_back(std::to_string(f.sat.size() - static_cast<size_t>(given)) +
                    " saturation points without D'': the saturated vapour density there is the "
                    "equation's own");
    if (!d.has_pvt)
        w.push_back("no single-phase data (pvt/" + f.code +
                    ".csv): the densities of the compressed liquid, the gas and the supercritical "
                    "fluid are not constrained");
    else if (d.measured_pvt)
        w.push_back("single-phase data without F and TFT: the residual energies are not fitted");
    if (d.caloric_states == 0)
        w.push_back("no caloric data (caloric/" + f.code + ".csv): cp and w are not checked");
    const double lo = f.sat.front().T / f.Tc, hi = f.sat.back().T / f.Tc;
    if (lo > 0.55)
        w.push_back("saturation data start at " + std::to_string(lo).substr(0, 4) +
                    " Tc: the vapour pressure below is extrapolated");
    if (hi < 0.9)
        w.push_back("saturation data end at " + std::to_string(hi).substr(0, 4) +
                    " Tc: the vapour pressure above is extrapolated");
    return w;
}

bool finite_entry(const Entry& e) {
    const double v[] = {e.Tc, e.Dc, e.Pc, e.Href, e.Sref, e.p.t, e.p.d, e.p.alpha, e.p.q2, e.p.dp};
    return std::all_of(std::begin(v), std::end(v), [](double x) { return std::isfinite(x); }) &&
           e.Tc > 0 && e.Dc > 0 && e.Pc > 0;
}

// A code the table already knows: a menu line, or an entry header after the menu (the program
// loads the first entry of a code, so a second one would never be read).
void check_new_code(const TableFile& table, const std::string& code) {
    if (std::find(table.menu.begin(), table.menu.end(), code) != table.menu.end())
        throw InputError(code + " is already in the table's menu (" + table.path + ")");
    const size_t i = entry_line(table, code, table.menu_end + 1);
    if (i < table.lines.size())
        throw InputError(code + " already has an entry in the table (" + table.path + ", line " +
                         std::to_string(i + 1) + ")");
}

}  // namespace

AddResult add_fluid(const FluidData& data, const TableFile& table, const Settings& settings) {
    const std::string& code = data.fluid.code;
    check_new_code(table, code);
    AddResult r;
    r.fluid = std::make_unique<Fluid>(data.fluid);
    const Fluid& f = *r.fluid;
    r.choice = choose_params(*r.fluid, data, table, settings);
    if (!program_figures(f, data, table.model, r.choice.p, r.entry, r.accuracy) ||
        !finite_entry(r.entry))
        throw InputError(code +
                         ": the fitted equation gives no entry (no critical point or "
                         "reference state)");
    r.warnings = data_warnings(data);
    if (r.accuracy.guard_states > 0)
        r.warnings.push_back("physics check: " + std::to_string(r.accuracy.guard_states) +
                             " offending states");
    r.table_text = table_with(table, menu_line(f.code, f.name), entry_text(r.entry));
    return r;
}

std::string add_report(const AddResult& r) {
    std::ostringstream out;
    char buf[240];
    out << accuracy_header() << accuracy_row(r.accuracy);
    out << "physics check: " << r.accuracy.guard_states << " offending states\n";
    std::snprintf(buf, sizeof buf,
                  "parameters: T0/Tc %.6f  D0/Dc %.6f  Alpha %.6f  Q2 %.6f  Dp %.6f\n", r.entry.p.t,
                  r.entry.p.d, r.entry.p.alpha, r.entry.p.q2, r.entry.p.dp);
    out << buf;
    const std::vector<std::string> missed = missed_targets(r.accuracy);
    out << "targets: " << (missed.empty() ? "all met" : "missed");
    for (size_t i = 0; i < missed.size(); ++i) out << (i ? ", " : " ") << missed[i];
    out << "\n";
    for (const std::string& w : r.warnings) out << "warning: " << w << "\n";
    return out.str();
}

int run_add(const Settings& settings) {
    const std::string code = settings.codes.empty() ? "" : settings.codes.front();
    const std::string& table_out = settings.new_table;
    try {
        const FluidData data = load_fluid_folder(settings.data, code);
        const TableFile table = read_table_file(settings.table);
        const AddResult r = add_fluid(data, table, settings);
        const std::string tmp = table_out + ".new";
        {
            std::ofstream out(tmp);
            out << r.table_text;
            if (!out) throw InputError(table_out + ": cannot write the table");
        }
        std::filesystem::rename(tmp, table_out);
        std::printf("%s", add_report(r).c_str());
        std::printf("%s added to the table %s: menu number %zu, at the end of the menu\n",
                    code.c_str(), table_out.c_str(), table.menu.size() + 1);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xalt1_fit add: %s\n", e.what());
        return 1;
    }
}

}  // namespace fit
