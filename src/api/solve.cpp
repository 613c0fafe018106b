#include "api/solve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "api/xalt1.h"
#include "eos/constants.h"

namespace xalt1::detail {

namespace {

constexpr double R = GAS_CONSTANT;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kMaxSteps = 100;
// A density is found when its pressure meets the target to this (relative), or when its Newton
// step has shrunk to the round-off of a stiff liquid.
constexpr double kPressureMet = 1e-13;
constexpr double kDensityClosed = 1e-13;
// A temperature Newton step this small (relative) is taken as the last one: the error after it
// is of the order of its square.
constexpr double kTemperatureSettled = 1e-8;
// Within this (relative) of the series' saturated densities or pressure the phase is decided
// with the exact pair; a pressure within kOnSaturation of ps(T) does not fix a state at T.
constexpr double kNearSaturation = 1e-6;
constexpr double kOnSaturation = 1e-12;
// A density, enthalpy or entropy this close (relative to the pair) beyond a saturated state is
// that saturated state: the pair resolves it no closer.
constexpr double kOnPair = 1e-9;
// A step along an isobar this short (relative) starts its density from the prediction.
constexpr double kShortStep = 0.02;
// A Newton step of the density on the liquid branch moves it by at most this factor, so that
// it cannot jump over the liquid root and a hump of the isotherm beyond it.
constexpr double kLiquidGrowth = 1.25;

[[noreturn]] void fail(ErrorKind kind, const std::string& why) {
    throw Error(kind, why);
}

std::string text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

// ---- Density of a pressure on a branch -------------------------------------------------------

// The branch of the isotherm whose root is wanted: the liquid root is the largest (also the
// only one above Tc or pc), the vapour root the smallest.
enum class Branch { liquid, vapour };

double inside(double lo, double hi) {
    if (!std::isfinite(hi)) return 2.0 * lo;
    if (lo <= 0.0) return 0.1 * hi;
    return hi > 4.0 * lo ? std::sqrt(lo * hi) : 0.5 * (lo + hi);
}

// The density of pressure P at T on the branch, in (lo, hi), from the start D: Newton steps (in
// ln p over ln D on the vapour branch, exact for the ideal gas), bisection where a step leaves
// the bracket or the equation refuses a density (beyond close packing). On the vapour branch a
// state where p falls with D lies inside the loop, right of the root; on the liquid branch the
// pressure alone tells the side (a hump of the isotherm far beyond the liquid, where p falls
// again at pressures far above P, lies right of the root).
Point density_root(double T, double P, Branch branch, double lo, double hi, double D) {
    Point pt;
    for (int k = 0; k < kMaxSteps; ++k) {
        if (!(D > lo && D < hi)) D = inside(lo, hi);
        if (!evaluate(T, D, pt)) {
            hi = D;
            D = inside(lo, hi);
            continue;
        }
        const double p = pt.props.p, slope = pt.props.dpdD;
        if (std::fabs(p - P) <= kPressureMet * P) return pt;
        const bool stable = slope > 0.0;
        const bool left = branch == Branch::liquid ? p < P : stable && p < P;
        (left ? lo : hi) = D;
        double next = std::nan("");
        if (stable && branch == Branch::vapour && p > 0.0)
            next = D * std::exp(-std::log(p / P) * p / (D * slope));
        else if (stable)
            next = std::min(D - (p - P) / slope, kLiquidGrowth * D);
        const bool closed = std::isfinite(hi) && hi - lo <= kDensityClosed * hi;
        if (std::fabs(next - D) <= kDensityClosed * D || closed) return pt;
        D = next;
    }
    fail(ErrorKind::no_solution, "no density of pressure " + text(P) + " MPa at " + text(T) + " K");
}

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
        if (at_end && s.slope > 0.0 && std::fabs(s.f / s.slope) <= kTemperatureSettled * x)
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
        } else if (std::fabs(next - x) <= kTemperatureSettled * x) {
            last = true;
        }
        if (hi - lo <= 1e-15 * hi) last = true;
        x = next;
    }
    fail(ErrorKind::no_solution, "the temperature search does not settle");
}

