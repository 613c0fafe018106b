// The fit cases: one fluid with its parameters, the parameters a fit may move and its rows.
#pragma once

#include <vector>

#include "base/settings.h"
#include "io/state_file.h"
#include "model/rows.h"

namespace fit {

struct FluidCase {
    const Fluid* fluid = nullptr;
    Params p;
    unsigned free = P_T | P_D | P_ALPHA;
    bool trains = true;     // takes part in fitting its class's coefficient set
    std::vector<Row> rows;  // data, barrier and guard rows
    Held held;              // the ps and D'' its choices are held to (FitState::held)
};

// One fluid's fit case: stored (or initial) parameters, free parameters, data, barrier and
// stored guard rows, the saturated-liquid rows weighed with the stored model and parameters.
FluidCase make_case(const Fluid& f, const FitState& state, const Settings& settings);
std::vector<FluidCase> make_cases(const std::vector<Fluid>& fluids, const FitState& state,
                                  const Settings& settings);
// The data and barrier rows of the case's fluid anew, its guard rows kept; the saturated-liquid
// rows weighed with the model at the case's parameters (weigh_liquid_rows).
void rebuild_rows(FluidCase& c, const Model& model, const Settings& settings);
// The saturated-liquid rows weighed anew with the slopes of the model's equation at the case's
// parameters (model/rows.h); nothing while the model has no attraction terms yet. Wherever the
// parameters or the coefficients have moved, before the next fit.
void weigh_liquid_rows(FluidCase& c, const Model& model);
void weigh_liquid_rows(const std::vector<FluidCase*>& cases, const Model& model, int threads);

// The cases that train the set (train), or those the set's stage fits alone.
std::vector<FluidCase*> select_cases(std::vector<FluidCase>& cases, SetKind set, bool train);
std::vector<Params> params_of(const std::vector<FluidCase*>& cases);

// Stores the cases' parameters, training and guard rows in the state.
void store_params(const std::vector<FluidCase>& cases, FitState& state);
// The guard rows of a case.
std::vector<Row> guard_rows(const FluidCase& c);

}  // namespace fit
