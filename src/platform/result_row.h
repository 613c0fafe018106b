// The two row layouts of the result table "xalt1.dat".
#pragma once

#include <string>
#include <string_view>

// Full row: 2-character state marker ("  ", "l ", "v "), T, D, p, u, h, s, cv, cp, f.
std::string full_row(std::string_view marker, double T, double D, double p, double u, double h,
                     double s, double cv, double cp, double f);
// Two-phase row: "x=", the vapour fraction, D, p, u, h, s, f.
std::string two_phase_row(float x, double D, double p, double u, double h, double s, double f);
