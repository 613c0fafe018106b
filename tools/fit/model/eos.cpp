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
    for (int s = 0; s < SET_COUNT; ++s) sets_[s].add_value(model_->coeff[s], D, T, w, total);
    return total;
}

PairValues Eos::pairs(double D, double T, unsigned mask) const {
    PairValues v{};
    for (int q = 0; q < PAIRS; ++q) {
        if (!(mask & (1u << q))) continue;
        if (model_) {
            v[q] = hard_body_value(*fluid_, p_, D, T, PAIR_DEL[q], PAIR_TAU[q]);
        } else {
            const int32_t del = PAIR_DEL[q], tau = PAIR_TAU[q];
            X_R_FRES(D, T, del, tau, v[q]);
        }
    }
    if (model_)
        for (int s = 0; s < SET_COUNT; ++s) sets_[s].add_pairs(model_->coeff[s], D, T, mask, v);
    return v;
}

double Eos::pair(int del, int tau, double D, double T) const {
    const int q = pair_index(del, tau);
    return q < PAIRS ? pairs(D, T, pair_bit(del, tau))[q] : 0.0;
}

}  // namespace fit
