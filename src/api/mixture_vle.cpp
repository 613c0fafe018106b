#include "api/mixture_vle.h"

#include <algorithm>
#include <cmath>

#include "api/mixture_newton.h"
#include "api/solve_support.h"
#include "api/xalt1.h"
#include "eos/constants.h"
#include "eos/term_forms.h"

namespace xalt1::detail {

namespace {

constexpr int kDensitySteps = 100;
const double kLargestVapourStep = std::log(1.5);
constexpr int kSubstitutions = 500;
constexpr double kSettled = 1e-12;

bool trivial(double spread, double D_one, double D_other) {
    return same_phase(spread, D_one, D_other);
}

struct Pressure {
    double p = 0, slope = 0;  // p and dp/dD
    bool ok = false;
};

Pressure pressure_at(const MixtureModel& m, const double* z, double T, double D) {
    Pressure at;
    at.ok = D > 0.0 && m.pressure(z, T, D, at.p, at.slope);
    return at;
}

// The densest state the hard bodies allow at T: packing fraction 1.
double close_packed(const MixtureModel& m, const double* z, double T) {
    const OneFluid x = m.one_fluid(z);
    return hard_body::density_at_packing(1.0, x.D0, T, x.T0, A1_HARD_BODY, A2_HARD_BODY);
}

// Newton on p(D) = P between a density below the root (lo) and one above (hi), falling back
// to halving where a step leaves the bracket; the root must be stable (dp/dD > 0).
bool bracketed_root(const MixtureModel& m, const double* z, double T, double P, double lo,
                    double hi, double D, double& root) {
    for (int k = 0; k < kDensitySteps; ++k) {
        const Pressure at = pressure_at(m, z, T, D);
        if (!at.ok) {
            hi = D;  // beyond what the equation takes: above the root
            D = 0.5 * (lo + hi);
            continue;
        }
        (at.p > P ? hi : lo) = D;
        if (std::fabs(at.p - P) <= kSettled * P && at.slope > 0.0) {
            root = D;
            return true;
        }
        double next = at.slope > 0.0 ? D - (at.p - P) / at.slope : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        if (std::fabs(next - D) <= kSettled * D) {
            root = next;
            return pressure_at(m, z, T, next).slope > 0.0;
        }
        D = next;
    }
    return false;
}

}  // namespace

bool mixture_density(const MixtureModel& m, const double* z, double T, double P, bool liquid,
                     double& D) {
    if (liquid) {
        // Down from close packing: p falls towards the root; a state where it rises with D
        // falling lies in the loop below the liquid branch (no liquid root at this P).
        const double top = close_packed(m, z, T);
        double hi = top, start = 0.7 * top;
        Pressure at = pressure_at(m, z, T, start);
        while (at.ok && at.p < P && start < 0.999 * top) {
            start = 0.5 * (start + top);
            at = pressure_at(m, z, T, start);
        }
        if (!at.ok || at.p < P) return false;
        hi = start;
        // Walk down by Newton steps (from the right of a convex branch they stay right of the
        // root) until p falls below P or the branch turns.
        double D0 = start;
        for (int k = 0; k < kDensitySteps; ++k) {
            at = pressure_at(m, z, T, D0);
            if (!at.ok || !(at.slope > 0.0)) return false;
            if (at.p <= P) return bracketed_root(m, z, T, P, D0, hi, D0, D);
            hi = D0;
            const double next = D0 - (at.p - P) / at.slope;
            if (std::fabs(next - D0) <= kSettled * D0) {
                D = next;
                return true;
            }
            D0 = next;
        }
        return false;
    }
    // Up from a tenth of the ideal gas's density: ln p is concave in ln D on the vapour branch,
    // so Newton steps in ln D stay left of the root; a state where p falls with D lies beyond
    // the vapour spinodal (no vapour root at this P).
    // The steps grow the density by at most half, so that they land in the loop rather than
    // jump over it to the liquid.
    double lnD = std::log(0.1 * 1000.0 * P / (R * T)), below = 0.0;
    for (int k = 0; k < kDensitySteps; ++k) {
        const double Dk = std::exp(lnD);
        const Pressure at = pressure_at(m, z, T, Dk);
        if (!at.ok || !(at.slope > 0.0) || !(at.p > 0.0)) return false;
        if (at.p >= P) return bracketed_root(m, z, T, P, below, Dk, Dk, D);
        below = Dk;
        const double step = (std::log(P) - std::log(at.p)) / (Dk * at.slope / at.p);
        if (std::fabs(step) <= kSettled) {
            D = Dk;
            return true;
        }
        lnD += std::min(step, kLargestVapourStep);
    }
    return false;
}

namespace {

constexpr int kWarmSteps = 6;
constexpr double kWarmReach = 0.25;  // a warm root within this share of its start
// A step of the second-order model this short leaves its end exact to round-off.
constexpr double kWarmSettled = 1e-9;

// The density of pressure P on a branch from the density `D` of a nearby state of that branch
// (the last step of a substitution, an estimate): steps to second order in the density (the
// root of p's quadratic model, Newton's step where it has none) that must settle close to the
// start on a stable state; else the full search. D is the start on entry (0: none) and the root
// on exit.
bool density_from(const MixtureModel& m, const double* z, double T, double P, bool liquid,
                  double& D) {
    if (D > 0.0) {
        double x = D;
        for (int k = 0; k < kWarmSteps; ++k) {
            double p = 0, slope = 0, curvature = 0;
            if (!m.pressure(z, T, x, p, slope, &curvature) || !(slope > 0.0)) break;
            const double discriminant = slope * slope - 2.0 * (p - P) * curvature;
            const double step = discriminant > 0.0
                                    ? -2.0 * (p - P) / (slope + std::sqrt(discriminant))
                                    : -(p - P) / slope;
            const double next = x + step;
            if (!(std::fabs(next / D - 1.0) < kWarmReach)) break;
            if (std::fabs(step) <= kWarmSettled * x) {
                // A vapour's pressure rises more slowly than its density (its attraction grows
                // with it); a root where it does not lies on another branch.
                if (!liquid && !(x * slope < P)) break;
                D = next;
                return true;
            }
            x = next;
        }
    }
    return mixture_density(m, z, T, P, liquid, D);
}

}  // namespace

namespace {

// What a substitution holds: the phase of composition z (liquid for a bubble point) and the
// temperature or the pressure.
struct Fixed {
    bool bubble = true, by_T = true;
};

// The slopes d ln K / dT of Wilson's K-values at T, the temperature slopes of every start.
std::vector<double> wilson_slopes(const std::vector<CriticalConstants>& pure, double T) {
    std::vector<double> slope;
    for (const CriticalConstants& c : pure)
        slope.push_back(5.373 * (1.0 + c.acentric) * c.Tc / (T * T));
    return slope;
}

// The sum rule's ln sum(K z) (bubble) or ln sum(z / K) (dew), and its slope in T from the
// K-values' slopes.
double sum_rule(const std::vector<double>& z, const std::vector<double>& K,
                const std::vector<double>& slope, bool bubble, double& d_dT) {
    double sum = 0, d = 0;
    for (std::size_t i = 0; i < z.size(); ++i) {
        const double term = bubble ? z[i] * K[i] : z[i] / K[i];
        sum += term;
        d += (bubble ? 1.0 : -1.0) * term * slope[i];
    }
    d_dT = d / sum;
    return std::log(sum);
}

// The split of a bubble point (the feed z the liquid) or a dew point (z the vapour) with its
// incipient phase w.
PhaseSplit split_of(bool bubble, double T, double p, const std::vector<double>& z,
                    const std::vector<double>& w, double D_feed, double D_incipient,
                    int iterations) {
    return {T,
            p,
            bubble ? z : w,
            bubble ? w : z,
            bubble ? D_feed : D_incipient,
            bubble ? D_incipient : D_feed,
            iterations};
}

// A substitution under way: T, p, the K-values and the last step's densities (0: none yet).
struct Substitution {
    double T = 0, p = 0;
    std::vector<double> K;
    double D_given = 0, D_other = 0;
    int steps = 0;
};

// Up to `steps` more steps of successive substitution of the K-values at fixed T (p moved by
// the sum rule) or fixed p (T moved by a Newton step of the sum rule with Wilson's slopes).
// True once settled, with the split.
bool substitute(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                const std::vector<double>& z, Fixed fixed, Substitution& s, int steps,
                PhaseSplit& split) {
    const std::size_t n = z.size();
    const bool bubble = fixed.bubble;
    std::vector<double> slope, other(n), phi_given(n), phi_other(n);
    for (int k = 0; k < steps; ++k) {
        ++s.steps;
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            other[i] = bubble ? s.K[i] * z[i] : z[i] / s.K[i];
            sum += other[i];
        }
        for (double& v : other) v /= sum;
        if (!density_from(m, z.data(), s.T, s.p, bubble, s.D_given) ||
            !density_from(m, other.data(), s.T, s.p, !bubble, s.D_other) ||
            !m.ln_fugacity_coefficients(z.data(), s.T, s.D_given, phi_given.data()) ||
            !m.ln_fugacity_coefficients(other.data(), s.T, s.D_other, phi_other.data())) {
            // No root on one branch: move towards the other phase's side.
            if (fixed.by_T) {
                s.p *= bubble ? 0.9 : 1.1;
            } else {
                s.T *= bubble ? 1.02 : 0.98;
            }
            s.D_given = s.D_other = 0;
            continue;
        }
        double change = 0, spread = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double lnK = bubble ? phi_given[i] - phi_other[i] : phi_other[i] - phi_given[i];
            change = std::max(change, std::fabs(lnK - std::log(s.K[i])));
            spread = std::max(spread, std::fabs(lnK));
            s.K[i] = std::exp(lnK);
        }
        if (trivial(spread, s.D_given, s.D_other))
            throw Error(ErrorKind::no_solution,
                        "the two phases become one (near or above the mixture's critical point)");
        slope = wilson_slopes(pure, s.T);
        double d_dT = 0;
        const double ln_sum = sum_rule(z, s.K, slope, bubble, d_dT);
        if (fixed.by_T) {
            s.p *= std::exp(bubble ? ln_sum : -ln_sum);
        } else {
            s.T = std::clamp(s.T - ln_sum / d_dT, 0.9 * s.T, 1.1 * s.T);
        }
        if (change < 1e-11 && std::fabs(ln_sum) < 1e-11) {
            split = split_of(bubble, s.T, s.p, z, other, s.D_given, s.D_other, s.steps);
            return true;
        }
    }
    return false;
}

