#include "platform/result_row.h"

#include "platform/number_edit.h"

namespace {

// Densities below 0.1 (the single-precision 0.1, widened) are written in the general form, so
// that small gas densities keep their significant digits.
constexpr double kSmallDensity = 0.1f;

std::string density_field(double D) {
    return D < kSmallDensity ? edit_G(D, 8, 4, 1) : edit_F(D, 8, 4);
}

// Columns 13 to 50, the same in both layouts: D, a blank, p, a blank, u and h.
std::string density_to_enthalpy(double D, double p, double u, double h) {
    return density_field(D) + " " + edit_E(p, 11, 6, 1) + edit_F(u, 9, 1) + edit_F(h, 9, 1);
}

}  // namespace

std::string full_row(std::string_view marker, double T, double D, double p, double u, double h,
                     double s, double cv, double cp, double f) {
    std::string row(marker.substr(0, 2));
    row.resize(2, ' ');
    row += edit_F(T, 9, 3) + " ";
    row += density_to_enthalpy(D, p, u, h);
    row += edit_F(s, 10, 4) + edit_F(cv, 9, 3) + edit_F(cp, 9, 3) + edit_F(f, 10, 1);
    return row;
}

std::string two_phase_row(float x, double D, double p, double u, double h, double s, double f) {
    std::string row = "x=";
    row += edit_F(static_cast<double>(x), 7, 6) + "   ";
    row += density_to_enthalpy(D, p, u, h);
    row += edit_F(s, 10, 4) + std::string(18, ' ') + edit_F(f, 10, 1);
    return row;
}
