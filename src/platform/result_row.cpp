#include "platform/result_row.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "platform/number_edit.h"

namespace {

// The fuzzing build of the program is compiled with XALT1_ROW_GUARD: there every row is checked
// where it is made. A row must only ever be made of finite values, a positive temperature and
// density, and a vapour fraction strictly between 0 and 1; anything else is reported and the
// run stops, so that the session fuzzer sees it even where the number editing would hide it
// behind asterisks. In the program the checks are empty.
#ifdef XALT1_ROW_GUARD
void guard_row(bool sound, const char* what) {
    if (sound) return;
    std::printf("\nrow check: non-finite value or impossible state handed to a result row: %s\n",
                what);
    std::fflush(stdout);
    std::abort();
}

bool all_finite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

void guard_full_row(double T, double D, double p, double u, double h, double s, double cv,
                    double cp, double f) {
    guard_row(all_finite({T, D, p, u, h, s, cv, cp, f}), "full row");
    guard_row(T > 0.0 && D > 0.0, "full row with T or D not positive");
}

void guard_two_phase_row(float x, double D, double p, double u, double h, double s, double f) {
    guard_row(all_finite({x, D, p, u, h, s, f}), "two-phase row");
    guard_row(x > 0.0f && x < 1.0f && D > 0.0, "two-phase row with x or D out of range");
}
#else
void guard_full_row(double, double, double, double, double, double, double, double, double) {}
void guard_two_phase_row(float, double, double, double, double, double, double) {}
#endif

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
    guard_full_row(T, D, p, u, h, s, cv, cp, f);
    std::string row(marker.substr(0, 2));
    row.resize(2, ' ');
    row += edit_F(T, 9, 3) + " ";
    row += density_to_enthalpy(D, p, u, h);
    row += edit_F(s, 10, 4) + edit_F(cv, 9, 3) + edit_F(cp, 9, 3) + edit_F(f, 10, 1);
    return row;
}

std::string two_phase_row(float x, double D, double p, double u, double h, double s, double f) {
    guard_two_phase_row(x, D, p, u, h, s, f);
    std::string row = "x=";
    row += edit_F(static_cast<double>(x), 7, 6) + "   ";
    row += density_to_enthalpy(D, p, u, h);
    row += edit_F(s, 10, 4) + std::string(18, ' ') + edit_F(f, 10, 1);
    return row;
}
