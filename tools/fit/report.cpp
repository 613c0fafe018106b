#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <istream>
#include <map>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "accuracy.h"
#include "fitter.h"
#include "phase.h"
#include "platform/record_io.h"
#include "props/props.h"
#include "props/saturation_pair.h"
#include "substance/subst_const.h"
#include "svg_plot.h"
#include "table.h"

namespace fit {

namespace {

// The saturation consistency scan: its number of temperatures, and the relative difference up to
// which two pairs count as the same.
constexpr int kConflictTemperatures = 15;
constexpr double kSameSaturation = 1e-4;

}  // namespace

void add(Stat& s, double v) {
    if (!std::isfinite(v)) return;
    s.sum += std::fabs(v);
    s.max = std::max(s.max, std::fabs(v));
    ++s.n;
}

FluidAccuracy measure(const Eos& eos, const Model& model, const Entry& e,
                      const SaturationSolver& solver) {
    const Fluid& f = *e.fluid;
    FluidAccuracy a;
    a.code = f.code;
    a.cls = f.cls;
    for (size_t i = 0; i < f.sat.size(); ++i) {
        const SatPoint& s = f.sat[i];
        const double tr = s.T / f.Tc;
        double ps = 0, Dl = s.Dliq, Dv = s.Dvap;
        const bool ok = solver(eos, s.T, ps, Dl, Dv);
        if (tr < 0.5 - 1e-9 || tr > 0.95 + 1e-9) {
            if (ok) a.curve.push_back({tr, Dl / f.Dc, Dv / f.Dc, 100 * (ps / s.ps - 1)});
            continue;
        }
        if (!ok) {
            ++a.sat_failures;
            continue;
        }
        const double dps = 100 * (ps / s.ps - 1), dl = 100 * (Dl / s.Dliq - 1),
                     dv = 100 * (Dv / s.Dvap - 1);
        add(a.ps, dps);
        add(a.dliq, dl);
        add(a.dvap, dv);
        add(a.hvap, 100 * (vaporisation_enthalpy(eos, s.T, Dl, Dv) / reference_hvap(f, i) - 1));
        a.sat_dev.push_back({tr, dps, dl, dv});
        a.curve.push_back({tr, Dl / f.Dc, Dv / f.Dc, dps});
    }
    for (const PvtPoint& s : f.pvt) {
        const double p = pressure(eos, s.D, s.T);
        add(a.p, 100 * (p / s.p - 1));
        const double tr = s.T / f.Tc, pr = s.p / f.pc;
        const bool critical = tr > 0.94 && tr < 1.06 && pr > 0.5 && pr < 2.0;
        double D = 0;
        if (!density_at(eos, s.T, s.p, s.D, D)) {
            ++a.density_failures;
            continue;
        }
        a.pvt_dev.push_back({tr, 100 * (D / s.D - 1)});
        if (critical) continue;
        add(a.d, 100 * (D / s.D - 1));
        if (!s.has_caloric()) continue;
        const Caloric c = caloric_at(eos, D, s.T, reference_cp0(f, s.T), f.M);
        add(a.cp, 100 * (c.cp / s.cp - 1));
        add(a.w, 100 * (c.w / s.w - 1));
    }
    FluidCase c;
    c.fluid = &f;
    c.p = e.p;
    a.guard_states = physics_check(c, model, false);
    a.dTc = 100 * (e.Tc / f.Tc - 1);
    a.dpc = 100 * (e.Pc / f.pc - 1);
    a.dDc = 100 * (e.Dc / f.Dc - 1);
    return a;
}

namespace {

bool near(double a, double b) {
    return std::fabs(a - b) <= kSameSaturation * std::fabs(b);
}

}  // namespace

int saturation_conflicts(double lowest) {
    const double Tc = SUBST_CONST.Tc;
    const double t_low = 1.0 - lowest / Tc, t_high = 1e-6;
    int conflicts = 0;
    for (int i = 0; i < kConflictTemperatures; ++i) {
        const double T =
            Tc * (1.0 - t_low * std::pow(t_high / t_low, i / (kConflictTemperatures - 1.0)));
        double ps = 0, dl = 0, dv = 0, ps_d = 0, dl_d = 0, dv_d = 0;
        int32_t status = 0, status_d = 0;
        X_SAT_PAIR(T, ps_d, dl_d, dv_d, status_d);
        if (status_d != 0) continue;
        X_MAXWEL(T, ps, dl, dv, status);
        if (status != 0 || !near(ps, ps_d) || !near(dl, dl_d) || !near(dv, dv_d)) ++conflicts;
    }
    return conflicts;
}

FluidAccuracy measure_entry(const Model& model, const Entry& e, const SaturationSolver& solver) {
    load_entry(model, e);
    FluidAccuracy a = measure(Eos(), model, e, solver);
    a.sat_conflicts = saturation_conflicts(std::max(e.fluid->Ttriple, 0.3 * e.Tc));
    return a;
}

const Targets& targets_for(FluidClass cls) {
    static const Targets molecular;
    static const Targets hbond{2.0, 1.0, 3.0, 2.0, 1e9, 1e9, 1e9, 1e9, 1e9};
    return cls == FluidClass::hbond ? hbond : molecular;
}

namespace {

std::string percent(const char* what, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %.2f %%", what, v);
    return buf;
}

}  // namespace

namespace {

// The failures of the solves, then the figures above the given bounds, as texts ("ps 0.61 %").
std::vector<std::string> beyond(const FluidAccuracy& a, const Targets& t) {
    std::vector<std::string> miss;
    if (a.sat_failures) miss.push_back("saturation failures");
    if (a.sat_conflicts) miss.push_back("second saturated pair");
    if (a.density_failures) miss.push_back("density failures");
    const std::pair<const char*, std::pair<double, double>> figures[] = {
        {"ps", {a.ps.avg(), t.ps}},       {"D'", {a.dliq.avg(), t.dliq}},
        {"D''", {a.dvap.avg(), t.dvap}},  {"D", {a.d.avg(), t.d}},
        {"cp", {a.cp.avg(), t.cp}},       {"w", {a.w.avg(), t.w}},
        {"hvap", {a.hvap.avg(), t.hvap}}, {"Tc", {std::fabs(a.dTc), t.Tc}},
        {"pc", {std::fabs(a.dpc), t.pc}}};
    for (const auto& [name, v] : figures)
        if (!(v.first <= v.second)) miss.push_back(percent(name, v.first));
    return miss;
}

// The bounds of use of a nonpolar, quadrupolar or dipolar fluid: twice to four times its
// targets.
constexpr Targets kBoundsOfUse{2.0, 1.0, 3.0, 2.0, 5.0, 5.0, 3.0, 1.0, 5.0};

}  // namespace

std::vector<std::string> missed_targets(const FluidAccuracy& a) {
    return beyond(a, targets_for(a.cls));
}

bool meets(const FluidAccuracy& a) {
    return missed_targets(a).empty();
}

std::vector<std::string> left_out_reasons(const FluidAccuracy& a) {
    if (a.cls == FluidClass::hbond) return missed_targets(a);
    std::vector<std::string> why = beyond(a, kBoundsOfUse);
    if (a.guard_states)
        why.push_back("physics check: " + std::to_string(a.guard_states) + " states");
    return why;
}

bool shipped(const FluidAccuracy& a) {
    return left_out_reasons(a).empty();
}

std::string targets_text(const FluidAccuracy& a) {
    const std::vector<std::string> miss = missed_targets(a);
    if (miss.empty()) return "met";
    std::string text;
    for (const std::string& m : miss) text += (text.empty() ? "" : ", ") + m;
    return text;
}

bool own_saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap) {
    return saturation(eos, T, ps, Dliq, Dvap);
}