// ---- Raoult's start ------------------------------------------------------------------------

// A component's saturation at T for a start: the vapour pressure, the saturated liquid's density
// and the vapour's departure from the ideal gas per pressure, (Z - 1)/p (MPa^-1), which the
// second virial coefficient makes about constant along an isotherm.
struct PureAtT {
    double p = 0, Dliq = 0, departure = 0;
};

// Above this reduced temperature a component's liquid is taken as Rackett's at it: a light
// component dissolved in a liquid occupies about a liquid's volume, not the critical volume.
constexpr double kLiquidTr = 0.9;

// Its source's where it has one at T; else estimates from the critical constants: Wilson's
// vapour pressure, Rackett's saturated liquid and the second virial coefficient of Pitzer's
// correlation in Tsonopoulos' form.
PureAtT pure_at(const CriticalConstants& c, const SaturationSource* source, double T) {
    const double RT = R * T / 1000.0;
    PureSaturation sat;
    if (source != nullptr && *source && T < c.Tc && (*source)(T, sat) && sat.p > 0.0 &&
        sat.Dvap > 0.0 && sat.Dliq > sat.Dvap && std::isfinite(sat.p + sat.Dliq + sat.Dvap))
        return {sat.p, sat.Dliq, (sat.p / (sat.Dvap * RT) - 1.0) / sat.p};
    const double Tr = T / c.Tc, w = c.acentric, volume = R * c.Tc / 1000.0 / c.pc;
    const double rackett = 0.29056 - 0.08775 * w;
    const double B =
        volume * (0.083 - 0.422 / std::pow(Tr, 1.6) + w * (0.139 - 0.172 / std::pow(Tr, 4.2)));
    return {c.pc * std::exp(5.373 * (1.0 + w) * (1.0 - 1.0 / Tr)),
            1.0 / (volume *
                   std::pow(rackett, 1.0 + std::pow(1.0 - std::min(Tr, kLiquidTr), 2.0 / 7.0))),
            B / RT};
}

