// The equation of state as the fitting tool sees it: the three universal term sets with their
// exponents and coefficients, and their values for one fluid's parameters. Every value is that
// of the program's term forms (src/eos): the fit evaluates all terms of a set at one state at
// once.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "fluid/fluid.h"
#include "fluid/params.h"
#include "policy/classes.h"

namespace fit {

// One term. Fa: e = {m, n, j, l}; Fq and Fd: e = {n, m, k, o} (the argument order of the
// term functions).
struct Term {
    SetKind set = SetKind::Fa;
    std::array<int, 4> e{};
    bool operator==(const Term& other) const { return set == other.set && e == other.e; }
};

struct Model {
    std::vector<Term> terms[SET_COUNT];
    std::vector<double> coeff[SET_COUNT];
};

// Derivative pairs used by the rows: (0,0), (1,0), (0,1), (2,0), (3,0), (1,1), (0,2).
constexpr int PAIRS = 7;
constexpr int PAIR_DEL[PAIRS] = {0, 1, 0, 2, 3, 1, 0};
constexpr int PAIR_TAU[PAIRS] = {0, 0, 1, 0, 0, 1, 2};
// Weights of the derivative pairs of a linear combination.
using PairWeights = std::array<double, PAIRS>;

// Physical reducing values of a fluid for given parameters.
double T0_of(const Fluid& f, const Params& p);
double D0_of(const Fluid& f, const Params& p);
// The density at which the hard-body packing fraction is eta at T.
double eta_density(const Fluid& f, const Params& p, double eta, double T);

// out[t] += sum over pairs q of w[q] times derivative pair q of term t (coefficient 1) at
// (D, T), for every term of the list (all of one set).
void add_term_values(const std::vector<Term>& terms, const Fluid& f, const Params& p, double D,
                     double T, const PairWeights& w, double* out);
// total += the same with the coefficients, term by term in order.
void add_set_value(const std::vector<Term>& terms, const std::vector<double>& coeff, const Fluid& f,
                   const Params& p, double D, double T, const PairWeights& w, double& total);
// The hard-body term's derivative pair (del, tau) at (D, T), by the program's term function.
double hard_body_value(const Fluid& f, const Params& p, double D, double T, int del, int tau);

std::string term_text(const Term& t);

}  // namespace fit
