// The equation of state as the fitting tool sees it: the three universal term sets with their
// exponents and coefficients, and their values for one fluid's parameters. Every value is that
// of the program's term forms (src/eos): the fit evaluates all terms of a set at one state at
// once.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "eos/term_forms.h"
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
// Weights of the derivative pairs of a linear combination, and values of the pairs.
using PairWeights = std::array<double, PAIRS>;
using PairValues = std::array<double, PAIRS>;
// The index of the pair (del, tau) (PAIRS for none of them), and its bit in a mask of pairs (0
// for none).
constexpr int pair_index(int del, int tau) {
    int q = 0;
    while (q < PAIRS && !(PAIR_DEL[q] == del && PAIR_TAU[q] == tau)) ++q;
    return q;
}
constexpr unsigned pair_bit(int del, int tau) {
    return pair_index(del, tau) < PAIRS ? 1u << pair_index(del, tau) : 0u;
}

// Physical reducing values of a fluid for given parameters.
double T0_of(const Fluid& f, const Params& p);
double D0_of(const Fluid& f, const Params& p);
// The density at which the hard-body packing fraction is eta at T.
double eta_density(const Fluid& f, const Params& p, double eta, double T);

// The terms of one set in the program's forms for one fluid's parameters, prepared once for
// the many states at which they are evaluated. A polar set whose parameter is off holds none.
class TermSet {
  public:
    TermSet(const std::vector<Term>& terms, const Fluid& f, const Params& p);
    // The number of terms of the set it was made from.
    size_t size() const { return count_; }
    // out[t] += sum over pairs q of w[q] times derivative pair q of term t (coefficient 1) at
    // (D, T), for every term.
    void add_values(double D, double T, const PairWeights& w, double* out) const;
    // total += the same with the coefficients, term by term in order.
    void add_value(const std::vector<double>& coeff, double D, double T, const PairWeights& w,
                   double& total) const;
    // totals[q] += the pair q of the set with its coefficients, for every pair q of the mask,
    // each term formed once.
    void add_pairs(const std::vector<double>& coeff, double D, double T, unsigned mask,
                   PairValues& totals) const;

  private:
    template <class Fn>
    void each_term(double D, double T, Fn fn) const;

    size_t count_ = 0;
    double D0_ = 0, T0_ = 0;
    std::vector<term_forms::Shape> shapes_;
};

// The three sets of the model for one fluid's parameters.
std::vector<TermSet> term_sets(const Model& model, const Fluid& f, const Params& p);

// The hard-body term's derivative pair (del, tau) at (D, T), by the program's term function.
double hard_body_value(const Fluid& f, const Params& p, double D, double T, int del, int tau);

std::string term_text(const Term& t);

}  // namespace fit
