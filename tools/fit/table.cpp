#include "table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "accuracy.h"
#include "eos/eos.h"
#include "phase.h"
#include "props/props.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace fit {

namespace {

constexpr double kTrefStored = 9.999999747378752e-06;  // added to Tref when the table is read
constexpr double kTref = 273.15;
constexpr double kDref = 5.0e-6;
constexpr double kIirT = 273.15;
constexpr double kNormalPressure = 0.101325;  // MPa

std::string sci(double v, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", digits, v);
    return buf;
}

}  // namespace

std::string real_text(double v, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    std::string s = buf;
    if (s.find_first_of(".eE") == std::string::npos) s += ".0";
    return s;
}

double round_to_text(double v, int digits) {
    return std::strtod(real_text(v, digits).c_str(), nullptr);
}

namespace {

double round_sci(double v, int digits) {
    return std::strtod(sci(v, digits).c_str(), nullptr);
}

constexpr int kConstDigits = 10;  // constants: at most 16 characters in a 17-wide field

}  // namespace

void load_entry(const Model& model, const Entry& e) {
    load_into_program(model, *e.fluid, e.p);
    SUBST_CONST.T0 = round_to_text(e.p.t * e.fluid->Tc, kConstDigits);
    SUBST_CONST.D0 = round_to_text(e.p.d * e.fluid->Dc, kConstDigits);
    SUBST_CONST.Tc = e.Tc;
    SUBST_CONST.Dc = e.Dc;
    SUBST_CONST.Pc = e.Pc;
    SUBST_CONST.Dref = e.Dref;
    SUBST_CONST.Tref = e.Tref + kTrefStored;
    SUBST_CONST.Href = e.Href;
    SUBST_CONST.Sref = e.Sref;
    SUBST_CONST.i4_ncp0 = static_cast<int32_t>(e.ideal.size());
    for (size_t i = 0; i < e.ideal.size() && i < 20; ++i) {
        SUBST_CONST.E[i] = e.ideal[i].E;
        SUBST_CONST.K[i] = e.ideal[i].K;
        SUBST_CONST.K2[i] = e.ideal[i].K2;
    }
}