std::vector<PureAtT> pure_at(const std::vector<CriticalConstants>& pure,
                             const std::vector<SaturationSource>& saturation, double T) {
    std::vector<PureAtT> at;
    for (std::size_t i = 0; i < pure.size(); ++i)
        at.push_back(pure_at(pure[i], i < saturation.size() ? &saturation[i] : nullptr, T));
    return at;
}

// Raoult's K-values ps_i/p.
std::vector<double> raoult(const std::vector<PureAtT>& at, double p) {
    std::vector<double> K;
    for (const PureAtT& c : at) K.push_back(c.p / p);
    return K;
}

// The liquid's density by ideal mixing of the saturated liquids' volumes; the vapour's from a
// compressibility factor whose departure from 1 is the mole-fraction average of the
// components' at the pressure.
double liquid_start(const std::vector<PureAtT>& at, const std::vector<double>& x) {
    double volume = 0;
    for (std::size_t i = 0; i < x.size(); ++i) volume += x[i] / at[i].Dliq;
    return 1.0 / volume;
}

double vapour_start(const std::vector<PureAtT>& at, const std::vector<double>& y, double T,
                    double p) {
    double Z = 1.0;
    for (std::size_t i = 0; i < y.size(); ++i) Z += y[i] * p * at[i].departure;
    return p / (std::clamp(Z, 0.3, 1.0) * R * T / 1000.0);
}

constexpr int kStartSteps = 50;

// Raoult's start of a bubble or dew point: K_i = ps_i(T)/p at the pressure (at T) or the
// temperature (at p) where they meet the sum rule (Newton steps with Wilson's slopes), with the
// densities from the saturated ones. False where the densities are of no use.
bool raoult_start(const std::vector<CriticalConstants>& pure,
                  const std::vector<SaturationSource>& saturation, const std::vector<double>& z,
                  Fixed fixed, double T, double p, IncipientEstimate& e) {
    std::vector<PureAtT> at;
    double d = 0;
    if (fixed.by_T) {
        at = pure_at(pure, saturation, T);
        const double ln_sum = sum_rule(z, raoult(at, 1.0), wilson_slopes(pure, T), fixed.bubble, d);
        p = std::exp(fixed.bubble ? ln_sum : -ln_sum);
    } else {
        T = 0;
        for (std::size_t i = 0; i < z.size(); ++i) T += z[i] * 0.7 * pure[i].Tc;
        for (int k = 0; k < kStartSteps; ++k) {
            at = pure_at(pure, saturation, T);
            const double step =
                sum_rule(z, raoult(at, p), wilson_slopes(pure, T), fixed.bubble, d) / d;
            T = std::clamp(T - step, 0.9 * T, 1.1 * T);
            if (std::fabs(step) < 1e-10 * T) break;
        }
        at = pure_at(pure, saturation, T);
    }
    e = IncipientEstimate{};
    e.T = T;
    e.p = p;
    for (double K : raoult(at, p)) e.ln_kappa.push_back(fixed.bubble ? std::log(K) : -std::log(K));
    const std::vector<double> w = incipient_fractions(z, e);
    const std::vector<double>&liquid = fixed.bubble ? z : w, &vapour = fixed.bubble ? w : z;
    const double Dl = liquid_start(at, liquid), Dv = vapour_start(at, vapour, T, p);
    e.D_feed = fixed.bubble ? Dl : Dv;
    e.D_incipient = fixed.bubble ? Dv : Dl;
    return Dl > 0.0 && Dv > 0.0 && std::isfinite(Dl + Dv + T + p);
}

// ---- Bubble and dew points -------------------------------------------------------------------

constexpr int kLeadSteps = 3;  // substitution steps before Newton's second try

PhaseSplit split_of(const std::vector<double>& z, bool bubble, const IncipientEstimate& e) {
    return split_of(bubble, e.T, e.p, z, incipient_fractions(z, e), e.D_feed, e.D_incipient,
                    e.iterations);
}

