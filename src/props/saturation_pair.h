// The saturated pair of an isotherm by a solve of its own (used where the passes of X_MAXWEL do
// not give one), the test that a pair is one, and the start densities both use.
#pragma once

#include <cstdint>

// Saturation pressure ps and saturated densities Dliq, Dvap at T on the outermost stable
// branches of the loaded equation: equal pressure and equal Gibbs energy, Dliq above the liquid
// spinodal and Dvap below the vapour spinodal. Status 0 on success; STATUS_NEAR_CRITICAL when
// T is not below Tc, the isotherm shows no loop, or the solve does not settle within its
// evaluations. Writes no report; outputs only on success. TD_PROPS holds the last evaluation.
void X_SAT_PAIR(const double& T, double& ps, double& Dliq, double& Dvap, int32_t& status);

// l_pair is true when (ps, Dliq, Dvap) is a saturated pair at T: Dliq > Dvap, both on stable
// branches (dp/dD > 0) with a loop of the isotherm between them, their pressures equal to ps
// within a relative 1e-4, pressures and Gibbs energies so close that a Newton step of the pair
// would move neither density by more than a relative 1e-5, ps < Pc and T < Tc. TD_PROPS is
// left as it was on entry.
void X_SAT_CHECK(const double& T, const double& ps, const double& Dliq, const double& Dvap,
                 bool& l_pair);

// Property evaluations the last X_SAT_PAIR call made; X_MAXWEL sets it to 0 at entry, so that
// after it a count above 0 tells that its pair came from X_SAT_PAIR (benchmarks and tests).
extern thread_local constinit int32_t SAT_PAIR_EVALUATIONS;

// Generic start densities of the saturated liquid and vapour at T, mol/dm3, reduced by the
// critical point of the loaded entry (T must not exceed Tc).
double RSIEDE(const double& T);
double RTAU(const double& T);
