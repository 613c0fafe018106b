// Ideal-gas part: enthalpy and entropy contributions are the antiderivatives of the heat
// capacity, the reduced values of single terms, the type threshold, the trace records and the
// refusal of temperatures and characteristic temperatures outside the correlation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "eos/eos.h"
#include "eos_test_support.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/subst_const.h"
#include "test_support.h"

namespace {

constexpr double kThreshold = 9.99999993922529e-09;

struct Term {
    double K, E, theta;
};

void load_terms(const std::vector<Term>& terms) {
    SUBST_CONST = SubstConst{};
    for (std::size_t i = 0; i < terms.size(); ++i) {
        SUBST_CONST.K[i] = terms[i].K;
        SUBST_CONST.E[i] = terms[i].E;
        SUBST_CONST.K2[i] = terms[i].theta;
    }
    SUBST_CONST.i4_ncp0 = static_cast<int32_t>(terms.size());
}

struct Ideal {
    double cp0, h0, s0;
    int32_t status;
};
Ideal cpid(double T) {
    Ideal r{-1.0, -1.0, -1.0, -7};
    X_R_CPID(T, r.cp0, r.h0, r.s0, r.status);
    return r;
}

TEST(EosIdealGas, EnthalpyAndEntropyAreAntiderivativesOfTheHeatCapacity) {
    const std::vector<Term> terms = {
        {1.3, 0.0, 20.0},   {0.7, 0.0, 300.0}, {2.1, 0.0, 1500.0}, {0.9, 0.0, 6000.0},
        {2.5, 0.0, 0.0},    {-0.4, -1.0, 0.0}, {3e-3, 1.0, 0.0},   {-2e-6, 2.0, 0.0},
        {1e-9, 3.0, 0.0},   {0.05, 0.5, 0.0},  {12.0, -0.5, 0.0},  {40.0, -1.5, 0.0},
        {900.0, -2.0, 0.0}, {1e5, -3.0, 0.0},  {0.3, -0.999, 0.0}, {0.3, -1.001, 0.0},
        {0.6, -1.25, 0.0},  {1.1, 0.37, 0.0},  {0.2, 1e-3, 0.0},   {5.0, 0.0, -1e-9}};
    double worst_h = 0.0, worst_s = 0.0;
    for (const Term& term : terms) {
        load_terms({term});
        for (double T : {20.0, 50.0, 150.0, 300.0, 432.0, 433.0, 1000.0, 3000.0}) {
            const Ideal v = cpid(T);
            ASSERT_EQ(v.status, 0);
            // Step small against the temperature scale of the term (T^2/theta for large theta/T).
            const double h = 0.05 * T / (1.0 + std::fabs(term.theta) / T);
            const double dh = eos_test::ridders([](double t) { return cpid(t).h0; }, T, h);
            const double ds = eos_test::ridders([](double t) { return cpid(t).s0; }, T, h);
            const double eh = eos_test::relative_error(dh, v.cp0, 0.0);
            const double es = eos_test::relative_error(ds, v.cp0 / T, 0.0);
            worst_h = std::max(worst_h, eh);
            worst_s = std::max(worst_s, es);
            EXPECT_LT(eh, 1e-9) << term.K << " " << term.E << " " << term.theta << " T " << T;
            EXPECT_LT(es, 1e-9) << term.K << " " << term.E << " " << term.theta << " T " << T;
        }
    }
    std::printf("ideal gas dh0/dT worst relative error %.2e, ds0/dT %.2e\n", worst_h, worst_s);
    // An exponent below 1e-8 in magnitude takes K ln T as its entropy: the antiderivative of
    // K T^E / T up to a relative 2 |E ln T|.
    load_terms({{2.0, 5e-9, 0.0}});
    for (double T : {50.0, 300.0, 3000.0}) {
        const double ds = eos_test::ridders([](double t) { return cpid(t).s0; }, T, 0.05 * T);
        EXPECT_NEAR(ds, cpid(T).cp0 / T, 2.0 * 5e-9 * std::log(T) * cpid(T).cp0 / T);
        EXPECT_EQ(cpid(T).s0, 2.0 * std::log(T));
    }
}

TEST(EosIdealGas, ValuesOfSingleTerms) {
    const double T = 273.15;
    load_terms({});
    Ideal v = cpid(T);
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.cp0, 0.0);
    EXPECT_EQ(v.h0, 0.0);
    EXPECT_EQ(v.s0, 0.0);

