#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "props/props.h"
#include "props/td_props.h"
#include "props_fluid.h"
#include "substance/subst_const.h"

namespace {

struct Request {
    double T = 0, D = 0, p = 0;
    int32_t status = 0;
};

Request solve(double T, double D, double p, int32_t status = 0) {
    Request r{T, D, p, status};
    X_PVT(r.T, r.D, r.p, r.status);
    return r;
}

double pressure(double D, double T) {
    int32_t status = 0;
    X_TD_DAT(true, D, T, -1.0f, status);
    EXPECT_EQ(status, 0);
    return TD_PROPS.p;
}

struct Saturation {
    double ps, Dliq, Dvap;
};

Saturation saturation(double T) {
    Saturation s{};
    int32_t status = 0;
    X_MAXWEL(T, s.ps, s.Dliq, s.Dvap, status);
    EXPECT_EQ(status, 0);
    return s;
}

// The state markers (columns 1-2) of the rows written, "end" for the end marker.
std::vector<std::string> markers(const PropsSession& session) {
    std::vector<std::string> out;
    for (const auto& line : session.result_lines())
        out.push_back(line == "end" ? line : line.substr(0, 2));
    return out;
}

const std::vector<std::string> kSingleRow = {"  ", "end"};
const std::vector<std::string> kSaturatedPair = {"l ", "v ", "end"};
const std::vector<std::string> kTwoPhaseBlock = {"l ", "v ", "x=", "end"};

// The vapour fraction of an "x=" row (columns 3-9).
double fraction_of(const PropsSession& session) {
    for (const auto& line : session.result_lines())
        if (line.substr(0, 2) == "x=") return std::stod(line.substr(2, 7));
    return -1.0;
}

TEST(PropsPvt, PatternsWithoutAModeDoNothing) {
    PropsSession session;
    for (const Request& in :
         {Request{0, 0, 0}, Request{-100, 0, 0}, Request{0, 0, -1}, Request{0, -5, 0},
          Request{-100, -5, -1}, Request{-100, 5, 0}, Request{0, -5, 2}}) {
        const Request out = solve(in.T, in.D, in.p, 7);
        EXPECT_EQ(out.status, 7);
    }
    EXPECT_TRUE(session.result_lines().empty());
    EXPECT_TRUE(session.status_lines().empty());
}

TEST(PropsPvt, Mode1AboveTcWritesOneRow) {
    PropsSession session;
    const Request out = solve(600.0, 5.0, 0.0);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(markers(session), kSingleRow);
    EXPECT_DOUBLE_EQ(TD_PROPS.p, pressure(5.0, 600.0));
}

TEST(PropsPvt, Mode1BelowTcOutsideTheDomeWritesOneRow) {
    for (double D : {0.05, 26.0}) {
        PropsSession session;
        solve(0.6 * kDemoTc, D, 0.0);
        EXPECT_EQ(markers(session), kSingleRow) << D;
    }
}

TEST(PropsPvt, Mode1InsideTheDomeWritesTheTwoPhaseBlock) {
    for (double ratio : {0.6, 0.8, 0.95}) {
        PropsSession session;
        const double T = ratio * kDemoTc;
        const Saturation sat = saturation(T);
        for (double D : {0.5 * (sat.Dliq + sat.Dvap), 1.01 * sat.Dvap}) {
            PropsSession block;
            EXPECT_EQ(solve(T, D, 0.0).status, 0);
            EXPECT_EQ(markers(block), kTwoPhaseBlock);
            const double x = fraction_of(block);
            // The quality splits the volume between the two phases.
            EXPECT_NEAR((1 - x) / sat.Dliq + x / sat.Dvap, 1.0 / D, 1e-6 / sat.Dvap);
        }
    }
}

TEST(PropsPvt, Mode1OnASaturatedDensityWritesTheSaturatedPair) {
    const double T = 0.8 * kDemoTc;
    Saturation sat{};
    {
        PropsSession session;
        sat = saturation(T);
    }
    for (double D : {sat.Dliq, sat.Dvap}) {
        PropsSession session;
        EXPECT_EQ(solve(T, D, 0.0).status, 0);
        EXPECT_EQ(markers(session), kSaturatedPair);
    }
}

// At Tc no state is two-phase: modes 1 and 2 write the single-phase row (there is no saturated
// pair to decide with, and no report).
TEST(PropsPvt, Modes1And2AtTcWriteASinglePhaseRow) {
    {
        PropsSession session;
        EXPECT_EQ(solve(kDemoTc, 5.0, 0.0).status, 0);
        EXPECT_EQ(markers(session), kSingleRow);
        EXPECT_TRUE(session.status_lines().empty());
    }
    PropsSession session;
    const Request out = solve(kDemoTc, 0.0, 0.5 * kDemoPc);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(markers(session), kSingleRow);
    EXPECT_NEAR(pressure(out.D, kDemoTc), 0.5 * kDemoPc, 1e-6 * kDemoPc);
    EXPECT_TRUE(session.status_lines().empty());
}

// Mode 2 finds the density of (p, T); mode 1 at that density gives the pressure back.
TEST(PropsPvt, Mode2DensityGivesThePressureBack) {
    const double T07 = 0.7 * kDemoTc;
    double ps07 = 0;
    {
        PropsSession session;
        ps07 = saturation(T07).ps;
    }
    struct Case {
        double T, p;
    };
    for (const Case& c : {Case{T07, 0.5 * ps07}, Case{T07, 1e-3}, Case{T07, 1e-9},
                          Case{T07, 2 * ps07}, Case{T07, 150.0}, Case{600.0, 3e-3},
                          Case{600.0, 3.0}, Case{600.0, 30.0}, Case{1200.0, 60.0}}) {
        SCOPED_TRACE(testing::Message() << "T=" << c.T << " p=" << c.p);
        PropsSession session;
        const Request out = solve(c.T, 0.0, c.p);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(markers(session), kSingleRow);
        EXPECT_NEAR(pressure(out.D, c.T), c.p, 1.5e-7 * c.p);
        EXPECT_EQ(solve(c.T, out.D, 0.0).status, 0);
        EXPECT_NEAR(TD_PROPS.p, c.p, 1.5e-7 * c.p);
        EXPECT_GT(TD_PROPS.dpdD, 0.0);
    }
}

TEST(PropsPvt, Mode2AtTheSaturationPressureWritesTheSaturatedPair) {
    const double T = 0.7 * kDemoTc;
    double ps = 0;
    {
        PropsSession session;
        ps = saturation(T).ps;
    }
    for (double p : {ps * (1 + 9e-6), ps * (1 - 9e-6)}) {
        PropsSession session;
        solve(T, 0.0, p);
        EXPECT_EQ(markers(session), kSaturatedPair);
    }
    // Just outside the band the search gives a single-phase row.
    PropsSession session;
    solve(T, 0.0, ps * (1 + 2e-5));
    EXPECT_EQ(markers(session), kSingleRow);
}

// Mode 3 finds the temperature of (p, D); it reproduces the temperature of a mode 1 state.
TEST(PropsPvt, Mode3TemperatureOfAMode1State) {
    struct Case {
        double T, D;
    };
    for (const Case& c : {Case{600.0, 5.0}, Case{900.0, 20.0}, Case{0.6 * kDemoTc, 26.0},
                          Case{0.7 * kDemoTc, 0.2}, Case{450.0, 0.01}}) {
        SCOPED_TRACE(testing::Message() << "T=" << c.T << " D=" << c.D);
        PropsSession session;
        const double p = pressure(c.D, c.T);
        const Request out = solve(0.0, c.D, p);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(markers(session), kSingleRow);
        EXPECT_NEAR(out.T, c.T, 1e-5 * c.T);
    }
}

TEST(PropsPvt, Mode3InsideTheDomeFindsTheSaturationTemperature) {
    for (double ratio : {0.6, 0.85, 0.95}) {
        const double T = ratio * kDemoTc;
        Saturation sat{};
        {
            PropsSession session;
            sat = saturation(T);
        }
        PropsSession session;
        const double D = 0.5 * (sat.Dliq + sat.Dvap);
        const Request out = solve(0.0, D, sat.ps);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(markers(session), kTwoPhaseBlock);
        EXPECT_NEAR(out.T, T, 1e-4);
    }
}

// Mode 3 tests its density against the saturated densities at its first estimate of the
// saturation temperature, both bounds excluded: exactly on the liquid density it takes the
// temperature search and writes a single-phase row.
// The saturated liquid density of the saturation temperature that mode 3 refines for P (the
// one mode 5 finds) lies on the bound of the two-phase test.
TEST(PropsPvt, Mode3OnASaturatedDensityTakesTheTemperatureSearch) {
    const double P = 3.0;
    double D = 0;
    {
        PropsSession session;
        D = saturation(solve(0.0, 0.0, P).T).Dliq;
    }
    PropsSession session;
    const Request out = solve(0.0, D, P);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(markers(session), kSingleRow);
    EXPECT_NEAR(pressure(D, out.T), P, 1e-6);
}

TEST(PropsPvt, Mode4WritesTheSaturatedPair) {
    PropsSession session;
    const double T = 0.75 * kDemoTc;
    const Saturation sat = saturation(T);
    EXPECT_EQ(solve(T, 0.0, 0.0).status, 0);
    EXPECT_EQ(markers(session), kSaturatedPair);
    // The vapour row was evaluated last.
    EXPECT_NEAR(TD_PROPS.p, sat.ps, 2e-6 * sat.ps);
    EXPECT_NEAR(TD_PROPS.h - TD_PROPS.u, 1000.0 * TD_PROPS.p / sat.Dvap, 1e-2);
}

TEST(PropsPvt, Mode4AboveTcIsRefused) {
    PropsSession session;
    const Request out = solve(kDemoTc + 0.01, 0.0, 0.0);
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(session.result_lines().empty());
    EXPECT_EQ(session.status_lines(),
              std::vector<std::string>{" x_pvt   : Ts > Tc !!            0"});
}

// Mode 5 at the pressure that mode 4 gives reproduces the temperature, also above 0.9 Tc.
TEST(PropsPvt, Mode5TemperatureOfAMode4Pressure) {
    for (double ratio : {0.55, 0.75, 0.85, 0.92, 0.96}) {
        const double T = ratio * kDemoTc;
        SCOPED_TRACE(testing::Message() << "T/Tc=" << ratio);
        double ps = 0;
        {
            PropsSession session;
            ps = saturation(T).ps;
        }
        PropsSession session;
        const Request out = solve(0.0, 0.0, ps);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(markers(session), kSaturatedPair);
        EXPECT_NEAR(out.T, T, 1e-4);
        EXPECT_TRUE(session.status_lines().empty());
    }
}

TEST(PropsPvt, Mode5AbovePcIsRefusedAndAtPcAccepted) {
    {
        PropsSession session;
        const Request out = solve(0.0, 0.0, kDemoPc * (1 + 1e-7));
        EXPECT_EQ(out.status, 0);
        EXPECT_TRUE(session.result_lines().empty());
        EXPECT_EQ(session.status_lines(),
                  std::vector<std::string>{" x_pvt   : ps > pc !!            0"});
    }
    // At Pc the request is taken; this fluid has no saturation state that close to Tc, so
    // the saturation failure is reported and the dialogue goes on.
    PropsSession session;
    const Request out = solve(0.0, 0.0, kDemoPc);
    EXPECT_EQ(out.status, 0);
    const auto lines = session.status_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " x_pvt   : Error at Routine x_maxwel!           99");
}

