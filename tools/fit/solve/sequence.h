// The whole fit of the substance table from the reference data, as `make fit` runs it: the term
// selection from scratch, its polish, the reweighting of every fluid, the retune of the fluids
// that still miss a target or the shipping rule, and, where a fluid is left out only by its
// physics check, its guard rows tightened, the sets fitted and every fluid tuned once more.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/settings.h"
#include "io/state_file.h"

namespace fit {

// The reweighting rounds and the joint-fit iterations of the tune steps.
constexpr int SEQUENCE_TUNE_ROUNDS = 8;
constexpr int SEQUENCE_TUNE_ITERATIONS = 30;
// The factor by which the guard rows of a fluid left out only by its physics check are
// tightened before the sets are polished again.
constexpr double SEQUENCE_TIGHTENING = 0.1;

// The codes of the reweighted fluids whose shipped parameters (by the model) miss a target or
// the shipping rule.
std::vector<std::string> fluids_missing_targets(const std::vector<Fluid>& fluids,
                                                const FitState& state, const Settings& settings);
// The codes of the reweighted fluids that only their physics check keeps out of the table.
std::vector<std::string> fluids_left_out_by_physics(const std::vector<Fluid>& fluids,
                                                    const FitState& state,
                                                    const Settings& settings);

// Runs the sequence; `save` gets the state after every step (so that a step's result is kept
// when a later one is stopped) with the step's name.
FitState fit_sequence(const std::vector<Fluid>& fluids, const Settings& settings,
                      const std::function<void(const FitState&, const std::string&)>& save);

}  // namespace fit