IncipientEstimate estimate_of(const Substitution& s, bool bubble) {
    IncipientEstimate e;
    e.T = s.T;
    e.p = s.p;
    for (double K : s.K) e.ln_kappa.push_back(bubble ? std::log(K) : -std::log(K));
    e.D_feed = s.D_given;
    e.D_incipient = s.D_other;
    e.iterations = s.steps;
    return e;
}

// The densities of the feed and its incipient phase at the estimate's T and p on their
// branches, from the estimate's.
bool searched_densities(const MixtureModel& m, const std::vector<double>& z, bool bubble,
                        IncipientEstimate& e) {
    const std::vector<double> w = incipient_fractions(z, e);
    return density_from(m, z.data(), e.T, e.p, bubble, e.D_feed) &&
           density_from(m, w.data(), e.T, e.p, !bubble, e.D_incipient);
}

// Phases whose densities are this close are checked against their branches' own roots.
constexpr double kCloseDensities = 2.0;

// Newton's solution, where it is two phases on their own branches. Next to the critical point
// the steps may end next to the trivial solution (equal phases at any density), whose "vapour"
// is a liquid: there the densities must be the roots of the branches' searches.
bool newton_split(const MixtureModel& m, const std::vector<double>& z, Fixed fixed,
                  IncipientEstimate& e, PhaseSplit& split) {
    if (!incipient_newton(m, z, fixed.by_T, fixed.bubble, e)) return false;
    split = split_of(z, fixed.bubble, e);
    if (split.Dliq > kCloseDensities * split.Dvap) return true;
    double Dl = 0, Dv = 0;
    return mixture_density(m, split.x.data(), split.T, split.p, true, Dl) &&
           mixture_density(m, split.y.data(), split.T, split.p, false, Dv) &&
           std::fabs(Dl / split.Dliq - 1.0) < 1e-6 && std::fabs(Dv / split.Dvap - 1.0) < 1e-6;
}

PhaseSplit incipient_point(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                           const std::vector<SaturationSource>& saturation,
                           const std::vector<double>& z, double T, double p, Fixed fixed) {
    IncipientEstimate start, e;
    PhaseSplit split;
    if (raoult_start(pure, saturation, z, fixed, T, p, start)) {
        if (newton_split(m, z, fixed, e = start, split)) return split;
        // A start density may lie beyond a branch's unstable loop: the branches' own roots.
        e = start;
        if (searched_densities(m, z, fixed.bubble, e) && newton_split(m, z, fixed, e, split))
            return split;
    }
    // Substitution from the start's K-values, a few steps, then Newton once more.
    Substitution s{start.T, start.p, {}, 0.0, 0.0, 0};
    for (double lnk : start.ln_kappa) s.K.push_back(std::exp(fixed.bubble ? lnk : -lnk));
    if (substitute(m, pure, z, fixed, s, kLeadSteps, split)) return split;
    if (s.D_given > 0.0 && s.D_other > 0.0) {
        e = estimate_of(s, fixed.bubble);
        if (newton_split(m, z, fixed, e, split)) return split;
    }
    if (substitute(m, pure, z, fixed, s, kSubstitutions, split)) return split;
    throw Error(ErrorKind::no_solution, std::string(fixed.bubble ? "bubble" : "dew") +
                                            " point: the substitution does not settle");
}

}  // namespace

PhaseSplit bubble_at_T(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                       const std::vector<double>& z, double T,
                       const std::vector<SaturationSource>& saturation) {
    return incipient_point(m, pure, saturation, z, T, 0.0, {true, true});
}

PhaseSplit dew_at_T(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                    const std::vector<double>& z, double T,
                    const std::vector<SaturationSource>& saturation) {
    return incipient_point(m, pure, saturation, z, T, 0.0, {false, true});
}

PhaseSplit bubble_at_p(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                       const std::vector<double>& z, double p,
                       const std::vector<SaturationSource>& saturation) {
    return incipient_point(m, pure, saturation, z, 0.0, p, {true, false});
}

PhaseSplit dew_at_p(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                    const std::vector<double>& z, double p,
                    const std::vector<SaturationSource>& saturation) {
    return incipient_point(m, pure, saturation, z, 0.0, p, {false, false});
}