namespace {

double interp_ref(const Fluid& f, double T, int what) {
    const auto& s = f.sat;
    size_t i = 1;
    while (i + 1 < s.size() && s[i].T < T) ++i;
    const double w = (T - s[i - 1].T) / (s[i].T - s[i - 1].T);
    auto val = [&](const SatPoint& p) {
        return what == 0 ? std::log(p.ps) : what == 1 ? p.Dliq : std::log(p.Dvap);
    };
    const double v = val(s[i - 1]) + w * (val(s[i]) - val(s[i - 1]));
    return what == 1 ? v : std::exp(v);
}

// Internal energy, enthalpy and entropy of the loaded fluid at (D, T), by the property routine.
bool caloric(double D, double T, double& u, double& h, double& s) {
    int32_t status = 0;
    X_TD_DAT(true, D, T, -1.0f, status);
    u = TD_PROPS.u;
    h = TD_PROPS.h;
    s = TD_PROPS.s;
    return status == 0;
}

// Saturation of the loaded entry at T by the program's own routine, else by Newton steps from
// the start densities.
bool entry_saturation(double T, double& ps, double& Dl, double& Dv) {
    double p = 0, l = 0, v = 0;
    if (program_saturation(Eos(), T, p, l, v)) {
        ps = p;
        Dl = l;
        Dv = v;
        return true;
    }
    return saturation(Eos(), T, ps, Dl, Dv);
}

// Start densities of a saturation state below the saturation table: its first two states
// extrapolated (ln ps linear in 1/T, D' linear in T).
void extrapolated_saturation(const Fluid& f, double T, double& Dl, double& Dv) {
    const SatPoint& a = f.sat[0];
    const SatPoint& b = f.sat[1];
    const double slope = std::log(b.ps / a.ps) / (1 / b.T - 1 / a.T);
    const double ps = a.ps * std::exp(slope * (1 / T - 1 / a.T));
    Dl = a.Dliq + (T - a.T) * (b.Dliq - a.Dliq) / (b.T - a.T);
    Dv = ps * 1000.0 / (R_PROGRAM * T);
}

// Saturated liquid and vapour of the loaded fluid at T; the Newton steps that stand in when
// the program's routine fails start from densities interpolated in the reference saturation
// table (below it: its first two states extrapolated).
bool saturation_at(const Fluid& f, double T, double& ps, double& Dl, double& Dv) {
    if (T >= f.sat.front().T) {
        Dl = interp_ref(f, T, 1);
        Dv = interp_ref(f, T, 2);
    } else {
        extrapolated_saturation(f, T, Dl, Dv);
    }
    return entry_saturation(T, ps, Dl, Dv);
}

// Saturated liquid and vapour of the loaded fluid at the normal boiling point T (bisection on
// the saturation pressure).
bool normal_boiling_point(const Fluid& f, double Tc, double& T, double& Dl, double& Dv) {
    double Tg = f.sat.front().T;
    for (size_t i = 1; i < f.sat.size(); ++i)
        if (f.sat[i].ps >= kNormalPressure) {
            Tg = f.sat[i].T;
            break;
        }
    double lo = std::max(0.8 * Tg, 0.2 * Tc), hi = std::min(1.2 * Tg, 0.995 * Tc);
    for (int it = 0; it < 100 && hi - lo > 1e-10 * hi; ++it) {
        T = 0.5 * (lo + hi);
        double ps = 0;
        if (!saturation_at(f, T, ps, Dl, Dv)) return false;
        (ps < kNormalPressure ? lo : hi) = T;
    }
    T = 0.5 * (lo + hi);
    double ps = 0;
    return saturation_at(f, T, ps, Dl, Dv);
}

// Sets Href and Sref of the loaded entry (loaded with Href = Sref = 0) by its convention;
// false when the saturated liquid of the convention is not found.
bool set_reference_state(const Fluid& f, Entry& e) {
    double T = 0, Dl = 0, Dv = 0, ps = 0;
    bool ok = false;
    switch (e.reference) {
        case ReferenceState::iir:
            T = kIirT;
            ok = saturation_at(f, T, ps, Dl, Dv);
            break;
        case ReferenceState::triple:
            T = f.Ttriple;
            ok = saturation_at(f, T, ps, Dl, Dv);
            break;
        case ReferenceState::nbp:
            ok = normal_boiling_point(f, e.Tc, T, Dl, Dv);
            break;
    }
    double u = 0, h = 0, s = 0;
    if (!ok || !caloric(Dl, T, u, h, s)) return false;
    // Href shifts u and h alike, Sref shifts s.
    const bool iir = e.reference == ReferenceState::iir;
    const double zero_of = e.reference == ReferenceState::triple ? u : h;
    e.Href = round_to_text((iir ? 200.0 * f.M : 0.0) - zero_of, kConstDigits);  // J/mol
    e.Sref = round_to_text((iir ? 1.0 * f.M : 0.0) - s, kConstDigits);
    return true;
}

}  // namespace

ReferenceState reference_state_of(const Fluid& f, double Tc) {
    if (f.code == "Water") return ReferenceState::triple;
    if (f.Ttriple <= kIirT && kIirT < Tc) return ReferenceState::iir;
    return ReferenceState::nbp;
}

const char* reference_state_text(ReferenceState r) {
    switch (r) {
        case ReferenceState::iir:
            return "IIR";
        case ReferenceState::triple:
            return "triple point";
        case ReferenceState::nbp:
            break;
    }
    return "NBP";
}

