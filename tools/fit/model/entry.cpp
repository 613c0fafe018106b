#include "model/entry.h"

#include <cstdio>
#include <cstdlib>

namespace fit {

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

std::string sci_text(double v, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", digits, v);
    return buf;
}

double round_sci(double v, int digits) {
    return std::strtod(sci_text(v, digits).c_str(), nullptr);
}

double printed_T0(const Entry& e) {
    return round_to_text(e.p.t * e.fluid->Tc, CONST_DIGITS);
}

double printed_D0(const Entry& e) {
    return round_to_text(e.p.d * e.fluid->Dc, CONST_DIGITS);
}

}  // namespace fit
