// Start values of a fluid's parameter fits: its own, those of its peers (the other fluids'
// reduced parameters), and its own with a polar parameter switched on. A parameter fit of
// several starts keeps the best minimum.
#pragma once

#include <vector>

#include "solve/cases.h"

namespace fit {

// Parameters-only fits of one fluid from its own parameters and those of the peers closest to
// its Alpha (at most eight, its own left out); keeps the best. The model is only read.
void multi_start(FluidCase& c, const std::vector<Params>& peers, Model& model, SetKind set,
                 int iterations);

// The `count` candidates of lowest cost for the fluid of `c` (its parameters replaced by each),
// in order of cost; candidates of non-finite cost are dropped.
std::vector<Params> lowest_cost_starts(FluidCase c, const Model& model,
                                       const std::vector<Params>& candidates, size_t count);

// The parameters a plain fit may start from besides the fluid's own: the other fluids' reduced
// parameters, and the fluid's fit to its 8-point subset (none where it has none).
struct StartPool {
    std::vector<Params> peers;
    std::vector<Params> eight_point;
};

// The starts of a plain fit of the fluid with the given free parameters, by the start kinds of
// its class (policy/classes.h) in their order, each start once: `own` the fluid's parameters,
// the pool's parameters with the fluid's own where it does not fit them (a polar parameter of
// the shape starting from the pool's value).
std::vector<Params> plain_starts(const FluidCase& c, const Model& model, unsigned shape,
                                 const Params& own, const StartPool& pool);

}  // namespace fit
