#include "output/table.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "policy/classes.h"
#include "substance/table_layout.h"

namespace fit {

namespace {

std::string pair(const std::string& label, double v) {
    return label + " " + real_text(v, CONST_DIGITS);
}

}  // namespace

std::vector<MenuLine> menu_lines(const std::vector<std::string>& order,
                                 const std::vector<Entry>& shipped) {
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
    return table_layout::menu_line(code, name) + "\n";
}

std::string entry_text(const Entry& e) {
    std::ostringstream out;
    const Fluid& f = *e.fluid;
    const std::string lead = table_layout::constants_lead(f.code);
    const std::string title = f.name.substr(0, 50) + " (" + class_name(f.cls) + ")";
    out << table_layout::entry_header(f.code, title) << "\n";
    out << lead << pair("Tc:", e.Tc) << "  " << pair("Dc:", e.Dc) << "  " << pair("Pc:", e.Pc)
        << "\n";
    out << lead << pair("T0:", printed_T0(e)) << "  " << pair("D0:", printed_D0(e)) << "  "
        << pair("Alpha:", e.p.alpha) << "\n";
    out << lead << pair("Q2:", e.p.q2) << "  " << pair("Dp:", e.p.dp) << "  " << pair("MolWt:", f.M)
        << "\n";
    out << lead << "Dref: " << sci_text(e.Dref, 1) << "  " << pair("Tref:", e.Tref) << "  "
        << pair("Href:", e.Href) << "  " << pair("Sref:", e.Sref) << "\n";
    char buf[128];
    for (size_t i = 0; i < e.ideal.size(); ++i) {
        const IdealTerm& t = e.ideal[i];
        std::snprintf(buf, sizeof buf, "%sCp0: %zu %s %s %s", lead.c_str(), i + 1,
                      sci_text(t.E, 10).c_str(), sci_text(t.K, 13).c_str(),
                      sci_text(t.K2, t.K2 > 0 ? 14 : 13).c_str());
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
                      sci_text(model.coeff[0][i], 10).c_str(), t.e[1], t.e[0], t.e[2], t.e[3]);
        out << buf << "\n";
    }
    for (int s = 1; s <= 2; ++s)
        for (size_t i = 0; i < model.terms[s].size(); ++i) {
            const Term& t = model.terms[s][i];
            std::snprintf(buf, sizeof buf, "%s-%2zu %4d %4d %4d %4d %20s",
                          set_name(static_cast<SetKind>(s)), i + 1, t.e[1], t.e[0], t.e[2], t.e[3],
                          sci_text(model.coeff[s][i], 12).c_str());
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
        if (line.size() > table_layout::LINE_WIDTH)
            throw std::runtime_error("table line over 80 characters: " + line);
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << text;
}

}  // namespace fit
