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
#include "solve/own_fit.h"
#include "solve/physics_check.h"

namespace fit {

namespace {

// Figures of a choice as `add` reports them: its entry derived and measured through the
// program (saturation by X_MAXWEL). False when no entry can be derived.
bool program_figures(const Fluid& f, const std::vector<bool>& vapour_given, const Model& model,
                     const Params& p, Entry& e, FluidAccuracy& a) {
    if (!derive_entry(f, model, p, e)) return false;
    a = measure_entry(model, e, program_saturation);
    keep_given_vapour(a, f, vapour_given);
    return true;
}

ChoiceFigures through_program(const Model& model, const std::vector<bool>& vapour_given) {
    return [&model, &vapour_given](const Fluid& f, const Params& p, FluidAccuracy& a) {
        Entry e;
        return program_figures(f, vapour_given, model, p, e, a);
    };
}

// The table's fluids' reduced parameters, the start points of the fit.
std::vector<Params> table_peers(const TableFile& table) {
    std::vector<Params> peers;
    for (const TableMember& m : table.members) peers.push_back(m.reduced);
    return peers;
}

}  // namespace

namespace {

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
    OwnData own{data.fluid, data.vapour_given};
    r.choice = choose_with_eight_point_fit(own, table.model, table_peers(table), settings,
                                           through_program(table.model, own.vapour_given));
    *r.fluid = own.fluid;  // D'' completed where the data lack it
    if (!program_figures(f, data.vapour_given, table.model, r.choice.p, r.entry, r.accuracy) ||
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

int run_eval(const Settings& settings) {
    try {
        const FluidData data = load_fluid_folder(settings.data, settings.codes.front());
        const TableFile table = read_table_file(settings.table);
        const Fluid& f = data.fluid;
        std::printf("%s", accuracy_header().c_str());
        for (size_t k = 1; k < settings.codes.size(); ++k) {
            const std::string& code = settings.codes[k];
            const auto m = std::find_if(table.members.begin(), table.members.end(),
                                        [&](const TableMember& t) { return t.code == code; });
            if (m == table.members.end()) throw InputError(code + ": no entry in " + table.path);
            // the entry's parameters relative to the fluid's own critical point
            Params p = m->reduced;
            p.t *= m->Tc / f.Tc;
            p.d *= m->Dc / f.Dc;
            Entry e;
            FluidAccuracy a;
            if (!program_figures(f, data.vapour_given, table.model, p, e, a))
                throw InputError(code + ": no entry can be derived");
            a.code = code;
            std::printf("%s", accuracy_row(a).c_str());
            std::printf("  %s: ps below 0.5 Tc %.2f %% (%d points), rank %.4g\n", code.c_str(),
                        a.ps_below.avg(), a.ps_below.n, score(a));
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xalt1_fit eval: %s\n", e.what());
        return 1;
    }
}

}  // namespace fit
