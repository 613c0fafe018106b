// Independent numerical derivatives and independent re-implementations of the term values, for
// the tests of the equation of state.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <limits>

namespace eos_test {

using cplx = std::complex<double>;

// Value of the hard-body term at (D, T), written directly from its closed form in D and T.
template <typename R>
R hard_body_value(R D, double D0, R T, double T0, double Alpha) {
    const double a1 = static_cast<double>(0.3674f);
    const double a2 = static_cast<double>(0.689f);
    const R S = a2 + (1.0 - a2) * std::pow(T / T0, a1);
    const R eta = 0.1617 * (D / D0) / S;
    const double a = Alpha;
    return (a * a - 1.0) * std::log(1.0 - eta) +
           ((a * a + 3.0 * a) * eta - 3.0 * a * eta * eta) / ((1.0 - eta) * (1.0 - eta));
}

// Value of one attraction term c (T/T0)^(n/2) (D/D0)^m Alpha^j exp(-(D/D0)^l), no exponential
// for l = 0.
template <typename R>
R attraction_value(R D, double D0, R T, double T0, double Alpha, double c, int m, int n, int j,
                   int l) {
    const R delta = D / D0;
    R value = c * std::pow(T / T0, n / 2.0) * std::pow(delta, static_cast<double>(m)) *
              std::pow(Alpha, static_cast<double>(j));
    if (l != 0) value *= std::exp(-std::pow(delta, static_cast<double>(l)));
    return value;
}

// Value of one polar term c (T/(1.13 T0))^(n/2) (D/D0)^(m/2) P^(k/4) exp(-o (D/D0)^2).
template <typename R>
R polar_value(R D, double D0, R T, double T0, double P, double c, int n, int m, int k, int o) {
    const R x = D / D0;
    return c * std::pow(T / (1.13 * T0), n / 2.0) * std::pow(x, m / 2.0) * std::pow(P, k / 4.0) *
           std::exp(-static_cast<double>(o) * x * x);
}

// First derivative by the complex step: exact to rounding, no subtraction.
inline double complex_step(const std::function<cplx(cplx)>& f, double x) {
    const double h = 1e-30 * std::max(std::fabs(x), 1e-300);
    return std::imag(f(cplx(x, h))) / h;
}

// Derivative of f at x by Ridders' extrapolation of central differences, starting with step h
// and shrinking it; returns the estimate with the smallest error estimate.
inline double ridders(const std::function<double(double)>& f, double x, double h,
                      double* error = nullptr) {
    constexpr int kSize = 12;
    constexpr double kShrink = 1.4;
    constexpr double kShrink2 = kShrink * kShrink;
    double a[kSize][kSize];
    double best = 0.0;
    double err = std::numeric_limits<double>::max();
    a[0][0] = (f(x + h) - f(x - h)) / (2.0 * h);
    for (int i = 1; i < kSize; ++i) {
        h /= kShrink;
        a[0][i] = (f(x + h) - f(x - h)) / (2.0 * h);
        double fac = kShrink2;
        for (int j = 1; j <= i; ++j) {
            a[j][i] = (a[j - 1][i] * fac - a[j - 1][i - 1]) / (fac - 1.0);
            fac *= kShrink2;
            const double e =
                std::max(std::fabs(a[j][i] - a[j - 1][i]), std::fabs(a[j][i] - a[j - 1][i - 1]));
            if (e <= err) {
                err = e;
                best = a[j][i];
            }
        }
        if (std::fabs(a[i][i] - a[i - 1][i - 1]) >= 2.0 * err) break;
    }
    if (error != nullptr) *error = err;
    return best;
}

// Relative difference of an analytic value from a numerical one, with an absolute floor for
// values near zero: scale is the size of the quantities the derivative was formed from.
inline double relative_error(double analytic, double numeric, double scale) {
    return std::fabs(analytic - numeric) / std::max(std::fabs(numeric), std::fabs(scale));
}

}  // namespace eos_test
