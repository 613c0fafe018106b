// Worker threads of the fitting tool. Fluids are fitted and checked independently of each
// other once the universal coefficients are fixed, so those loops run on several threads; the
// work of one fluid must then use the model's own evaluation (Eos::of), never the program's
// shared records.
#pragma once

#include <cstddef>
#include <functional>

namespace fit {

// Runs fn(i) for every i in [0, n), spread over `threads` threads (1: in order on this one).
// Each index runs exactly once; the results must not depend on which thread runs it.
void parallel_for(int threads, size_t n, const std::function<void(size_t)>& fn);

}  // namespace fit
