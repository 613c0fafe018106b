// Fixed constants of the hard-body term (held in single precision) and the term as a function
// of the packing fraction, shared by the term function and the one-sweep evaluation.
#pragma once

#include <cmath>

constexpr float A1_HARD_BODY = 0.3674f;  // exponent of the size factor's temperature dependence
constexpr float A2_HARD_BODY = 0.689f;   // temperature-independent share of the size factor

namespace hard_body {

constexpr double kPacking = 0.1617;  // packing fraction per reduced density at size factor 1

// The term as a function of the packing fraction eta, with a = Alpha, y = 1 - eta, r = 1/y:
//   F(eta) = (a^2 - 1) ln y + [(a^2 + 3a) eta - 3a eta^2] / y^2
// and its eta-derivatives of first to third order.
inline double f0(double a, double eta, double y, double r) {
    const double numerator = (a * a + 3.0 * a) * eta - 3.0 * a * eta * eta;
    return (a * a - 1.0) * std::log(y) + numerator * r * r;
}

inline double f1(double a, double eta, double r) {
    const double b = a * a + 3.0 * a;
    const double numerator = b * eta - 3.0 * a * eta * eta;
    return r * ((1.0 - a * a) + r * ((b - 6.0 * a * eta) + 2.0 * numerator * r));
}

inline double f2(double a, double eta, double r) {
    const double r2 = r * r;
    return r2 * ((1.0 - a * a) - 6.0 * a +
                 r * (4.0 * a * (a + 3.0 - 6.0 * eta) + 6.0 * a * eta * (a + 3.0 - 3.0 * eta) * r));
}

inline double f3(double a, double eta, double r) {
    const double r3 = r * r * r;
    return r3 *
           (2.0 * (1.0 - a * a) - 36.0 * a +
            r * (18.0 * a * (a + 3.0 - 6.0 * eta) + 24.0 * a * eta * (a + 3.0 - 3.0 * eta) * r));
}

}  // namespace hard_body
