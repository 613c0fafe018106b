#include "api/solve_newton.h"

#include "api/solve_support.h"

namespace xalt1::detail {

namespace {

constexpr int kMaxNewton = 16;
constexpr int kMaxHalvings = 8;
// The largest step: ln T by 0.25, ln D by 1.
constexpr double kLongestT = 0.25;
constexpr double kLongestD = 1.0;
// A step below this (relative) is the last: its error is of the order of its square. A step
// below kExact leaves the state as it is.
constexpr double kSettled = 1e-8;
constexpr double kExact = 1e-13;
// The gas starts from the ideal gas where that lies this far above the saturation temperature,
// with its density at most this many critical densities.
constexpr double kFarAboveSaturation = 1.1;
constexpr double kDensestGasStart = 1.5;

}  // namespace

bool newton_TD(Point& pt, Goal a, Goal b, double gas_density) {
    for (int k = 0; k < kMaxNewton; ++k) {
        const Jets j = first_order(pt, {});
        const Jet &A = j[a.var], &B = j[b.var];
        const double ra = A.v - a.value, rb = B.v - b.value;
        const double det = A.T * B.D - A.D * B.T;
        double dT = (-ra * B.D + rb * A.D) / det, dD = (-rb * A.T + ra * B.T) / det;
        if (!std::isfinite(dT) || !std::isfinite(dD)) return false;
        if (std::fabs(dT) <= kExact * pt.T && std::fabs(dD) <= kExact * pt.D) return true;
        const bool last = std::fabs(dT) <= kSettled * pt.T && std::fabs(dD) <= kSettled * pt.D;
        const double scale =
            std::min({1.0, kLongestT * pt.T / std::fabs(dT), kLongestD * pt.D / std::fabs(dD)});
        dT *= scale;
        dD *= scale;
        // A gas-like density moves in ln D, in which the ideal gas's pressure is linear.
        const bool gas_like = pt.D < gas_density;
        Point next;
        bool taken = false;
        for (int h = 0; h < kMaxHalvings && !taken; ++h) {
            const double D = gas_like ? pt.D * std::exp(dD / pt.D) : pt.D + dD;
            taken = evaluate(pt.T + dT, D, next) && next.props.dpdD > 0.0 && next.props.cv > 0.0 &&
                    next.D > 0.0;
            dT *= 0.5;
            dD *= 0.5;
        }
        if (!taken) return false;
        pt = next;
        if (last) return true;
    }
    return false;
}

double series_temperature(const SaturationCurve& curve, Var var, bool liquid, double value,
                          double Ta, double Tb) {
    const auto f = [&](double T) {
        const ExactPair e = curve.saturated(T);
        return (liquid ? quantity_liquid(e, var) : quantity_vapour(e, var)) - value;
    };
    return rising_illinois(f, Ta, Tb);
}

namespace {

// Where the Newton steps start on the isobar, and on which side of the saturation the state
// must lie (`below_Ts`: at or below the saturation temperature Ts; none above pc).
struct Start {
    double T = 0, D = 0;
    bool liquid = true;
    double Ts = 0;  // 0: the isobar has no saturation
};

std::optional<Start> isobar_start(const FluidCore& fc, double P, Var var, double value,
                                  PhaseChoice phase) {
    const SaturationCurve& curve = *fc.curve;
    Start s;
    // The gas from the ideal gas of the same pressure and value.
    const auto gas = [&](double Tlow) {
        s.liquid = false;
        s.T = ideal_temperature(fc, P, var, value, Tlow, fc.Tmax);
        s.D = std::min(1000.0 * P / (GAS_CONSTANT * s.T), kDensestGasStart * curve.Dc());
        return s;
    };
    if (P < curve.p_low()) {
        if (phase == PhaseChoice::liquid) return std::nullopt;
        return gas(fc.Tmin);
    }
    if (P >= curve.p_high()) {
        // Above the critical pressure the liquid-like side starts from the series.
        const ExactPair c = curve.saturated(curve.Tc_equation());
        if (phase == PhaseChoice::vapour || value >= quantity_liquid(c, var))
            return gas(curve.Tc_equation());
        s.T = series_temperature(curve, var, true, value, fc.Tmin, curve.Tc_equation());
        s.D = curve.saturated(s.T).Dl;
        return s;
    }
    s.Ts = curve.temperature_of(P);
    const ExactPair sat = curve.saturated(s.Ts);
    const double ql = quantity_liquid(sat, var), qv = quantity_vapour(sat, var);
    const double margin = kNearSaturation * std::fabs(qv - ql);
    if (phase == PhaseChoice::any) {
        if (value >= ql - margin && value <= qv + margin) return std::nullopt;
        s.liquid = value < ql;
    } else {
        s.liquid = phase == PhaseChoice::liquid;
    }
    s.T = s.Ts;
    s.D = s.liquid ? sat.Dl : sat.Dv;
    if (!s.liquid && value > qv) {
        // Far above the saturation the ideal gas is the nearer start.
        const double Ts = s.Ts;
        Start g = gas(Ts);
        g.Ts = Ts;
        if (g.T > kFarAboveSaturation * Ts) return g;
        s = Start{Ts, sat.Dv, false, Ts};
        return s;
    }
    if (s.liquid && value < ql) {
        s.T = series_temperature(curve, var, true, value, fc.Tmin, s.Ts);
        s.D = curve.saturated(s.T).Dl;
    }
    return s;
}

// The state found lies where the start said: inside the range, on the side of the saturation.
bool where_started(const FluidCore& fc, const Start& s, const Point& pt, PhaseChoice phase) {
    if (!in_range(fc, pt.T)) return false;
    if (phase != PhaseChoice::any)
        return !(pt.T < fc.curve->Tc_equation()) ||
               on_liquid_branch(fc, pt) == (phase == PhaseChoice::liquid);
    if (s.Ts == 0.0) return s.liquid ? pt.T < fc.curve->Tc_equation() || pt.D >= fc.Dc : true;
    return s.liquid ? pt.T <= s.Ts * (1.0 + kOnPair) : pt.T >= s.Ts * (1.0 - kOnPair);
}

}  // namespace

std::optional<Found> isobar_newton(const FluidCore& fc, double P, Var var, double value,
                                   PhaseChoice phase) {
    const std::optional<Start> s = isobar_start(fc, P, var, value, phase);
    if (!s) return std::nullopt;
    Point pt;
    if (!evaluate(s->T, s->D, pt) || !newton_TD(pt, {Var::p, P}, {var, value}, fc.curve->Dc()) ||
        !where_started(fc, *s, pt, phase))
        return std::nullopt;
    return single(pt);
}

}  // namespace xalt1::detail