namespace {

constexpr int kStabilitySteps = 200;

// A phase of composition w at (T, p): of the roots on the two branches, the one of lower Gibbs
// energy (sum w_i ln phi_i at equal T, p and w), with its ln phi.
struct PhaseAt {
    bool ok = false, liquid = false;
    double D = 0, g = 0;
    std::vector<double> ln_phi;
};

// The roots are searched from the start densities Dl and Dv where given (0: none).
PhaseAt phase_at(const MixtureModel& m, const std::vector<double>& w, double T, double p,
                 double Dl = 0.0, double Dv = 0.0) {
    PhaseAt best;
    double first_D = 0;
    for (bool liquid : {false, true}) {
        PhaseAt at;
        at.ln_phi.resize(w.size());
        at.D = liquid ? Dl : Dv;
        if (!density_from(m, w.data(), T, p, liquid, at.D) ||
            !m.ln_fugacity_coefficients(w.data(), T, at.D, at.ln_phi.data()))
            continue;
        if (liquid && best.ok && std::fabs(at.D / first_D - 1.0) < 1e-9) continue;  // one root
        at.ok = true;
        at.liquid = liquid;
        for (std::size_t i = 0; i < w.size(); ++i) at.g += w[i] * at.ln_phi[i];
        if (!best.ok) first_D = at.D;
        if (!best.ok || at.g < best.g) best = at;
    }
    return best;
}

std::vector<double> normalised(std::vector<double> w) {
    double sum = 0;
    for (double v : w) sum += v;
    for (double& v : w) v /= sum;
    return w;
}

// Michelsen's stability test from the trial phase W: successive substitution of
// ln W_i = ln z_i + ln phi_i(z) - ln phi_i(w). True, with the trial's composition, where the
// tangent-plane distance turns negative (sum W > 1): the feed splits.
bool unstable(const MixtureModel& m, const std::vector<double>& z, const PhaseAt& feed, double T,
              double p, std::vector<double> W, std::vector<double>& trial) {
    const std::size_t n = z.size();
    for (int k = 0; k < kStabilitySteps; ++k) {
        const std::vector<double> w = normalised(W);
        const PhaseAt at = phase_at(m, w, T, p);
        if (!at.ok) return false;
        double sum = 0, change = 0, distance = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (z[i] <= 0.0) continue;
            const double next = std::exp(std::log(z[i]) + feed.ln_phi[i] - at.ln_phi[i]);
            change = std::max(change, std::fabs(std::log(next / W[i])));
            distance = std::max(distance, std::fabs(std::log(w[i] / z[i])));
            W[i] = next;
            sum += next;
        }
        if (distance < 1e-4) return false;  // the trivial solution: the feed itself
        if (sum > 1.0 + 1e-8 && (change < 1e-6 || k > 20)) {
            trial = normalised(W);
            return true;
        }
        if (change < 1e-10) return false;
    }
    return false;
}

// The vapour fraction of the Rachford-Rice equation sum z_i (K_i - 1) / (1 + beta (K_i - 1)) = 0,
// falling in beta, within [0, 1]: Newton steps, halving where a step leaves the bracket.
double rachford_rice(const std::vector<double>& z, const std::vector<double>& K) {
    const auto f = [&](double beta, double& slope) {
        double sum = 0;
        slope = 0;
        for (std::size_t i = 0; i < z.size(); ++i) {
            const double c = K[i] - 1.0, d = 1.0 + beta * c;
            sum += z[i] * c / d;
            slope -= z[i] * c * c / (d * d);
        }
        return sum;
    };
    double slope = 0;
    if (f(0.0, slope) <= 0.0) return 0.0;
    if (f(1.0, slope) >= 0.0) return 1.0;
    double lo = 0.0, hi = 1.0, beta = 0.5;
    for (int k = 0; k < 100; ++k) {
        const double value = f(beta, slope);
        (value > 0.0 ? lo : hi) = beta;
        double next = beta - value / slope;
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        if (std::fabs(next - beta) < 1e-15) return next;
        beta = next;
    }
    return beta;
}

Flash one_phase(const std::vector<double>& z, double T, double p, const PhaseAt& feed) {
    Flash f;
    f.beta = feed.liquid ? 0.0 : 1.0;
    f.split = {T, p, z, z, feed.D, feed.D, 0};
    return f;
}

// A flash's substitution under way: the K-values and the last step's densities (0: none yet).
struct FlashSubstitution {
    std::vector<double> K;
    double Dl = 0, Dv = 0;
    int steps = 0;
};

// The liquid and vapour of Rachford-Rice's split by the K-values, with its vapour fraction.
double split_by(const std::vector<double>& z, const std::vector<double>& K, std::vector<double>& x,
                std::vector<double>& y) {
    const double beta = rachford_rice(z, K);
    for (std::size_t i = 0; i < z.size(); ++i) {
        x[i] = z[i] / (1.0 + beta * (K[i] - 1.0));
        y[i] = K[i] * x[i];
    }
    x = normalised(x);
    y = normalised(y);
    return beta;
}

// Up to `steps` more steps of successive substitution of the K-values with the Rachford-Rice
// equation, each phase's density found anew from the last step's. True once settled, with the
// result (one phase where the split vanishes).
bool substitute_split(const MixtureModel& m, const std::vector<double>& z, double T, double p,
                      const PhaseAt& feed, FlashSubstitution& s, int steps, Flash& out) {
    std::vector<double> x(z.size()), y(z.size()), phi_l(z.size()), phi_v(z.size());
    for (int k = 0; k < steps; ++k) {
        ++s.steps;
        split_by(z, s.K, x, y);
        if (!density_from(m, x.data(), T, p, true, s.Dl) ||
            !density_from(m, y.data(), T, p, false, s.Dv) ||
            !m.ln_fugacity_coefficients(x.data(), T, s.Dl, phi_l.data()) ||
            !m.ln_fugacity_coefficients(y.data(), T, s.Dv, phi_v.data()))
            throw Error(ErrorKind::no_solution, "flash: a phase has no density at this T and p");
        double change = 0, spread = 0;
        for (std::size_t i = 0; i < z.size(); ++i) {
            if (!(z[i] > 0.0)) continue;
            const double lnK = phi_l[i] - phi_v[i];
            change = std::max(change, std::fabs(lnK - std::log(s.K[i])));
            spread = std::max(spread, std::fabs(lnK));
            s.K[i] = std::exp(lnK);
        }
        if (trivial(spread, s.Dl, s.Dv)) {
            out = one_phase(z, T, p, feed);
            return true;
        }
        if (change < 1e-10) {
            const double beta = rachford_rice(z, s.K);
            if (beta <= 0.0 || beta >= 1.0) {
                out = one_phase(z, T, p, feed);
            } else {
                out.two_phase = true;
                out.beta = beta;
                out.split = {T, p, x, y, s.Dl, s.Dv, s.steps};
            }
            return true;
        }
    }
    return false;
}