// Searches that leave the range of the equation end with the report of the failed evaluation;
// the code is cleared so that the dialogue goes on, and no row is written.
TEST(PropsPvt, SearchOutsideTheRangeEndsWithItsReport) {
    for (const Request& in :
         {Request{0.7 * kDemoTc, 0.0, 3000.0}, Request{0.0, 100.0, 6.0}, Request{0.0, 60.0, 3.0}}) {
        SCOPED_TRACE(testing::Message() << in.T << " " << in.D << " " << in.p);
        PropsSession session;
        const Request out = solve(in.T, in.D, in.p);
        EXPECT_EQ(out.status, 0);
        EXPECT_TRUE(session.result_lines().empty());
        EXPECT_EQ(session.status_lines(),
                  std::vector<std::string>{" x_pvt   : Error at Routine td_daten!           98"});
    }
}

TEST(PropsPvt, SupercriticalSearchGivesUpAfter50000Passes) {
    // The density that gives 1e-12 MPa at 600 K lies below the smallest density the search
    // reaches: every step down from about 0.001 mol/dm3 goes below 0 and is nudged back (to
    // densities so small that the residual part reports them as well).
    PropsSession session;
    const Request out = solve(600.0, 0.0, 1e-12);
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(session.result_lines().empty());
    const auto lines = session.status_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " x_pvt   : Iteration should be optimized in x_pvt !        50001");
}

