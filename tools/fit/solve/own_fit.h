// One fluid fitted from its own data with the coefficient sets fixed: `add` with a fluid's data
// folder, and the fit of a fluid's 8-point subset (T, ps and D' at 8 temperatures over
// 0.55-0.95 Tc), which add, tune and retune take as one more start and as a choice of its own.
// Only the model's equation is evaluated (never the program's shared records), so fluids may
// be fitted on several threads at once.
#pragma once

#include <functional>
#include <vector>

#include "base/settings.h"
#include "fluid/fluid.h"
#include "model/terms.h"
#include "policy/figures.h"

namespace fit {

// The fit of one choice of free parameters.
struct ParamChoice {
    unsigned free = 0;
    Params p;
    double score = 1e300;  // its rank (policy/figures.h); lower is better
};

// A fluid's own data as the fit takes them: the saturation points whose D'' the data give (the
// others take the equation's own vapour density at the measured ps, refreshed between fits).
struct OwnData {
    Fluid fluid;
    std::vector<bool> vapour_given;
};

// The figures of a choice's parameters for the fluid as fitted (D'' completed where not given);
// false when they cannot be measured. `add` measures the entry through the program, the
// 8-point fit by the model.
using ChoiceFigures = std::function<bool(const Fluid& f, const Params& p, FluidAccuracy& a)>;

// The figures by the model: its own saturation solver and critical point, the physics check;
// D'' only where the data give it.
ChoiceFigures model_choice_figures(const Model& model, const std::vector<bool>& vapour_given);
// D'' figures only where the data give D''.
void keep_given_vapour(FluidAccuracy& a, const Fluid& f, const std::vector<bool>& given);

// Fits one choice of free parameters: from the start (or the fluid's initial parameters), then
// from the `starts` best of the peers' reduced parameters, the vapour densities completed and
// guard rows where the physics check fails; then the reweighting of tune. The plain and the
// reweighted parameters are ranked by their figures. `plain` gets the choice's plain fit.
ParamChoice fit_choice(OwnData& d, const Model& model, const std::vector<Params>& peers,
                       unsigned shape, const Params* start, size_t starts, const Settings& settings,
                       const ChoiceFigures& figures, Params& plain);

// Fits every choice of free parameters in turn (those the library allows the fluid: its
// class's, then with Q2, Dp or both), the first from the peers, the others from the first
// one's fit, and keeps the best ranked (the earlier one on a tie); stops as soon as one meets
// every target, or when the next choice, taking as long as the longest so far, would end after
// the time budget.
ParamChoice choose_params(OwnData& d, const Model& model, const std::vector<Params>& peers,
                          const Settings& settings, const ChoiceFigures& figures);

// The fluid's 8-point subset: T, ps and D' at the 8 saturation points nearest to 8 temperatures
// evenly spread over 0.55-0.95 Tc, D'' the equation's own; no single-phase states. False when
// the data hold fewer than 8 points there, or nothing beyond those 8.
bool eight_point_subset(const OwnData& d, OwnData& sub);

// The fluid's fit to its 8-point subset (choose_params on it, ranked by the model's figures of
// the subset); false when the fluid has no such subset.
bool eight_point_fit(const OwnData& d, const Model& model, const std::vector<Params>& peers,
                     const Settings& settings, ParamChoice& out);

// The choices of the full data (choose_params), then the fluid's 8-point fit taken as it is and
// as the start of one more fit of the full data with its free parameters: the best ranked,
// each measured on the full data by `figures`. So a fluid's primary figures are never worse
// than its 8-point fit's unless the rank (the shipping rule: the physics check) forces it.
ParamChoice choose_with_eight_point_fit(OwnData& d, const Model& model,
                                        const std::vector<Params>& peers, const Settings& settings,
                                        const ChoiceFigures& figures);

}  // namespace fit
