#include "api/mixture_newton.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace xalt1::detail {

namespace {

constexpr double kTrivial = 1e-5;
constexpr double kSameDensity = 1e-2;

}  // namespace

bool same_phase(double spread, double D_one, double D_other) {
    return spread < kTrivial && std::fabs(std::log(D_one / D_other)) < kSameDensity;
}

bool solve_dense(std::vector<double> A, std::vector<double>& b) {
    const std::size_t n = b.size();
    const auto at = [&A, n](std::size_t r, std::size_t c) -> double& { return A[r * n + c]; };
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::fabs(at(r, c)) > std::fabs(at(pivot, c))) pivot = r;
        if (!(std::fabs(at(pivot, c)) > 0.0)) return false;
        if (pivot != c) {
            for (std::size_t k = c; k < n; ++k) std::swap(at(c, k), at(pivot, k));
            std::swap(b[c], b[pivot]);
        }
        for (std::size_t r = c + 1; r < n; ++r) {
            const double f = at(r, c) / at(c, c);
            for (std::size_t k = c; k < n; ++k) at(r, k) -= f * at(c, k);
            b[r] -= f * b[c];
        }
    }
    for (std::size_t c = n; c-- > 0;) {
        double sum = b[c];
        for (std::size_t k = c + 1; k < n; ++k) sum -= at(c, k) * b[k];
        b[c] = sum / at(c, c);
        if (!std::isfinite(b[c])) return false;
    }
    return true;
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

// The two phases of an estimate, evaluated.
struct Phases {
    PhaseSlopes feed, incipient;
    std::vector<double> w;  // the incipient phase's mole fractions
};

bool evaluate(const MixtureModel& m, const std::vector<double>& z, const IncipientEstimate& e,
              Phases& ph) {
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
void system(const std::vector<double>& z, const IncipientEstimate& e, const Phases& ph, bool by_T,
            std::vector<double>& r, std::vector<double>& J) {
    const std::size_t n = z.size(), size = n + 3, lnDf = n, lnDi = n + 1, lnT = n + 2;
    const PhaseSlopes &f = ph.feed, &i = ph.incipient;
    r.assign(size, 0.0);
    J.assign(size * size, 0.0);
    const auto at = [&J, size](std::size_t row, std::size_t col) -> double& {
        return J[row * size + col];
    };
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

double largest(const std::vector<double>& v, std::size_t from, std::size_t to) {
    double m = 0;
    for (std::size_t k = from; k < to; ++k) m = std::max(m, std::fabs(v[k]));
    return m;
}

// The share of the step taken: all of it, or as much as keeps each kind of unknown within its
// largest step.
double share_of(const std::vector<double>& step, std::size_t n, bool feed_liquid) {
    const std::size_t liquid = feed_liquid ? n : n + 1, vapour = feed_liquid ? n + 1 : n;
    const double worst = std::max(
        {largest(step, 0, n) / kLargestLnKappa, std::fabs(step[liquid]) / kLargestLiquidLnD,
         std::fabs(step[vapour]) / kLargestLnD, std::fabs(step[n + 2]) / kLargestLnT});
    return worst > 1.0 ? 1.0 / worst : 1.0;
}

IncipientEstimate moved(const IncipientEstimate& e, const std::vector<double>& step, double share) {
    const std::size_t n = e.ln_kappa.size();
    IncipientEstimate next = e;
    for (std::size_t k = 0; k < n; ++k) next.ln_kappa[k] += share * step[k];
    next.D_feed *= std::exp(share * step[n]);
    next.D_incipient *= std::exp(share * step[n + 1]);
    next.T *= std::exp(share * step[n + 2]);
    return next;
}

// The densities' steps taken to second order: a step of ln D that changes the phase's pressure
// by what the linear model says (a liquid's pressure is steep and convex in its density, so
// that the linear step overshoots). With a = dp/dln D and b = d2p/dln D2, a d + b d^2/2 = a s.
void curve_density_steps(const IncipientEstimate& e, const Phases& ph, std::vector<double>& step) {
    const std::size_t n = e.ln_kappa.size();
    const struct {
        double D;
        const PhaseSlopes& s;
        double& step;
    } phases[] = {{e.D_feed, ph.feed, step[n]}, {e.D_incipient, ph.incipient, step[n + 1]}};
    for (const auto& p : phases) {
        const double a = p.D * p.s.dpdD, b = a + p.D * p.D * p.s.d2pdD2, change = a * p.step;
        const double discriminant = a * a + 2.0 * b * change;
        if (discriminant > 0.0) p.step = 2.0 * change / (a + std::sqrt(discriminant));
    }
}

// A solution that is two phases: the liquid denser than the vapour and not the trivial one.
bool two_phases(const IncipientEstimate& e, bool feed_liquid) {
    const double liquid = feed_liquid ? e.D_feed : e.D_incipient;
    const double vapour = feed_liquid ? e.D_incipient : e.D_feed;
    const double spread = largest(e.ln_kappa, 0, e.ln_kappa.size());
    return std::isfinite(e.p + e.T + liquid + vapour + spread) && e.p > 0.0 && liquid > vapour &&
           !same_phase(spread, liquid, vapour);
}

}  // namespace

bool incipient_newton(const MixtureModel& m, const std::vector<double>& z, bool by_T,
                      bool feed_liquid, IncipientEstimate& e) {
    const std::size_t n = z.size();
    Phases ph;
    if (!evaluate(m, z, e, ph)) return false;
    std::vector<double> r, J;
    double last = 0;  // the largest residual of the last step
    for (int k = 0; k < kNewtonSteps; ++k) {
        ++e.iterations;
        system(z, e, ph, by_T, r, J);
        if (by_T) e.p = ph.feed.p;
        const double residual = largest(r, 0, n + 3);
        if (residual < kSolved) return two_phases(e, feed_liquid);
        std::vector<double> step(r);
        for (double& v : step) v = -v;
        if (!solve_dense(J, step)) return false;
        curve_density_steps(e, ph, step);
        double share = share_of(step, n, feed_liquid);
        if (share == 1.0 && residual < kQuadraticReach &&
            residual * (residual / last) * (residual / last) < kSettledAhead) {
            IncipientEstimate end = moved(e, step, 1.0);
            // The pressure at the step's end to first order.
            if (by_T) end.p += ph.feed.dpdD * (end.D_feed - e.D_feed);
            e = end;
            return two_phases(e, feed_liquid);
        }
        IncipientEstimate next = moved(e, step, share);
        int halvings = 0;
        while (!evaluate(m, z, next, ph)) {
            if (++halvings > kHalvings) return false;
            share *= 0.5;
            next = moved(e, step, share);
        }
        e = next;
        last = residual;
    }
    return false;
}

}  // namespace xalt1::detail
