// The per-fluid parameters of the equation and which of them a fit may move.
#pragma once

#include <array>

namespace fit {

// Per-fluid parameters: T0 and D0 relative to the reference critical point, the shape
// parameter and the two polar parameters.
struct Params {
    double t = 0.78;  // T0 / Tc(reference)
    double d = 1.2;   // D0 / Dc(reference)
    double alpha = 1.0;
    double q2 = 0.0;
    double dp = 0.0;
    double dc = 0.0;  // critical density of the fitted equation / Dc(reference); 0: not known
    bool operator==(const Params&) const = default;
};

// Which per-fluid parameters a fit may move (bits in the order of Params: t, d, alpha, q2, dp,
// dc).
enum ParamBits : unsigned { P_T = 1, P_D = 2, P_ALPHA = 4, P_Q2 = 8, P_DP = 16, P_DC = 32 };

// The parameters as the array the solver moves, in the order of the bits.
constexpr int PARAM_COUNT = 6;
using ParamArray = std::array<double, PARAM_COUNT>;
ParamArray to_array(const Params& p);
Params from_array(const double* v);  // PARAM_COUNT values

// The bounds of the fit for each parameter (a start value outside them would fail the fit).
constexpr ParamArray PARAM_LOWER = {0.55, 0.9, 0.9, 0.0, 0.0, 0.6};
constexpr ParamArray PARAM_UPPER = {1.6, 1.8, 4.0, 60.0, 200.0, 1.6};

// The parameters with the free ones moved into the bounds of the fit.
Params clamp_to_bounds(const Params& p, unsigned free);

}  // namespace fit
