// Independent numerical derivatives and independent re-implementations of the term values, for
// the tests of the equation of state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <string>

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

constexpr double kTolerance = 1e-9;

// A term function as seen by the checks: value of pair (del, tau) at (D, T), and the same
// term's value written independently, for complex arguments.
using Branch = std::function<double(int32_t, int32_t, double, double)>;
using Independent = std::function<cplx(cplx, cplx)>;

// Worst relative error per branch over all the checks of one test.
struct Worst {
    std::map<std::string, double> error;
    void note(const std::string& branch, double e) {
        double& w = error[branch];
        if (!(e <= w)) w = e;
    }
    void print(const char* name) const {
        for (const auto& [branch, e] : error)
            std::printf("%s %s worst relative error %.2e\n", name, branch.c_str(), e);
    }
};

// Checks all seven branches at one state. hD and hT are the starting steps of the extrapolated
// differences, small against the length on which the term changes.
// magnitude(del, tau), when given, is an absolute floor for values that are sums of terms of
// both signs (the sum of the terms' magnitudes in that branch).
inline void check_branches(const Branch& f, const Independent& g, double D, double T, double hD,
                           double hT, Worst& worst, const std::string& where,
                           const std::function<double(int32_t, int32_t)>& magnitude = nullptr) {
    auto floor = [&](int32_t del, int32_t tau) {
        return magnitude ? 1e-3 * magnitude(del, tau) : 0.0;
    };
    const double v00 = f(0, 0, D, T), v10 = f(1, 0, D, T), v01 = f(0, 1, D, T);
    const double v20 = f(2, 0, D, T), v30 = f(3, 0, D, T), v02 = f(0, 2, D, T);
    const double v11 = f(1, 1, D, T);
    for (double v : {v00, v10, v01, v20, v30, v02, v11}) ASSERT_TRUE(std::isfinite(v)) << where;

    // The value itself against the independent formula.
    const double g00 = std::real(g(cplx(D), cplx(T)));
    const double e00 = relative_error(v00, g00, 10.0 * floor(0, 0));
    worst.note("(0,0) value", v00 == g00 ? 0.0 : e00);
    EXPECT_TRUE(v00 == g00 || e00 < 1e-12) << where << " (0,0) " << v00 << " vs " << g00;

    // First derivatives: complex step through the independent formula.
    const double n10 = complex_step([&](cplx d) { return g(d, cplx(T)); }, D);
    const double n01 = complex_step([&](cplx t) { return g(cplx(D), t); }, T);
    auto check = [&](const char* branch, double analytic, double numeric, double scale) {
        const double e = (analytic == numeric) ? 0.0 : relative_error(analytic, numeric, scale);
        worst.note(branch, e);
        EXPECT_LT(e, kTolerance) << where << " " << branch << " analytic " << analytic
                                 << " numeric " << numeric;
    };
    check("(1,0)", v10, n10, std::max(std::fabs(v00) / D, floor(1, 0)));
    check("(0,1)", v01, n01, std::max(std::fabs(v00) / T, floor(0, 1)));

    // Higher orders: extrapolated central differences of the routine's own lower branches.
    auto in_D = [&](int32_t del, int32_t tau) {
        return ridders([&](double d) { return f(del, tau, d, T); }, D, hD);
    };
    auto in_T = [&](int32_t del, int32_t tau) {
        return ridders([&](double t) { return f(del, tau, D, t); }, T, hT);
    };
    check("(2,0)", v20, in_D(1, 0),
          std::max({std::fabs(v10) / D, std::fabs(v00) / (D * D), floor(2, 0)}));
    check("(3,0)", v30, in_D(2, 0),
          std::max({std::fabs(v20) / D, std::fabs(v10) / (D * D), std::fabs(v00) / (D * D * D),
                    floor(3, 0)}));
    check("(0,2)", v02, in_T(0, 1),
          std::max({std::fabs(v01) / T, std::fabs(v00) / (T * T), floor(0, 2)}));
    const double scale11 =
        std::max({std::fabs(v01) / D, std::fabs(v10) / T, std::fabs(v00) / (D * T), floor(1, 1)});
    check("(1,1) by D", v11, in_D(0, 1), scale11);
    check("(1,1) by T", v11, in_T(1, 0), scale11);
}

}  // namespace eos_test