// ---- Saturation ------------------------------------------------------------------------------

SatPair pair_T(const FluidCore& fc, double T) {
    SatPair pair;
    if (!pair_at_T(*fc.curve, T, pair))
        fail(ErrorKind::no_solution, "no saturated pair at " + text(T) + " K");
    return pair;
}

SatPair pair_p(const FluidCore& fc, double P) {
    SatPair pair;
    if (!pair_at_p(*fc.curve, P, pair))
        fail(ErrorKind::no_solution, "no saturated pair at " + text(P) + " MPa");
    return pair;
}

Found single(const Point& pt) {
    Found f;
    f.point = pt;
    return f;
}

// The state of vapour fraction x on the pair: the saturated states themselves at 0 and 1.
Found on_pair(const SatPair& pair, double x) {
    Found f;
    f.pair = pair;
    f.x = x;
    if (x == 0.0) {
        f.kind = Found::Kind::saturated_liquid;
        f.point = pair.liq;
    } else if (x == 1.0) {
        f.kind = Found::Kind::saturated_vapour;
        f.point = pair.vap;
    } else {
        f.kind = Found::Kind::mixture;
    }
    return f;
}

// Vapour fraction of density D (volumes linear in x), clamped to [0, 1].
double fraction_of_density(const SatPair& pair, double D) {
    const double x = (1.0 / D - 1.0 / pair.liq.D) / (1.0 / pair.vap.D - 1.0 / pair.liq.D);
    return std::clamp(x, 0.0, 1.0);
}

// ---- Temperature on an isobar ------------------------------------------------------------------

// The isobar P on one branch: the density follows the temperature from the last state found
// (its change predicted by (dD/dT)_p = -(dp/dT)/(dp/dD)) in the density bracket [lo, hi] that
// holds the branch's root at every temperature of the search. A liquid below Tc more than a
// short step away starts from its saturated liquid density instead, just below the root (the
// prediction over a long step can land beyond a hump of a cold isotherm).
struct Isobar {
    const SaturationCurve* curve = nullptr;
    double P = 0;
    Branch branch = Branch::liquid;
    double lo = 0, hi = kInfinity;
    Point last;

    const Point& at(double T) {
        double D = last.D, low = lo;
        const bool short_step = std::fabs(T - last.T) <= kShortStep * last.T;
        if (last.D > 0.0 && last.props.dpdD > 0.0)
            D -= last.props.dpdT / last.props.dpdD * (T - last.T);
        if (branch == Branch::liquid && T < curve->Tc()) {
            double ps = 0, Dl = 0, Dv = 0;
            curve->at(T, ps, Dl, Dv);
            if (P > ps * (1.0 + kNearSaturation)) low = std::max(low, Dl);
            if (!short_step || !(D > low)) D = low * (1.0 + kNearSaturation);
        }
        if (!(D > low && D < hi)) D = last.D > low && last.D < hi ? last.D : inside(low, hi);
        last = density_root(T, P, branch, low, hi, D);
        return last;
    }
};

enum class Target { h, s };

// The temperature in [Ta, Tb] where h (or s) on the isobar meets `value`; both rise with T
// ((dh/dT)_p = cp, (ds/dT)_p = cp/T).
Point isobar_root(Isobar& isobar, Target target, double value, double Ta, double Tb, double T) {
    const char* name = target == Target::h ? "h" : "s";
    const auto sample = [&](double t) {
        const Point& pt = isobar.at(t);
        const double q = target == Target::h ? pt.props.h : pt.props.s;
        const double slope = target == Target::h ? pt.props.cp : pt.props.cp / t;
        return Sample{q - value, slope};
    };
    rising_root(Ta, Tb, T, sample,
                std::string(name) + " lies below its value at " + text(Ta) + " K",
                std::string(name) + " lies above its value at " + text(Tb) + " K");
    return isobar.last;
}

