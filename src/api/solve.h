// The states of the input pairs, in the program's molar units and the table's reference state:
// the phase decided from the saturation first (its series, the exact pair where the value lies
// next to it), then the state solved on its branch: Newton steps in (T, D) for the pairs with p
// and for (h, s), along the isotherm for the pairs with T, along the isochore for the pairs
// with D, along the saturation curve for (h, x) and (s, x); where the direct steps do not
// settle, bracketed searches that never leave the fluid's range. Failures throw Error with the
// reason alone; the caller adds the fluid, the input and the range.
#pragma once

#include <span>
#include <string_view>

#include "api/saturation.h"
#include "api/xalt1.h"

namespace xalt1::detail {

// What the solvers need of a loaded fluid (K, MPa, mol/dm3).
struct FluidCore {
    const SaturationCurve* curve = nullptr;
    double Tmin = 0, Tmax = 0, pmax = 0;
    double Tc = 0, pc = 0, Dc = 0;
    // The ideal gas of the table's reference state: h = ideal_h + R h0(T) and
    // s = ideal_s + R s0(T) - R ln(D T), h0 and s0 the ideal-gas integrals (eos/ideal_gas.h).
    double ideal_h = 0, ideal_s = 0;
};

// The ideal-gas constants of the fluid installed in the calling thread (one evaluation at a
// density where the residual part is below 1e-6 of the ideal gas's).
bool set_ideal_gas(FluidCore& fc);

// The quantities a pair can give: those of the state and the vapour fraction.
enum class Given { T, p, D, h, s, u, x };

// A state found: one point (single phase, or a saturated state with x 0 or 1), or the
// mixture of a saturated pair with vapour fraction x.
struct Found {
    enum class Kind { single, saturated_liquid, saturated_vapour, mixture } kind = Kind::single;
    Point point;   // single and saturated states
    SatPair pair;  // saturated states and mixtures
    double x = 0;  // mixtures
};

// One solver per input pair, the values in the order of the pair's name.
using Solver = Found (*)(const FluidCore& fc, double a, double b, PhaseChoice phase);
Found solve_TD(const FluidCore& fc, double T, double D, PhaseChoice phase);
Found solve_Tp(const FluidCore& fc, double T, double P, PhaseChoice phase);
Found solve_pD(const FluidCore& fc, double P, double D, PhaseChoice phase);
Found solve_ph(const FluidCore& fc, double P, double h, PhaseChoice phase);
Found solve_ps(const FluidCore& fc, double P, double s, PhaseChoice phase);
Found solve_pu(const FluidCore& fc, double P, double u, PhaseChoice phase);
Found solve_Tx(const FluidCore& fc, double T, double x, PhaseChoice phase);
Found solve_px(const FluidCore& fc, double P, double x, PhaseChoice phase);
Found solve_hs(const FluidCore& fc, double h, double s, PhaseChoice phase);
Found solve_Th(const FluidCore& fc, double T, double h, PhaseChoice phase);
Found solve_Ts(const FluidCore& fc, double T, double s, PhaseChoice phase);
Found solve_Dh(const FluidCore& fc, double D, double h, PhaseChoice phase);
Found solve_Ds(const FluidCore& fc, double D, double s, PhaseChoice phase);
Found solve_Du(const FluidCore& fc, double D, double u, PhaseChoice phase);
Found solve_hx(const FluidCore& fc, double h, double x, PhaseChoice phase);
Found solve_sx(const FluidCore& fc, double s, double x, PhaseChoice phase);
SatPair saturation_T(const FluidCore& fc, double T);
SatPair saturation_p(const FluidCore& fc, double P);

// The table of pairs: each pair's two quantities and its solver.
struct PairRow {
    Input input;
    Given first, second;
    std::string_view first_name, second_name;
    Solver solve;
};
const PairRow& pair_row(Input input);
std::span<const PairRow> pair_rows();

}  // namespace xalt1::detail
