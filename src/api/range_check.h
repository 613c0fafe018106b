// The range of a loaded fluid that its equation honours. Far below the region it was fitted in,
// the equation's liquid can turn unphysical (heat capacities of hundreds of R, negative thermal
// expansion, no stable state at all under high pressure); the range the library promises must
// leave such states out. Isotherms from the lowest temperature to Tmax are walked from the
// dilute gas through the saturated pair up to pmax, and every state on them is checked:
//   mechanically and thermally stable: dp/dD > 0, cv > 0, cp >= cv;
//   expanding when heated: (dp/dT)_D > 0;
//   heat capacities of a fluid: cv - cv0 <= 20 R away from the critical point (|T/Tc - 1| >=
//   0.05 or p >= 2 pc), cp - cp0 <= 40 R away from its wider neighbourhood (T/Tc outside
//   0.8 to 1.25 or p >= 3 pc). Real fluids, the largest molecules included, stay below half
//   of these bounds.
// Tmin is raised past every isotherm of the liquid's side (below Tc) that fails below the kept
// pressure min(pmax, 10 pc); pmax is then lowered to 0.97 of the lowest pressure at which an
// isotherm at or above the new Tmin fails. A pmax below pc is raised to it first, so that the
// whole saturation curve lies in the range.
#pragma once

#include "api/saturation.h"

namespace xalt1::detail {

struct HonouredRange {
    double Tmin = 0, Tmax = 0, pmax = 0;  // Tmin infinite where no isotherm below Tc holds
};

// The range for the fluid installed in the calling thread, whose saturation curve is `curve`,
// from its nominal Tmax and pmax (the lowest temperature is the curve's).
HonouredRange honoured_range(const SaturationCurve& curve, double Tc, double pc, double Tmax,
                             double pmax);

}  // namespace xalt1::detail
