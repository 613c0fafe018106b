// Worker threads of the fitting tool. Fluids are fitted and checked independently of each
// other once the universal coefficients are fixed, so those loops run on several threads; the
// work of one fluid must then use the model's own evaluation (Eos of a model), never the
// program's shared records.
#pragma once

#include <cstddef>
#include <functional>

namespace fit {

// Number of worker threads: FIT_THREADS when set, otherwise 2.
int fit_threads();

// Runs fn(i) for every i in [0, n), spread over the worker threads. Each index runs exactly
// once; the results must not depend on which thread runs it.
void parallel_for(size_t n, const std::function<void(size_t)>& fn);

}  // namespace fit
