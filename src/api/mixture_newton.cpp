#include "api/mixture_newton.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "eos/constants.h"

namespace xalt1::detail {

namespace {

constexpr double R = GAS_CONSTANT;
constexpr double kTrivial = 1e-5;
constexpr double kSameDensity = 1e-2;

}  // namespace

bool same_phase(double spread, double D_one, double D_other) {
    return spread < kTrivial && std::fabs(std::log(D_one / D_other)) < kSameDensity;
}

std::vector<double> incipient_fractions(const std::vector<double>& z, const IncipientEstimate& e) {
    std::vector<double> w(z.size());
    double sum = 0;
    for (std::size_t i = 0; i < z.size(); ++i) sum += w[i] = z[i] * std::exp(e.ln_kappa[i]);
    for (double& v : w) v /= sum;
    return w;
}

namespace {

constexpr int kNewtonSteps = 30;
constexpr int kHalvings = 4;
constexpr double kSolved = 1e-10;  // ln f and relative pressures
// The largest step of each kind of unknown; a longer step is shortened as a whole.
constexpr double kLargestLnKappa = 1.0, kLargestLnD = 0.5, kLargestLnT = 0.05;
// The liquid's pressure rises steeply and convexly with its density: a longer step overshoots.
constexpr double kLargestLiquidLnD = 0.1;
// Residuals this small that fell from the last ones as Newton's quadratic rate makes them
// fall, r_k+1 = r_k^3 / r_k-1^2, leave the next below kSettledAhead: the last step is taken
// without an evaluation at its end.
constexpr double kQuadraticReach = 1e-5, kSettledAhead = 1e-12;

double largest(const std::vector<double>& v, std::size_t from, std::size_t to) {
    double m = 0;
    for (std::size_t k = from; k < to; ++k) m = std::max(m, std::fabs(v[k]));
    return m;
}

// The residuals r and the Jacobian J of `size` unknowns, zeroed; J's element (row, col) through
// the accessor returned.
auto zeroed(std::vector<double>& r, std::vector<double>& J, std::size_t size) {
    r.assign(size, 0.0);
    J.assign(size * size, 0.0);
    return [&J, size](std::size_t row, std::size_t col) -> double& { return J[row * size + col]; };
}

// A density's step taken to second order: the step of ln D that changes the phase's pressure by
// what the linear model says (a liquid's pressure is steep and convex in its density, so that
// the linear step overshoots). With a = dp/dln D and b = d2p/dln D2, a d + b d^2/2 = a s.
// False where the pressure asked for lies beyond the maximum of a concave model (a vapour's
// branch that does not reach it); where the model has no such step the step stays the linear
// one.
bool curved(double D, const PhaseSlopes& s, double& step) {
    const double a = D * s.dpdD, b = a + D * D * s.d2pdD2, change = a * step;
    const double discriminant = a * a + 2.0 * b * change;
    if (discriminant > 0.0) step = 2.0 * change / (a + std::sqrt(discriminant));
    return discriminant > 0.0 || b > 0.0;
}

// A density's step over its largest one.
double density_reach(double step, bool liquid) {
    return std::fabs(step) / (liquid ? kLargestLiquidLnD : kLargestLnD);
}

// A phase whose pressure rises much faster than in proportion to its density.
bool liquid_like(double D, const PhaseSlopes& s) {
    return D * s.dpdD > 3.0 * std::fabs(s.p);
}

// The step from `e` taken as far as `share` of it, halved while the state at its end cannot be
// evaluated; false after kHalvings halvings.
template <class State, class Move, class Evaluate>
bool take_step(State& e, const std::vector<double>& step, double share, Move moved,
               Evaluate evaluate) {
    State next = moved(e, step, share);
    for (int halvings = 0; !evaluate(next); ++halvings) {
        if (halvings == kHalvings) return false;
        share *= 0.5;
        next = moved(e, step, share);
    }
    e = next;
    return true;
}

// Newton's steps the solvers share, from the evaluated state `e`: at each state the problem's
// residuals and Jacobian (system), the step solved and shaped by the problem (its densities'
// steps to second order; the share of it taken, 0 to give up), then taken (take_step). Where
// the last two residuals fell at the quadratic rate to leave the next below kSettledAhead, the
// whole step is taken without an evaluation at its end (last_step). True with `e` where the
// residuals fall below kSolved and the problem takes the state (solution).
template <class State, class Problem>
bool newton_steps(State& e, Problem& problem) {
    const auto moved = [&problem](const State& from, const std::vector<double>& step,
                                  double share) { return problem.moved(from, step, share); };
    const auto evaluate = [&problem](const State& at) { return problem.evaluate(at); };
    std::vector<double> r, J;
    double last = 0;  // the largest residual of the last step
    for (int k = 0; k < kNewtonSteps; ++k) {
        ++e.iterations;
        problem.system(e, r, J);
        const double residual = largest(r, 0, r.size());
        if (residual < kSolved) return problem.solution(e);
        std::vector<double> step(r);
        for (double& v : step) v = -v;
        if (!solve_dense(J, step)) return false;
        const double share = problem.shape(e, step);
        if (!(share > 0.0)) return false;
        if (share == 1.0 && last > 0.0 && residual < kQuadraticReach &&
            residual * (residual / last) * (residual / last) < kSettledAhead) {
            problem.last_step(e, step);
            return problem.solution(e);
        }
        if (!take_step(e, step, share, moved, evaluate)) return false;
        last = residual;
    }
    return false;
}

// The two phases of an estimate, evaluated.
struct Phases {
    PhaseSlopes feed, incipient;
    std::vector<double> w;  // the incipient phase's mole fractions
};

bool evaluate_phases(const MixtureModel& m, const std::vector<double>& z,
                     const IncipientEstimate& e, Phases& ph) {
    ph.w = incipient_fractions(z, e);
    return m.phase_slopes(z.data(), e.T, e.D_feed, ph.feed) &&
           m.phase_slopes(ph.w.data(), e.T, e.D_incipient, ph.incipient) && ph.feed.dpdD > 0.0 &&
           ph.incipient.dpdD > 0.0;
}

// The residuals r and the Jacobian J (row-major) in the unknowns (ln kappa_i, ln D_feed,
// ln D_incipient, ln T), n + 3 of each:
//   r_i = ln kappa_i + mu_i(incipient) + ln D_incipient - mu_i(feed) - ln D_feed,
//   r_n = sum z_i kappa_i - 1,  r_n+1 = (p_feed - p_incipient)/p_scale,
//   r_n+2 = 0 with T held (ln T's row the identity), else (p_feed - p)/p.
// The incipient phase's amounts z_j kappa_j move its mu by (N dmu/dn_j) w_j per ln kappa_j.
void incipient_system(const std::vector<double>& z, const IncipientEstimate& e, const Phases& ph,
                      bool by_T, std::vector<double>& r, std::vector<double>& J) {
    const std::size_t n = z.size(), size = n + 3, lnDf = n, lnDi = n + 1, lnT = n + 2;
    const PhaseSlopes &f = ph.feed, &i = ph.incipient;
    const auto at = zeroed(r, J, size);
    for (std::size_t k = 0; k < n; ++k) {
        r[k] = e.ln_kappa[k] + i.mu[k] + std::log(e.D_incipient) - f.mu[k] - std::log(e.D_feed);
        for (std::size_t j = 0; j < n; ++j) at(k, j) = (k == j) + i.dn[k * n + j] * ph.w[j];
        at(k, lnDf) = -(e.D_feed * f.dD[k] + 1.0);
        at(k, lnDi) = e.D_incipient * i.dD[k] + 1.0;
        at(k, lnT) = e.T * (i.dT[k] - f.dT[k]);
        r[n] += z[k] * std::exp(e.ln_kappa[k]);
        at(n, k) = z[k] * std::exp(e.ln_kappa[k]);
    }
    r[n] -= 1.0;
    const double scale = std::max(std::fabs(f.p), std::fabs(i.p));
    r[n + 1] = (f.p - i.p) / scale;
    for (std::size_t j = 0; j < n; ++j) at(n + 1, j) = -i.dp_dn[j] * ph.w[j] / scale;
    at(n + 1, lnDf) = e.D_feed * f.dpdD / scale;
    at(n + 1, lnDi) = -e.D_incipient * i.dpdD / scale;
    at(n + 1, lnT) = e.T * (f.dpdT - i.dpdT) / scale;
    if (by_T) {
        at(n + 2, lnT) = 1.0;
    } else {
        r[n + 2] = (f.p - e.p) / e.p;
        at(n + 2, lnDf) = e.D_feed * f.dpdD / e.p;
        at(n + 2, lnT) = e.T * f.dpdT / e.p;
    }
}

// The share of the step taken: all of it, or as much as keeps each kind of unknown within its
// largest step.
double incipient_share(const std::vector<double>& step, std::size_t n, bool feed_liquid) {
    const double worst =
        std::max({largest(step, 0, n) / kLargestLnKappa, density_reach(step[n], feed_liquid),
                  density_reach(step[n + 1], !feed_liquid), std::fabs(step[n + 2]) / kLargestLnT});
    return worst > 1.0 ? 1.0 / worst : 1.0;
}

IncipientEstimate incipient_moved(const IncipientEstimate& e, const std::vector<double>& step,
                                  double share) {
    const std::size_t n = e.ln_kappa.size();
    IncipientEstimate next = e;
    for (std::size_t k = 0; k < n; ++k) next.ln_kappa[k] += share * step[k];
    next.D_feed *= std::exp(share * step[n]);
    next.D_incipient *= std::exp(share * step[n + 1]);
    next.T *= std::exp(share * step[n + 2]);
    return next;
}

// A solution that is two phases: the liquid denser than the vapour and not the trivial one.
bool incipient_split(const IncipientEstimate& e, bool feed_liquid) {
    const double liquid = feed_liquid ? e.D_feed : e.D_incipient;
    const double vapour = feed_liquid ? e.D_incipient : e.D_feed;
    const double spread = largest(e.ln_kappa, 0, e.ln_kappa.size());
    return std::isfinite(e.p + e.T + liquid + vapour + spread) && e.p > 0.0 && liquid > vapour &&
           !same_phase(spread, liquid, vapour);
}

// Newton's problem of a bubble or dew point (newton_steps).
struct IncipientProblem {
    const MixtureModel& m;
    const std::vector<double>& z;
    bool by_T, feed_liquid;
    Phases ph;

