// The pieces that every solver of the input pairs shares: the tolerances, the failures, the
// density of a pressure on a branch of an isotherm, Newton steps on a bracketed root, and the
// states of a saturated pair.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "api/jets.h"
#include "api/solve.h"
#include "api/xalt1.h"
#include "eos/constants.h"

namespace xalt1::detail {

inline constexpr double R = GAS_CONSTANT;
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();
inline constexpr int kMaxSteps = 100;
// A density is found when its pressure meets the target to this (relative), or when its Newton
// step has shrunk to the round-off of a stiff liquid.
inline constexpr double kPressureMet = 1e-13;
inline constexpr double kDensityClosed = 1e-13;
// A temperature Newton step this small (relative) is taken as the last one: the error after it
// is of the order of its square.
inline constexpr double kTemperatureSettled = 1e-8;
// Within this (relative) of the series' saturated densities or pressure the phase is decided
// with the exact pair; a pressure within kOnSaturation of ps(T) does not fix a state at T.
inline constexpr double kNearSaturation = 1e-6;
inline constexpr double kOnSaturation = 1e-12;
// A density, enthalpy or entropy this close (relative to the pair) beyond a saturated state is
// that saturated state: the pair resolves it no closer.
inline constexpr double kOnPair = 1e-9;
// A pressure this close (relative) below the series' pressure next to the critical point, where
// the equation gives no pair, is taken as supercritical.
inline constexpr double kNearCritical = 1e-6;
// A vapour fraction that the pair's values resolve no closer to 0 or 1 (their round-off in
// parts of the enthalpy or entropy of vaporisation).
inline constexpr double kFractionResolved = 1e-12;
// A step along an isobar this short (relative) starts its density from the prediction.
inline constexpr double kShortStep = 0.02;
// A Newton step of the density on the liquid branch moves it by at most this factor, so that
// it cannot jump over the liquid root and a hump of the isotherm beyond it.
inline constexpr double kLiquidGrowth = 1.25;

[[noreturn]] void fail(ErrorKind kind, const std::string& why);
// A number the messages compute, to 10 significant digits.
std::string text(double v);
// A number the caller gave, or a limit it is checked against: the shortest text that reads
// back as the same double, so that a value just outside a limit never reads as the limit.
std::string exact_text(double v);

// ---- Density of a pressure on a branch -------------------------------------------------------

// The branch of the isotherm whose root is wanted: the liquid root is the largest (also the
// only one above Tc or pc), the vapour root the smallest.
enum class Branch { liquid, vapour };

// A density inside the bracket (lo, hi); hi may be infinite, lo 0.
double inside(double lo, double hi);

// The density of pressure P at T on the branch, in (lo, hi), from the start D: Newton steps (in
// ln p over ln D on the vapour branch, exact for the ideal gas), bisection where a step leaves
// the bracket or the equation refuses a density (beyond close packing). On the vapour branch a
// state where p falls with D lies inside the loop, right of the root; on the liquid branch the
// pressure alone tells the side (a hump of the isotherm far beyond the liquid, where p falls
// again at pressures far above P, lies right of the root).
Point density_root(double T, double P, Branch branch, double lo, double hi, double D);

// The density of pressure P at T on a branch of the isotherm, stable or metastable: below the
// equation's critical temperature the liquid branch runs from the liquid spinodal up, the vapour
// branch from 0 to the vapour spinodal (the spinodals lie on either side of the critical
// density Dc); above it the isotherm is one branch. Fails (no_solution) beyond the spinodal.
Point branch_density(const FluidCore& fc, double T, double P, Branch branch, double D);
// A state asked for on a branch: stable (dp/dD > 0) and, below the equation's critical
// temperature, on that side of the critical density. Fails (no_solution) otherwise.
void check_branch(const FluidCore& fc, const Point& pt, PhaseChoice phase);
// The branch of a stable state: liquid at or above the critical density (below Tc).
bool on_liquid_branch(const FluidCore& fc, const Point& pt);

// ---- Roots of a rising function of temperature -------------------------------------------------

// One sample of the function whose root is sought: its value and slope at x.
struct Sample {
    double f = 0, slope = 0;
};

// The root of f, rising with x, in the range [a, b]: Newton steps, bisection where a step leaves
// the bracket; an end of the range is visited before the root is said to lie beyond it (then
// `beyond` names the end). `sample(x)` evaluates at x.
template <typename Sampler>
double rising_root(double a, double b, double x, Sampler&& sample, const std::string& below_a,
                   const std::string& above_b) {
    double lo = a, hi = b;
    bool lo_seen = false, hi_seen = false;
    bool last = false;
    for (int k = 0; k < kMaxSteps; ++k) {
        x = std::clamp(x, lo, hi);
        const Sample s = sample(x);
        if (last || s.f == 0.0) return x;
        if (s.f < 0.0) {
            lo = x;
            lo_seen = true;
        } else {
            hi = x;
            hi_seen = true;
        }
        // At an end of the range: a root beyond it by less than the settling step is the end.
        const bool at_end = (x == a && s.f > 0.0) || (x == b && s.f < 0.0);
        if (at_end && s.slope > 0.0 &&
            std::fabs(s.f / s.slope) <= kTemperatureSettled * std::fabs(x))
            return x;
        if (x == a && s.f > 0.0) fail(ErrorKind::out_of_range, below_a);
        if (x == b && s.f < 0.0) fail(ErrorKind::out_of_range, above_b);
        double next = s.slope > 0.0 ? x - s.f / s.slope : std::nan("");
        if (!(next > lo && next < hi)) {
            if (next <= lo && !lo_seen) {
                next = lo;
            } else if (next >= hi && !hi_seen) {
                next = hi;
            } else {
                next = 0.5 * (lo + hi);
            }
        } else if (std::fabs(next - x) <= kTemperatureSettled * std::fabs(x)) {
            last = true;
        }
        if (hi - lo <= 1e-15 * std::fabs(hi)) last = true;
        x = next;
    }
    fail(ErrorKind::no_solution, "the temperature search does not settle");
}

// ---- Quantities of a state ---------------------------------------------------------------------

// The quantity a pair gives (not x), and its value at an evaluated state in the core's units
// and the table's reference state (u = h - p v, f = u - T s, g = h - T s, as the jets hold them).
Var var_of(Given g);
double quantity(const Point& pt, Var v);
// The values of p, D, v, h, s and u on the two sides of a saturated pair or of the series' pair
// (which carry no T: not T, g and f).
double quantity_liquid(const ExactPair& e, Var v);
double quantity_vapour(const ExactPair& e, Var v);

// ---- The ideal gas ----------------------------------------------------------------------------

// The temperature at which the ideal gas of pressure P has the value of X = h, s or u (a start
// for the gas, and for the supercritical fluid above its critical value), in [Tlow, Thigh].
double ideal_temperature(const FluidCore& fc, double P, Var var, double value, double Tlow,
                         double Thigh);
// The same at the density D (h and u of the ideal gas do not depend on it).
double ideal_temperature_at_density(const FluidCore& fc, double D, Var var, double value,
                                    double Tlow, double Thigh);
// The density of the ideal gas of entropy s at T.
double ideal_density(const FluidCore& fc, double T, double s);

// ---- Ranges -----------------------------------------------------------------------------------

// A state inside the fluid's temperature range to round-off (a state given at Tmax comes back
// at Tmax to the last digits).
bool in_range(const FluidCore& fc, double T);
// The fraction x of a mixture of overall volume 1/D on the pair, where D lies between the pair's
// densities or beyond one of them by no more than the pair resolves; nothing otherwise.
std::optional<double> fraction_on(const SatPair& pair, double D);

// ---- Roots on the series ----------------------------------------------------------------------

// The root of f in [a, b], where fa = f(a) and fb = f(b) differ in sign: Illinois steps (regula
// falsi with the stale end halved) until the bracket is `width` of b wide (by default 1e-13, for
// functions of the saturation series, which take no evaluation of the equation).
template <typename F>
double illinois(F&& f, double a, double b, double fa, double fb, double width = 1e-13) {
    int side = 0;
    for (int k = 0; k < kMaxSteps && b - a > width * std::fabs(b); ++k) {
        const double x = (a * fb - b * fa) / (fb - fa);
        const double fx = f(x);
        if (fx == 0.0) return x;
        if ((fx < 0.0) == (fa < 0.0)) {
            a = x;
            fa = fx;
            if (side == -1) fb *= 0.5;
            side = -1;
        } else {
            b = x;
            fb = fx;
            if (side == 1) fa *= 0.5;
            side = 1;
        }
    }
    return 0.5 * (a + b);
}

// The same for f rising on [a, b]: the nearer end where the root lies beyond.
template <typename F>
double rising_illinois(F&& f, double a, double b) {
    const double fa = f(a), fb = f(b);
    if (fa >= 0.0) return a;
    if (fb <= 0.0) return b;
    return illinois(f, a, b, fa, fb);
}

// ---- Saturated pairs -------------------------------------------------------------------------

SatPair pair_T(const FluidCore& fc, double T);
SatPair pair_p(const FluidCore& fc, double P);
Found single(const Point& pt);
// The state of vapour fraction x on the pair: the saturated states themselves at 0 and 1.
Found on_pair(const SatPair& pair, double x);
// The mixture of a vapour fraction x that a solver computed from values: x is taken as 0 (or 1)
// where the mixture's volume meets the saturated liquid's (vapour's) to what the pair resolves
// (next to the triple point v'' is so large that x of 1e-15 moves the volume by 1e-8), or where
// x lies within kFractionResolved of it.
Found on_pair_found(const SatPair& pair, double x);
// Vapour fraction of density D (volumes linear in x), clamped to [0, 1].
double fraction_of_density(const SatPair& pair, double D);

}  // namespace xalt1::detail
