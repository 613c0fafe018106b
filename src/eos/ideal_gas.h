// Contributions of one ideal-gas heat-capacity term to cp0/R, h0/R (K) and s0/R, shared by the
// ideal-gas routine and the range test.
#pragma once

#include <cmath>

#include "substance/subst_const.h"

namespace ideal_gas {

constexpr double kThreshold = 9.99999993922529e-09;  // 1e-8 in single precision

// Number of terms to sum: the low 16 bits of the count, at most the 20 the record holds.
inline int32_t term_count() {
    const int32_t count = static_cast<int16_t>(SUBST_CONST.i4_ncp0);
    return count < 20 ? count : 20;
}

// A term is of Planck-Einstein type when its characteristic temperature is not (near) zero.
inline bool is_planck_einstein(double theta) {
    return std::fabs(theta) > kThreshold;
}

// Planck-Einstein term with x = theta/T (theta > 0, T > 0):
//   cp0 += K x^2 e^x / (e^x - 1)^2
//   h0 += K theta / (e^x - 1)
//   s0 += K (x e^x / (e^x - 1) - ln(e^x - 1))
// written in e^-x so that it stays finite for large x: the entropy part equals
// x e^-x / (1 - e^-x) - ln(1 - e^-x). ln(1 - e^-x) is formed from 1 - e^-x (expm1) for small x
// and by log1p(-e^-x) for large x, so that it keeps its share where e^-x is below the rounding
// of 1. Once e^-x underflows (x above about 745) the three contributions are below the smallest
// double and are left out.
inline void add_planck_einstein(double K, double theta, double T, double& cp0, double& h0,
                                double& s0) {
    const double x = theta / T;
    const double em = std::exp(-x);
    if (em == 0.0) return;
    const double one_minus = -std::expm1(-x);  // 1 - e^-x, accurate also for tiny x
    const double ratio = x / one_minus;        // x / (1 - e^-x), about 1 for tiny x
    const double ln_one_minus = (x < 0.6931471805599453) ? std::log(one_minus) : std::log1p(-em);
    cp0 += K * ratio * ratio * em;
    h0 += K * theta * em / one_minus;
    s0 += K * (ratio * em - ln_one_minus);
}

// Power term K T^E. An exponent of exactly -1 takes the logarithmic enthalpy: only then is
// T^(E+1)/(E+1) undefined, and for every other exponent the power form is the antiderivative
// of K T^E (a tolerance or truncation would put K ln T in place of the antiderivative for
// exponents near -1). An exponent below 1e-8 in magnitude takes the logarithmic entropy.
inline void add_power(double K, double E, double T, double& cp0, double& h0, double& s0) {
    const double tE = std::pow(T, E);
    cp0 += K * tE;
    if (E == -1.0) {
        h0 += K * std::log(T);
        s0 += K * tE / E;
    } else if (std::fabs(E) < kThreshold) {
        h0 += K * (tE * T) / (E + 1.0);
        s0 += K * std::log(T);
    } else {
        h0 += K * (tE * T) / (E + 1.0);
        s0 += K * tE / E;
    }
}

// The three sums at T as X_R_CPID forms them, for the one-sweep property evaluation: a
// Planck-Einstein term takes 1 - e^-x as the difference itself where that is as accurate as
// expm1 (x of at least 0.5, e^-x at most 0.61), and a power term of exponent 0 takes T^0 = 1
// without a real power. The sums agree with X_R_CPID up to rounding. False where X_R_CPID
// would refuse (T not positive or not finite, a negative characteristic temperature, sums
// that are not finite); the caller then asks X_R_CPID.
inline bool quick_sums(double T, double& cp0, double& h0, double& s0) {
    cp0 = h0 = s0 = 0.0;
    if (!(T > 0.0) || !std::isfinite(T)) return false;
    const int32_t count = term_count();
    for (int32_t i = 0; i < count; ++i) {
        const double K = SUBST_CONST.K[i];
        const double E = SUBST_CONST.E[i];
        const double theta = SUBST_CONST.K2[i];
        if (is_planck_einstein(theta)) {
            if (theta < 0.0) return false;
            const double x = theta / T;
            if (x < 0.5) {
                add_planck_einstein(K, theta, T, cp0, h0, s0);
                continue;
            }
            const double em = std::exp(-x);
            if (em == 0.0) continue;
            const double one_minus = 1.0 - em;
            const double ratio = x / one_minus;
            const double ln_one_minus =
                (x < 0.6931471805599453) ? std::log(one_minus) : std::log1p(-em);
            cp0 += K * ratio * ratio * em;
            h0 += K * theta * em / one_minus;
            s0 += K * (ratio * em - ln_one_minus);
        } else if (E == 0.0) {
            cp0 += K;
            h0 += K * T / (E + 1.0);
            s0 += K * std::log(T);
        } else {
            add_power(K, E, T, cp0, h0, s0);
        }
    }
    return std::isfinite(cp0) && std::isfinite(h0) && std::isfinite(s0);
}

}  // namespace ideal_gas
