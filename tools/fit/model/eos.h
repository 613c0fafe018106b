// The residual Helmholtz energy F = a_res/(R T) of one fluid and its derivative pairs, by one of
// two equations that a call site names: the program's (X_R_FRES on the shared records as loaded
// through model/program.h; one thread only), or a model's terms for one fluid's parameters
// (pure, so that several threads may evaluate fluids at once).
#pragma once

#include "model/terms.h"

namespace fit {

class Eos {
  public:
    // The equation loaded into the program's shared records.
    static Eos program() { return Eos(); }
    // The model's equation for the fluid with the given parameters.
    static Eos of(const Model& model, const Fluid& f, const Params& p) {
        return Eos(&model, &f, p, term_sets(model, f, p));
    }

    // sum over pairs q of w[q] times pair q of F at (D, T)
    double sum(double D, double T, const PairWeights& w) const;
    // The pairs of the mask (pair_bit) of F at (D, T), the others 0; each as pair() gives it.
    PairValues pairs(double D, double T, unsigned mask) const;
    double pair(int del, int tau, double D, double T) const;

  private:
    Eos() = default;
    Eos(const Model* model, const Fluid* f, const Params& p, std::vector<TermSet> sets)
        : model_(model), fluid_(f), p_(p), sets_(std::move(sets)) {}
    const Model* model_ = nullptr;
    const Fluid* fluid_ = nullptr;
    Params p_;
    std::vector<TermSet> sets_;
};

}  // namespace fit
