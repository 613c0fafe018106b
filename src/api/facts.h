// The facts of a fluid that its table's equation gives: the triple-point pressure, the normal
// boiling point and the acentric factor, from exact saturated pairs of the equation.
#pragma once

#include "api/xalt1.h"

namespace xalt1::detail {

// Fills ptriple, Tnbp and acentric of `info` for the fluid installed in the calling thread;
// NaN where the equation has no saturated pair there.
void add_facts(FluidInfo& info);

}  // namespace xalt1::detail
