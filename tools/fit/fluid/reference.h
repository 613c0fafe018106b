// Quantities of a fluid's reference data that the data give by themselves: the saturation state
// between (and below) the tabulated points, the enthalpy of vaporisation, the ideal-gas heat
// capacity and the acentric factor. The one home of each of these rules.
#pragma once

#include <cstddef>

#include "fluid/fluid.h"

namespace fit {

// The saturation state at T interpolated in the fluid's saturation table between the two
// neighbouring points (the end pair beyond the table): ln ps, D' and ln D'' linear in T.
SatPoint interpolated_saturation(const Fluid& f, double T);
// The same below the table's first temperature, from its first two points: ln ps and ln D''
// linear in 1/T (as the Clausius-Clapeyron equation has it), D' linear in T.
SatPoint extrapolated_saturation(const Fluid& f, double T);

// Enthalpy of vaporisation of the reference data at saturation point i, J/mol, by the
// Clausius-Clapeyron equation with the slope of the vapour-pressure curve.
double reference_hvap(const Fluid& f, size_t i);

// Ideal-gas isobaric heat capacity of the reference data, J/(mol K), by the program's ideal-gas
// loop over the fluid's own terms (in its own R).
double reference_cp0(const Fluid& f, double T);

// Acentric factor -log10(ps/pc) - 1 at 0.7 Tc, ps interpolated in the saturation table;
// within -0.3..1.5.
double acentric_factor(const Fluid& f);

}  // namespace fit
