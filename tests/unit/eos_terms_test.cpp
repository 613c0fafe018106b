// Term functions of the residual Helmholtz energy: every branch against independent numerical
// derivatives over a grid from dilute gas to dense liquid, the reduced forms of special cases,
// unsupported derivative pairs and the range of the hard-body term.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "eos_test_support.h"
#include "platform/status_codes.h"

namespace {

using eos_test::Branch;
using eos_test::check_branches;
using eos_test::cplx;
using eos_test::Independent;
using eos_test::Worst;

constexpr double kD0 = 10.5;
constexpr double kT0 = 190.0;
constexpr int32_t kSupportedPairs[][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {0, 2}, {1, 1}};

double size_factor(double theta) {
    return static_cast<double>(0.689f) +
           (1.0 - static_cast<double>(0.689f)) * std::pow(theta, static_cast<double>(0.3674f));
}

// States from dilute gas to dense liquid: packing fraction 1e-7 to 0.6, T/T0 from 0.25 to 4
// (1.13 included, where the polar temperature factor is 1).
struct State {
    double D, T;
};
std::vector<State> state_grid() {
    std::vector<State> states;
    for (double theta : {0.25, 0.6, 1.0, 1.13, 1.7, 4.0})
        for (double eta : {1e-7, 1e-4, 0.01, 0.1, 0.25, 0.4, 0.5, 0.6})
            states.push_back({eta * kD0 * size_factor(theta) / 0.1617, theta * kT0});
    return states;
}

// ---- Hard-body term ----------------------------------------------------------------------------

double rfh(int32_t del, int32_t tau, double D, double D0, double T, double T0, double Alpha,
           int32_t* status = nullptr) {
    double f = std::numeric_limits<double>::quiet_NaN();
    const int32_t s = I4_X_RFH(D, D0, T, T0, Alpha, A1_HARD_BODY, A2_HARD_BODY, del, tau, f);
    if (status != nullptr)
        *status = s;
    else
        EXPECT_EQ(s, STATUS_OK);
    return f;
}

TEST(EosHardBody, EveryBranchMatchesNumericalDerivativesFromGasToDenseLiquid) {
    Worst worst;
    for (double alpha : {1.0, 1.1, 1.25, 1.5}) {
        for (const State& s : state_grid()) {
            const Branch f = [&](int32_t del, int32_t tau, double D, double T) {
                return rfh(del, tau, D, kD0, T, kT0, alpha);
            };
            const Independent g = [&](cplx D, cplx T) {
                return eos_test::hard_body_value(D, kD0, T, kT0, alpha);
            };
            check_branches(f, g, s.D, s.T, 0.02 * s.D, 0.05 * s.T, worst,
                           "Alpha " + std::to_string(alpha) + " D " + std::to_string(s.D) + " T " +
                               std::to_string(s.T));
        }
    }
    worst.print("hard body");
}

TEST(EosHardBody, UsesTheWidenedSinglePrecisionConstants) {
    EXPECT_EQ(static_cast<double>(A1_HARD_BODY), 0.36739999055862427);
    EXPECT_EQ(static_cast<double>(A2_HARD_BODY), 0.6890000104904175);
    // With the decimals as 64-bit values the size factor, and so every value, would differ at
    // relative order 1e-8 away from T = T0.
    const double T = 2.0 * kT0, D = 12.0;
    const double S =
        0.6890000104904175 + (1.0 - 0.6890000104904175) * std::pow(2.0, 0.36739999055862427);
    const double eta = 0.1617 * (D / kD0) / S;
    const double expected = (4.0 * eta - 3.0 * eta * eta) / ((1.0 - eta) * (1.0 - eta));
    EXPECT_NEAR(rfh(0, 0, D, kD0, T, kT0, 1.0), expected, 1e-15 * expected);
    const double S_decimal = 0.689 + (1.0 - 0.689) * std::pow(2.0, 0.3674);
    EXPECT_GT(std::fabs(S_decimal - S) / S, 1e-9);
}

TEST(EosHardBody, ReducedForms) {
    // Alpha = 1 removes the logarithm; at T = T0 the size factor is exactly 1.
    for (double D : {0.01, 1.0, 10.0, 30.0}) {
        const double eta = 0.1617 * D / kD0;
        const double expected = (4.0 * eta - 3.0 * eta * eta) / ((1.0 - eta) * (1.0 - eta));
        EXPECT_NEAR(rfh(0, 0, D, kD0, kT0, kT0, 1.0), expected, 4e-16 * expected) << D;
    }
    // For small D the (0,0), (0,1), (0,2) values vanish like D, while (1,0) tends to
    // (1 + 3a) 0.1617 / (D0 S).
    for (double alpha : {1.0, 1.3, 1.5}) {
        const double T = 1.7 * kT0;
        const double limit = (1.0 + 3.0 * alpha) * 0.1617 / (kD0 * size_factor(1.7));
        const double D = 1e-9;
        EXPECT_NEAR(rfh(1, 0, D, kD0, T, kT0, alpha), limit, 1e-8 * limit);
        EXPECT_LT(std::fabs(rfh(0, 0, D, kD0, T, kT0, alpha)), 1e-9);
        EXPECT_LT(std::fabs(rfh(0, 1, D, kD0, T, kT0, alpha)), 1e-11);
        EXPECT_LT(std::fabs(rfh(0, 2, D, kD0, T, kT0, alpha)), 1e-13);
        // At D = 0 itself the density branches are the limits, not 0/0.
        EXPECT_NEAR(rfh(1, 0, 0.0, kD0, T, kT0, alpha), limit, 1e-15 * limit);
        EXPECT_EQ(rfh(0, 0, 0.0, kD0, T, kT0, alpha), 0.0);
    }
}

TEST(EosHardBody, UnsupportedPairsReturnStatusOneAndZero) {
    const int32_t big = std::numeric_limits<int32_t>::max();
    const int32_t pairs[][2] = {{0, 3}, {1, 2}, {2, 1}, {4, 0}, {-1, 0}, {0, -1}, {3, 1}, {big, 1}};
    for (const auto& p : pairs) {
        double f = 123.0;
        EXPECT_EQ(I4_X_RFH(1.0, kD0, kT0, kT0, 1.2, A1_HARD_BODY, A2_HARD_BODY, p[0], p[1], f),
                  STATUS_UNSUPPORTED_PAIR);
        EXPECT_EQ(f, 0.0);
    }
}

TEST(EosHardBody, RefusesStatesOutsideTheTerm) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double D_at_one = kD0 / 0.1617;  // packing fraction 1 at T = T0
    const double D_above = D_at_one * (1.0 + 1e-12);
    const struct {
        double D, T, T0;
    } cases[] = {{D_above, kT0, kT0}, {2.0 * D_at_one, kT0, kT0}, {10.0, 0.0, kT0},
                 {10.0, -50.0, kT0},  {10.0, kT0, 0.0},           {10.0, kT0, -kT0},
                 {nan, kT0, kT0},     {10.0, nan, kT0},           {inf, kT0, kT0},
                 {10.0, inf, kT0}};
    for (const auto& c : cases) {
        for (const auto& p : kSupportedPairs) {
            double f = 123.0;
            EXPECT_EQ(I4_X_RFH(c.D, kD0, c.T, c.T0, 1.2, A1_HARD_BODY, A2_HARD_BODY, p[0], p[1], f),
                      STATUS_OUT_OF_RANGE)
                << c.D << " " << c.T << " " << c.T0 << " " << p[0] << p[1];
            EXPECT_EQ(f, 0.0);
        }
    }
    // Just below packing fraction 1 the values are large but finite.
    int32_t status = -5;
    EXPECT_TRUE(std::isfinite(rfh(3, 0, D_at_one * (1.0 - 1e-12), kD0, kT0, kT0, 1.5, &status)));
    EXPECT_EQ(status, STATUS_OK);
    // Where the packing fraction is so close to 1 that the value overflows, the state is refused.
    double f = 123.0;
    const int32_t pair[] = {3, 0};
    for (double D = D_at_one * (1.0 - 1e-12); D < D_above; D = std::nextafter(D, 1e3)) {
        const int32_t s =
            I4_X_RFH(D, kD0, kT0, kT0, 1.5, A1_HARD_BODY, A2_HARD_BODY, pair[0], pair[1], f);
        ASSERT_TRUE(s == STATUS_OK || s == STATUS_OUT_OF_RANGE);
        ASSERT_TRUE(std::isfinite(f));
        if (s != STATUS_OK) {
            ASSERT_EQ(f, 0.0);
        }
    }
}

