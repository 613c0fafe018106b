// Fast evaluation of all terms of a set at once: the fit evaluates every term of every row many
// times per iteration, so the powers that the terms share at one state are formed once (by
// multiplication) instead of once per term. The values are those of the term functions
// I4_X_RFA and I4_X_RFQ to rounding (checked by the tests).
#pragma once

#include <array>
#include <vector>

#include "model.h"

namespace fit {

// out[t] += sum over pairs q of w[q] times derivative pair q of term t (coefficient 1) at (D, T).
void add_term_values(const std::vector<Term>& terms, const Fluid& f, const Params& p, double D,
                     double T, const std::array<double, PAIRS>& w, double* out);

// out[t] = row_term(row, terms[t], f, p) for every term of the list.
void row_terms(const Row& row, const std::vector<Term>& terms, const Fluid& f, const Params& p,
               double* out);

// The residual Helmholtz energy F = a_res/(R T) of one fluid and its derivative pairs: through
// the program (X_R_FRES on the shared records as loaded; one thread only), or directly from a
// model's terms for one fluid's parameters (pure, so that several threads may evaluate fluids at
// once).
class Eos {
  public:
    Eos() = default;  // the program
    Eos(const Model& model, const Fluid& f, const Params& p) : model_(&model), fluid_(&f), p_(p) {}
    // sum over pairs q of w[q] times pair q of F at (D, T)
    double sum(double D, double T, const std::array<double, PAIRS>& w) const;
    double pair(int del, int tau, double D, double T) const;

  private:
    const Model* model_ = nullptr;
    const Fluid* fluid_ = nullptr;
    Params p_;
};

}  // namespace fit