bool derive_entry(const Fluid& f, const Model& model, const Params& p, Entry& e) {
    e = Entry{};
    e.fluid = &f;
    e.p = p;
    e.p.alpha = round_to_text(p.alpha, kConstDigits);
    e.p.q2 = round_to_text(p.q2, kConstDigits);
    e.p.dp = round_to_text(p.dp, kConstDigits);
    for (const IdealTerm& t : f.ideal) {
        IdealTerm r;
        r.E = round_sci(t.E, 10);
        r.K = round_sci(t.K * f.R / R_PROGRAM, 13);
        r.K2 = t.K2 > 0 ? round_sci(t.K2, 14) : round_sci(t.K2, 13);
        e.ideal.push_back(r);
    }
    e.Tc = f.Tc;
    e.Dc = f.Dc;
    e.Pc = f.pc;
    load_entry(model, e);
    double Tc, Dc, Pc;
    if (critical_point(Eos(), f.Tc, f.Dc, Tc, Dc, Pc)) {
        e.Tc = round_to_text(Tc, kConstDigits);
        e.Dc = round_to_text(Dc, kConstDigits);
        e.Pc = round_to_text(Pc, kConstDigits);
    } else {
        log_line("  no critical point found for " + f.code + "; reference values kept");
    }
    e.Dref = kDref;
    e.Tref = kTref;
    e.Href = 0;
    e.Sref = 0;
    e.reference = reference_state_of(f, e.Tc);
    load_entry(model, e);
    if (!set_reference_state(f, e)) {
        log_line("  " + f.code + ": no saturated liquid for the reference state; not shipped");
        return false;
    }
    char buf[200];
    std::snprintf(buf, sizeof buf, "  %-10s Tc %.4f (%+.3f%%) pc %.4f (%+.2f%%) Dc %+.2f%%",
                  f.code.c_str(), e.Tc, 100 * (e.Tc / f.Tc - 1), e.Pc, 100 * (e.Pc / f.pc - 1),
                  100 * (e.Dc / f.Dc - 1));
    log_line(buf);
    return true;
}

std::vector<Entry> make_entries(const std::vector<Fluid>& fluids, FitState& state) {
    Model& model = state.model;
    for (int s = 0; s < 3; ++s)
        for (double& c : model.coeff[s]) c = round_sci(c, s == 0 ? 10 : 12);
    std::vector<Entry> entries;
    for (const Fluid& f : fluids) {
        Entry e;
        if (derive_entry(f, model, shipped_params(f, state), e)) entries.push_back(e);
    }
    return entries;
}

namespace {

std::string pad(std::string s, size_t n) {
    if (s.size() < n) s.append(n - s.size(), ' ');
    return s;
}

std::string pair(const std::string& label, double v) {
    return label + " " + real_text(v, kConstDigits);
}

}  // namespace

std::vector<MenuLine> menu_lines(const std::string& menu_file, const std::vector<Entry>& shipped) {
    std::vector<std::string> order;
    std::ifstream in(menu_file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string code;
        if (words >> code && code[0] != '#') order.push_back(code);
    }
    std::vector<MenuLine> menu;
    std::vector<bool> placed(shipped.size(), false);
    for (const std::string& code : order) {
        const auto e = std::find_if(shipped.begin(), shipped.end(),
                                    [&](const Entry& x) { return x.fluid->code == code; });
        if (e == shipped.end()) continue;
        menu.push_back({e->fluid->code, e->fluid->name, &*e});
        placed[static_cast<size_t>(e - shipped.begin())] = true;
    }
    for (size_t i = 0; i < shipped.size(); ++i)
        if (!placed[i])
            menu.push_back({shipped[i].fluid->code, shipped[i].fluid->name, &shipped[i]});
    return menu;
}

std::string menu_line(const std::string& code, const std::string& name) {
    return "R-   " + pad(code, 11) + name.substr(0, 64) + "\n";
}

std::string entry_text(const Entry& e) {
    std::ostringstream out;
    const Fluid& f = *e.fluid;
    const std::string lead = std::string(1, f.code[0]) + "    ";
    out << pad(f.code, 10) << " " << f.name.substr(0, 50) << " (" << class_name(f.cls) << ")\n";
    out << lead << pair("Tc:", e.Tc) << "  " << pair("Dc:", e.Dc) << "  " << pair("Pc:", e.Pc)
        << "\n";
    out << lead << pair("T0:", round_to_text(e.p.t * f.Tc, kConstDigits)) << "  "
        << pair("D0:", round_to_text(e.p.d * f.Dc, kConstDigits)) << "  "
        << pair("Alpha:", e.p.alpha) << "\n";
    out << lead << pair("Q2:", e.p.q2) << "  " << pair("Dp:", e.p.dp) << "  " << pair("MolWt:", f.M)
        << "\n";
    out << lead << "Dref: " << sci(e.Dref, 1) << "  " << pair("Tref:", e.Tref) << "  "
        << pair("Href:", e.Href) << "  " << pair("Sref:", e.Sref) << "\n";
    char buf[128];
    for (size_t i = 0; i < e.ideal.size(); ++i) {
        const IdealTerm& t = e.ideal[i];
        std::snprintf(buf, sizeof buf, "%sCp0: %zu %s %s %s", lead.c_str(), i + 1,
                      sci(t.E, 10).c_str(), sci(t.K, 13).c_str(),
                      sci(t.K2, t.K2 > 0 ? 14 : 13).c_str());
        out << buf << "\n";
    }
    out << "#####\n";
    return out.str();
}

