// One sweep over the terms of the loaded substance per state: the residual Helmholtz energy
// F = a_res/(R T) and all seven derivatives of the set FRES_DERIV at once, from powers built
// by multiplication and one exponential per distinct exponential argument.
//
// The terms are prepared once per substance (coefficients times their parameter powers, and
// the polynomials in which every derivative order of a term is a multiple of its value). The
// preparation is keyed on the content of SUBST_CONST and EOS_COEFF that the evaluation uses
// (the equation's constants, the reference state, the ideal-gas terms and the terms in use):
// any change of it, by a substance load (also a failed one) or by a direct write, prepares the
// terms anew and gives them a new generation, so that nothing computed for one substance is
// used for another.
#pragma once

#include <array>
#include <cstdint>

#include "eos/eos.h"
#include "eos/term_forms.h"

namespace term_sweep {

// Exponent ranges beyond which the sweep is not used (the term functions then serve).
constexpr int32_t kLowestExponent = -96;
constexpr int32_t kHighestExponent = 96;
constexpr int32_t kTableSize = kHighestExponent - kLowestExponent + 1;
constexpr int32_t kMaxTerms = 120;
constexpr int32_t kMaxGroups = 2 + 2 * 40;

// One attraction or polar term. Its value is
//   F_i = psi * f_i,   f_i = coef * Tpow[t_index] * Dpow[d_index]
// with psi the exponential factor of its group, and its derivatives are F_i times the
// polynomials in z of the term forms (eos/term_forms.h): the a's and t are the term's weights,
// the g's belong to the group. The sweep therefore sums f_i and f_i times each weight per group
// and applies z, the g's and psi once per group.
// Pairs of doubles that the compiler keeps in one vector register (two sums per instruction).
typedef double Pair __attribute__((vector_size(16)));

struct Term {
    // Weights in pairs: (1, a0), (a2, a3), (a5, a6), (a7, t), (t (t - 1), t a0).
    Pair w[5];
    double coef;  // c times the term's power of its substance parameter
    double c;
    int32_t parameter;  // 0: Alpha, 1: Q2, 2: Dp
    int32_t power;      // of Alpha, or of the polar parameter in quarters
    int32_t t_index;    // into the temperature tables (attraction, then polar)
    int32_t d_index;    // into the half-powers of the reduced density
    int32_t group;
};

// Exponential groups: group 0 has no exponential and z = 0 (attraction terms with l = 0);
// group 1 has no exponential and z = delta^2 (polar terms with o = 0); further groups carry
// psi = exp(-b delta^L) with z = sigma delta^L, one per distinct (L, b, sigma) of the shapes.
// Terms are held sorted by group; group g has the terms [first, end).
struct Group {
    int32_t L = 0;
    double b = 0, sigma = 0;
    term_forms::Exponential e;
    int32_t first = 0, end = 0;
};

struct Prepared {
    uint64_t generation = 0;  // changes whenever the records change what the evaluation uses
    bool usable = false;      // false: exponents out of the table ranges
    double D0 = 0, T0 = 0, Alpha = 0;
    int32_t count = 0;
    std::array<Term, kMaxTerms> terms{};
    int32_t groups = 0;
    std::array<Group, kMaxGroups> group{};
    // Exponent ranges in use (in halves), for the tables of one state.
    std::array<int32_t, term_forms::SCALE_COUNT> t_lo{}, t_hi{};  // sqrt(T/(scale T0))
    int32_t d_lo = 0, d_hi = 0;                                   // sqrt(D/D0)
};

// The prepared terms of the substance now in SUBST_CONST and EOS_COEFF.
const Prepared& current();

// Forgets the prepared terms: the next evaluation prepares them anew with a new generation, and
// the values kept with the old one are dropped (for tests that compare kept and fresh values).
void forget();

// The seven derivatives at (D, T) by one sweep; false when the state needs the term functions
// (input below the lowest density or temperature, the hard-body term refusing the state, a
// value that is not finite, or terms the sweep cannot take). Nothing is written. Not `gated`,
// densities and temperatures below the input check's are taken as they come (the equation is
// continuous there; the program's input check refuses them).
bool derivatives(const Prepared& p, const double& D, const double& T, FresDeriv& out,
                 bool gated = true);

// The seven derivatives at (D, T) as X_R_FDERIV gives them, for callers that hold the prepared
// terms already.
void derivative_set(const Prepared& p, const double& D, const double& T, FresDeriv& out,
                    int32_t& status);

// F21, F12 and F03 at (D, T) by one sweep, without the input check; false as for
// derivatives() otherwise.
bool third_derivatives(const Prepared& p, const double& D, const double& T, FresThird& out);

// The terms' parts of dF/dP for each substance parameter P (0: Alpha, 1: Q2, 2: Dp; a term that
// is the power e of P adds e F_term / P) with their slopes in D, in T and in P, by one sweep;
// the hard-body term's part in Alpha is not included. False where the terms are not usable or
// a value is not finite.
struct ParameterSlopes {
    double F[3] = {}, by_D[3] = {}, by_T[3] = {}, by_itself[3] = {};
};
bool parameter_slopes(const Prepared& p, const double& D, const double& T, ParameterSlopes& out);

// F alone at (D, T) by the same sweep, for prepared terms that are usable (no check of the
// state; the floor against which the benchmarks measure the evaluation).
double value(const Prepared& p, const double& D, const double& T);

}  // namespace term_sweep
