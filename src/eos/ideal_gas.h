// The ideal-gas part: the contributions of one heat-capacity term to cp0/R, h0/R (K) and s0/R,
// and the one loop that sums them.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "eos/constants.h"
#include "substance/subst_const.h"

namespace ideal_gas {

// Number of terms to sum: the low 16 bits of the count, at most the 20 the record holds.
inline int32_t term_count() {
    const int32_t count = static_cast<int16_t>(SUBST_CONST.i4_ncp0);
    return count < 20 ? count : 20;
}

// A term is of Planck-Einstein type when its characteristic temperature is not (near) zero.
inline bool is_planck_einstein(double theta) {
    return std::fabs(theta) > IDEAL_GAS_THRESHOLD;
}

// How a Planck-Einstein term forms 1 - e^-x: by expm1 for every x (the ideal-gas routine), or,
// in the quick form of the property evaluation, as the difference itself where that is as
// accurate (x of at least 0.5, e^-x at most 0.61). The sums of the two forms agree to rounding.
enum class Form { exact, quick };

// Planck-Einstein term with x = theta/T (theta > 0, T > 0):
//   cp0 += K x^2 e^x / (e^x - 1)^2
//   h0 += K theta / (e^x - 1)
//   s0 += K (x e^x / (e^x - 1) - ln(e^x - 1))
// written in e^-x so that it stays finite for large x: the entropy part equals
// x e^-x / (1 - e^-x) - ln(1 - e^-x). ln(1 - e^-x) is formed from 1 - e^-x for small x and by
// log1p(-e^-x) for large x, so that it keeps its share where e^-x is below the rounding of 1.
// Once e^-x underflows (x above about 745) the three contributions are below the smallest
// double and are left out.
inline void add_planck_einstein(Form form, double K, double theta, double T, double& cp0,
                                double& h0, double& s0) {
    const double x = theta / T;
    const double em = std::exp(-x);
    if (em == 0.0) return;
    const double one_minus = (form == Form::quick && x >= 0.5) ? 1.0 - em : -std::expm1(-x);
    const double ratio = x / one_minus;  // x / (1 - e^-x), about 1 for tiny x
    const double ln_one_minus = (x < std::numbers::ln2) ? std::log(one_minus) : std::log1p(-em);
    cp0 += K * ratio * ratio * em;
    h0 += K * theta * em / one_minus;
    s0 += K * (ratio * em - ln_one_minus);
}

// Power term K T^E. An exponent of exactly -1 takes the logarithmic enthalpy: only then is
// T^(E+1)/(E+1) undefined, and for every other exponent the power form is the antiderivative
// of K T^E (a tolerance or truncation would put K ln T in place of the antiderivative for
// exponents near -1). An exponent below 1e-8 in magnitude takes the logarithmic entropy. The
// exponent 0 (a constant cp0 term) needs no real power: T^0 is 1.
inline void add_power(double K, double E, double T, double& cp0, double& h0, double& s0) {
    const double tE = E == 0.0 ? 1.0 : std::pow(T, E);
    cp0 += K * tE;
    if (E == -1.0) {
        h0 += K * std::log(T);
        s0 += K * tE / E;
    } else if (std::fabs(E) < IDEAL_GAS_THRESHOLD) {
        h0 += K * (tE * T) / (E + 1.0);
        s0 += K * std::log(T);
    } else {
        h0 += K * (tE * T) / (E + 1.0);
        s0 += K * tE / E;
    }
}

// One term: power-law exponent E, coefficient K, characteristic temperature theta (K2).
struct Term {
    double E = 0, K = 0, theta = 0;
};

// cp0/R, h0/R and s0/R at T over `count` terms, term(i) giving term i (from 0), summed in index
// order: the one loop behind the ideal-gas routine, the range test, the property evaluation
// and the fitting tool's reference cp0. After each power-law term after_power(i, cp0, h0, s0)
// is called with the running sums. Returns false, with all three 0, for T not positive or not
// finite, a negative characteristic temperature, or sums that are not finite.
template <class TermAt, class AfterPower>
bool sum_terms(int32_t count, TermAt term, double T, Form form, double& cp0, double& h0, double& s0,
               AfterPower after_power) {
    cp0 = h0 = s0 = 0.0;
    if (!(T > 0.0) || !std::isfinite(T)) return false;
    for (int32_t i = 0; i < count; ++i) {
        const Term t = term(i);
        if (is_planck_einstein(t.theta)) {
            if (t.theta < 0.0) {
                cp0 = h0 = s0 = 0.0;
                return false;
            }
            add_planck_einstein(form, t.K, t.theta, T, cp0, h0, s0);
            continue;
        }
        add_power(t.K, t.E, T, cp0, h0, s0);
        after_power(i, cp0, h0, s0);
    }
    if (std::isfinite(cp0) && std::isfinite(h0) && std::isfinite(s0)) return true;
    cp0 = h0 = s0 = 0.0;
    return false;
}

// The same over the terms of the loaded substance. Returns STATUS_OK, or STATUS_OUT_OF_RANGE
// with all three 0. With `trace`, every power-law term writes a record with the running sums to
// the trace file.
int32_t sums(double T, Form form, bool trace, double& cp0, double& h0, double& s0);

// d(cp0/R)/dT of one term: K E T^(E-1) for a power term; for a Planck-Einstein term, with
// x = theta/T, its cp0 share times -(2 + x - 2 x / (1 - e^-x)) / T.
inline double cp0_slope_of(const Term& t, double T) {
    if (!is_planck_einstein(t.theta)) return t.E == 0.0 ? 0.0 : t.K * t.E * std::pow(T, t.E - 1.0);
    const double x = t.theta / T, em = std::exp(-x);
    if (em == 0.0) return 0.0;
    const double one_minus = -std::expm1(-x), ratio = x / one_minus;
    const double share = t.K * ratio * ratio * em;
    return -share * (2.0 + x - 2.0 * ratio) / T;
}

// d(cp0/R)/dT at T over the terms of the loaded substance (T positive and finite).
double cp0_slope(double T);

}  // namespace ideal_gas