std::string table_text(const Model& model, const std::vector<MenuLine>& menu) {
    std::ostringstream out;
    out << "* x_rstoff.tab - substance table of xalt1\n"
        << "* Menu section: one line per substance, the code from column 6, then its name.\n"
        << "* The data were made by the fitting tool tools/fit (`make data`) from values of\n"
        << "* high-accuracy reference equations of state; accuracy: docs/accuracy.md.\n"
        << "* Fluids left out of the table have no menu line (docs/fluids.md says why).\n";
    for (const MenuLine& m : menu) out << menu_line(m.code, m.name);
    out << "##########\n";
    out << "* Universal coefficient sets of the residual Helmholtz energy, fitted jointly:\n"
        << "* Fa (attraction) on the nonpolar fluids, Fq (quadrupolar) on the quadrupolar\n"
        << "* fluids, Fd (dipolar) on the dipolar fluids, each with its fluids' parameters.\n"
        << "* Fa- i  c  n  m  j  l      Fq-/Fd- i  m  n  k  o  c\n";
    char buf[128];
    for (size_t i = 0; i < model.terms[0].size(); ++i) {
        const Term& t = model.terms[0][i];
        std::snprintf(buf, sizeof buf, "Fa-%2zu %18s %4d %4d %4d %4d", i + 1,
                      sci(model.coeff[0][i], 10).c_str(), t.e[1], t.e[0], t.e[2], t.e[3]);
        out << buf << "\n";
    }
    for (int s = 1; s <= 2; ++s)
        for (size_t i = 0; i < model.terms[s].size(); ++i) {
            const Term& t = model.terms[s][i];
            std::snprintf(buf, sizeof buf, "%s-%2zu %4d %4d %4d %4d %20s", s == 1 ? "Fq" : "Fd",
                          i + 1, t.e[1], t.e[0], t.e[2], t.e[3],
                          sci(model.coeff[s][i], 12).c_str());
            out << buf << "\n";
        }
    out << "#####\n";
    out << "* One entry per substance. Tc, Dc, Pc: critical point of the fitted equation\n"
        << "* (K, mol/dm3, MPa); D0, T0, Alpha, Q2, Dp: fitted parameters (Q2, Dp 0: off;\n"
        << "* a fluid may use them as shape parameters beyond its polarity).\n"
        << "* Cp0 groups: term k, exponent E, coefficient K (cp0 in units of R), and the\n"
        << "* Planck-Einstein temperature K2 in K (0 for a power term).\n"
        << "* The reference state (Dref, Tref) lies in the dilute gas: only there are u, f\n"
        << "* consistent with h and s (h - u = p/D, f = u - T s), as in an ideal gas. Href\n"
        << "* and Sref give the saturated liquid h = 200 kJ/kg, s = 1 kJ/(kg K) at 273.15 K\n"
        << "* where 273.15 K lies in Ttriple..Tc (IIR); otherwise h = 0, s = 0 at 0.101325\n"
        << "* MPa (normal boiling point); water: u = 0, s = 0 at the triple point.\n"
        << "* The convention of each fluid: docs/fluids.md.\n";
    for (const MenuLine& line : menu) out << entry_text(*line.entry);
    return out.str();
}

void write_table(const std::string& path, const Model& model, const std::vector<MenuLine>& menu) {
    const std::string text = table_text(model, menu);
    std::istringstream check(text);
    std::string line;
    while (std::getline(check, line))
        if (line.size() > 80) throw std::runtime_error("table line over 80 characters: " + line);
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << text;
}

}  // namespace fit