bool program_saturation(const Eos&, double T, double& ps, double& Dliq, double& Dvap) {
    int32_t status = 0;
    double p = 0, dl = 0, dv = 0;
    X_MAXWEL(T, p, dl, dv, status);
    if (status != 0 || !(dl > dv) || !(dv > 0) || !(p > 0)) return false;
    ps = p;
    Dliq = dl;
    Dvap = dv;
    return true;
}

namespace {

// A stream buffer that yields an endless sequence of empty lines.
class EmptyLines : public std::streambuf {
  protected:
    int_type underflow() override {
        ch_ = '\n';
        setg(&ch_, &ch_, &ch_ + 1);
        return traits_type::to_int_type(ch_);
    }

  private:
    char ch_ = '\n';
};

}  // namespace

void unattended_console() {
    static EmptyLines lines;
    static std::istream in(&lines);
    static std::ostream out(nullptr);
    set_console_streams(&in, &out);
}

namespace {

std::string fmt(double v, int prec = 2) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", prec, v);
    return buf;
}

}  // namespace

namespace {

constexpr FluidClass kClasses[] = {FluidClass::nonpolar, FluidClass::quadrupolar,
                                   FluidClass::dipolar, FluidClass::hbond};

void report_head(std::ostringstream& md, const std::string& solver_name,
                 const std::string& reference) {
    md << "# Accuracy of the substance table\n\n"
       << "Generated by `make data` (tools/fit) together with `data/x_rstoff.tab`; do not edit.\n"
       << "Deviations are 100 (table - reference)/reference in % against the reference data in\n"
       << "`" << reference << "`. Saturation over 0.5-0.95 Tc (reference Tc), computed by "
       << solver_name << "; the enthalpy of vaporisation of the\n"
       << "reference by the Clausius-Clapeyron equation. Single-phase densities, cp and speed of\n"
       << "sound w at the reference (T, p), without the critical region (0.94-1.06 Tc at\n"
       << "0.5-2 pc); the critical point is the one of the fitted equation, as in the table.\n\n"
       << "Targets for nonpolar, quadrupolar and dipolar fluids (average absolute deviations):\n"
       << "ps <= 0.5 %, D' <= 0.3 %, D'' <= 1 %, single-phase D <= 1 %, cp and w <= 2 %,\n"
       << "enthalpy of vaporisation <= 1 %; Tc within 0.3 %, pc within 2 %. A hydrogen-bonding\n"
       << "fluid is shipped only when it meets ps 2 %, D' 1 %, D'' 3 % and single-phase D 2 %;\n"
       << "any other fluid only within the bounds of use (ps 2 %, D' 1 %, D'' 3 %, D 2 %, cp and\n"
       << "w 5 %, enthalpy of vaporisation 3 %, Tc 1 %, pc 5 %) and with a clean physics check.\n"
       << "A fluid left out has no menu line; `fluids.md` lists it with the reason.\n\n"
       << "Physics check: on isotherms from max(Ttriple, 0.3 Tc) to 3 Tc, up to a packing\n"
       << "fraction of 0.6 or 1.5 times the higher of pmax and pc, p, dp/dD and cv positive\n"
       << "outside the reference two-phase region and a single van der Waals loop inside it; the\n"
       << "second virial coefficient rising with T, and negative up to 0.6 Tc. The number of\n"
       << "offending states (of 300 densities per isotherm) is listed where it is not zero.\n\n"
       << "Saturation consistency: at 15 temperatures from max(Ttriple, 0.3 Tc) to Tc (1 - 1e-6)\n"
       << "the program's X_MAXWEL and its direct solve on the outermost branches give the same\n"
       << "pair; where they differ (\"second saturated pair\": a loop beyond the dense liquid\n"
       << "holds an unreal phase), the fluid is left out.\n\n";
}

void class_summary(std::ostringstream& md, const std::vector<FluidAccuracy>& acc) {
    int all = 0, all_ok = 0, ship = 0, ship_ok = 0;
    md << "## Summary by class\n\n"
       << "| class | fluids | shipped | meeting all targets | ps % | D' % | D'' % | D % | cp % | "
          "w % | hvap % | abs Tc % | abs pc % |\n"
       << "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (FluidClass c : kClasses) {
        int n = 0, ok = 0, shipped_here = 0;
        double s[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (const auto& a : acc) {
            if (a.cls != c) continue;
            ++n;
            ok += meets(a) ? 1 : 0;
            shipped_here += shipped(a) ? 1 : 0;
            if (c != FluidClass::hbond) {
                ++all;
                all_ok += meets(a) ? 1 : 0;
                ship += shipped(a) ? 1 : 0;
                ship_ok += shipped(a) && meets(a) ? 1 : 0;
            }
            const double v[9] = {a.ps.avg(),   a.dliq.avg(),     a.dvap.avg(),
                                 a.d.avg(),    a.cp.avg(),       a.w.avg(),
                                 a.hvap.avg(), std::fabs(a.dTc), std::fabs(a.dpc)};
            for (int k = 0; k < 9; ++k) s[k] += v[k];
        }
        if (n == 0) continue;
        md << "| " << class_name(c) << " | " << n << " | " << shipped_here << " | " << ok;
        for (double v : s) md << " | " << fmt(v / n);
        md << " |\n";
    }
    md << "\nMean AAD per class over all fitted fluids, in %. Of the " << ship
       << " shipped nonpolar, quadrupolar and dipolar fluids " << ship_ok << " meet every target ("
       << fmt(ship > 0 ? 100.0 * ship_ok / ship : 0.0, 0) << " %); of all " << all << " fitted, "
       << all_ok << ".\n\n";
}

}  // namespace

