// The shipped substance table: per-fluid constants derived from the fit, the table text, and
// the accuracy report.
#pragma once

#include <string>
#include <vector>

#include "pipeline.h"

namespace fit {

struct Entry {
    const Fluid* fluid = nullptr;
    Params p;                       // fitted parameters (as printed)
    double Tc = 0, Dc = 0, Pc = 0;  // critical point of the fitted equation (as printed)
    double Dref = 0, Tref = 0, Href = 0, Sref = 0;
    std::vector<IdealTerm> ideal;  // cp0 terms in units of the program's R
    bool iir = false;              // reference state by the 273.15 K convention
};

// Rounds the model and parameters to the printed digits, then derives critical points,
// ideal-gas terms and reference states.
std::vector<Entry> make_entries(const std::vector<Fluid>& fluids, FitState& state);

std::string table_text(const Model& model, const std::vector<Entry>& entries);
void write_table(const std::string& path, const Model& model, const std::vector<Entry>& entries);

// Loads a table entry into the program's shared records exactly as the table gives it.
void load_entry(const Model& model, const Entry& e);

// Number texts of the table: reals always carry a decimal point or an exponent.
std::string real_text(double v, int digits);
double round_to_text(double v, int digits);

}  // namespace fit