// Where Rachford-Rice puts the split of a barely unstable feed outside (0, 1): this much of
// the trial phase.
constexpr double kSmallShare = 0.01;

// The start of Newton's flash from the K-values: the vapour's amounts of Rachford-Rice's split
// (or a small share of the trial phase w), the densities from the trial's (of the trial's kind
// of phase) and from the feed's scaled by the start densities of the two compositions.
FlashEstimate flash_start(const std::vector<double>& z, double T, double p, const PhaseAt& feed,
                          const TrialPhase& trial, bool vapour_like, const std::vector<PureAtT>& at,
                          const std::vector<double>& K) {
    const std::size_t n = z.size();
    const std::vector<double> w = normalised(trial.W);
    double beta = rachford_rice(z, K);
    std::vector<double> x(n), y(n);
    if (beta > 0.0 && beta < 1.0) {
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = z[i] / (1.0 + beta * (K[i] - 1.0));
            y[i] = K[i] * x[i];
        }
    } else {
        beta = vapour_like ? kSmallShare : 1.0 - kSmallShare;
        for (std::size_t i = 0; i < n; ++i) {
            (vapour_like ? y : x)[i] = w[i];
            (vapour_like ? x : y)[i] = vapour_like ? (z[i] - beta * w[i]) / (1.0 - beta)
                                                   : (z[i] - (1.0 - beta) * w[i]) / beta;
        }
    }
    x = normalised(x);
    y = normalised(y);
    FlashEstimate f;
    for (std::size_t i = 0; i < n; ++i) f.v.push_back(std::clamp(beta * y[i], 0.0, z[i]));
    const auto start = [&](bool liquid, const std::vector<double>& c) {
        return liquid ? liquid_start(at, c) : vapour_start(at, c, T, p);
    };
    const auto scaled = [&](bool liquid, const std::vector<double>& c) {
        if (liquid != vapour_like && trial.D > 0.0)
            return trial.D * start(liquid, c) / start(liquid, w);
        if (feed.liquid == liquid) return feed.D * start(liquid, c) / start(liquid, z);
        return start(liquid, c);
    };
    f.D_liquid = scaled(true, x);
    f.D_vapour = scaled(false, y);
    return f;
}

// The split of an unstable feed: Newton's flash from the trial phase's K-values, substitution
// where it does not settle.
Flash result_of(const std::vector<double>& z, double T, double p, const FlashEstimate& f) {
    const std::size_t n = z.size();
    Flash result;
    result.two_phase = true;
    double V = 0;
    for (double v : f.v) V += v;
    result.beta = V;
    std::vector<double> x(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
        y[i] = f.v[i] / V;
        x[i] = (z[i] - f.v[i]) / (1.0 - V);
    }
    result.split = {T, p, x, y, f.D_liquid, f.D_vapour, f.iterations};
    return result;
}

// Newton's start from a substitution's K-values and densities.
FlashEstimate estimate_of(const std::vector<double>& z, const FlashSubstitution& s) {
    std::vector<double> x(z.size()), y(z.size());
    const double beta = split_by(z, s.K, x, y);
    FlashEstimate f;
    for (std::size_t i = 0; i < z.size(); ++i) f.v.push_back(std::clamp(beta * y[i], 0.0, z[i]));
    f.D_liquid = s.Dl;
    f.D_vapour = s.Dv;
    f.iterations = s.steps;
    return f;
}

// The split of an unstable feed: Newton's flash from the trial phase's K-values; where it does
// not settle, substitution steps, with Newton's tried again from time to time.
Flash split(const MixtureModel& m, const std::vector<double>& z, double T, double p,
            const PhaseAt& feed, const TrialPhase& trial, bool vapour_like,
            const std::vector<PureAtT>& at) {
    const std::size_t n = z.size();
    FlashSubstitution s;
    s.K.assign(n, 1.0);
    for (std::size_t i = 0; i < n; ++i)
        if (z[i] > 0.0) s.K[i] = vapour_like ? trial.W[i] / z[i] : z[i] / trial.W[i];
    FlashEstimate f = flash_start(z, T, p, feed, trial, vapour_like, at, s.K);
    f.iterations = trial.iterations;
    if (flash_newton(m, z, T, p, f)) return result_of(z, T, p, f);
    // Substitution, with Newton tried again after 3, 6, 12, ... of its steps.
    Flash out;
    for (int steps = kLeadSteps; s.steps < kSubstitutions; steps *= 2) {
        if (substitute_split(m, z, T, p, feed, s, steps, out)) return out;
        f = estimate_of(z, s);
        double V = 0;
        for (double v : f.v) V += v;
        if (V > 0.0 && V < 1.0 && flash_newton(m, z, T, p, f)) return result_of(z, T, p, f);
    }
    throw Error(ErrorKind::no_solution, "flash: the substitution does not settle");
}

// The tangent-plane test from one trial phase: Newton's from the trial's start density, then
// from the roots of the trial's composition searched on its own branch and on the other (a
// vapour-like trial may have no root on its branch at p, beyond the vapour's spinodal), else
// substitution with the trial's density searched at each step. Unstable with the stationary
// trial phase.
bool unstable_from(const MixtureModel& m, const std::vector<double>& z, const PhaseAt& feed,
                   double T, double p, TrialPhase& trial, bool liquid_like, double other) {
    const TrialPhase start = trial;
    const std::vector<double> w = normalised(start.W);
    Stability verdict = tangent_plane_test(m, z, feed.ln_phi, T, p, trial);
    for (bool liquid : {liquid_like, !liquid_like}) {
        if (verdict != Stability::failed) return verdict == Stability::unstable;
        trial = start;
        if (liquid != liquid_like) trial.D = other;
        if (density_from(m, w.data(), T, p, liquid, trial.D))
            verdict = tangent_plane_test(m, z, feed.ln_phi, T, p, trial);
    }
    if (verdict != Stability::failed) return verdict == Stability::unstable;
    std::vector<double> W;
    if (!unstable(m, z, feed, T, p, start.W, W)) return false;
    trial = start;
    trial.W = W;
    trial.D = 0;
    return true;
}

}  // namespace