// ---- Attraction term ---------------------------------------------------------------------------

double rfa(int32_t del, int32_t tau, double D, double T, double Alpha, double c, int32_t m,
           int32_t n, int32_t j, int32_t l) {
    double f = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(I4_X_RFA(D, kD0, T, kT0, Alpha, c, m, n, j, l, del, tau, f), STATUS_OK);
    return f;
}

TEST(EosAttraction, EveryBranchMatchesNumericalDerivativesFromGasToDenseLiquid) {
    Worst worst;
    const std::vector<State> states = state_grid();
    int variant = 0;
    for (int32_t m : {0, 1, 2, 3, 6, 10}) {
        for (int32_t n : {-16, -7, -1, 0, 1, 3, 6}) {
            for (int32_t l : {0, 1, 2, 3, 4}) {
                ++variant;
                const int32_t j = variant % 3;
                const double alpha = 1.0 + 0.25 * (variant % 3);
                const double c = (variant % 2) ? 1.7 : -0.83;
                const Branch f = [&](int32_t del, int32_t tau, double D, double T) {
                    return rfa(del, tau, D, T, alpha, c, m, n, j, l);
                };
                const Independent g = [&](cplx D, cplx T) {
                    return eos_test::attraction_value(D, kD0, T, kT0, alpha, c, m, n, j, l);
                };
                for (const State& s : states) {
                    // Steps small against the length on which exp(-delta^l) and D^m change.
                    const double u = (l != 0) ? l * std::pow(s.D / kD0, l) : 0.0;
                    const double hD = 0.05 * s.D / (1.0 + m + u);
                    const double hT = 0.05 * s.T / (1.0 + std::fabs(n / 2.0));
                    char where[160];
                    std::snprintf(where, sizeof where, "m %d n %d j %d l %d D %g T %g", m, n, j, l,
                                  s.D, s.T);
                    check_branches(f, g, s.D, s.T, hD, hT, worst, where);
                }
            }
        }
    }
    worst.print("attraction");
}

