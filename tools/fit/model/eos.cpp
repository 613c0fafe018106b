#include "model/eos.h"

#include <cstdint>

#include "eos/eos.h"

namespace fit {

double Eos::sum(double D, double T, const PairWeights& w) const {
    double total = 0.0;
    if (!model_) {
        for (int q = 0; q < PAIRS; ++q) {
            if (w[q] == 0.0) continue;
            double v = 0.0;
            const int32_t del = PAIR_DEL[q], tau = PAIR_TAU[q];
            X_R_FRES(D, T, del, tau, v);
            total += w[q] * v;
        }
        return total;
    }
    for (int q = 0; q < PAIRS; ++q)
        if (w[q] != 0.0)
            total += w[q] * hard_body_value(*fluid_, p_, D, T, PAIR_DEL[q], PAIR_TAU[q]);
    for (int s = 0; s < SET_COUNT; ++s)
        add_set_value(model_->terms[s], model_->coeff[s], *fluid_, p_, D, T, w, total);
    return total;
}

double Eos::pair(int del, int tau, double D, double T) const {
    PairWeights w{};
    for (int q = 0; q < PAIRS; ++q)
        if (PAIR_DEL[q] == del && PAIR_TAU[q] == tau) w[q] = 1.0;
    return sum(D, T, w);
}

}  // namespace fit