Flash flash_Tp(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
               const std::vector<double>& z, double T, double p,
               const std::vector<SaturationSource>& saturation) {
    const std::vector<PureAtT> at = pure_at(pure, saturation, T);
    const PhaseAt feed = phase_at(m, z, T, p, liquid_start(at, z), vapour_start(at, z, T, p));
    if (!feed.ok) throw Error(ErrorKind::no_solution, "no density of the mixture at this T and p");
    const std::vector<double> K = raoult(at, p);
    // The trial of the other kind of phase than the feed's first: the one that splits it, if any.
    for (bool vapour_like : {feed.liquid, !feed.liquid}) {
        TrialPhase trial;
        for (std::size_t i = 0; i < z.size(); ++i)
            trial.W.push_back(vapour_like ? z[i] * K[i] : z[i] / K[i]);
        const std::vector<double> w = normalised(trial.W);
        const double Dl = liquid_start(at, w), Dv = vapour_start(at, w, T, p);
        trial.D = vapour_like ? Dv : Dl;
        if (unstable_from(m, z, feed, T, p, trial, !vapour_like, vapour_like ? Dl : Dv))
            return split(m, z, T, p, feed, trial, vapour_like, at);
    }
    return one_phase(z, T, p, feed);
}

namespace {

constexpr double kLowestInTc = 0.3, kHighestInTc = 4.0;
constexpr int kTemperatureSteps = 200;

// The value of `field` (h or s) of a flash's result, and in one phase its slope in T at
// constant p (cp, or cp/T for s); NaN in two phases.
struct FlashValue {
    double v = 0, slope = 0;
};

FlashValue flash_value_slope(const MixtureModel& m, const Flash& f,
                             double StateProperties::*field) {
    const PhaseSplit& s = f.split;
    if (f.two_phase) {
        StateProperties liq, vap;
        if (!m.properties(s.x.data(), s.T, s.Dliq, liq) ||
            !m.properties(s.y.data(), s.T, s.Dvap, vap))
            throw Error(ErrorKind::no_solution, "the phases of the flash cannot be evaluated");
        return {(1.0 - f.beta) * liq.*field + f.beta * vap.*field, std::nan("")};
    }
    // One phase: x = y = z and one density.
    StateProperties one;
    if (!m.properties(s.x.data(), s.T, s.Dliq, one))
        throw Error(ErrorKind::no_solution, "the phase of the flash cannot be evaluated");
    const double slope = field == &StateProperties::h ? one.cp : one.cp / s.T;
    return {one.*field, slope > 0.0 ? slope : std::nan("")};
}

double flash_value(const MixtureModel& m, const Flash& f, double StateProperties::*field) {
    return flash_value_slope(m, f, field).v;
}

// The search's ends: the bounds given, else from the components' highest Tmin (at least 0.3 of
// their highest critical temperature) to 4 times their highest critical temperature.
std::pair<double, double> search_ends(const std::vector<CriticalConstants>& pure,
                                      const TemperatureBounds& bounds) {
    if (bounds.lo > 0.0 && bounds.hi > bounds.lo) return {bounds.lo, bounds.hi};
    double Tc = 0, Tmin = 0;
    for (const CriticalConstants& c : pure) {
        Tc = std::max(Tc, c.Tc);
        Tmin = std::max(Tmin, c.Tmin);
    }
    return {std::max(Tmin, kLowestInTc * Tc), kHighestInTc * Tc};
}

// The search's bracket [a, b] with the differences of the value from the target at its ends, and
// the point the steps start from with its slope, and the one before it (for a secant).
struct Bracket {
    double a = 0, b = 0, va = 0, vb = 0;
    double T_last = 0, v_last = 0, slope = 0, T_before = 0, v_before = 0;
};

// The value and its slope of the phase of composition z at (T, D) alone.
FlashValue phase_value(const MixtureModel& m, const std::vector<double>& z, double T, double D,
                       double StateProperties::*field) {
    StateProperties r;
    if (!m.properties(z.data(), T, D, r)) return {std::nan(""), std::nan("")};
    return {r.*field, field == &StateProperties::h ? r.cp : r.cp / T};
}

// The bracket from the ends of the search alone: the start at the end nearer the target.
Bracket bracket_from_ends(const FlashValue& at_a, const FlashValue& at_b, double a, double b,
                          double target) {
    Bracket k{a, b, at_a.v - target, at_b.v - target};
    const bool from_a = -k.va < k.vb;
    k.T_last = from_a ? a : b, k.v_last = from_a ? k.va : k.vb;
    k.slope = from_a ? at_a.slope : at_b.slope;
    k.T_before = from_a ? b : a, k.v_before = from_a ? k.vb : k.va;
    return k;
}

// The bracket from the bubble and the dew point at p, where both are found inside the ends: the
// glide if the target lies between the saturated liquid's and vapour's values (secant steps),
// else the liquid below the bubble point or the vapour above the dew point (Newton steps from
// it). False where p has no bubble or dew point there.
bool bracket_from_saturation(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                             const std::vector<SaturationSource>& saturation,
                             const std::vector<double>& z, double p, double target,
                             double StateProperties::*field, double a, double b, Bracket& k) {
    PhaseSplit bubble, dew;
    try {
        bubble = bubble_at_p(m, pure, z, p, saturation);
        dew = dew_at_p(m, pure, z, p, saturation);
    } catch (const Error&) {
        return false;
    }
    if (!(a < bubble.T && bubble.T <= dew.T && dew.T < b)) return false;
    const FlashValue liquid = phase_value(m, z, bubble.T, bubble.Dliq, field);
    const FlashValue vapour = phase_value(m, z, dew.T, dew.Dvap, field);
    if (!std::isfinite(liquid.v) || !std::isfinite(vapour.v)) return false;
    const double v_bubble = liquid.v - target, v_dew = vapour.v - target;
    if (v_bubble <= 0.0 && v_dew >= 0.0) {
        k = {bubble.T, dew.T, v_bubble, v_dew, bubble.T, v_bubble, std::nan(""), dew.T, v_dew};
        return true;
    }
    const bool below = v_bubble > 0.0;
    const double end = below ? a : b;
    const double v_end =
        flash_value_slope(m, flash_Tp(m, pure, z, end, p, saturation), field).v - target;
    if (below)
        k = {a, bubble.T, v_end, v_bubble, bubble.T, v_bubble, liquid.slope, a, v_end};
    else
        k = {dew.T, b, v_dew, v_end, dew.T, v_dew, vapour.slope, b, v_end};
    return true;
}

// The (T, p) flash whose value of `field` is `target`, which rises with T: Newton steps with
// the phase's own slope (cp) in one phase, secant steps across the glide, each kept inside a
// bracket that Illinois steps shrink where a step would leave it. The bracket comes from the
// bubble and dew points at p where they are found, else from the search's ends.
Flash flash_where(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                  const std::vector<SaturationSource>& saturation, const std::vector<double>& z,
                  double p, double target, double StateProperties::*field, const char* name,
                  const TemperatureBounds& bounds) {
    const auto [lo, hi] = search_ends(pure, bounds);
    Bracket k;
    if (!bracket_from_saturation(m, pure, saturation, z, p, target, field, lo, hi, k)) {
        const Flash fa = flash_Tp(m, pure, z, lo, p, saturation);
        const Flash fb = flash_Tp(m, pure, z, hi, p, saturation);
        k = bracket_from_ends(flash_value_slope(m, fa, field), flash_value_slope(m, fb, field), lo,
                              hi, target);
    }
    double &a = k.a, &b = k.b, &va = k.va, &vb = k.vb;
    if (va > 0.0 || vb < 0.0)
        throw Error(ErrorKind::out_of_range, std::string(name) + " lies beyond its values from " +
                                                 text(lo) + " K to " + text(hi) + " K at this p");
    int side = 0;
    for (int step = 0; step < kTemperatureSteps; ++step) {
        double slope = k.slope;
        if (!(slope > 0.0)) slope = (k.v_last - k.v_before) / (k.T_last - k.T_before);
        double T = k.T_last - k.v_last / slope;
        const bool newton = slope > 0.0 && T > a && T < b;
        if (!newton) T = b - vb * (b - a) / (vb - va);
        const Flash f = flash_Tp(m, pure, z, T, p, saturation);
        const FlashValue at = flash_value_slope(m, f, field);
        const double v = at.v - target;
        if (v == 0.0 || std::fabs(v) <= 1e-11 * (std::fabs(target) + 1.0) ||
            std::fabs(b - a) <= 1e-12 * T)
            return f;
        if (v > 0.0) {
            b = T, vb = v;
            if (!newton && side == 1) va *= 0.5;
            side = 1;
        } else {
            a = T, va = v;
            if (!newton && side == -1) vb *= 0.5;
            side = -1;
        }
        k.T_before = k.T_last, k.v_before = k.v_last;
        k.T_last = T, k.v_last = v, k.slope = at.slope;
    }
    throw Error(ErrorKind::no_solution,
                std::string("the temperature of this ") + name + " does not settle");
}

}  // namespace