TEST(EosAttraction, ReducedForms) {
    const double D = 7.3, T = 250.0, alpha = 1.3;
    // l = 0: no exponential, and the density derivatives are those of D^m.
    for (int32_t m : {0, 1, 2, 5}) {
        const double F = rfa(0, 0, D, T, alpha, 2.0, m, -4, 1, 0);
        EXPECT_NEAR(F, 2.0 * std::pow(T / kT0, -2.0) * std::pow(D / kD0, m) * alpha, 1e-15 * F);
        // To rounding: 1e-14 of the larger of the value and F / D^k.
        const double second = F * m * (m - 1) / (D * D);
        const double third = F * m * (m - 1) * (m - 2) / (D * D * D);
        EXPECT_NEAR(rfa(2, 0, D, T, alpha, 2.0, m, -4, 1, 0), second,
                    1e-14 * std::max(std::fabs(F) / (D * D), std::fabs(second)));
        EXPECT_NEAR(rfa(3, 0, D, T, alpha, 2.0, m, -4, 1, 0), third,
                    1e-14 * std::max(std::fabs(F) / (D * D * D), std::fabs(third)));
    }
    // m = 0 with l = 0: every density derivative is exactly 0.
    for (auto p : {std::pair{1, 0}, {2, 0}, {3, 0}, {1, 1}})
        EXPECT_EQ(rfa(p.first, p.second, D, T, alpha, 2.0, 0, -4, 1, 0), 0.0);
    // n odd: n = -3 gives the temperature exponent -1.5.
    const double F3 = rfa(0, 0, D, T, alpha, 1.0, 2, -3, 0, 1);
    EXPECT_NEAR(rfa(0, 1, D, T, alpha, 1.0, 2, -3, 0, 1), -1.5 * F3 / T, 1e-15 * F3 / T);
    // j = 0: Alpha drops out.
    EXPECT_EQ(rfa(0, 0, D, T, 1.5, 1.0, 2, -3, 0, 1), rfa(0, 0, D, T, 1.0, 1.0, 2, -3, 0, 1));
    // T = T0 and D = D0: F = c Alpha^j exp(-1) with the exponential, c Alpha^j without.
    EXPECT_NEAR(rfa(0, 0, kD0, kT0, alpha, 0.7, 4, -9, 2, 3), 0.7 * alpha * alpha * std::exp(-1.0),
                1e-15);
    EXPECT_NEAR(rfa(0, 0, kD0, kT0, alpha, 0.7, 4, -9, 2, 0), 0.7 * alpha * alpha, 1e-15);
}

TEST(EosAttraction, UnsupportedPairsReturnStatusOneAndLeaveTheValue) {
    const int32_t big = std::numeric_limits<int32_t>::max();
    const int32_t pairs[][2] = {{0, 3}, {1, 2}, {2, 1}, {4, 0}, {-1, 0}, {0, -1}, {3, 1}, {big, 1}};
    for (const auto& p : pairs) {
        double f = 123.0;
        EXPECT_EQ(I4_X_RFA(1.0, kD0, kT0, kT0, 1.2, 1.0, 1, -2, 0, 1, p[0], p[1], f),
                  STATUS_UNSUPPORTED_PAIR);
        EXPECT_EQ(f, 123.0);
    }
}

// ---- Polar term --------------------------------------------------------------------------------

double rfq(int32_t del, int32_t tau, double D, double T, double P, double c, int32_t n, int32_t m,
           int32_t k, int32_t o) {
    double f = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(I4_X_RFQ(D, kD0, T, kT0, P, c, n, m, k, o, del, tau, f), STATUS_OK);
    return f;
}

