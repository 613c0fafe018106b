#include "api/range_check.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "api/engine.h"
#include "eos/constants.h"

namespace xalt1::detail {

namespace {

constexpr double R = GAS_CONSTANT;  // J/(mol K)
constexpr double kNone = std::numeric_limits<double>::infinity();
constexpr double kCvBound = 20.0;  // cv - cv0, in R
constexpr double kCpBound = 40.0;  // cp - cp0, in R
constexpr double kDilute = 1e-9;   // mol/dm3: cv there is cv0 to 1e-9
constexpr double kKeptInPc = 10.0;
constexpr double kKeptPressure = 100.0;  // MPa
constexpr double kMargin = 0.97;
// Isotherms: evenly spaced from Tmin to min(Tmax, 1.5 Tc), then geometrically to Tmax; the
// edge of a raised Tmin is found to 1/64 of the spacing.
constexpr int kLowIsotherms = 40;
constexpr int kHighIsotherms = 8;
constexpr int kRefinements = 6;
// States on the dense side of an isotherm: tangent steps aimed at pressures that grow
// geometrically to pmax; the steps needed beyond them are capped.
constexpr int kPressureSteps = 16;
constexpr int kMaxSteps = 64;
constexpr int kSecantSteps = 8;
constexpr int kHalvings = 10;
constexpr double kReached = 1e-3;  // pmax is reached to this fraction
constexpr double kGasFractions[] = {1.0, 0.3, 0.1, 1e-2, 1e-3};
constexpr double kDiluteStart = 1e-3;  // in pc, the start of a supercritical isotherm

struct Limits {
    double Tc, pc, pmax;
};

bool physical(const Point& pt, double cv0, const Limits& lim) {
    const StateProperties& r = pt.props;
    if (!(r.dpdD > 0.0) || !(r.cv > 0.0) || !(r.cp >= r.cv) || !(r.dpdT > 0.0)) return false;
    const double tr = pt.T / lim.Tc, pr = r.p / lim.pc;
    const bool critical = std::fabs(tr - 1.0) < 0.05 && pr < 2.0;
    const bool near_critical = tr > 0.8 && tr < 1.25 && pr < 3.0;
    if (!critical && !(r.cv - cv0 <= kCvBound * R)) return false;
    if (!near_critical && !(r.cp - cv0 - R <= kCpBound * R)) return false;
    return true;
}

// The next state up the isotherm from `pt`: a tangent step aimed at `target`, at most doubling
// the density, moved back by secant steps where it passes pmax. False where the equation
// refuses it.
bool step_up(const Point& pt, double target, double pmax, Point& next) {
    double step = std::min((target - pt.props.p) / pt.props.dpdD, pt.D);
    for (int k = 0; k < kSecantSteps; ++k) {
        if (!evaluate(pt.T, pt.D + step, next)) return false;
        if (next.props.p <= pmax) return true;
        step *= (pmax - pt.props.p) / (next.props.p - pt.props.p);
    }
    return next.props.p <= pmax * (1.0 + kReached);
}

// The pressure where the states between the good state `good` and the failing `bad` of one
// isotherm start to fail, by halving the density interval.
double first_failure(Point good, Point bad, double cv0, const Limits& lim) {
    for (int k = 0; k < kHalvings; ++k) {
        Point mid;
        if (!evaluate(good.T, 0.5 * (good.D + bad.D), mid)) break;
        (physical(mid, cv0, lim) ? good : bad) = mid;
    }
    return good.props.p;
}

// From `pt` (a good state) up the isotherm to pmax; the pressure of the first state that fails (of
// the last good one where the equation refuses the next or the steps run out), or kNone.
double walk_to_pmax(Point pt, double cv0, const Limits& lim) {
    const double ratio = std::max(std::pow(lim.pmax / pt.props.p, 1.0 / kPressureSteps), 1.01);
    for (int k = 0; k < kMaxSteps; ++k) {
        if (pt.props.p >= lim.pmax * (1.0 - kReached)) return kNone;
        const double target = std::min(pt.props.p * ratio, lim.pmax);
        Point next;
        if (!step_up(pt, target, lim.pmax, next)) return pt.props.p;
        if (!physical(next, cv0, lim)) return first_failure(pt, next, cv0, lim);
        pt = next;
    }
    return pt.props.p;
}

// The lowest pressure at which a state of the isotherm fails, or kNone.
double lowest_failure(const SaturationCurve& curve, double T, const Limits& lim) {
    Point dilute;
    if (!evaluate(T, kDilute, dilute)) return 0.0;
    const double cv0 = dilute.props.cv;
    Point start;
    if (T < curve.Tc() && T >= curve.Tmin()) {
        double ps = 0, Dl = 0, Dv = 0;
        curve.at(T, ps, Dl, Dv);
        for (double fraction : kGasFractions) {
            Point gas;
            if (!evaluate(T, fraction * Dv, gas) || !physical(gas, cv0, lim)) return fraction * ps;
        }
        if (!evaluate(T, Dl, start) || !physical(start, cv0, lim)) return ps;
    } else {
        const double D = kDiluteStart * lim.pc / (R * T / 1000.0);
        if (!evaluate(T, D, start) || !physical(start, cv0, lim)) return kDiluteStart * lim.pc;
    }
    return walk_to_pmax(start, cv0, lim);
}

struct Isotherm {
    double T, failure;
};

std::vector<Isotherm> isotherms(const SaturationCurve& curve, double Tmax, const Limits& lim) {
    const double T0 = curve.Tmin(), T1 = std::min(Tmax, 1.5 * lim.Tc);
    std::vector<double> Ts;
    for (int k = 0; k <= kLowIsotherms; ++k) Ts.push_back(T0 + (T1 - T0) * k / kLowIsotherms);
    for (int k = 1; k <= kHighIsotherms && T1 < Tmax; ++k)
        Ts.push_back(T1 * std::pow(Tmax / T1, double(k) / kHighIsotherms));
    std::vector<Isotherm> out;
    for (double T : Ts) out.push_back({T, lowest_failure(curve, T, lim)});
    return out;
}

double rounded_down(double v) {
    const double unit = std::pow(10.0, std::floor(std::log10(v)) - 2.0);
    return std::floor(v / unit) * unit;
}

// The index of the first isotherm from which on none below Tc fails below `floor`, its edge
// found between the isotherms by halving (rows.size() where none holds).
std::size_t first_holding(const SaturationCurve& curve, std::vector<Isotherm>& rows, double floor,
                          const Limits& lim) {
    const auto fails_low = [&](const Isotherm& r) { return r.T < lim.Tc && r.failure <= floor; };
    const auto last = std::find_if(rows.rbegin(), rows.rend(), fails_low);
    if (last == rows.rend()) return 0;
    const auto first = static_cast<std::size_t>(rows.rend() - last);
    if (first >= rows.size()) return first;
    double bad = rows[first - 1].T;
    Isotherm good = rows[first];
    for (int k = 0; k < kRefinements; ++k) {
        const double T = 0.5 * (bad + good.T);
        const Isotherm mid{T, lowest_failure(curve, T, lim)};
        if (fails_low(mid)) {
            bad = T;
        } else {
            good = mid;
        }
    }
    rows[first - 1] = good;
    return first - 1;
}

}  // namespace

HonouredRange honoured_range(const SaturationCurve& curve, double Tc, double pc, double Tmax,
                             double pmax) {
    const Limits lim{Tc, pc, std::max({pmax, pc, curve.p_high()})};
    const double kept = std::min(lim.pmax, std::max(kKeptInPc * pc, kKeptPressure));
    std::vector<Isotherm> rows = isotherms(curve, Tmax, lim);
    HonouredRange range{curve.Tmin(), Tmax, lim.pmax};
    const std::size_t first = first_holding(curve, rows, kept / kMargin, lim);
    if (first >= rows.size()) {
        range.Tmin = kNone;
        return range;
    }
    if (rows[first].T > curve.Tmin()) range.Tmin = std::ceil(rows[first].T * 100.0) / 100.0;
    double failure = kNone;
    for (std::size_t k = first; k < rows.size(); ++k) failure = std::min(failure, rows[k].failure);
    if (failure < lim.pmax) range.pmax = rounded_down(kMargin * failure);
    return range;
}

}  // namespace xalt1::detail