std::string accuracy_header() {
    return "| fluid | class | ps AAD | ps max | D' AAD | D'' AAD | D AAD | D max | cp AAD | w AAD "
           "| hvap AAD | Tc % | pc % | Dc % | targets |\n"
           "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
}

std::string accuracy_row(const FluidAccuracy& a) {
    std::ostringstream md;
    md << "| " << a.code << " | " << class_name(a.cls) << " | " << fmt(a.ps.avg()) << " | "
       << fmt(a.ps.max) << " | " << fmt(a.dliq.avg()) << " | " << fmt(a.dvap.avg()) << " | "
       << fmt(a.d.avg()) << " | " << fmt(a.d.max) << " | " << fmt(a.cp.avg()) << " | "
       << fmt(a.w.avg()) << " | " << fmt(a.hvap.avg()) << " | " << fmt(a.dTc, 3) << " | "
       << fmt(a.dpc) << " | " << fmt(a.dDc) << " | "
       << (!shipped(a) ? "left out"
           : meets(a)  ? "met"
                       : "missed");
    if (a.guard_states) md << " (physics check: " << a.guard_states << " states)";
    md << " |\n";
    return md.str();
}

namespace {

void per_fluid(std::ostringstream& md, const std::vector<FluidAccuracy>& acc) {
    md << "## Per fluid\n\n"
       << "AAD = average absolute deviation, max = largest absolute deviation, in %.\n\n"
       << accuracy_header();
    for (const auto& a : acc) md << accuracy_row(a);
    md << "\n## Targets missed\n\n";
    for (const auto& a : acc) {
        const std::vector<std::string> miss = missed_targets(a);
        if (miss.empty()) continue;
        md << "* " << a.code << " (" << class_name(a.cls) << (shipped(a) ? "" : ", left out")
           << "):";
        for (size_t i = 0; i < miss.size(); ++i) md << (i ? ", " : " ") << miss[i];
        md << "\n";
    }
}

constexpr std::size_t kMaxFluidsPerPlot = 10;

// The plot series of one fluid: deviations of ps, D', D'' and D, the saturation curve of the
// table (a line) and of the reference (markers only, unnamed).
struct FluidSeries {
    Series ps, dliq, dvap, curve, reference, density;
};

FluidSeries series_of(const FluidAccuracy& a, const Fluid& f, int style) {
    FluidSeries fs;
    fs.ps = Series{a.code, {}, false, style};
    fs.dliq = fs.dvap = fs.curve = fs.ps;
    fs.reference = Series{"", {}, true, style};
    fs.density = Series{a.code, {}, true, style};
    for (const auto& d : a.sat_dev) {
        fs.ps.points.push_back({d[0], d[1]});
        fs.dliq.points.push_back({d[0], d[2]});
        fs.dvap.points.push_back({d[0], d[3]});
    }
    for (const auto& d : a.curve) fs.curve.points.push_back({d[1], d[0]});
    for (auto it = a.curve.rbegin(); it != a.curve.rend(); ++it)
        fs.curve.points.push_back({(*it)[2], (*it)[0]});
    for (const SatPoint& sp : f.sat) {
        fs.reference.points.push_back({sp.Dliq / f.Dc, sp.T / f.Tc});
        fs.reference.points.push_back({sp.Dvap / f.Dc, sp.T / f.Tc});
    }
    for (const auto& d : a.pvt_dev) fs.density.points.push_back({d[0], d[1]});
    return fs;
}

// The five plots of one group of fluids; `name` is the class, with the group's number when the
// class is split.
void write_group_plots(const std::string& folder, const std::string& name,
                       const std::vector<FluidSeries>& group, std::ostringstream& md) {
    std::vector<Series> ps, dl, dv, curve, dens;
    for (const FluidSeries& fs : group) {
        ps.push_back(fs.ps);
        dl.push_back(fs.dliq);
        dv.push_back(fs.dvap);
        curve.push_back(fs.curve);
        curve.push_back(fs.reference);
        dens.push_back(fs.density);
    }
    auto save = [&](const std::string& file, const std::string& text) {
        std::ofstream(folder + "/accuracy/" + file) << text;
        md << "![" << file << "](accuracy/" << file << ")\n\n";
    };
    save("ps_" + name + ".svg",
         svg_plot("Vapour pressure, " + name, "T/Tc", "100 (ps - ps,ref)/ps,ref", ps));
    save("dliq_" + name + ".svg",
         svg_plot("Saturated liquid density, " + name, "T/Tc", "100 (D' - D'ref)/D'ref", dl));
    save("dvap_" + name + ".svg",
         svg_plot("Saturated vapour density, " + name, "T/Tc", "100 (D'' - D''ref)/D''ref", dv));
    save("curve_" + name + ".svg",
         svg_plot("Reduced saturation curves (lines: table, circles: reference), " + name, "D/Dc",
                  "T/Tc", curve));
    save("density_" + name + ".svg", svg_plot("Single-phase density at given (T, p), " + name,
                                              "T/Tc", "100 (D - Dref)/Dref", dens));
}

// Plots by class, a class of more than kMaxFluidsPerPlot fluids split into groups of about
// equal size, so that every fluid keeps a colour and marker of its own within its plot.
void write_plots(const std::string& folder, const std::vector<Entry>& entries,
                 const std::vector<FluidAccuracy>& acc, std::ostringstream& md) {
    std::filesystem::create_directories(folder + "/accuracy");
    for (const auto& file : std::filesystem::directory_iterator(folder + "/accuracy"))
        if (file.path().extension() == ".svg") std::filesystem::remove(file.path());
    for (FluidClass c : kClasses) {
        std::vector<const FluidAccuracy*> members;
        for (const auto& a : acc)
            if (a.cls == c) members.push_back(&a);
        if (members.empty()) continue;
        const std::size_t groups = (members.size() + kMaxFluidsPerPlot - 1) / kMaxFluidsPerPlot;
        md << "### " << class_name(c) << "\n\n";
        for (std::size_t g = 0; g < groups; ++g) {
            std::vector<FluidSeries> group;
            const std::size_t first = g * members.size() / groups;
            const std::size_t last = (g + 1) * members.size() / groups;
            for (std::size_t i = first; i < last; ++i)
                for (const Entry& e : entries)
                    if (e.fluid->code == members[i]->code)
                        group.push_back(
                            series_of(*members[i], *e.fluid, static_cast<int>(i - first)));
            std::string name = class_name(c);
            if (groups > 1) name.append("_").append(std::to_string(g + 1));
            write_group_plots(folder, name, group, md);
        }
    }
}

}  // namespace

