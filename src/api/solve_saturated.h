// States found along the saturation curve: the pair whose mixture (or saturated state) meets a
// condition given as a residual of the pair's values, located on the series first and made
// exact with the pair's own slopes.
#pragma once

#include <functional>
#include <optional>

#include "api/solve.h"

namespace xalt1::detail {

// A residual of the saturated values at one temperature (ps, D', D'', h', h'', s', s'' in the
// core's units), zero at the pair sought.
using PairResidual = std::function<double(const ExactPair&)>;

// The values of an exact pair, and their slopes along the saturation curve.
ExactPair values_of(const SatPair& pair);
ExactPair slopes_of(const SatPair& pair);

// The exact pair in [Ta, Tb] (inside the series' range) where r changes sign; nothing where it
// keeps its sign there.
std::optional<SatPair> pair_where(const FluidCore& fc, const PairResidual& r, double Ta, double Tb);

// Roots of r along the whole saturation curve (two at most, where r turns once: h'' and s''
// have one maximum), located on the series at its nodes and made exact.
std::vector<SatPair> pairs_where(const FluidCore& fc, const PairResidual& r);

}  // namespace xalt1::detail