    bool evaluate(const IncipientEstimate& e) { return evaluate_phases(m, z, e, ph); }
    void system(IncipientEstimate& e, std::vector<double>& r, std::vector<double>& J) {
        incipient_system(z, e, ph, by_T, r, J);
        if (by_T) e.p = ph.feed.p;
    }
    double shape(const IncipientEstimate& e, std::vector<double>& step) {
        const std::size_t n = z.size();
        curved(e.D_feed, ph.feed, step[n]);
        curved(e.D_incipient, ph.incipient, step[n + 1]);
        return incipient_share(step, n, feed_liquid);
    }
    IncipientEstimate moved(const IncipientEstimate& e, const std::vector<double>& step,
                            double share) const {
        return incipient_moved(e, step, share);
    }
    // The pressure at the step's end to first order.
    void last_step(IncipientEstimate& e, const std::vector<double>& step) const {
        IncipientEstimate end = incipient_moved(e, step, 1.0);
        if (by_T) end.p += ph.feed.dpdD * (end.D_feed - e.D_feed);
        e = end;
    }
    bool solution(const IncipientEstimate& e) const { return incipient_split(e, feed_liquid); }
};

}  // namespace

bool incipient_newton(const MixtureModel& m, const std::vector<double>& z, bool by_T,
                      bool feed_liquid, IncipientEstimate& e) {
    IncipientProblem problem{m, z, by_T, feed_liquid, {}};
    return problem.evaluate(e) && newton_steps(e, problem);
}

// ---- The tangent-plane test ---------------------------------------------------------------

namespace {

constexpr int kTrialSteps = 60;
constexpr int kTrialSubstitutions = 3;  // substitution steps before Newton's
constexpr double kTrivialTrial = 1e-4;  // the largest |ln(w_i/z_i)| of a trial that is the feed
constexpr double kNegative = 1e-8;      // a tangent-plane distance below -kNegative splits
// The trial's pressure within this share of p: the distance at the trial is the distance at p.
constexpr double kAtPressure = 1e-9;

TrialPhase trial_moved(const TrialPhase& t, const std::vector<double>& step, double share) {
    TrialPhase next = t;
    for (std::size_t i = 0; i < t.W.size(); ++i)
        if (t.W[i] > 0.0) next.W[i] *= std::exp(share * step[i]);
    next.D *= std::exp(share * step.back());
    return next;
}

std::vector<double> fractions(const std::vector<double>& W) {
    double sum = 0;
    for (double v : W) sum += v;
    std::vector<double> w(W);
    for (double& v : w) v /= sum;
    return w;
}

// The residuals r_i = ln W_i + mu_i + ln D - d_i of the trial's components (0 for the absent)
// and r_n = (p_trial - p)/p, with the Jacobian in (ln W_i, ln D) (the absent components' rows
// the identity).
void trial_system(const std::vector<double>& d, const TrialPhase& t, const std::vector<double>& w,
                  const PhaseSlopes& s, double p, std::vector<double>& r, std::vector<double>& J) {
    const std::size_t n = d.size();
    const auto at = zeroed(r, J, n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (t.W[i] <= 0.0) {
            at(i, i) = 1.0;
            continue;
        }
        r[i] = std::log(t.W[i]) + s.mu[i] + std::log(t.D) - d[i];
        for (std::size_t j = 0; j < n; ++j) at(i, j) = (i == j) + s.dn[i * n + j] * w[j];
        at(i, n) = t.D * s.dD[i] + 1.0;
        at(n, i) = s.dp_dn[i] * w[i] / p;
    }
    r[n] = (s.p - p) / p;
    at(n, n) = t.D * s.dpdD / p;
}

// Michelsen's modified tangent-plane distance 1 + sum W_i (r_i - 1) at the trial.
double distance(const TrialPhase& t, const std::vector<double>& r) {
    double tm = 1.0;
    for (std::size_t i = 0; i < t.W.size(); ++i) tm += t.W[i] * (r[i] - 1.0);
    return tm;
}

bool is_feed(const std::vector<double>& z, const std::vector<double>& w) {
    for (std::size_t i = 0; i < z.size(); ++i)
        if (z[i] > 0.0 && std::fabs(std::log(w[i] / z[i])) > kTrivialTrial) return false;
    return true;
}

}  // namespace

Stability tangent_plane_test(const MixtureModel& m, const std::vector<double>& z,
                             const std::vector<double>& ln_phi_feed, double T, double p,
                             TrialPhase& t) {
    const std::size_t n = z.size();
    // d_i = ln z_i + mu_i + ln D of the feed: ln f_i less ln(R T), as the trial's.
    std::vector<double> d(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        if (z[i] > 0.0) d[i] = std::log(z[i]) + ln_phi_feed[i] + std::log(p / (R * T / 1000.0));
        if (!(z[i] > 0.0)) t.W[i] = 0.0;
    }
    PhaseSlopes s;
    std::vector<double> w, r, J;
    const auto at = [&](const TrialPhase& next) {
        w = fractions(next.W);
        return m.phase_slopes(w.data(), T, next.D, s) && s.dpdD > 0.0;
    };
    if (!at(t)) return Stability::failed;
    for (int k = 0; k < kTrialSteps; ++k) {
        ++t.iterations;
        trial_system(d, t, w, s, p, r, J);
        const bool at_p = std::fabs(r[n]) < kAtPressure;
        if (at_p && distance(t, r) < -kNegative) return Stability::unstable;
        if (is_feed(z, w)) return Stability::stable;
        const double residual = largest(r, 0, n + 1);
        if (residual < kSolved) {
            double sum = 0;
            for (double W : t.W) sum += W;
            return sum > 1.0 + kNegative ? Stability::unstable : Stability::stable;
        }
        std::vector<double> step(r);
        for (double& v : step) v = -v;
        // Substitution: ln W_i moves by -r_i alone; ln D by the step of its pressure, where the
        // trial's branch reaches p (else the trial has no root on it).
        if (k < kTrialSubstitutions) {
            step[n] = -r[n] * p / (t.D * s.dpdD);
            if (!curved(t.D, s, step[n])) return Stability::failed;
        } else if (!solve_dense(J, step)) {
            return Stability::failed;
        } else {
            curved(t.D, s, step[n]);
        }
        const double worst = std::max(largest(step, 0, n) / kLargestLnKappa,
                                      density_reach(step[n], liquid_like(t.D, s)));
        const double share = worst > 1.0 ? 1.0 / worst : 1.0;
        if (!take_step(t, step, share, trial_moved, at)) return Stability::failed;
    }
    return Stability::failed;
}

// ---- The flash -------------------------------------------------------------------------------

namespace {

// Each v_i moves at most this share of the way to its bounds 0 and z_i in one step; steps held
// back so this many times in a row give up.
constexpr double kToBounds = 0.8;
constexpr int kBoundedSteps = 4;

// The two phases of a flash estimate, evaluated.
struct Split {
    PhaseSlopes liquid, vapour;
    std::vector<double> x, y;
    double L = 0, V = 0;  // the phases' amounts per mole of feed
};

bool evaluate_split(const MixtureModel& m, const std::vector<double>& z, double T,
                    const FlashEstimate& f, Split& s) {
    const std::size_t n = z.size();
    s.V = 0;
    for (double v : f.v) s.V += v;
    s.L = 1.0 - s.V;
    s.x.assign(n, 0.0);
    s.y.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        s.y[i] = f.v[i] / s.V;
        s.x[i] = (z[i] - f.v[i]) / s.L;
    }
    return s.V > 0.0 && s.L > 0.0 && m.phase_slopes(s.x.data(), T, f.D_liquid, s.liquid) &&
           m.phase_slopes(s.y.data(), T, f.D_vapour, s.vapour) && s.liquid.dpdD > 0.0 &&
           s.vapour.dpdD > 0.0;
}

// The residuals r_i = ln y_i + mu_i(vapour) + ln D_vapour - ln x_i - mu_i(liquid) - ln D_liquid
// of the feed's components (0 for the absent), r_n = (p_liquid - p)/p and r_n+1 = (p_vapour -
// p)/p, with the Jacobian in (v_i, ln D_liquid, ln D_vapour) (the absent components' rows the
// identity). The liquid's amounts are z_i - v_i.
void flash_system(const std::vector<double>& z, const FlashEstimate& f, const Split& s, double p,
                  std::vector<double>& r, std::vector<double>& J) {
    const std::size_t n = z.size(), size = n + 2, lnDl = n, lnDv = n + 1;
    const PhaseSlopes &l = s.liquid, &v = s.vapour;
    const auto at = zeroed(r, J, size);
    for (std::size_t i = 0; i < n; ++i) {
        if (!(z[i] > 0.0)) {
            at(i, i) = 1.0;
            continue;
        }
        r[i] = std::log(s.y[i]) + v.mu[i] + std::log(f.D_vapour) - std::log(s.x[i]) - l.mu[i] -
               std::log(f.D_liquid);
        for (std::size_t j = 0; j < n; ++j) {
            if (!(z[j] > 0.0)) continue;
            at(i, j) = (v.dn[i * n + j] - 1.0) / s.V + (l.dn[i * n + j] - 1.0) / s.L +
                       (i == j) * (1.0 / f.v[i] + 1.0 / (z[i] - f.v[i]));
        }
        at(i, lnDl) = -(f.D_liquid * l.dD[i] + 1.0);
        at(i, lnDv) = f.D_vapour * v.dD[i] + 1.0;
        at(lnDl, i) = -l.dp_dn[i] / s.L / p;
        at(lnDv, i) = v.dp_dn[i] / s.V / p;
    }
    r[lnDl] = (l.p - p) / p;
    r[lnDv] = (v.p - p) / p;
    at(lnDl, lnDl) = f.D_liquid * l.dpdD / p;
    at(lnDv, lnDv) = f.D_vapour * v.dpdD / p;
}

// The share of the step taken: each v_i within kToBounds of the way to its bounds, the densities
// within their largest steps.
// The share of the step that keeps each v_i within kToBounds of the way to its bounds.
double share_within_bounds(const std::vector<double>& z, const FlashEstimate& f,
                           const std::vector<double>& step) {
    double share = 1.0;
    for (std::size_t i = 0; i < z.size(); ++i) {
        if (step[i] < 0.0) share = std::min(share, kToBounds * f.v[i] / -step[i]);
        if (step[i] > 0.0) share = std::min(share, kToBounds * (z[i] - f.v[i]) / step[i]);
    }
    return share;
}

// The share of the step taken: within the bounds, the densities within their largest steps.
double flash_share(const std::vector<double>& z, const FlashEstimate& f,
                   const std::vector<double>& step) {
    const std::size_t n = z.size();
    const double worst = std::max(density_reach(step[n], true), density_reach(step[n + 1], false));
    const double share = share_within_bounds(z, f, step);
    return worst > 1.0 ? std::min(share, 1.0 / worst) : share;
}

FlashEstimate flash_moved(const FlashEstimate& f, const std::vector<double>& step, double share) {
    const std::size_t n = f.v.size();
    FlashEstimate next = f;
    for (std::size_t i = 0; i < n; ++i) next.v[i] += share * step[i];
    next.D_liquid *= std::exp(share * step[n]);
    next.D_vapour *= std::exp(share * step[n + 1]);
    return next;
}

// A solution that is two phases: both present, the liquid denser than the vapour and not the
// trivial one.
bool flash_split(const std::vector<double>& z, const FlashEstimate& f) {
    double V = 0, spread = 0;
    for (std::size_t i = 0; i < z.size(); ++i) {
        V += f.v[i];
        if (z[i] > 0.0) {
            if (!(f.v[i] > 0.0 && f.v[i] < z[i])) return false;
        }
    }
    for (std::size_t i = 0; i < z.size(); ++i)
        if (z[i] > 0.0)
            spread =
                std::max(spread, std::fabs(std::log(f.v[i] / V * (1.0 - V) / (z[i] - f.v[i]))));
    return std::isfinite(V + spread + f.D_liquid + f.D_vapour) && V > 0.0 && V < 1.0 &&
           f.D_liquid > f.D_vapour && !same_phase(spread, f.D_liquid, f.D_vapour);
}

// Newton's problem of a flash (newton_steps); steps that keep running into the bounds head for
// one phase and give up.
struct FlashProblem {
    const MixtureModel& m;
    const std::vector<double>& z;
    double T, p;
    Split s;
    int bounded = 0;  // steps held back by the bounds in a row

