// Joint nonlinear least squares of a universal term set and the per-fluid parameters (Ceres,
// Levenberg-Marquardt), and the cost of fit cases.
#pragma once

#include <vector>

#include "solve/cases.h"

namespace fit {

// The residual of every row of a fluid with all terms of the model except those of set
// `skip` (-1: none), plus the hard body, less the target (fixed), and the row's scale 1/sigma.
void fixed_part(const FluidCase& c, const Model& model, int skip, std::vector<double>& fixed,
                std::vector<double>& scale);

// Joint fit of the set's coefficients (when fit_coeff) and the free per-fluid parameters;
// the coefficients' fit spreads over `threads` threads. Returns the final cost.
double joint_fit(std::vector<FluidCase*>& cases, Model& model, SetKind set, bool fit_coeff,
                 int max_iterations, int threads = 1);
// Fits one fluid's parameters alone (coefficients fixed) with its rows reweighted.
void fit_weighted(FluidCase& c, const Model& model, const Weights& w);

// Sum of squared weighted residuals of the cases under the model, halved.
double total_cost(const std::vector<FluidCase*>& cases, const Model& model);
// Sum of squared weighted residuals of one fluid per row kind (indexed by RowKind).
std::vector<double> cost_by_kind(const FluidCase& c, const Model& model);

}  // namespace fit
