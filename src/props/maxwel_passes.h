// Number of passes the last X_MAXWEL call made (0 when it ended before its passes), for the
// benchmarks and the tests that relate its cost to the cost of one property evaluation.
#pragma once

#include <cstdint>

extern thread_local constinit int32_t MAXWEL_PASSES;