    bool evaluate(const FlashEstimate& f) { return evaluate_split(m, z, T, f, s); }
    void system(FlashEstimate& f, std::vector<double>& r, std::vector<double>& J) const {
        flash_system(z, f, s, p, r, J);
    }
    double shape(const FlashEstimate& f, std::vector<double>& step) {
        const std::size_t n = z.size();
        curved(f.D_liquid, s.liquid, step[n]);
        curved(f.D_vapour, s.vapour, step[n + 1]);
        bounded = share_within_bounds(z, f, step) < 1.0 ? bounded + 1 : 0;
        return bounded == kBoundedSteps ? 0.0 : flash_share(z, f, step);
    }
    FlashEstimate moved(const FlashEstimate& f, const std::vector<double>& step,
                        double share) const {
        return flash_moved(f, step, share);
    }
    void last_step(FlashEstimate& f, const std::vector<double>& step) const {
        f = flash_moved(f, step, 1.0);
    }
    bool solution(const FlashEstimate& f) const { return flash_split(z, f); }
};

}  // namespace

bool flash_newton(const MixtureModel& m, const std::vector<double>& z, double T, double p,
                  FlashEstimate& f) {
    for (std::size_t i = 0; i < z.size(); ++i)
        if (!(z[i] > 0.0)) f.v[i] = 0.0;
    FlashProblem problem{m, z, T, p, {}, 0};
    return problem.evaluate(f) && newton_steps(f, problem);
}

}  // namespace xalt1::detail
