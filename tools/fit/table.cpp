#include "table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "phase.h"
#include "props/props.h"
#include "substance/subst_const.h"

namespace fit {

namespace {

constexpr double kTrefStored = 9.999999747378752e-06;  // added to Tref when the table is read
constexpr double kTref = 273.15;
constexpr double kDref = 5.0e-6;
constexpr double kIirT = 273.15;

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

// Enthalpy and entropy of the loaded fluid at (D, T), as the property routine computes them.
void caloric(double D, double T, double& h, double& s) {
    StateProperties props;
    int32_t status = 0;
    state_at(D, T, props, status);
    h = props.h;
    s = props.s;
}

}  // namespace

std::vector<Entry> make_entries(const std::vector<Fluid>& fluids, FitState& state) {
    Model& model = state.model;
    for (int s = 0; s < 3; ++s)
        for (double& c : model.coeff[s]) c = round_sci(c, s == 0 ? 10 : 12);
    std::vector<Entry> entries;
    for (const Fluid& f : fluids) {
        Entry e;
        e.fluid = &f;
        e.p = shipped_params(f, state);
        e.p.alpha = round_to_text(e.p.alpha, kConstDigits);
        e.p.q2 = (f.cls == FluidClass::quadrupolar || f.cls == FluidClass::hbond)
                     ? round_to_text(e.p.q2, kConstDigits)
                     : 0.0;
        e.p.dp = (f.cls == FluidClass::dipolar || f.cls == FluidClass::hbond)
                     ? round_to_text(e.p.dp, kConstDigits)
                     : 0.0;
        for (const IdealTerm& t : f.ideal) {
            IdealTerm p;
            p.E = round_sci(t.E, 10);
            p.K = round_sci(t.K * f.R / R_PROGRAM, 13);
            p.K2 = t.K2 > 0 ? round_sci(t.K2, 14) : round_sci(t.K2, 13);
            e.ideal.push_back(p);
        }
        e.Tc = f.Tc;
        e.Dc = f.Dc;
        e.Pc = f.pc;
        load_entry(model, e);
        double Tc, Dc, Pc;
        if (critical_point(f.Tc, f.Dc, Tc, Dc, Pc)) {
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
        load_entry(model, e);
        // Saturated liquid of the convention.
        double T = 0, Dl = 0, Dv = 0, ps = 0;
        bool ok = false;
        if (kIirT < 0.97 * e.Tc && kIirT > f.sat.front().T * 0.999) {
            T = kIirT;
            Dl = interp_ref(f, T, 1);
            Dv = interp_ref(f, T, 2);
            ok = saturation(T, ps, Dl, Dv);
            e.iir = true;
        } else if (kIirT < 0.97 * e.Tc) {
            // below the saturation table: start from its first state
            T = kIirT;
            Dl = f.sat.front().Dliq;
            Dv = f.sat.front().Dvap * 0.5;
            ok = saturation(T, ps, Dl, Dv);
            e.iir = true;
        } else {
            double Tg = f.sat.front().T;
            for (size_t i = 1; i < f.sat.size(); ++i)
                if (f.sat[i].ps >= 0.101325) {
                    Tg = f.sat[i].T;
                    break;
                }
            const double lo = std::max(0.9 * Tg, 0.3 * e.Tc), hi = std::min(1.1 * Tg, 0.995 * e.Tc);
            ok = saturation_temperature(0.101325, lo, hi, interp_ref(f, Tg, 1),
                                        interp_ref(f, Tg, 2), T, Dl, Dv);
        }
        if (!ok) {
            log_line("  " + f.code + ": no saturated liquid for the reference state; not shipped");
            continue;
        }
        double h, s;
        caloric(Dl, T, h, s);
        const double h_target = e.iir ? 200.0 * f.M : 0.0;  // J/mol from kJ/kg
        const double s_target = e.iir ? 1.0 * f.M : 0.0;
        e.Href = round_to_text(h_target - h, kConstDigits);
        e.Sref = round_to_text(s_target - s, kConstDigits);
        entries.push_back(e);
        char buf[200];
        std::snprintf(buf, sizeof buf, "  %-10s Tc %.4f (%+.3f%%) pc %.4f (%+.2f%%) Dc %+.2f%%",
                      f.code.c_str(), e.Tc, 100 * (e.Tc / f.Tc - 1), e.Pc, 100 * (e.Pc / f.pc - 1),
                      100 * (e.Dc / f.Dc - 1));
        log_line(buf);
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

std::string table_text(const Model& model, const std::vector<Entry>& entries) {
    std::ostringstream out;
    out << "* x_rstoff.tab - substance table of xalt1\n"
        << "* Menu section: one line per substance, the code from column 6, then its name.\n"
        << "* The data were made by the fitting tool tools/fit (`make data`) from values of\n"
        << "* high-accuracy reference equations of state; accuracy: docs/accuracy.md.\n";
    for (const Entry& e : entries)
        out << "R-   " << pad(e.fluid->code, 11) << e.fluid->name.substr(0, 64) << "\n";
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
        << "* (K, mol/dm3, MPa); D0, T0, Alpha, Q2, Dp: fitted parameters (0: not polar).\n"
        << "* Cp0 groups: term k, exponent E, coefficient K (cp0 in units of R), and the\n"
        << "* Planck-Einstein temperature K2 in K (0 for a power term).\n"
        << "* The reference state (Dref, Tref) lies in the dilute gas: only there are u, f\n"
        << "* consistent with h and s (h - u = p/D, f = u - T s), as in an ideal gas. Href\n"
        << "* and Sref give the saturated liquid h = 200 kJ/kg, s = 1 kJ/(kg K) at 273.15 K\n"
        << "* where 273.15 K < 0.97 Tc; otherwise h = 0, s = 0 at 0.101325 MPa.\n";
    for (const Entry& e : entries) {
        const Fluid& f = *e.fluid;
        const char m = f.code[0];
        const std::string lead = std::string(1, m) + "    ";
        out << pad(f.code, 10) << " " << f.name.substr(0, 50) << " (" << class_name(f.cls) << ")\n";
        out << lead << pair("Tc:", e.Tc) << "  " << pair("Dc:", e.Dc) << "  " << pair("Pc:", e.Pc)
            << "\n";
        out << lead << pair("T0:", round_to_text(e.p.t * f.Tc, kConstDigits)) << "  "
            << pair("D0:", round_to_text(e.p.d * f.Dc, kConstDigits)) << "  "
            << pair("Alpha:", e.p.alpha) << "\n";
        out << lead << pair("Q2:", e.p.q2) << "  " << pair("Dp:", e.p.dp) << "  "
            << pair("MolWt:", f.M) << "\n";
        out << lead << "Dref: " << sci(e.Dref, 1) << "  " << pair("Tref:", e.Tref) << "  "
            << pair("Href:", e.Href) << "  " << pair("Sref:", e.Sref) << "\n";
        for (size_t i = 0; i < e.ideal.size(); ++i) {
            const IdealTerm& t = e.ideal[i];
            std::snprintf(buf, sizeof buf, "%sCp0: %zu %s %s %s", lead.c_str(), i + 1,
                          sci(t.E, 10).c_str(), sci(t.K, 13).c_str(),
                          sci(t.K2, t.K2 > 0 ? 14 : 13).c_str());
            out << buf << "\n";
        }
        out << "#####\n";
    }
    return out.str();
}

void write_table(const std::string& path, const Model& model, const std::vector<Entry>& entries) {
    const std::string text = table_text(model, entries);
    std::istringstream check(text);
    std::string line;
    while (std::getline(check, line))
        if (line.size() > 80) throw std::runtime_error("table line over 80 characters: " + line);
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << text;
}

}  // namespace fit