TEST(PropsPvt, SupercriticalSearchFromANegativeCriticalDensityEnds) {
    // A hand-edited table with Dc far below zero: the search starts there, and nudging the
    // density up by 0.001 at a time would never reach zero. It gives up with the D<0 report.
    for (const double Dc : {-1e300, -5.0}) {
        PropsSession session;
        SUBST_CONST.Dc = Dc;
        const Request out = solve(500.0, 0.0, 1.0);
        EXPECT_EQ(out.status, 0);
        EXPECT_TRUE(session.result_lines().empty());
        EXPECT_EQ(
            session.status_lines(),
            std::vector<std::string>{" x_pvt   : Iteration create D<0 in x_pvt !            0"});
        EXPECT_NE(session.console().find(" D<0\n"), std::string::npos);
    }
}

TEST(PropsPvt, SupercriticalSearchReachesLiquidLikeDensities) {
    // Far above the critical pressure the pressure changes by far more than 5 MPa per step of
    // 1 mol/dm3; the search still closes in, and the state it finds gives back the pressure.
    for (const auto& [T, p] : {std::pair{500.0, 200.0}, std::pair{600.0, 300.0},
                               std::pair{420.0, 1000.0}, std::pair{2000.0, 5000.0}}) {
        PropsSession session;
        const Request out = solve(T, 0.0, p);
        EXPECT_EQ(out.status, 0);
        EXPECT_TRUE(session.status_lines().empty()) << T << " K, " << p << " MPa";
        ASSERT_EQ(session.result_lines().size(), 2u) << T << " K, " << p << " MPa";
        EXPECT_NEAR(TD_PROPS.p, p, 1e-7 * p);
        EXPECT_GT(out.D, SUBST_CONST.Dc);
        int32_t status = 0;
        X_TD_DAT(true, out.D, T, -1.0f, status);
        EXPECT_NEAR(TD_PROPS.p, p, 1e-7 * p);
    }
}

}  // namespace