// The isobar's single-phase part (below or above the pair, or the whole isobar where there is
// none), searched from a start state on it.
Found isobar_state(Isobar isobar, Target target, double value, double Ta, double Tb,
                   const Point& start) {
    isobar.last = start;
    const double q = target == Target::h ? start.props.h : start.props.s;
    const double slope = target == Target::h ? start.props.cp : start.props.cp / start.T;
    const double T = slope > 0.0 ? start.T - (q - value) / slope : start.T;
    return single(isobar_root(isobar, target, value, Ta, Tb, T));
}

Found flash(const FluidCore& fc, double P, Target target, double value) {
    const auto of = [&](const Point& pt) { return target == Target::h ? pt.props.h : pt.props.s; };
    Isobar isobar;
    isobar.curve = fc.curve;
    isobar.P = P;
    const SaturationCurve& curve = *fc.curve;
    if (P >= curve.p_low() && P < curve.p_high()) {
        const SatPair pair = pair_p(fc, P);
        const double ql = of(pair.liq), qv = of(pair.vap);
        const double edge = kOnPair * (qv - ql);
        if (value >= ql - edge && value <= qv + edge)
            return on_pair(pair, std::clamp((value - ql) / (qv - ql), 0.0, 1.0));
        const double Ts = pair.liq.T;
        if (value < ql) {
            isobar.branch = Branch::liquid;
            isobar.lo = pair.liq.D;
            return isobar_state(isobar, target, value, fc.Tmin, Ts, pair.liq);
        }
        isobar.branch = Branch::vapour;
        isobar.hi = pair.vap.D;
        return isobar_state(isobar, target, value, Ts, fc.Tmax, pair.vap);
    }
    // No pair on the isobar: below the pressure at Tmin all vapour (its densities below the
    // saturated vapour's at Tmin), from the critical pressure on one branch.
    double T0 = std::clamp(fc.Tc, fc.Tmin, fc.Tmax);
    if (P < curve.p_low()) {
        double ps = 0, Dl = 0, Dv = 0;
        curve.at(fc.Tmin, ps, Dl, Dv);
        isobar.branch = Branch::vapour;
        isobar.hi = Dv;
        T0 = fc.Tmin;
    }
    const double D_ideal = 1000.0 * P / (R * T0);
    const Point start =
        density_root(T0, P, isobar.branch, isobar.lo, isobar.hi,
                     std::min(D_ideal, isobar.branch == Branch::vapour ? 0.5 * isobar.hi : fc.Dc));
    return isobar_state(isobar, target, value, fc.Tmin, fc.Tmax, start);
}

}  // namespace

// ---- The input pairs -------------------------------------------------------------------------

Found solve_TD(const FluidCore& fc, double T, double D) {
    if (T < fc.Tc) {
        double Dl = 0, Dv = 0;
        fc.curve->densities_at(T, Dl, Dv);
        const bool clear = fc.curve->regular(T) &&
                           (D > Dl * (1.0 + kNearSaturation) || D < Dv * (1.0 - kNearSaturation));
        if (!clear) {
            const SatPair pair = pair_T(fc, T);
            if (D >= pair.vap.D * (1.0 - kOnPair) && D <= pair.liq.D * (1.0 + kOnPair))
                return on_pair(pair, fraction_of_density(pair, D));
        }
    }
    Found found;
    if (!evaluate(T, D, found.point))
        fail(ErrorKind::out_of_range,
             "the equation does not give a state there (beyond close "
             "packing, or not finite)");
    return found;
}

