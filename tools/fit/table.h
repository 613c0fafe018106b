// The shipped substance table: per-fluid constants derived from the fit, the table text, and
// the accuracy report.
#pragma once

#include <string>
#include <vector>

#include "pipeline.h"

namespace fit {

// Convention of the caloric reference state (the zero of h and s, or of u and s).
enum class ReferenceState {
    iir,     // saturated liquid at 273.15 K: h = 200 kJ/kg, s = 1 kJ/(kg K)
    nbp,     // saturated liquid at 0.101325 MPa (normal boiling point): h = 0, s = 0
    triple,  // water: saturated liquid at the triple point: u = 0, s = 0
};

// IIR where 273.15 K lies in the fluid's range Ttriple..Tc (Tc of the fitted equation), the
// triple point for water, otherwise the normal boiling point.
ReferenceState reference_state_of(const Fluid& f, double Tc);
// Short name of the convention, as the fluid list states it.
const char* reference_state_text(ReferenceState r);

struct Entry {
    const Fluid* fluid = nullptr;
    Params p;                       // fitted parameters (as printed)
    double Tc = 0, Dc = 0, Pc = 0;  // critical point of the fitted equation (as printed)
    double Dref = 0, Tref = 0, Href = 0, Sref = 0;
    std::vector<IdealTerm> ideal;  // cp0 terms in units of the program's R
    ReferenceState reference = ReferenceState::nbp;
};

// Rounds the model and parameters to the printed digits, then derives critical points,
// ideal-gas terms and reference states.
std::vector<Entry> make_entries(const std::vector<Fluid>& fluids, FitState& state);

// Derives one fluid's entry for a model whose coefficients are already as printed: rounds the
// parameters, then the critical point, the ideal-gas terms and the reference state. False when
// no reference state is found.
bool derive_entry(const Fluid& f, const Model& model, const Params& p, Entry& e);

// One line of the table's menu and its entry.
struct MenuLine {
    std::string code, name;
    const Entry* entry = nullptr;
};

// The menu of the shipped entries, in the order of the menu file (one code per line, '#'
// comments); a listed fluid that is not shipped gets no line, shipped entries the file does not
// list come last.
std::vector<MenuLine> menu_lines(const std::string& menu_file, const std::vector<Entry>& shipped);

std::string table_text(const Model& model, const std::vector<MenuLine>& menu);
// One menu line, and one entry (header, constants lines, "#####").
std::string menu_line(const std::string& code, const std::string& name);
std::string entry_text(const Entry& e);
void write_table(const std::string& path, const Model& model, const std::vector<MenuLine>& menu);

// Loads a table entry into the program's shared records exactly as the table gives it.
void load_entry(const Model& model, const Entry& e);

// Number texts of the table: reals always carry a decimal point or an exponent.
std::string real_text(double v, int digits);
double round_to_text(double v, int digits);

}  // namespace fit
