// The knobs of a run that the environment sets.
#pragma once

#include "base/settings.h"

namespace fit {

// Sets the knobs that the environment variables of earlier scripts name: FIT_THREADS (worker
// threads, 1-64), FIT_CRIT (scale of the critical-point rows), FIT_VERBOSE_CHECK (log every
// offending state of the physics checks), FIT_OWN_SATURATION (`sat` by the tool's own solver),
// FIT_TERMS=a,b,c, FIT_ROUNDS and FIT_STAGES (trial searches). The one place of the tool that
// reads the environment.
void read_environment(Settings& settings);

}  // namespace fit
