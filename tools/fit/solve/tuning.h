// Target-driven reweighting and shape parameters, fluid by fluid on top of the joint fits. Three
// to five parameters per fluid cannot meet every figure of every fluid at once with equal
// weights; raising the weight of the rows behind a missed target moves the compromise of that
// fluid until its targets are met or the raise is capped. A fluid may also take the polar
// parameters its class does not use as shape parameters, where that meets more of its targets.
// The universal coefficients are not touched, so one fluid's weights cannot move another fluid.
#pragma once

#include <string>
#include <vector>

#include "base/settings.h"
#include "io/state_file.h"
#include "solve/cases.h"
#include "solve/starts.h"

namespace fit {

// One fluid's parameter set (shape) after the reweighting: its plain fit, the weights of the
// best round, that round's score (policy/figures.h) and its figure/aim ratios.
struct Choice {
    unsigned shape = 0;
    Params plain;
    Weights weights = UNIT_WEIGHTS;
    double score = 1e300;
    Weights ratios{};
};

// Reweighting rounds for one fluid with one parameter set, from its plain fit (multi-started
// from its own parameters and those of the pool by the start kinds of its class). The case's
// saturated-liquid rows end weighed at the plain fit, as make_case weighs them from the stored
// state.
Choice reweight(FluidCase& c, const Model& model, unsigned shape, int rounds,
                const StartPool& pool = {}, bool verbose = false);

// The parameters of a choice as shipped: its plain fit refitted with its weights.
Params weighted_params(FluidCase c, const Model& model, const Choice& ch);
// The parameters a fluid is shipped with: those of the stored plain fit, refitted with the
// fluid's stored weights when it has any.
Params shipped_params(const Fluid& f, const FitState& state, const Settings& settings);

// Joint fits of the sets, then for every tuned fluid its best shape and weights, stored; what
// was held of the fluids (measured on the sets before) is dropped.
void tune(const std::vector<Fluid>& fluids, FitState& state, int rounds, int iterations,
          const Settings& settings);
// The per-fluid part of tune for the named fluids only (or every tuned fluid for the code
// "all"), the coefficient sets fixed; each fluid's weighted parameters are checked and guarded
// again (at most 6 times) while the physics check alone keeps them out of the table. A fluid keeps
// its stored choice unless the new one ranks better and keeps what is held of the fluid
// (replaces_stored); a new choice that is shipped lowers what is held to its ps and D''
// (held_after). Returns the codes of the fluids whose choice changed.
std::vector<std::string> retune(const std::vector<Fluid>& fluids, FitState& state,
                                const std::vector<std::string>& codes, int rounds,
                                const Settings& settings);

// Whether a new choice with the figures `now` replaces the stored one with `stored` in retune:
// where it ranks better and is shipped where the stored one is not; else, where ps and D'' are
// held, where it keeps them; else, where its ps and D'' are no worse than the stored one's or
// it meets a primary target that the stored one misses.
bool replaces_stored(const FluidAccuracy& now, const FluidAccuracy& stored);
// What is held of a fluid after retune has stored a shipped choice: its ps and D'', where lower.
Held held_after(const FluidAccuracy& shipped_choice, const Held& held);

}  // namespace fit