    load_terms({{2.5, 0.0, 0.0}});
    v = cpid(T);
    EXPECT_DOUBLE_EQ(v.cp0, 2.5);
    EXPECT_DOUBLE_EQ(v.h0, 2.5 * T);
    EXPECT_DOUBLE_EQ(v.s0, 2.5 * std::log(T));

    load_terms({{7.0, -1.0, 0.0}});
    v = cpid(T);
    EXPECT_DOUBLE_EQ(v.cp0, 7.0 / T);
    EXPECT_DOUBLE_EQ(v.h0, 7.0 * std::log(T));
    EXPECT_DOUBLE_EQ(v.s0, -7.0 / T);

    load_terms({{1e-5, 2.0, 0.0}});
    v = cpid(T);
    EXPECT_DOUBLE_EQ(v.cp0, 1e-5 * T * T);
    EXPECT_DOUBLE_EQ(v.h0, 1e-5 * T * T * T / 3.0);
    EXPECT_DOUBLE_EQ(v.s0, 1e-5 * T * T / 2.0);

    // Planck-Einstein term with theta = T: x = 1.
    load_terms({{1.7, 0.0, T}});
    v = cpid(T);
    const double e = std::exp(1.0);
    EXPECT_DOUBLE_EQ(v.cp0, 1.7 * e / ((e - 1.0) * (e - 1.0)));
    EXPECT_DOUBLE_EQ(v.h0, 1.7 * T / (e - 1.0));
    EXPECT_DOUBLE_EQ(v.s0, 1.7 * (e / (e - 1.0) - std::log(e - 1.0)));

    // Terms add up in index order.
    load_terms({{2.5, 0.0, 0.0}, {7.0, -1.0, 0.0}, {1.7, 0.0, T}});
    v = cpid(T);
    EXPECT_DOUBLE_EQ(v.cp0, 2.5 + 7.0 / T + 1.7 * e / ((e - 1.0) * (e - 1.0)));
}

TEST(EosIdealGas, TypeThresholdIsStrictlyGreater) {
    const double T = 400.0;
    // |K2| exactly at the widened threshold: a power-law term K T^E.
    for (double theta : {kThreshold, -kThreshold, 0.0}) {
        load_terms({{3.0, 0.5, theta}});
        const Ideal v = cpid(T);
        EXPECT_EQ(v.status, 0);
        EXPECT_DOUBLE_EQ(v.cp0, 3.0 * std::sqrt(T)) << theta;
    }
    // 1e-8 as a 64-bit value lies above it: a Planck-Einstein term with x = 2.5e-11, cp0 = K.
    load_terms({{3.0, 0.5, 1e-8}});
    const Ideal v = cpid(T);
    EXPECT_EQ(v.status, 0);
    EXPECT_NEAR(v.cp0, 3.0, 1e-12);
    EXPECT_NEAR(v.h0, 3.0 * (T - 0.5e-8), 1e-9);
}

TEST(EosIdealGas, CountUsesTheLow16BitsAndAtMostTwentyTerms) {
    std::vector<Term> terms(20, Term{1.0, 0.0, 0.0});
    load_terms(terms);
    SUBST_CONST.i4_ncp0 = 65536 + 3;
    EXPECT_DOUBLE_EQ(cpid(300.0).cp0, 3.0);
    SUBST_CONST.i4_ncp0 = 25;
    EXPECT_DOUBLE_EQ(cpid(300.0).cp0, 20.0);
    SUBST_CONST.i4_ncp0 = -2;
    EXPECT_EQ(cpid(300.0).cp0, 0.0);
}

