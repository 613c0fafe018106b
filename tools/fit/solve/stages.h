// The fit of the universal sets, set by set: `Fa` on the nonpolar fluids, then `Fq` on the
// quadrupolar ones (`Fa` fixed), then `Fd` on the dipolar ones. Each stage: a term selection
// (greedy from scratch, or the stored one polished by exchange passes), rounds of joint fits of
// coefficients and parameters with physics checks, and the fluids outside the training fitted
// alone with the set fixed.
#pragma once

#include <vector>

#include "base/settings.h"
#include "io/state_file.h"

namespace fit {

// Full search from scratch.
FitState search(const std::vector<Fluid>& fluids, const Settings& settings);

// Exchange passes and joint fits from the stored term selection, set by set.
void polish(const std::vector<Fluid>& fluids, FitState& state, const Settings& settings);

// Refit from a stored state without changing the term selection: joint fits of coefficients
// and parameters, stage by stage, with a fixed number of iterations.
void refine(const std::vector<Fluid>& fluids, FitState& state, int iterations,
            const Settings& settings);

}  // namespace fit
