// The fit as a whole: the three universal sets with their per-fluid parameters, and the
// derived per-fluid constants of the shipped table.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fitter.h"
#include "model.h"
#include "reference_data.h"

namespace fit {

struct FitState {
    Model model;
    std::map<std::string, Params> params;
    std::map<std::string, std::vector<Row>> guards;  // rows added by the physics checks
};

struct SearchSettings {
    int terms[3] = {36, 16, 22};
    int rounds = 5;
    int joint_iterations = 40;
};

// Full search: term selection with exchange passes and joint fits, stage by stage.
FitState search(const std::vector<Fluid>& fluids, const SearchSettings& settings);

// Refit from a stored state without changing the term selection: joint fits of coefficients
// and parameters, stage by stage, with a fixed number of iterations.
void refine(const std::vector<Fluid>& fluids, FitState& state, int iterations);

// Which set a fluid's polar parameter switches on, and which fluids train which set.
bool trains(const Fluid& f, SetKind set);
unsigned free_params(const Fluid& f);
Params initial_params(const Fluid& f);

// Reads and writes the stored state (term selection, coefficients, per-fluid parameters).
void write_state(const std::string& path, const FitState& state);
FitState read_state(const std::string& path);

// Cost of every fluid per row kind, one line per fluid.
// Leave-one-fluid-out check of a set: refits the set's coefficients without each training fluid
// in turn (term selection kept), fits that fluid's parameters alone and appends its saturation
// deviations, in and out of the fit, to the markdown file.
void leave_one_out(const std::vector<Fluid>& fluids, const FitState& state, SetKind set,
                   const std::string& path, int iterations);
void diagnose(const std::vector<Fluid>& fluids, const FitState& state);

}  // namespace fit
