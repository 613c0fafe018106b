// Derivatives of every state quantity by one rule. Each quantity X of a state is held with its
// partial derivatives in T (at constant D) and in D (at constant T), its jet; any derivative
// (dA/dB) at constant C is then the Jacobian ratio
//   (A_T C_D - A_D C_T) / (B_T C_D - B_D C_T),
// and a second derivative the same ratio applied to the jet of the first. The jets come from
// the equation's derivatives at the state (first order from the evaluation itself, second
// order from one more sweep of the third derivatives of F), or, for a two-phase mixture, from
// its saturated pair and the Clapeyron slope. Molar units of the core: K, MPa, mol/dm3, dm3/mol,
// J/mol, J/(mol K).
#pragma once

#include <array>
#include <cstddef>

#include "api/saturation.h"

namespace xalt1::detail {

// The quantities: temperature, pressure, density, volume, internal energy, enthalpy, entropy,
// Gibbs and Helmholtz energy.
enum class Var { T, p, D, v, u, h, s, g, f };
constexpr std::size_t kVarCount = 9;

// A quantity and its partial derivatives in T and D (the second ones 0 in a first-order jet).
struct Jet {
    double v = 0, T = 0, D = 0, TT = 0, TD = 0, DD = 0;
};

// The shift of the reference state (molar): h and u move by dh, s by ds, f and g by dh - T ds.
struct Offsets {
    double dh = 0, ds = 0;
};

struct Jets {
    std::array<Jet, kVarCount> q{};
    const Jet& operator[](Var v) const { return q[static_cast<std::size_t>(v)]; }
    Jet& operator[](Var v) { return q[static_cast<std::size_t>(v)]; }
};

// The values of a state that every quantity's value follows from, consistent with each other:
// u = h - p v, f = u - T s, g = h - T s.
struct Values {
    double T = 0, D = 0, p = 0, h = 0, s = 0;
};
Values values_of(const Point& pt, const Offsets& off);

// First-order jets of a single-phase state from its evaluation.
Jets first_order(const Point& pt, const Offsets& off);
// Jets with second partials: one sweep of the equation's derivatives up to the third order at
// the state (not a property evaluation). False where the equation refuses the state.
bool second_order(const Point& pt, const Offsets& off, Jets& jets);
// First-order jets of the mixture of vapour fraction x on the pair (homogeneous: at constant
// T and D the mixture moves along the pair's tie line, p is the saturation pressure).
Jets mixture(const SatPair& pair, double x, const Offsets& off);

// (d of / d wrt) at constant c; NaN where wrt and c do not fix the state together.
double first_derivative(const Jets& jets, Var of, Var wrt, Var c);
// d/d wrt2 at constant c2 of (d of / d wrt1) at constant c1; the jets must be second order.
double second_derivative(const Jets& jets, Var of, Var wrt1, Var c1, Var wrt2, Var c2);

// Slopes along the saturation curve at the pair's temperature: dps/dT (Clapeyron) and, for each
// quantity, d/dT of its saturated liquid and vapour values.
struct SaturationSlopes {
    double dps_dT = 0;
    std::array<double, kVarCount> liquid{}, vapour{};
};
SaturationSlopes saturation_slopes(const SatPair& pair, const Offsets& off);

}  // namespace xalt1::detail
