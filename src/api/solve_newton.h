// Newton steps in (T, D) on two quantities at once: the direct solve of the pairs with p and of
// (h, s). Each step takes one evaluation, whose derivatives give the Jacobian (api/jets.h); the
// start comes from the saturation series (the saturated state of the branch, or the state whose
// saturated value equals the one asked for) or from the ideal gas. Where the steps do not
// settle the callers search along a known line instead.
#pragma once

#include <optional>

#include "api/jets.h"
#include "api/solve.h"

namespace xalt1::detail {

struct Goal {
    Var var;
    double value;
};

// Newton steps from the evaluated `pt` until both goals hold: steps limited in ln T and ln D,
// halved where the equation refuses the state or it is not stable; densities below
// `gas_density` move in ln D. True with `pt` the state.
bool newton_TD(Point& pt, Goal a, Goal b, double gas_density);

// The temperature in [Ta, Tb] at which the series' saturated liquid (or vapour) value of `var`
// equals `value`, where it rises with T there; the nearer end where the value lies beyond.
double series_temperature(const SaturationCurve& curve, Var var, bool liquid, double value,
                          double Ta, double Tb);

// (P, X) for X = h, s or u by Newton steps from the series; nothing where the state lies next
// to the saturation (the caller decides it with the exact pair) or the steps do not settle.
std::optional<Found> isobar_newton(const FluidCore& fc, double P, Var var, double value,
                                   PhaseChoice phase);

}  // namespace xalt1::detail
