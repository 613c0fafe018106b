// Diagnostics of a stored fit, for the one who tunes it: the cost of every fluid by row kind
// with every offending state of the physics check, one fluid's rows with their residuals, its
// saturation deviations, and the leave-one-fluid-out check of the sets.
#pragma once

#include <string>
#include <vector>

#include "base/settings.h"
#include "io/state_file.h"
#include "model/entry.h"

namespace fit {

// Logs every offending state of every fluid's physics check, then the cost of every fluid per
// row kind, one line per fluid.
void diagnose(const std::vector<Fluid>& fluids, const FitState& state, const Settings& settings);

// Prints every row of one fluid: kind, first state, target, value and weighted residual.
void print_rows(const std::vector<Fluid>& fluids, const FitState& state, const std::string& code,
                const Settings& settings);

// Prints the saturation deviations of one entry (T/Tc, ps, D', D'' in %).
void print_saturation(const Model& model, const Entry& e, bool own_solver);

// Leave-one-fluid-out check of a set: refits the set's coefficients without each training fluid
// in turn (term selection kept), fits that fluid's parameters alone and appends its saturation
// deviations, in and out of the fit, to the markdown file.
void leave_one_out(const std::vector<Fluid>& fluids, const FitState& state, SetKind set,
                   const std::string& path, int iterations, const Settings& settings);

}  // namespace fit
