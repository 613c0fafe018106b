#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "props/props.h"
#include "props/td_props.h"
#include "props_fluid.h"
#include "substance/subst_const.h"

namespace {

TdProps state(double D, double T) {
    int32_t status = 0;
    X_TD_DAT(true, D, T, -1.0f, status);
    EXPECT_EQ(status, 0);
    return TD_PROPS;
}

// Equal-area rule: the integral of (p - ps)/D^2 from Dvap to Dliq vanishes (Simpson's rule
// in ln D, where the integrand varies smoothly).
double equal_area_miss(double T, double ps, double Dliq, double Dvap) {
    const int n = 4000;
    const double a = std::log(Dvap), b = std::log(Dliq), h = (b - a) / n;
    double sum = 0.0;
    for (int i = 0; i <= n; ++i) {
        const double D = std::exp(a + i * h);
        const double value = (state(D, T).p - ps) / D;  // (p - ps)/D^2 dD = (p - ps)/D dlnD
        sum += value * (i == 0 || i == n ? 1 : (i % 2 ? 4 : 2));
    }
    return sum * h / 3.0;
}

TEST(PropsMaxwel, SaturationFromHalfTcTo099Tc) {
    PropsSession session;
    for (double ratio : {0.5, 0.6, 0.7, 0.8, 0.9, 0.95, 0.97, 0.99}) {
        const double T = ratio * kDemoTc;
        SCOPED_TRACE(testing::Message() << "T/Tc=" << ratio);
        double ps = -1, Dliq = -1, Dvap = -1;
        int32_t status = 5;  // left as it came in on success
        X_MAXWEL(T, ps, Dliq, Dvap, status);
        ASSERT_EQ(status, 5);
        EXPECT_GT(Dliq, kDemoDc);
        EXPECT_LT(Dvap, kDemoDc);
        const TdProps liquid = state(Dliq, T), vapour = state(Dvap, T);
        EXPECT_NEAR(liquid.p, ps, 2e-6 * ps);
        EXPECT_NEAR(vapour.p, ps, 2e-6 * ps);
        EXPECT_NEAR(liquid.g, vapour.g, 2e-6 * std::fabs(vapour.g));
        EXPECT_GT(liquid.dpdD, 0.0);
        EXPECT_GT(vapour.dpdD, 0.0);
        EXPECT_NEAR(equal_area_miss(T, ps, Dliq, Dvap) / (ps / Dvap), 0.0, 1e-4);
    }
    EXPECT_TRUE(session.status_lines().empty());
}

const std::string kNearTcLine =
    " x_maxwel: Error at the calculation in the near of Tc!            0";

// Temperatures without a saturation state: a report, status 99 and no outputs.
TEST(PropsMaxwel, NoSaturationStateFailsWithStatus99) {
    for (double T : {kDemoTc, kDemoTc + 10.0, 0.0, -20.0, double(NAN)}) {
        SCOPED_TRACE(testing::Message() << "T=" << T);
        PropsSession session;
        double ps = -1, Dliq = -2, Dvap = -3;
        int32_t status = 0;
        X_MAXWEL(T, ps, Dliq, Dvap, status);
        EXPECT_EQ(status, 99);
        EXPECT_EQ(ps, -1);
        EXPECT_EQ(Dliq, -2);
        EXPECT_EQ(Dvap, -3);
        EXPECT_EQ(session.status_lines(), std::vector<std::string>{kNearTcLine});
        EXPECT_TRUE(session.result_lines().empty());
    }
}

// A start point outside the range of the equation (here a critical density far too large for
// the loaded equation) ends the call with the evaluation's report and status.
TEST(PropsMaxwel, EvaluationOutsideTheRangeEndsTheCall) {
    PropsSession session;
    SUBST_CONST.Dc = 100.0;
    double ps = -1, Dliq = -2, Dvap = -3;
    int32_t status = 0;
    X_MAXWEL(0.7 * kDemoTc, ps, Dliq, Dvap, status);
    EXPECT_EQ(status, 98);
    EXPECT_EQ(ps, -1);
    EXPECT_EQ(session.status_lines(),
              std::vector<std::string>{" x_maxwel: Error in the Routine x_td_dat!           98"});
}

}  // namespace
