#include "api/solve_saturated.h"

#include "api/solve_support.h"

namespace xalt1::detail {

namespace {

constexpr int kExactSteps = 8;
// A temperature step of the exact pairs this small (relative) leaves the pair as it is.
constexpr double kPairSettled = 1e-13;
// Steps that stall at the round-off of the pair this close are taken as settled.
constexpr double kPairStalled = 1e-11;
// The slope of a residual from its values moved this far (K) along their slopes.
constexpr double kSlopeStep = 1e-6;
// The saturation curve is scanned for roots at this many temperatures.
constexpr int kScanPoints = 64;

ExactPair moved(const ExactPair& e, const ExactPair& d, double dT) {
    return {e.ps + d.ps * dT, e.Dl + d.Dl * dT, e.Dv + d.Dv * dT, e.hl + d.hl * dT,
            e.hv + d.hv * dT, e.sl + d.sl * dT, e.sv + d.sv * dT};
}

}  // namespace

ExactPair values_of(const SatPair& pair) {
    return {pair.vap.props.p, pair.liq.D,       pair.vap.D,      pair.liq.props.h,
            pair.vap.props.h, pair.liq.props.s, pair.vap.props.s};
}

ExactPair slopes_of(const SatPair& pair) {
    const SaturationSlopes s = saturation_slopes(pair, {});
    const auto l = [&](Var v) { return s.liquid[static_cast<std::size_t>(v)]; };
    const auto g = [&](Var v) { return s.vapour[static_cast<std::size_t>(v)]; };
    return {s.dps_dT, l(Var::D), g(Var::D), l(Var::h), g(Var::h), l(Var::s), g(Var::s)};
}

std::optional<SatPair> pair_where(const FluidCore& fc, const PairResidual& r, double Ta,
                                  double Tb) {
    const SaturationCurve& curve = *fc.curve;
    const double fa = r(curve.saturated(Ta)), fb = r(curve.saturated(Tb));
    if ((fa < 0.0) == (fb < 0.0) && fa != 0.0 && fb != 0.0) return std::nullopt;
    const auto on_series = [&](double t) { return r(curve.saturated(t)); };
    double T = fa == 0.0 ? Ta : fb == 0.0 ? Tb : illinois(on_series, Ta, Tb, fa, fb);
    // Newton steps on the exact pairs, the slope from the pair's own slopes.
    SatPair pair;
    double step = 0.0;
    for (int k = 0; k < kExactSteps; ++k) {
        pair = pair_T(fc, T);
        const ExactPair e = values_of(pair);
        const double f = r(e);
        const double slope = (r(moved(e, slopes_of(pair), kSlopeStep)) - f) / kSlopeStep;
        step = slope != 0.0 ? -f / slope : 0.0;
        if (!std::isfinite(step) || std::fabs(step) <= kPairSettled * T) return pair;
        T = std::clamp(T + step, curve.Tmin(), std::nextafter(curve.Tc(), 0.0));
    }
    if (std::fabs(step) <= kPairStalled * T) return pair;
    fail(ErrorKind::no_solution, "the saturated state does not settle");
}

std::vector<SatPair> pairs_where(const FluidCore& fc, const PairResidual& r) {
    const SaturationCurve& curve = *fc.curve;
    const double Ta = curve.Tmin(), Tb = std::nextafter(curve.Tc(), 0.0);
    std::vector<SatPair> found;
    double T0 = Ta, f0 = r(curve.saturated(Ta));
    for (int k = 1; k <= kScanPoints; ++k) {
        // Points spaced in t = sqrt(1 - T/Tc), close to the critical point.
        const double t = std::sqrt(1.0 - Ta / curve.Tc()) * (1.0 - double(k) / kScanPoints);
        const double T1 = k == kScanPoints ? Tb : curve.Tc() * (1.0 - t * t);
        const double f1 = r(curve.saturated(T1));
        if (f0 == 0.0 || (f0 < 0.0) != (f1 < 0.0)) {
            if (std::optional<SatPair> pair = pair_where(fc, r, T0, T1)) found.push_back(*pair);
        }
        T0 = T1;
        f0 = f1;
    }
    return found;
}

namespace {

// (X, x) for X = h or s: the pairs whose mixture of vapour fraction x has the value.
Found on_curve(const FluidCore& fc, Var var, double value, double x, PhaseChoice phase) {
    if (phase != PhaseChoice::any)
        fail(ErrorKind::bad_input, "a phase cannot be asked for with x: it is a saturated state");
    const auto r = [&](const ExactPair& e) {
        return quantity_liquid(e, var) + x * (quantity_vapour(e, var) - quantity_liquid(e, var)) -
               value;
    };
    const std::vector<SatPair> pairs = pairs_where(fc, r);
    const std::string name(var == Var::h ? "h" : "s");
    if (pairs.empty())
        fail(ErrorKind::out_of_range,
             "no saturated state between Tmin and Tc has this " + name + " at this x");
    if (pairs.size() > 1)
        fail(ErrorKind::not_a_state, "two states, at T = " + text(pairs[0].liq.T) + " K and " +
                                         text(pairs[1].liq.T) + " K: give T or p with x");
    return on_pair(pairs[0], x);
}

}  // namespace

Found solve_hx(const FluidCore& fc, double h, double x, PhaseChoice phase) {
    return on_curve(fc, Var::h, h, x, phase);
}

Found solve_sx(const FluidCore& fc, double s, double x, PhaseChoice phase) {
    return on_curve(fc, Var::s, s, x, phase);
}

}  // namespace xalt1::detail