TEST(EosIdealGas, StaysFiniteForLargeAndTinyThetaOverT) {
    for (auto [theta, T] : {std::pair{6000.0, 1.0},
                            {1e5, 1e-3},
                            {1e3, 1e-300},
                            {1e10, 1e-300},
                            {1e-7, 1e300},
                            {2e-8, 1e250},
                            {500.0, 1e-5}}) {
        load_terms({{2.0, 0.0, theta}});
        const Ideal v = cpid(T);
        EXPECT_EQ(v.status, 0) << theta << " " << T;
        EXPECT_TRUE(std::isfinite(v.cp0) && std::isfinite(v.h0) && std::isfinite(v.s0))
            << theta << " " << T;
        const double x = theta / T;
        if (x > 1e3) {
            EXPECT_EQ(v.cp0 + v.h0 + v.s0, 0.0) << theta << " " << T;
        }
        if (x < 1e-10) {
            EXPECT_NEAR(v.cp0, 2.0, 1e-12);
            EXPECT_NEAR(v.h0 / (2.0 * T), 1.0, 1e-12);
        }
    }
    // Where the limit is approached the values join smoothly: x = 700 against x = 740.
    load_terms({{1.0, 0.0, 700.0}});
    const double cp700 = cpid(1.0).cp0;
    EXPECT_NEAR(cp700, 700.0 * 700.0 * std::exp(-700.0), 1e-12 * cp700);
}

TEST(EosIdealGas, RefusesTemperaturesAndCharacteristicTemperaturesOutsideTheCorrelation) {
    load_terms({{2.5, 0.0, 0.0}, {1.0, 0.0, 800.0}});
    for (double T : {0.0, -0.0, -300.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        const Ideal v = cpid(T);
        EXPECT_EQ(v.status, STATUS_OUT_OF_RANGE) << T;
        EXPECT_EQ(v.cp0, 0.0);
        EXPECT_EQ(v.h0, 0.0);
        EXPECT_EQ(v.s0, 0.0);
    }
    load_terms({{2.5, 0.0, 0.0}, {1.0, 0.0, -800.0}});
    Ideal v = cpid(300.0);
    EXPECT_EQ(v.status, STATUS_OUT_OF_RANGE);
    EXPECT_EQ(v.cp0 + v.h0 + v.s0, 0.0);
    // Sums that overflow are refused too.
    load_terms({{1.0, 2.0, 0.0}});
    EXPECT_EQ(cpid(1e6).status, 0);
    v = cpid(1e120);
    EXPECT_EQ(v.status, STATUS_OUT_OF_RANGE);
    EXPECT_EQ(v.cp0 + v.h0 + v.s0, 0.0);
}

std::string trace_record(int32_t i, const Ideal& sums) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%12d", i);
    return std::string(" ") + buf + " cp: " + list_real(sums.cp0) + " h: " + list_real(sums.h0) +
           " s: " + list_real(sums.s0);
}

TEST(EosIdealGas, TraceRecordsFollowThePowerLawTermsOnly) {
    ScriptedSession session;
    UNIT_TABLE.i4_lun[TRACE_ENTRY - 1] = 19;
    ASSERT_EQ(open_channel(19, "xalt1.log"), 0);
    const std::vector<Term> terms = {{1.0, 0.0, 500.0},
                                     {2.5, 0.0, 0.0},
                                     {0.8, 0.0, 1200.0},
                                     {-3.0, -1.0, 0.0},
                                     {0.1, 0.5, kThreshold}};
    const double T = 350.0;
    // The running sums after term i are the sums of the first i terms.
    std::vector<Ideal> running;
    for (std::size_t n = 1; n <= terms.size(); ++n) {
        load_terms(std::vector<Term>(terms.begin(), terms.begin() + n));
        running.push_back(cpid(T));
    }
    EXPECT_EQ(session.read_file("xalt1.log"), "");  // trace switch off: no record

    load_terms(terms);
    UNIT_TABLE.l_trace = true;
    const Ideal v = cpid(T);
    UNIT_TABLE.l_trace = false;
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(session.read_file("xalt1.log"), trace_record(2, running[1]) + "\n" +
                                                  trace_record(4, running[3]) + "\n" +
                                                  trace_record(5, running[4]) + "\n");
    EXPECT_EQ(v.cp0, running[4].cp0);
    EXPECT_EQ(session.console(), "");
}

}  // namespace
