// The fixed constants of the equation of state and of the property evaluation, in one place.
// The program holds most of them in single precision: such a constant is written as what it
// is, a float literal widened to double (1e-6f is 9.999999974752427e-07), and every comparison
// and formula uses the widened value.
#pragma once

// Gas constant, J/(mol K).
constexpr double GAS_CONSTANT = 8.31434f;

// Input check of the residual sum: temperatures (K) and densities (mol/dm3) below these are
// refused. A polar set takes part only when its parameter exceeds the gate.
constexpr double LOWEST_TEMPERATURE = 1e-6f;
constexpr double LOWEST_DENSITY = 1e-7f;
constexpr double POLAR_GATE = 1e-6f;

// Hard-body term: the exponent of the size factor's temperature dependence and its
// temperature-independent share (passed in single precision), and the packing fraction per
// reduced density at size factor 1.
constexpr float A1_HARD_BODY = 0.3674f;
constexpr float A2_HARD_BODY = 0.689f;
constexpr double PACKING = 0.1617;

// Polar terms are reduced by 1.13 T0.
constexpr double POLAR_TEMPERATURE_SCALE = 1.13;

// Ideal-gas part: a term is of Planck-Einstein type when its characteristic temperature
// exceeds this in magnitude; a power-law exponent below it counts as 0.
constexpr double IDEAL_GAS_THRESHOLD = 1e-8f;

// Near the critical point cp keeps its previous value: dp/dD and d2p/dD2 both at most the
// slope (MPa dm3/mol, MPa dm6/mol2) and T within the span (K) of Tc.
constexpr double NEAR_CRITICAL_SLOPE = 1e-6f;
constexpr double NEAR_CRITICAL_SPAN = 0.2f;
