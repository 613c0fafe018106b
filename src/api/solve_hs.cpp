// (h, s): a mixture where the pair's tie line holds both, else Newton steps in (T, D) from the
// series' saturated liquid of the same entropy or from the ideal gas; where those do not settle,
// the isenthalp searched in p, along which s falls ((ds/dp) at constant h = -v/T).
#include <optional>

#include "api/solve_newton.h"
#include "api/solve_saturated.h"
#include "api/solve_support.h"

namespace xalt1::detail {

namespace {

// The lowest pressure of the search along the isenthalp, in pc.
constexpr double kLowestPressure = 1e-7;
// The largest Newton step in ln p.
constexpr double kLongestLogStep = 2.0;

// The mixture whose tie line holds (h, s).
std::optional<Found> tie_line(const FluidCore& fc, double h, double s) {
    const auto fraction = [h](const ExactPair& e) { return (h - e.hl) / (e.hv - e.hl); };
    const auto r = [&](const ExactPair& e) { return e.sl + fraction(e) * (e.sv - e.sl) - s; };
    for (const SatPair& pair : pairs_where(fc, r)) {
        const double x = fraction(values_of(pair));
        if (x >= -kOnPair && x <= 1.0 + kOnPair)
            return on_pair_found(pair, std::clamp(x, 0.0, 1.0));
    }
    return std::nullopt;
}

// Inside the saturation dome (a metastable or unstable state there is not the stable one): by
// the series, and where it lies next to a saturated density by the exact pair.
bool inside_dome(const FluidCore& fc, const Point& pt) {
    if (!(pt.T < fc.curve->Tc()) || pt.T < fc.curve->Tmin()) return false;
    double Dl = 0, Dv = 0;
    fc.curve->densities_at(pt.T, Dl, Dv);
    const bool clear = pt.D > Dl * (1.0 + kNearSaturation) || pt.D < Dv * (1.0 - kNearSaturation);
    if (clear) return false;
    SatPair pair;
    if (pair_at_T(*fc.curve, pt.T, pair)) {
        Dl = pair.liq.D;
        Dv = pair.vap.D;
    }
    // At a saturated density to what the pair resolves: that saturated state, not inside.
    return pt.D < Dl * (1.0 - kOnPair) && pt.D > Dv * (1.0 + kOnPair);
}

// Newton steps from the liquid of the same entropy on the series or from the ideal gas.
std::optional<Point> newton_from(const FluidCore& fc, double h, double s, bool liquid) {
    const SaturationCurve& curve = *fc.curve;
    double T = 0, D = 0;
    if (liquid) {
        T = series_temperature(curve, Var::s, true, s, fc.Tmin, curve.Tc_equation());
        D = curve.saturated(T).Dl;
    } else {
        T = ideal_temperature(fc, 1.0, Var::h, h, fc.Tmin, fc.Tmax);
        D = std::min(ideal_density(fc, T, s), 1.5 * curve.Dc());
    }
    Point pt;
    if (!evaluate(T, D, pt) || !newton_TD(pt, {Var::h, h}, {Var::s, s}, curve.Dc()))
        return std::nullopt;
    return pt;
}

// A single-phase state of (h, s) from one start: outside the dome (or on the branch asked for).
std::optional<Found> newton_hs(const FluidCore& fc, double h, double s, PhaseChoice phase,
                               bool liquid) {
    const SaturationCurve& curve = *fc.curve;
    const std::optional<Point> pt = newton_from(fc, h, s, liquid);
    if (!pt || !in_range(fc, pt->T)) return std::nullopt;
    const bool wrong_branch = phase != PhaseChoice::any && pt->T < curve.Tc_equation() &&
                              on_liquid_branch(fc, *pt) != (phase == PhaseChoice::liquid);
    if (phase == PhaseChoice::any ? inside_dome(fc, *pt) : wrong_branch) return std::nullopt;
    return single(*pt);
}

// The pressure on the isenthalp h where s meets the value: Newton steps in ln p, each a (p, h)
// state, bracketed in [p_low, pmax]; s falls with p.
Found isenthalp(const FluidCore& fc, double h, double s, PhaseChoice phase) {
    const auto sample = [&](double lnp) {
        const Found f = solve_ph(fc, std::exp(lnp), h, phase);
        const Point& pt = f.kind == Found::Kind::mixture ? f.pair.vap : f.point;
        const double v = f.kind == Found::Kind::mixture
                             ? (1.0 - f.x) / f.pair.liq.D + f.x / f.pair.vap.D
                             : 1.0 / pt.D;
        const double sv = f.kind == Found::Kind::mixture
                              ? (1.0 - f.x) * f.pair.liq.props.s + f.x * f.pair.vap.props.s
                              : pt.props.s;
        // -(s - value) rises with ln p at the rate p v / T (in J/(mol K)).
        return Sample{-(sv - s), 1000.0 * std::exp(lnp) * v / pt.T};
    };
    const double a = std::log(kLowestPressure * fc.pc), b = std::log(fc.pmax);
    double lnp = std::log(fc.pc);
    Found found;
    const double root = rising_root(
        a, b, std::clamp(lnp, a, b),
        [&](double x) {
            Sample smp = sample(x);
            if (std::fabs(smp.f / smp.slope) > kLongestLogStep)
                smp.slope = std::fabs(smp.f) / kLongestLogStep;
            return smp;
        },
        "s lies above its value at the lowest pressure on this isenthalp",
        "s lies below its value at pmax on this isenthalp");
    found = solve_ph(fc, std::exp(root), h, phase);
    return found;
}

}  // namespace

// Along an isenthalp s falls with p through the single phase and the dome alike, so (h, s) has
// one state at most: a single-phase state the Newton steps find outside the dome is it. From
// the liquid-like start where s lies below the critical entropy, else the gas-like one; where
// that finds none, the dome, then the other start, then the search along the isenthalp.
Found solve_hs(const FluidCore& fc, double h, double s, PhaseChoice phase) {
    const ExactPair c = fc.curve->saturated(fc.curve->Tc_equation());
    const bool liquid = phase == PhaseChoice::any ? s < c.sl : phase == PhaseChoice::liquid;
    if (std::optional<Found> found = newton_hs(fc, h, s, phase, liquid)) return *found;
    if (phase == PhaseChoice::any)
        if (std::optional<Found> mix = tie_line(fc, h, s)) return *mix;
    if (std::optional<Found> found = newton_hs(fc, h, s, phase, !liquid)) return *found;
    return isenthalp(fc, h, s, phase);
}

}  // namespace xalt1::detail
