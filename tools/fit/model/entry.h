// One fluid's entry of the substance table: its parameters and the constants derived from the
// fitted equation, as printed.
#pragma once

#include <string>
#include <vector>

#include "fluid/fluid.h"
#include "fluid/params.h"
#include "policy/fluids.h"

namespace fit {

struct Entry {
    const Fluid* fluid = nullptr;
    Params p;                       // fitted parameters (as printed)
    double Tc = 0, Dc = 0, Pc = 0;  // critical point of the fitted equation (as printed)
    double Dref = 0, Tref = 0, Href = 0, Sref = 0;
    std::vector<IdealTerm> ideal;  // cp0 terms in units of the program's R
    ReferenceState reference = ReferenceState::nbp;
};

// Number texts of the table: reals carry a decimal point or an exponent; constants have at
// most 10 significant digits (16 characters in a 17-wide field).
constexpr int CONST_DIGITS = 10;
std::string real_text(double v, int digits);
double round_to_text(double v, int digits);
// The same in the exponent form %.*E of the coefficient and ideal-gas fields.
std::string sci_text(double v, int digits);
double round_sci(double v, int digits);

// T0 and D0 of an entry as printed.
double printed_T0(const Entry& e);
double printed_D0(const Entry& e);

}  // namespace fit
