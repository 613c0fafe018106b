// The states of the input pairs, in the program's molar units: the phase decided from the
// saturation first, then one variable solved on its branch (density at (T, p), temperature at
// (p, D), temperature on the isobar at (p, h) and (p, s)), by Newton steps kept inside a bracket
// that never leaves the fluid's range. Failures throw Error with the reason alone; the caller
// adds the fluid, the input and the range.
#pragma once

#include "api/saturation.h"

namespace xalt1::detail {

// What the solvers need of a loaded fluid (K, MPa, mol/dm3).
struct FluidCore {
    const SaturationCurve* curve = nullptr;
    double Tmin = 0, Tmax = 0, pmax = 0;
    double Tc = 0, pc = 0, Dc = 0;
};

// A state found: one point (single phase, or a saturated state with x 0 or 1), or the
// mixture of a saturated pair with vapour fraction x.
struct Found {
    enum class Kind { single, saturated_liquid, saturated_vapour, mixture } kind = Kind::single;
    Point point;   // single and saturated states
    SatPair pair;  // saturated states and mixtures
    double x = 0;  // mixtures
};

Found solve_TD(const FluidCore& fc, double T, double D);
Found solve_Tp(const FluidCore& fc, double T, double P);
Found solve_pD(const FluidCore& fc, double P, double D);
Found solve_ph(const FluidCore& fc, double P, double h);
Found solve_ps(const FluidCore& fc, double P, double s);
Found solve_Tx(const FluidCore& fc, double T, double x);
Found solve_px(const FluidCore& fc, double P, double x);
SatPair saturation_T(const FluidCore& fc, double T);
SatPair saturation_p(const FluidCore& fc, double P);

}  // namespace xalt1::detail