double flash_enthalpy(const MixtureModel& m, const Flash& f) {
    return flash_value(m, f, &StateProperties::h);
}

double flash_entropy(const MixtureModel& m, const Flash& f) {
    return flash_value(m, f, &StateProperties::s);
}

Flash flash_ph(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
               const std::vector<double>& z, double p, double h,
               const std::vector<SaturationSource>& saturation, const TemperatureBounds& bounds) {
    return flash_where(m, pure, saturation, z, p, h, &StateProperties::h, "h", bounds);
}

Flash flash_ps(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
               const std::vector<double>& z, double p, double s,
               const std::vector<SaturationSource>& saturation, const TemperatureBounds& bounds) {
    return flash_where(m, pure, saturation, z, p, s, &StateProperties::s, "s", bounds);
}

CriticalConstants critical_constants_of(const Fluid& fluid) {
    return {fluid.info().Tc, fluid.info().pc, fluid.info().acentric, fluid.range().Tmin};
}

SaturationSource series_source(const Fluid& fluid) {
    const Fluid* f = &fluid;
    return [f](double T, PureSaturation& out) {
        try {
            const SeriesPoint s = f->saturation_series(Fluid::SaturationBy::T, T);
            out = {s.p, s.Dl, s.Dv};
            return true;
        } catch (const Error&) {
            return false;
        }
    };
}

}  // namespace xalt1::detail
