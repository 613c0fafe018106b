// Newton's method for the phase equilibria of the one-fluid model, in the phases' own variables:
// the densities are unknowns beside the compositions and T, so that each step costs one
// evaluation per phase (MixtureModel::phase_slopes) and no density search. Equal fugacities are
// written with the residual chemical potentials, ln f_i = ln x_i + mu_i + ln(D R T), defined
// at any pressure. The solvers say where they do not settle; the callers then fall back on
// successive substitution.
#pragma once

#include <vector>

#include "api/mixture_model.h"
#include "api/small_dense.h"

namespace xalt1::detail {

// K-values within 1e-5 of 1 with densities within 1 % mean the two phases have become one (the
// trivial solution); at an azeotrope the K-values are 1 but the densities are a liquid's and a
// vapour's. `spread` is the largest |ln K_i|.
bool same_phase(double spread, double D_one, double D_other);

// A bubble or dew point under way: the feed of composition z at T with the density D_feed, and
// its incipient phase of the amounts z_i kappa_i per mole of feed (kappa = K for a bubble
// point, 1/K for a dew point) with the density D_incipient; p the specified pressure, or on
// success the pressure of both phases.
struct IncipientEstimate {
    double T = 0, p = 0;
    std::vector<double> ln_kappa;
    double D_feed = 0, D_incipient = 0;
    int iterations = 0;
};

// Newton steps in (ln kappa_i, ln D_feed, ln D_incipient, ln T) on equal fugacities, the sum
// rule sum z_i kappa_i = 1, equal pressures and the condition that fixes the point: T held
// (by_T) or the feed's pressure p. True with `e` the solution, the liquid denser than the vapour
// and not the trivial one (equal phases); false where the steps do not settle, a step leaves what
// the equation takes or a phase becomes unstable (dp/dD <= 0). `feed_liquid`: a bubble point.
bool incipient_newton(const MixtureModel& m, const std::vector<double>& z, bool by_T,
                      bool feed_liquid, IncipientEstimate& e);

// The incipient phase's mole fractions of an estimate.
std::vector<double> incipient_fractions(const std::vector<double>& z, const IncipientEstimate& e);

// A trial phase of Michelsen's tangent-plane test: its amounts W and density D (the start on
// entry, the stationary point on exit).
struct TrialPhase {
    std::vector<double> W;
    double D = 0;
    int iterations = 0;
};

enum class Stability { unstable, stable, failed };

// The tangent-plane test of the feed z at (T, p) with the fugacity coefficients ln_phi_feed,
// from the trial phase `t`: steps towards the stationary point of the tangent-plane distance,
// ln W_i + ln phi_i(w) = ln z_i + ln phi_i(z) at the trial's pressure p, in (ln W_i, ln D) -
// successive substitution of ln W (with a Newton step of the density) first, then Newton's.
// Unstable as soon as the modified distance 1 + sum W_i (ln W_i + ln phi_i(w) - d_i - 1) at
// the trial's pressure is negative (the feed splits); stable at a stationary point with sum W
// <= 1 or where the trial becomes the feed (the trivial solution); failed where a step leaves
// what the equation takes or the steps do not settle. Components absent from the feed stay
// absent from the trial.
Stability tangent_plane_test(const MixtureModel& m, const std::vector<double>& z,
                             const std::vector<double>& ln_phi_feed, double T, double p,
                             TrialPhase& t);

// A flash under way: the vapour's amounts per mole of feed v (the liquid's z - v) and the two
// phases' densities.
struct FlashEstimate {
    std::vector<double> v;
    double D_liquid = 0, D_vapour = 0;
    int iterations = 0;
};

// Newton steps in (v_i, ln D_liquid, ln D_vapour) on equal fugacities and both phases at p,
// each v_i kept within (0, z_i). True with `f` the split, the liquid denser than the vapour
// and not the trivial one; false where the steps do not settle.
bool flash_newton(const MixtureModel& m, const std::vector<double>& z, double T, double p,
                  FlashEstimate& f);

}  // namespace xalt1::detail