TEST(EosPolar, EveryBranchMatchesNumericalDerivativesFromGasToDenseLiquid) {
    Worst worst;
    const std::vector<State> states = state_grid();
    int variant = 0;
    for (int32_t n : {-16, -5, -1, 0, 3}) {
        for (int32_t m : {0, 1, 2, 3, 7, 12}) {
            for (int32_t k : {0, 1, 2, 3, 4, 8}) {
                for (int32_t o : {0, 1, 2}) {
                    ++variant;
                    const double P = (variant % 3 == 0) ? 1.5e-6 : (variant % 3 == 1) ? 0.7 : 4.0;
                    const double c = (variant % 2) ? -2.1 : 0.45;
                    // n comes before m in this function's arguments.
                    const Branch f = [&](int32_t del, int32_t tau, double D, double T) {
                        return rfq(del, tau, D, T, P, c, n, m, k, o);
                    };
                    const Independent g = [&](cplx D, cplx T) {
                        return eos_test::polar_value(D, kD0, T, kT0, P, c, n, m, k, o);
                    };
                    for (const State& s : states) {
                        const double x = s.D / kD0;
                        const double hD = 0.05 * s.D / (1.0 + m / 2.0 + 2.0 * o * x * x);
                        const double hT = 0.05 * s.T / (1.0 + std::fabs(n / 2.0));
                        char where[160];
                        std::snprintf(where, sizeof where, "n %d m %d k %d o %d D %g T %g", n, m, k,
                                      o, s.D, s.T);
                        check_branches(f, g, s.D, s.T, hD, hT, worst, where);
                    }
                }
            }
        }
    }
    worst.print("polar");
}

TEST(EosPolar, ReducedForms) {
    const double D = 6.1, T = 300.0, P = 2.5;
    // o = 0: no exponential; (2,0) = F q (q - 1) / D^2.
    for (int32_t m : {1, 3, 5, 8}) {
        const double q = m / 2.0;
        const double F = rfq(0, 0, D, T, P, 1.0, -6, m, 3, 0);
        EXPECT_NEAR(rfq(2, 0, D, T, P, 1.0, -6, m, 3, 0), F * q * (q - 1.0) / (D * D),
                    1e-14 * std::fabs(F) / (D * D));
    }
    // m = 2 with o = 0: linear in D.
    const double F = rfq(0, 0, D, T, P, 1.0, -6, 2, 3, 0);
    EXPECT_NEAR(rfq(1, 0, D, T, P, 1.0, -6, 2, 3, 0), F / D, 1e-15 * F / D);
    EXPECT_EQ(rfq(2, 0, D, T, P, 1.0, -6, 2, 3, 0), 0.0);
    EXPECT_EQ(rfq(3, 0, D, T, P, 1.0, -6, 2, 3, 0), 0.0);
    // k = 4: linear in P; k = 0: P drops out.
    const double F1 = rfq(0, 0, D, T, 1.0, 1.0, -6, 5, 4, 1);
    EXPECT_NEAR(rfq(0, 0, D, T, 3.7, 1.0, -6, 5, 4, 1), 3.7 * F1, 1e-15 * std::fabs(F1));
    EXPECT_EQ(rfq(0, 0, D, T, 3.7, 1.0, -6, 5, 0, 1), rfq(0, 0, D, T, 0.2, 1.0, -6, 5, 0, 1));
    // T = 1.13 T0: the temperature factor is 1 in every branch, whatever n.
    const double T1 = 1.13 * kT0;
    for (int32_t n : {-9, -2, 0, 5}) {
        const double expected =
            0.8 * std::pow(D / kD0, 1.5) * std::pow(P, 0.75) * std::exp(-(D / kD0) * (D / kD0));
        EXPECT_NEAR(rfq(0, 0, D, T1, P, 0.8, n, 3, 3, 1), expected, 1e-14 * expected) << n;
    }
}

TEST(EosPolar, UnsupportedPairsReturnStatusOneAndLeaveTheValue) {
    const int32_t big = std::numeric_limits<int32_t>::max();
    const int32_t pairs[][2] = {{2, 1}, {0, 3}, {1, 2}, {4, 0}, {-1, 0}, {0, -1}, {3, 1}, {big, 1}};
    for (const auto& p : pairs) {
        double f = 123.0;
        EXPECT_EQ(I4_X_RFQ(1.0, kD0, kT0, kT0, 1.0, 1.0, -2, 2, 4, 1, p[0], p[1], f),
                  STATUS_UNSUPPORTED_PAIR);
        EXPECT_EQ(f, 123.0);
    }
}

}  // namespace
