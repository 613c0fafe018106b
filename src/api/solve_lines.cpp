// The pairs with T, solved along the isotherm in D, and the pairs with D, solved along the
// isochore in T; inside the dome the mixture of the pair that meets the value.
#include <optional>
#include <vector>

#include "api/solve_newton.h"
#include "api/solve_saturated.h"
#include "api/solve_support.h"
#include "eos/constants.h"

namespace xalt1::detail {

namespace {

// The low-density end of an isotherm, in Dc: the ideal gas to round-off.
constexpr double kThinnest = 1e-12;
// A Newton step in ln D this small is the last.
constexpr double kLogSettled = 1e-9;
constexpr int kMinimumSteps = 60;

std::string name_of(Var var) {
    return var == Var::h ? "h" : var == Var::s ? "s" : "u";
}

// ---- Along an isotherm -------------------------------------------------------------------------

// X and its slope in ln D at T along the isotherm.
struct OnIsotherm {
    double f = 0, slope = 0;
};

OnIsotherm on_isotherm(const Point& pt, Var var, double value) {
    const Jet q = first_order(pt, {})[var];
    return {q.v - value, q.D * pt.D};
}

// The density in (lo, hi) at T where X = value, X monotonic there (rising or falling with D):
// Newton steps in ln D, bisection where a step leaves the bracket or the equation refuses the
// density. Nothing where the bracket closes without a root.
std::optional<Point> isotherm_root(double T, Var var, double value, double lo, double hi, double D,
                                   bool rising, double gas_density = 0.0) {
    Point pt;
    for (int k = 0; k < kMaxSteps; ++k) {
        if (!(D > lo && D < hi)) D = inside(lo, hi);
        if (!evaluate(T, D, pt)) {
            hi = D;
            continue;
        }
        const OnIsotherm s = on_isotherm(pt, var, value);
        if (s.f == 0.0) return pt;
        ((s.f < 0.0) == rising ? lo : hi) = D;
        const double step = -s.f / s.slope;
        const bool monotonic = (s.slope > 0.0) == rising && s.slope != 0.0;
        // A gas's X is near linear in D (its virial expansion), a liquid's in ln D.
        const double next = D < gas_density && step > -0.5
                                ? D * (1.0 + step)
                                : D * std::exp(std::clamp(step, -2.0, 2.0));
        if (monotonic && std::fabs(step) <= kLogSettled) {
            // The last step: its error is of the order of its square.
            Point last;
            const bool inside_bracket = next >= lo && next <= hi;
            return inside_bracket && evaluate(T, next, last) ? last : pt;
        }
        if (std::isfinite(hi) && hi - lo <= kDensityClosed * hi) return std::nullopt;
        D = monotonic ? next : inside(lo, hi);
    }
    return std::nullopt;
}

// The density in [a, b] where X is least along the isotherm (X falling at a, rising at b):
// Newton steps in ln D on its slope, whose own slope the second-order jets give, from the dense
// end; bisection in ln D where a step leaves the bracket.
Point isotherm_minimum(double T, Var var, const Point& a, const Point& b) {
    double la = std::log(a.D), lb = std::log(b.D), l = lb;
    Point pt = b;
    for (int k = 0; k < kMinimumSteps && lb - la > 1e-12; ++k) {
        Jets j;
        if (!second_order(pt, {}, j)) fail(ErrorKind::no_solution, "the isotherm breaks off");
        const Jet q = j[var];
        const double slope = q.D * pt.D, curvature = pt.D * (q.DD * pt.D + q.D);
        (slope < 0.0 ? la : lb) = l;
        double next = curvature > 0.0 ? l - slope / curvature : 0.5 * (la + lb);
        if (!(next > la && next < lb)) next = 0.5 * (la + lb);
        if (std::fabs(next - l) <= 1e-12) break;
        l = next;
        if (!evaluate(T, std::exp(l), pt)) fail(ErrorKind::no_solution, "the isotherm breaks off");
    }
    return pt;
}

// A state between a and b where X rises along the isotherm, from a few spaced in ln D.
std::optional<Point> rising_state(double T, Var var, const Point& a, const Point& b) {
    constexpr int kProbes = 8;
    Point pt;
    for (int k = 1; k < kProbes; ++k) {
        const double D = a.D * std::pow(b.D / a.D, static_cast<double>(k) / kProbes);
        if (evaluate(T, D, pt) && on_isotherm(pt, var, 0.0).slope > 0.0) return pt;
    }
    return std::nullopt;
}

// The density in [a, b] where X is greatest (rising at a, falling at b): bisection in ln D on
// the sign of its slope.
Point isotherm_maximum(double T, Var var, const Point& a, const Point& b) {
    double la = std::log(a.D), lb = std::log(b.D);
    Point pt = a, best = a;
    for (int k = 0; k < kMinimumSteps && lb - la > 1e-12; ++k) {
        const double l = 0.5 * (la + lb);
        if (!evaluate(T, std::exp(l), pt)) fail(ErrorKind::no_solution, "the isotherm breaks off");
        if (on_isotherm(pt, var, 0.0).slope > 0.0) {
            la = l;
            best = pt;
        } else {
            lb = l;
        }
    }
    return best;
}

// A part of an isotherm between two evaluated states, on which X falls, rises, or falls to a
// minimum and rises again: its roots, the less dense first.
std::vector<Point> part_roots(double T, Var var, double value, const Point& a, const Point& b,
                              double gas) {
    std::vector<Point> roots;
    const auto add = [&](const Point& lo, const Point& hi, bool rising) {
        const double fl = quantity(lo, var) - value, fh = quantity(hi, var) - value;
        if ((fl > 0.0 && fh > 0.0) || (fl < 0.0 && fh < 0.0)) return;
        if (fl == 0.0) return roots.push_back(lo);
        if (fh == 0.0) return roots.push_back(hi);
        // From next to the denser end where the other is next to the ideal gas: in ln D the
        // gas's X is flat at low densities and Newton steps from there crawl.
        const double start = lo.D < 1e-6 * hi.D ? 0.5 * hi.D : std::sqrt(lo.D * hi.D);
        if (std::optional<Point> r = isotherm_root(T, var, value, lo.D, hi.D, start, rising, gas))
            roots.push_back(*r);
    };
    const double sa = on_isotherm(a, var, 0.0).slope, sb = on_isotherm(b, var, 0.0).slope;
    if (sa >= 0.0) {
        add(a, b, true);
        return roots;
    }
    // Falling at the start: the minimum, bracketed by a state where X rises again; where X
    // falls again towards the end (the equation's hump beyond the liquid), up to its maximum.
    Point c = b;
    if (!(sb > 0.0)) {
        const std::optional<Point> rising = rising_state(T, var, a, b);
        if (!rising) {
            add(a, b, false);
            return roots;
        }
        c = *rising;
    }
    const Point m = isotherm_minimum(T, var, a, c);
    add(a, m, false);
    add(m, sb > 0.0 ? b : isotherm_maximum(T, var, c, b), true);
    return roots;
}

// The spinodal of a branch below the equation's critical temperature: where dp/dD falls to 0
// between the saturated state of the branch and the critical density (Newton on dp/dD, whose
// slope d2p/dD2 the evaluation gives, kept in the bracket by bisection).
Point spinodal(const FluidCore& fc, double T, Branch branch) {
    double Dl = 0, Dv = 0;
    fc.curve->densities_at(T, Dl, Dv);
    const bool liquid = branch == Branch::liquid;
    double stable = liquid ? Dl : Dv, unstable = fc.curve->Dc();
    double D = stable;
    Point pt, last;
    if (!evaluate(T, stable, last)) fail(ErrorKind::no_solution, "the isotherm breaks off");
    for (int k = 0; k < kMinimumSteps; ++k) {
        // At the spinodal itself cp is not finite and the evaluation refuses the state.
        if (!evaluate(T, D, pt)) break;
        if (pt.props.dpdD > 0.0) {
            stable = D;
            last = pt;
        } else {
            unstable = D;
        }
        if (std::fabs(stable - unstable) <= 1e-12 * D) break;
        const double next = D - pt.props.dpdD / pt.props.d2pdD2;
        const bool inside_bracket = (next - stable) * (next - unstable) < 0.0;
        D = inside_bracket ? next : 0.5 * (stable + unstable);
    }
    return last;
}

// The densest state of the liquid branch in the range: the liquid at pmax, or where the
// isotherm turns over before that pressure (a hump of the equation far beyond the liquid, above
// which its states are not physical): Newton steps from just above the start, kept below any
// state where dp/dD is not positive.
Point densest(const FluidCore& fc, double T, double D_low, double D_start) {
    const double P = fc.pmax * (1.0 + kOnPair);  // pmax to round-off: a state there lies inside
    double lo = D_low, hi = kInfinity, D = D_start;
    Point pt, last;
    bool have_last = false;
    for (int k = 0; k < kMaxSteps; ++k) {
        if (!(D > lo && D < hi)) D = inside(lo, hi);
        if (!evaluate(T, D, pt) || !(pt.props.dpdD > 0.0)) {
            hi = D;
        } else {
            if (std::fabs(pt.props.p - P) <= kPressureMet * P) return pt;
            (pt.props.p < P ? lo : hi) = D;
            if (pt.props.p < P) {
                last = pt;
                have_last = true;
            }
            const double next = std::min(D - (pt.props.p - P) / pt.props.dpdD, kLiquidGrowth * D);
            if (std::fabs(next - D) <= kDensityClosed * D) return pt;
            D = next;
            continue;
        }
        if (std::isfinite(hi) && hi - lo <= kDensityClosed * hi) break;
        D = inside(lo, hi);
    }
    if (!have_last) fail(ErrorKind::no_solution, "no stable liquid on the isotherm");
    return last;
}

// A state at the low-density end of an isotherm, next to the ideal gas.
Point thinnest(double T, double D) {
    Point pt;
    if (!evaluate(T, D, pt)) fail(ErrorKind::no_solution, "the isotherm breaks off");
    return pt;
}

std::string two_states(const std::vector<Point>& roots) {
    return "two states, at D = " + text(roots.front().D) + " and " + text(roots.back().D) +
           " mol/dm3: give phase= (\"liquid\" the denser, \"vapour\" the less dense)";
}

Found pick(const std::vector<Point>& roots, PhaseChoice phase, const std::string& none) {
    if (roots.empty()) fail(ErrorKind::out_of_range, none);
    if (roots.size() > 1 && phase == PhaseChoice::any)
        fail(ErrorKind::not_a_state, two_states(roots));
    return single(phase == PhaseChoice::liquid ? roots.back() : roots.front());
}

// (T, s): s falls with D along the whole isotherm, so one bracketed search on the branch the
// value lies on.
Found isentrope_on_isotherm(const FluidCore& fc, double T, double value, PhaseChoice phase) {
    const SaturationCurve& curve = *fc.curve;
    const double low = kThinnest * fc.Dc;
    const std::string none =
        "s = " + text(value) + " is not met on the isotherm within the fluid's range";
    const double ideal = std::clamp(ideal_density(fc, T, value), low * 2.0, fc.Dc);
    double lo = low, hi = kInfinity, start = ideal;
    if (T < curve.Tc()) {
        double ps = 0, Dl = 0, Dv = 0;
        curve.at(T, ps, Dl, Dv);
        if (phase == PhaseChoice::any) {
            const ExactPair e = curve.saturated(T);
            const double margin = kNearSaturation * (e.sv - e.sl);
            const bool clear = value > e.sv + margin || value < e.sl - margin;
            const SatPair pair = clear ? SatPair{} : pair_T(fc, T);
            const double sl = clear ? e.sl : pair.liq.props.s, sv = clear ? e.sv : pair.vap.props.s;
            if (!clear) {
                Dl = pair.liq.D;
                Dv = pair.vap.D;
            }
            if (value >= sl && value <= sv)
                return on_pair_found(pair, std::clamp((value - sl) / (sv - sl), 0.0, 1.0));
            const bool liquid = value < sl;
            (liquid ? lo : hi) = liquid ? Dl : Dv;
            start = liquid ? Dl * (1.0 + kNearSaturation) : std::min(ideal, 0.9 * Dv);
            // Beyond a saturated state by less than the search resolves: that state.
            const std::optional<Point> root = isotherm_root(T, Var::s, value, lo, hi, start, false);
            const double edge = kOnPair * (sv - sl);
            if (!root && !clear && value >= sl - edge && value <= sv + edge)
                return on_pair(pair, liquid ? 0.0 : 1.0);
            if (!root) fail(ErrorKind::out_of_range, none);
            return single(*root);
        } else {
            const bool liquid = phase == PhaseChoice::liquid;
            const Point end = spinodal(fc, T, liquid ? Branch::liquid : Branch::vapour);
            (liquid ? lo : hi) = end.D;
            start = liquid ? Dl : std::min(ideal, Dv);
        }
    }
    const std::optional<Point> root = isotherm_root(T, Var::s, value, lo, hi, start, false);
    if (!root) fail(ErrorKind::out_of_range, none);
    return single(*root);
}

// (T, X) for X = h or s. Below Tc the isotherm is a vapour branch, the mixtures of the pair and
// a liquid branch up to pmax; at and above Tc one branch. X falls along the vapour branch and
// may fall to a minimum and rise again along the liquid one (h does, s only falls).
Found isotherm(const FluidCore& fc, double T, Var var, double value, PhaseChoice phase) {
    if (var == Var::s) return isentrope_on_isotherm(fc, T, value, phase);
    const SaturationCurve& curve = *fc.curve;
    const std::string none =
        name_of(var) + " = " + text(value) + " is not met on the isotherm within the fluid's range";
    const double low = kThinnest * fc.Dc;
    if (!(T < curve.Tc())) {
        const Point a = thinnest(T, low);
        const double ideal = std::min(1000.0 * fc.pmax / (GAS_CONSTANT * T), fc.Dc);
        return pick(part_roots(T, var, value, a, densest(fc, T, low, ideal), fc.curve->Dc()), phase,
                    none);
    }
    std::vector<Point> roots;
    if (phase == PhaseChoice::any) {
        const SatPair pair = pair_T(fc, T);
        const double ql = quantity(pair.liq, var), qv = quantity(pair.vap, var);
        const double edge = kOnPair * std::fabs(qv - ql);
        // The vapour branch falls from the ideal gas to h'': nothing below h''. Along the liquid
        // branch (dh/dp) = v (1 - T alpha) stays below v': nothing above h' + 2 v' (pmax - ps).
        if (value >= qv - edge)
            roots = part_roots(T, var, value, thinnest(T, low), pair.vap, fc.curve->Dc());
        const double liquid_top = ql + 2000.0 * (fc.pmax - pair.vap.props.p) / pair.liq.D;
        std::vector<Point> liquid;
        if (value <= liquid_top)
            liquid = part_roots(T, var, value, pair.liq,
                                densest(fc, T, pair.liq.D, pair.liq.D * (1.0 + kNearSaturation)),
                                fc.curve->Dc());
        const bool mixed = value >= std::min(ql, qv) - edge && value <= std::max(ql, qv) + edge;
        const double x = std::clamp((value - ql) / (qv - ql), 0.0, 1.0);
        const double D_mixture = 1.0 / ((1.0 - x) / pair.liq.D + x / pair.vap.D);
        // A single-phase root at the mixture's density is the mixture itself.
        const auto same = [&](const Point& p) {
            return mixed && std::fabs(p.D / D_mixture - 1.0) <= kOnPair;
        };
        std::erase_if(roots, same);
        std::erase_if(liquid, same);
        const std::size_t single_count = roots.size() + liquid.size();
        if (mixed && single_count > 0)
            fail(ErrorKind::not_a_state,
                 "two states, a mixture and a single phase: give phase= (\"liquid\" or "
                 "\"vapour\") for the single phase");
        if (mixed) return on_pair_found(pair, x);
        roots.insert(roots.end(), liquid.begin(), liquid.end());
        return pick(roots, phase, none);
    }
    // Asked for a phase: the single-phase states of both branches up to their spinodals, the
    // densest for liquid, the least dense for vapour.
    roots = part_roots(T, var, value, thinnest(T, low), spinodal(fc, T, Branch::vapour),
                       fc.curve->Dc());
    const Point start = spinodal(fc, T, Branch::liquid);
    const std::vector<Point> liquid =
        part_roots(T, var, value, start, densest(fc, T, start.D, start.D * (1.0 + kNearSaturation)),
                   fc.curve->Dc());
    roots.insert(roots.end(), liquid.begin(), liquid.end());
    return pick(roots, phase, none);
}

// ---- Along an isochore -------------------------------------------------------------------------

// The temperature at which the series' saturated density of the side equals D (D' falls with T,
// D'' rises).
double saturation_temperature_of_density(const SaturationCurve& curve, double D, bool liquid) {
    const auto f = [&](double T) {
        double Dl = 0, Dv = 0;
        curve.densities_at(T, Dl, Dv);
        return liquid ? D - Dl : Dv - D;  // rises with T
    };
    return rising_illinois(f, curve.Tmin(), std::nextafter(curve.Tc(), 0.0));
}

// The mixture at overall density D whose X meets the value: on the pair between Tmin and Ts.
std::optional<Found> isochore_mixture(const FluidCore& fc, double D, Var var, double value,
                                      double Ts) {
    const auto fraction = [D](const ExactPair& e) {
        return (1.0 / D - 1.0 / e.Dl) / (1.0 / e.Dv - 1.0 / e.Dl);
    };
    const auto r = [&](const ExactPair& e) {
        const double ql = quantity_liquid(e, var);
        return ql + fraction(e) * (quantity_vapour(e, var) - ql) - value;
    };
    const std::optional<SatPair> pair = pair_where(fc, r, fc.curve->Tmin(), Ts);
    if (!pair) return std::nullopt;
    const std::optional<double> x = fraction_on(*pair, D);
    if (!x) return std::nullopt;
    return on_pair(*pair, *x);
}

// The start of the search along the isochore: the ideal gas's temperature for a gas-like
// density, else the lowest temperature of the single phase.
double isochore_start(const FluidCore& fc, double D, Var var, double value, double Ta) {
    if (D >= fc.curve->Dc()) return Ta;
    return ideal_temperature_at_density(fc, D, var, value, Ta, fc.Tmax);
}

Found isochore(const FluidCore& fc, double D, Var var, double value, PhaseChoice phase) {
    const SaturationCurve& curve = *fc.curve;
    double Ta = fc.Tmin;
    if (phase == PhaseChoice::any) {
        double Dl = 0, Dv = 0;
        curve.densities_at(curve.Tmin(), Dl, Dv);
        const bool liquid = D >= curve.Dc();
        const bool crosses = liquid ? D < Dl : D > Dv;
        if (crosses) {
            const double Ts = saturation_temperature_of_density(curve, D, liquid);
            const ExactPair e = curve.saturated(Ts);
            const double q = liquid ? quantity_liquid(e, var) : quantity_vapour(e, var);
            const double margin =
                kNearSaturation * std::fabs(quantity_vapour(e, var) - quantity_liquid(e, var));
            if (value <= q + margin) {
                const double Tb =
                    std::min(Ts * (1.0 + kNearSaturation), std::nextafter(curve.Tc(), 0.0));
                if (std::optional<Found> mix = isochore_mixture(fc, D, var, value, Tb)) return *mix;
                if (value < q - margin)
                    fail(ErrorKind::out_of_range, name_of(var) + " lies below its value at " +
                                                      text(curve.Tmin()) + " K on this isochore");
            }
            Ta = std::max(Ta, Ts);
        }
    }
    Point pt;
    const auto sample = [&](double T) {
        if (!evaluate(T, D, pt))
            fail(ErrorKind::out_of_range,
                 "the equation does not give a state at " + text(T) + " K and this density");
        const Jet q = first_order(pt, {})[var];
        return Sample{q.v - value, q.T};
    };
    const std::string name = name_of(var);
    rising_root(Ta, fc.Tmax, isochore_start(fc, D, var, value, Ta), sample,
                name + " lies below its value at " + text(Ta) + " K",
                name + " lies above its value at " + text(fc.Tmax) + " K");
    if (phase != PhaseChoice::any) check_branch(fc, pt, phase);
    return single(pt);
}

}  // namespace

Found solve_Th(const FluidCore& fc, double T, double h, PhaseChoice phase) {
    return isotherm(fc, T, Var::h, h, phase);
}

Found solve_Ts(const FluidCore& fc, double T, double s, PhaseChoice phase) {
    return isotherm(fc, T, Var::s, s, phase);
}

Found solve_Dh(const FluidCore& fc, double D, double h, PhaseChoice phase) {
    return isochore(fc, D, Var::h, h, phase);
}

Found solve_Ds(const FluidCore& fc, double D, double s, PhaseChoice phase) {
    return isochore(fc, D, Var::s, s, phase);
}

Found solve_Du(const FluidCore& fc, double D, double u, PhaseChoice phase) {
    return isochore(fc, D, Var::u, u, phase);
}

}  // namespace xalt1::detail