void write_report(const std::string& folder, const std::vector<Entry>& entries,
                  const std::vector<FluidAccuracy>& acc, const std::vector<std::string>& no_entry,
                  const std::string& solver_name, const std::string& reference) {
    std::filesystem::create_directories(folder + "/accuracy");
    std::ostringstream md;
    report_head(md, solver_name, reference);
    class_summary(md, acc);
    per_fluid(md, acc);
    if (!no_entry.empty()) {
        md << "\nLeft out without figures, since no entry could be made (the fitted equation has "
              "no\nsaturated liquid at the reference-state temperature):";
        for (size_t i = 0; i < no_entry.size(); ++i) md << (i ? ", " : " ") << no_entry[i];
        md << ".\n";
    }
    md << "\n## What the universal form cannot reach, and why\n\n"
       << "* Hydrogen-bonding fluids: the form has no association term. Their strong,\n"
          "  temperature-dependent attraction is imitated by the polar terms (both Q2 and Dp are\n"
          "  fitted for them); a fluid that misses the bounds above is left out of the table.\n"
       << "* The critical point: an analytic equation has mean-field behaviour near the critical\n"
          "  point (cubic critical isotherm, parabolic coexistence curve), while the reference\n"
          "  equations follow flatter ones. The fit asks for the reference Tc and pc at the\n"
          "  equation's own critical density, which is not a target.\n"
       << "* One family of shapes: for a nonpolar fluid the reduced surface in T/T0 and D/D0\n"
          "  depends on Alpha alone; the polar parameters add shapes of their own. Any fluid may\n"
          "  use Q2 and Dp as shape parameters where that meets more of its targets.\n";
    md << "\n## Plots\n\n";
    write_plots(folder, entries, acc, md);
    std::ofstream out(folder + "/accuracy.md");
    if (!out) throw std::runtime_error("cannot write " + folder + "/accuracy.md");
    out << md.str();
}

}  // namespace fit