Found solve_Tp(const FluidCore& fc, double T, double P) {
    if (T >= fc.Tc) {
        const double D_ideal = 1000.0 * P / (R * T);
        return single(density_root(T, P, Branch::liquid, 0.0, kInfinity, std::min(D_ideal, fc.Dc)));
    }
    double ps = 0, Dl = 0, Dv = 0;
    fc.curve->at(T, ps, Dl, Dv);
    if (std::fabs(P / ps - 1.0) <= kNearSaturation || !fc.curve->regular(T)) {
        const SatPair pair = pair_T(fc, T);
        ps = pair.vap.props.p;
        Dl = pair.liq.D;
        Dv = pair.vap.D;
        if (std::fabs(P / ps - 1.0) <= kOnSaturation)
            fail(ErrorKind::not_a_state, "p is the saturation pressure at T (" + text(ps) +
                                             " MPa): give the vapour fraction x instead");
    }
    if (P < ps) {
        const double D_ideal = 1000.0 * P / (R * T);
        return single(density_root(T, P, Branch::vapour, 0.0, Dv, std::min(D_ideal, 0.9 * Dv)));
    }
    return single(density_root(T, P, Branch::liquid, Dl, kInfinity, Dl * (1.0 + 1e-6)));
}

Found solve_pD(const FluidCore& fc, double P, double D) {
    const SaturationCurve& curve = *fc.curve;
    double Ta = fc.Tmin, Tb = fc.Tmax;
    double T = std::clamp(1000.0 * P / (R * D), Ta, Tb);
    if (P >= curve.p_low() && P < curve.p_high()) {
        const SatPair pair = pair_p(fc, P);
        if (D >= pair.vap.D * (1.0 - kOnPair) && D <= pair.liq.D * (1.0 + kOnPair))
            return on_pair(pair, fraction_of_density(pair, D));
        const double Ts = pair.liq.T;
        (D > pair.liq.D ? Tb : Ta) = Ts;
        T = Ts;
    }
    Point pt;
    const auto sample = [&](double t) {
        if (!evaluate(t, D, pt))
            fail(ErrorKind::out_of_range,
                 "the equation does not give a state at " + text(t) + " K and this density");
        return Sample{pt.props.p - P, pt.props.dpdT};
    };
    const double found = rising_root(Ta, Tb, T, sample,
                                     "p at this density lies above P already at " + text(Ta) + " K",
                                     "p at this density stays below P up to " + text(Tb) + " K");
    // Below Tc a density between the saturated ones is no single-phase state.
    if (found < fc.Tc) {
        double ps = 0, Dl = 0, Dv = 0;
        curve.at(found, ps, Dl, Dv);
        SatPair pair;
        if (!curve.regular(found) && pair_at_T(curve, found, pair)) {
            Dl = pair.liq.D;
            Dv = pair.vap.D;
        }
        if (D < Dl * (1.0 - kNearSaturation) && D > Dv * (1.0 + kNearSaturation))
            fail(ErrorKind::no_solution, "the temperature found (" + text(found) +
                                             " K) puts the density inside the saturation dome");
    }
    return single(pt);
}

Found solve_ph(const FluidCore& fc, double P, double h) {
    return flash(fc, P, Target::h, h);
}

Found solve_ps(const FluidCore& fc, double P, double s) {
    return flash(fc, P, Target::s, s);
}

SatPair saturation_T(const FluidCore& fc, double T) {
    if (T >= fc.Tc) fail(ErrorKind::out_of_range, "no saturation at or above Tc");
    return pair_T(fc, T);
}

SatPair saturation_p(const FluidCore& fc, double P) {
    if (P < fc.curve->p_low())
        fail(ErrorKind::out_of_range,
             "below the saturation pressure at Tmin (" + text(fc.curve->p_low()) + " MPa)");
    if (P >= fc.curve->p_high())
        fail(ErrorKind::out_of_range, "no saturation at or above the critical pressure (" +
                                          text(fc.curve->p_high()) + " MPa)");
    return pair_p(fc, P);
}

Found solve_Tx(const FluidCore& fc, double T, double x) {
    return on_pair(saturation_T(fc, T), x);
}

Found solve_px(const FluidCore& fc, double P, double x) {
    return on_pair(saturation_p(fc, P), x);
}

}  // namespace xalt1::detail
