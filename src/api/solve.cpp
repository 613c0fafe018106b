#include "api/solve.h"

#include <optional>

#include "api/solve_newton.h"
#include "api/solve_support.h"

namespace xalt1::detail {

namespace {

// ---- Temperature on an isobar ------------------------------------------------------------------

// The isobar P on one branch: the density follows the temperature from the last state found
// (its change predicted by (dD/dT)_p = -(dp/dT)/(dp/dD)) in the density bracket [lo, hi] that
// holds the branch's root at every temperature of the search. A liquid below Tc more than a
// short step away starts from its saturated liquid density instead, just below the root (the
// prediction over a long step can land beyond a hump of a cold isotherm). On a branch asked for
// (`metastable`), the density is that branch's, past the saturation up to the spinodal.
struct Isobar {
    const FluidCore* fc = nullptr;
    double P = 0;
    Branch branch = Branch::liquid;
    bool metastable = false;
    double lo = 0, hi = kInfinity;
    Point last;

    const Point& at(double T) {
        const SaturationCurve& curve = *fc->curve;
        double D = last.D, low = lo;
        const bool short_step = std::fabs(T - last.T) <= kShortStep * last.T;
        if (last.D > 0.0 && last.props.dpdD > 0.0)
            D -= last.props.dpdT / last.props.dpdD * (T - last.T);
        if (metastable) {
            last = branch_density(*fc, T, P, branch, D);
            return last;
        }
        if (branch == Branch::liquid && T < curve.Tc()) {
            double ps = 0, Dl = 0, Dv = 0;
            curve.at(T, ps, Dl, Dv);
            if (P > ps * (1.0 + kNearSaturation)) low = std::max(low, Dl);
            if (!short_step || !(D > low)) D = low * (1.0 + kNearSaturation);
        }
        if (!(D > low && D < hi)) D = last.D > low && last.D < hi ? last.D : inside(low, hi);
        last = density_root(T, P, branch, low, hi, D);
        return last;
    }
};

// (dX/dT) along the isobar: cp for h, cp/T for s, cp - p (dv/dT)_p for u; all positive.
double isobar_slope(const Point& pt, Var var) {
    return first_derivative(first_order(pt, {}), var, Var::T, Var::p);
}

// The temperature in [Ta, Tb] where X on the isobar meets `value`.
Point isobar_root(Isobar& isobar, Var var, double value, double Ta, double Tb, double T) {
    const std::string name(var == Var::h ? "h" : var == Var::s ? "s" : "u");
    const auto sample = [&](double t) {
        const Point& pt = isobar.at(t);
        return Sample{quantity(pt, var) - value, isobar_slope(pt, var)};
    };
    rising_root(Ta, Tb, T, sample, name + " lies below its value at " + text(Ta) + " K",
                name + " lies above its value at " + text(Tb) + " K");
    return isobar.last;
}

// The isobar's single-phase part (below or above the pair, or the whole isobar where there is
// none), searched from a start state on it.
Found isobar_state(Isobar isobar, Var var, double value, double Ta, double Tb, const Point& start) {
    isobar.last = start;
    const double slope = isobar_slope(start, var);
    const double T = slope > 0.0 ? start.T - (quantity(start, var) - value) / slope : start.T;
    return single(isobar_root(isobar, var, value, Ta, Tb, T));
}

// The isobar without a pair: below the pressure at Tmin all vapour (its densities below the
// saturated vapour's at Tmin), from the critical pressure on one branch.
Found isobar_without_pair(const FluidCore& fc, Isobar isobar, Var var, double value) {
    const SaturationCurve& curve = *fc.curve;
    double T0 = std::clamp(fc.Tc, fc.Tmin, fc.Tmax);
    if (isobar.P < curve.p_low()) {
        double ps = 0, Dl = 0, Dv = 0;
        curve.at(fc.Tmin, ps, Dl, Dv);
        isobar.branch = Branch::vapour;
        isobar.hi = Dv;
        T0 = fc.Tmin;
    }
    const double D_ideal = 1000.0 * isobar.P / (GAS_CONSTANT * T0);
    const Point start =
        density_root(T0, isobar.P, isobar.branch, isobar.lo, isobar.hi,
                     std::min(D_ideal, isobar.branch == Branch::vapour ? 0.5 * isobar.hi : fc.Dc));
    return isobar_state(isobar, var, value, fc.Tmin, fc.Tmax, start);
}

// The branch asked for, past the saturation to the spinodal: from the series' saturated state
// of that branch (or the end of the range) on.
Found isobar_branch(const FluidCore& fc, Isobar isobar, Var var, double value, PhaseChoice phase) {
    const SaturationCurve& curve = *fc.curve;
    isobar.metastable = true;
    isobar.branch = phase == PhaseChoice::liquid ? Branch::liquid : Branch::vapour;
    const bool liquid = isobar.branch == Branch::liquid;
    const double P = isobar.P;
    double T0 = liquid ? fc.Tmin : fc.Tmax;
    double D0 = liquid ? 0.0 : 1000.0 * P / (GAS_CONSTANT * T0);
    if (P >= curve.p_low() && P < curve.p_high()) {
        T0 = curve.temperature_of(P);
        const ExactPair e = curve.saturated(T0);
        D0 = liquid ? e.Dl : e.Dv;
    } else if (liquid) {
        double ps = 0, Dv = 0;
        curve.at(T0, ps, D0, Dv);
    }
    const Point start = branch_density(fc, T0, P, isobar.branch, D0);
    return isobar_state(isobar, var, value, fc.Tmin, fc.Tmax, start);
}

// The pair on the isobar, or none where P lies next to the critical pressure and the equation
// has none there (the isobar is then taken as supercritical).
std::optional<SatPair> isobar_pair(const FluidCore& fc, double P) {
    SatPair pair;
    if (pair_at_p(*fc.curve, P, pair)) return pair;
    if (P >= fc.curve->p_high() * (1.0 - kNearCritical)) return std::nullopt;
    fail(ErrorKind::no_solution, "no saturated pair at " + text(P) + " MPa");
}

// The state of (P, X) for X = h, s or u: the stable state, a mixture inside the dome, or the
// state on the branch asked for. Newton steps in (T, D) first; where they do not settle, the
// bracketed search along the isobar.
Found flash(const FluidCore& fc, double P, Var var, double value, PhaseChoice phase) {
    if (std::optional<Found> found = isobar_newton(fc, P, var, value, phase)) return *found;
    Isobar isobar;
    isobar.fc = &fc;
    isobar.P = P;
    if (phase != PhaseChoice::any) return isobar_branch(fc, isobar, var, value, phase);
    const SaturationCurve& curve = *fc.curve;
    const std::optional<SatPair> pair =
        P >= curve.p_low() && P < curve.p_high() ? isobar_pair(fc, P) : std::nullopt;
    if (!pair) return isobar_without_pair(fc, isobar, var, value);
    const double ql = quantity(pair->liq, var), qv = quantity(pair->vap, var);
    const double edge = kOnPair * (qv - ql);
    if (value >= ql - edge && value <= qv + edge)
        return on_pair_found(*pair, std::clamp((value - ql) / (qv - ql), 0.0, 1.0));
    const double Ts = pair->liq.T;
    if (value < ql) {
        isobar.branch = Branch::liquid;
        isobar.lo = pair->liq.D;
        return isobar_state(isobar, var, value, fc.Tmin, Ts, pair->liq);
    }
    isobar.branch = Branch::vapour;
    isobar.hi = pair->vap.D;
    return isobar_state(isobar, var, value, Ts, fc.Tmax, pair->vap);
}

void equilibrium_only(PhaseChoice phase, const char* pair) {
    if (phase != PhaseChoice::any)
        fail(ErrorKind::bad_input,
             std::string("a phase cannot be asked for with ") + pair + ": it is a saturated state");
}

}  // namespace

// ---- The input pairs -------------------------------------------------------------------------

Found solve_TD(const FluidCore& fc, double T, double D, PhaseChoice phase) {
    if (T < fc.Tc && phase == PhaseChoice::any) {
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
    if (phase != PhaseChoice::any) check_branch(fc, found.point, phase);
    return found;
}

Found solve_Tp(const FluidCore& fc, double T, double P, PhaseChoice phase) {
    if (phase != PhaseChoice::any) {
        const Branch branch = phase == PhaseChoice::liquid ? Branch::liquid : Branch::vapour;
        double ps = 0, Dl = 0, Dv = 0;
        if (T < fc.curve->Tc()) fc.curve->at(T, ps, Dl, Dv);
        const double D = T < fc.curve->Tc() ? (branch == Branch::liquid ? Dl : Dv)
                                            : std::min(1000.0 * P / (GAS_CONSTANT * T), fc.Dc);
        return single(branch_density(fc, T, P, branch, D));
    }
    if (T >= fc.Tc) {
        const double D_ideal = 1000.0 * P / (GAS_CONSTANT * T);
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
        const double D_ideal = 1000.0 * P / (GAS_CONSTANT * T);
        return single(density_root(T, P, Branch::vapour, 0.0, Dv, std::min(D_ideal, 0.9 * Dv)));
    }
    return single(density_root(T, P, Branch::liquid, Dl, kInfinity, Dl * (1.0 + 1e-6)));
}

Found solve_pD(const FluidCore& fc, double P, double D, PhaseChoice phase) {
    const SaturationCurve& curve = *fc.curve;
    double Ta = fc.Tmin, Tb = fc.Tmax;
    double T = std::clamp(1000.0 * P / (GAS_CONSTANT * D), Ta, Tb);
    const std::optional<SatPair> pair =
        phase == PhaseChoice::any && P >= curve.p_low() && P < curve.p_high() ? isobar_pair(fc, P)
                                                                              : std::nullopt;
    if (pair) {
        if (D >= pair->vap.D * (1.0 - kOnPair) && D <= pair->liq.D * (1.0 + kOnPair))
            return on_pair(*pair, fraction_of_density(*pair, D));
        const double Ts = pair->liq.T;
        (D > pair->liq.D ? Tb : Ta) = Ts;
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
    if (phase != PhaseChoice::any) {
        check_branch(fc, pt, phase);
        return single(pt);
    }
    // Below Tc a density between the saturated ones is no single-phase state.
    if (found < fc.Tc) {
        double ps = 0, Dl = 0, Dv = 0;
        curve.at(found, ps, Dl, Dv);
        SatPair exact;
        if (!curve.regular(found) && pair_at_T(curve, found, exact)) {
            Dl = exact.liq.D;
            Dv = exact.vap.D;
        }
        if (D < Dl * (1.0 - kNearSaturation) && D > Dv * (1.0 + kNearSaturation))
            fail(ErrorKind::no_solution, "the temperature found (" + text(found) +
                                             " K) puts the density inside the saturation dome");
    }
    return single(pt);
}

Found solve_ph(const FluidCore& fc, double P, double h, PhaseChoice phase) {
    return flash(fc, P, Var::h, h, phase);
}

Found solve_ps(const FluidCore& fc, double P, double s, PhaseChoice phase) {
    return flash(fc, P, Var::s, s, phase);
}

Found solve_pu(const FluidCore& fc, double P, double u, PhaseChoice phase) {
    return flash(fc, P, Var::u, u, phase);
}

SatPair saturation_T(const FluidCore& fc, double T) {
    if (T >= fc.Tc) fail(ErrorKind::out_of_range, "no saturation at or above Tc");
    return pair_T(fc, T);
}

SatPair saturation_p(const FluidCore& fc, double P) {
    // The pressure at Tmin as the exact pair gives it meets the series' to round-off.
    const double low = fc.curve->p_low();
    if (P < low * (1.0 - kOnPair))
        fail(ErrorKind::out_of_range,
             "below the saturation pressure at Tmin (" + exact_text(low) + " MPa)");
    if (P >= fc.curve->p_high())
        fail(ErrorKind::out_of_range, "no saturation at or above the critical pressure (" +
                                          exact_text(fc.curve->p_high()) + " MPa)");
    return pair_p(fc, std::max(P, low));
}

Found solve_Tx(const FluidCore& fc, double T, double x, PhaseChoice phase) {
    equilibrium_only(phase, "(T, x)");
    return on_pair(saturation_T(fc, T), x);
}

Found solve_px(const FluidCore& fc, double P, double x, PhaseChoice phase) {
    equilibrium_only(phase, "(p, x)");
    return on_pair(saturation_p(fc, P), x);
}

}  // namespace xalt1::detail
