// SUBST_CONST: the constants of the substance loaded last. Never cleared between loads.
#pragma once

#include <array>
#include <cstdint>

struct SubstConst {
    double Dc = 0;     // critical density, mol/dm3
    double Tc = 0;     // critical temperature, K
    double Pc = 0;     // critical pressure, MPa
    double D0 = 0;     // reducing density of the equation of state, mol/dm3
    double T0 = 0;     // reducing temperature of the equation of state, K
    double Alpha = 0;  // shape parameter of the hard-body term
    double Q2 = 0;     // quadrupole parameter; 0 switches the quadrupolar terms off
    double Dp = 0;     // dipole parameter; 0 switches the dipolar terms off
    double MolWt = 0;  // molar mass (only echoed)
    double Dref = 0;   // density of the caloric reference state, mol/dm3
    double Tref = 0;   // temperature of the reference state, K (value read + 1e-5 in single)
    double Href = 0;   // enthalpy at the reference state, J/mol
    double Sref = 0;   // entropy at the reference state, J/mol-K
    // Ideal-gas terms k = 1..20 at index k - 1.
    std::array<double, 20> E{};   // exponent of T of a power term
    std::array<double, 20> K{};   // coefficient
    std::array<double, 20> K2{};  // characteristic temperature of a Planck-Einstein term, K
    int32_t i4_ncp0 = 0;          // number of ideal-gas terms in use
};

// Added by the constants parser to every reference temperature read (1.0e-5 held in single
// precision).
constexpr double TREF_OFFSET = 1e-5f;

// One instance per thread: each thread of a library caller holds the fluid it evaluates.
extern thread_local constinit SubstConst SUBST_CONST;
