#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "eos/eos.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "props/state_properties.h"
#include "props/td_props.h"
#include "props_fluid.h"
#include "substance/subst_const.h"

namespace {

TdProps state(double D, double T) {
    int32_t status = -7;
    X_TD_DAT(true, D, T, -1.0f, status);
    EXPECT_EQ(status, 0) << "D=" << D << " T=" << T;
    return TD_PROPS;
}

// Single-phase states: dilute and dense gas, liquid, supercritical fluid.
struct Point {
    double D, T;
};
const Point kStates[] = {{0.01, 300.0}, {0.5, 360.0},  {25.0, 240.0},  {22.0, 330.0},
                         {3.0, 600.0},  {12.0, 900.0}, {30.0, 1500.0}, {0.2, 3000.0}};

TEST(PropsTdDat, ReferenceStateGivesTheReferenceValues) {
    PropsSession session;
    const SubstConst& sc = SUBST_CONST;
    const TdProps r = state(sc.Dref, sc.Tref);
    EXPECT_EQ(r.h, sc.Href);
    EXPECT_EQ(r.s, sc.Sref);
    EXPECT_DOUBLE_EQ(r.u, sc.Href - kGasConstant * sc.Tref);
    EXPECT_DOUBLE_EQ(r.f, sc.Href - sc.Tref * sc.Sref - kGasConstant * sc.Tref);
}

// The routine's results against numerical derivatives of its own Helmholtz energy and
// pressure: p = D^2 (df/dD)/1000, s = -(df/dT), u = f + T s, cv = (du/dT), dp/dD and d2p/dD2,
// cp - cv = T (dp/dT)^2 / (D^2 dp/dD) (MPa to J), and the row identities.
TEST(PropsTdDat, PropertiesAreThermodynamicallyConsistent) {
    PropsSession session;
    for (const Point& s : kStates) {
        SCOPED_TRACE(testing::Message() << "D=" << s.D << " T=" << s.T);
        const TdProps r = state(s.D, s.T);
        const double hD = 1e-4 * s.D, hT = 1e-3;
        const TdProps Dp = state(s.D + hD, s.T), Dm = state(s.D - hD, s.T);
        const TdProps Tp = state(s.D, s.T + hT), Tm = state(s.D, s.T - hT);
        const double dfdD = (Dp.f - Dm.f) / (2 * hD);
        const double dfdT = (Tp.f - Tm.f) / (2 * hT);
        EXPECT_NEAR(r.p, s.D * s.D * dfdD / 1000.0, 1e-6 * std::fabs(r.p) + 1e-9);
        EXPECT_NEAR(r.s, -dfdT, 2e-6 * std::fabs(r.s) + 3e-6);
        EXPECT_NEAR(r.u, r.f + s.T * r.s, 1e-2);
        EXPECT_NEAR(r.cv, (Tp.u - Tm.u) / (2 * hT), 1e-5 * r.cv);
        EXPECT_NEAR(r.dpdD, (Dp.p - Dm.p) / (2 * hD), 1e-6 * std::fabs(r.dpdD) + 1e-9);
        EXPECT_NEAR(r.d2pdD2, (Dp.dpdD - Dm.dpdD) / (2 * hD), 1e-5 * std::fabs(r.d2pdD2) + 1e-9);
        const double dpdT = (Tp.p - Tm.p) / (2 * hT);
        EXPECT_NEAR(r.cp - r.cv, 1000.0 * s.T * dpdT * dpdT / (s.D * s.D * r.dpdD),
                    1e-5 * (r.cp - r.cv));
        EXPECT_NEAR(r.h - r.u, 1000.0 * r.p / s.D, 1e-2);
        EXPECT_NEAR(r.f, r.u - s.T * r.s, 1e-2);
        EXPECT_NEAR(r.g, r.h - s.T * r.s, 1e-2);
        EXPECT_GT(r.cp, r.cv);
        EXPECT_GT(r.cv, 0.0);
    }
}

TEST(PropsTdDat, DiluteGasApproachesTheIdealGas) {
    PropsSession session;
    const double T = 1200.0, D = 1e-6;
    const TdProps r = state(D, T);
    EXPECT_NEAR(r.p, D * kGasConstant * T / 1000.0, 1e-6 * r.p);
    // cp0/R = 2.5 + 1.5 x^2 e^x/(e^x - 1)^2 with x = 400 K/T.
    const double x = 400.0 / T;
    const double cp0 =
        kGasConstant * (2.5 + 1.5 * x * x * std::exp(x) / ((std::exp(x) - 1) * (std::exp(x) - 1)));
    EXPECT_NEAR(r.cp, cp0, 1e-3);
    EXPECT_NEAR(r.cv, cp0 - kGasConstant, 1e-3);
}

TEST(PropsTdDat, NearCriticalStateKeepsThePreviousCp) {
    PropsSession session;
    const double cp_before = state(1.0, 300.0).cp;
    // Inside the spinodal just below Tc both density derivatives of p are negative.
    const TdProps flat = state(0.99 * kDemoDc, kDemoTc - 0.1);
    ASSERT_LT(flat.dpdD, 9.999999974752427e-07);
    ASSERT_LT(flat.d2pdD2, 9.999999974752427e-07);
    EXPECT_EQ(flat.cp, cp_before);
    // The same density 0.2 K or more below Tc computes cp again.
    const TdProps away = state(0.99 * kDemoDc, kDemoTc - 0.25);
    ASSERT_LT(away.dpdD, 0.0);
    EXPECT_NE(away.cp, cp_before);
}

// Just above Tc at the critical density both derivatives are still within the threshold, so
// the row shows the cp of the state before; 0.2 K above Tc cp is computed again.
TEST(PropsTdDat, JustAboveTcCpIsKeptToo) {
    PropsSession session;
    const double cp_before = state(5.0, 200.0).cp;
    const TdProps flat = state(kDemoDc, kDemoTc + 1e-5);
    ASSERT_LE(flat.dpdD, 9.999999974752427e-07);
    ASSERT_LE(flat.d2pdD2, 9.999999974752427e-07);
    EXPECT_EQ(flat.cp, cp_before);
    const TdProps away = state(kDemoDc, kDemoTc + 0.2);
    EXPECT_GT(away.cp, 10 * cp_before);
}

TEST(PropsTdDat, RowKindsAndEndMarker) {
    PropsSession session;
    const double T = 110.0;
    int32_t status = 0;
    X_TD_DAT(false, 5.0, 200.0, -1.0f, status);  // single phase: row, end
    const TdProps liquid = state(25.0, T);
    X_TD_DAT(false, 25.0, T, 0.0f, status);  // saturated liquid: no end
    X_TD_DAT(false, 0.6, T, 1.0f, status);   // saturated vapour: no end
    const TdProps vapour = TD_PROPS;
    X_TD_DAT(false, 2.0, T, 0.5f, status);  // mixture: row, end
    EXPECT_EQ(status, 0);
    EXPECT_DOUBLE_EQ(TD_PROPS.u, 0.5 * (liquid.u + vapour.u));
    EXPECT_DOUBLE_EQ(TD_PROPS.h, 0.5 * (liquid.h + vapour.h));
    EXPECT_DOUBLE_EQ(TD_PROPS.s, 0.5 * (liquid.s + vapour.s));
    EXPECT_DOUBLE_EQ(TD_PROPS.f, 0.5 * (liquid.f + vapour.f));
    EXPECT_EQ(TD_PROPS.cp, vapour.cp);
    EXPECT_EQ(TD_PROPS.cv, vapour.cv);
    EXPECT_EQ(TD_PROPS.p, vapour.p);
    X_TD_DAT(false, 5.0, 200.0, 2.0f, status);  // above 1: row without end
    const auto lines = session.result_lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].substr(0, 2), "  ");
    EXPECT_EQ(lines[1], "end");
    EXPECT_EQ(lines[2].substr(0, 2), "l ");
    EXPECT_EQ(lines[3].substr(0, 2), "v ");
    EXPECT_EQ(lines[4].substr(0, 2), "x=");
    EXPECT_EQ(lines[5], "end");
    EXPECT_EQ(lines[6].substr(0, 2), "  ");
}

TEST(PropsTdDat, SilentMixtureChangesNothing) {
    PropsSession session;
    const TdProps before = state(3.0, 150.0);
    int32_t status = 0;
    X_TD_DAT(true, 2.0, 150.0, 0.5f, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(TD_PROPS.u, before.u);
    EXPECT_EQ(TD_PROPS.f, before.f);
    EXPECT_TRUE(session.result_lines().empty());
}

TEST(PropsTdDat, StateOutsideTheRangeIsRefusedWithoutRow) {
    PropsSession session;
    const TdProps before = state(3.0, 150.0);
    for (const Point& s : {Point{80.0, 150.0}, Point{3.0, 0.0}, Point{3.0, -5.0}, Point{NAN, 150.0},
                           Point{3.0, INFINITY}}) {
        int32_t status = 0;
        X_TD_DAT(false, s.D, s.T, -1.0f, status);
        EXPECT_EQ(status, 98) << s.D << " " << s.T;
        EXPECT_EQ(TD_PROPS.p, before.p);
        EXPECT_EQ(TD_PROPS.cp, before.cp);
    }
    EXPECT_TRUE(session.result_lines().empty());
}

TEST(PropsTdDat, ZeroReferenceDensityIsReportedTwiceAndDropsTheIdealParts) {
    PropsSession session;
    SUBST_CONST.Dref = 0.0;
    const double D = 3.0, T = 150.0;
    const TdProps r = state(D, T);
    int n = 0;
    for (const auto& line : session.status_lines())
        if (line.find("x_td_dat: Error at Read Dref from x_rstoff.tab:!            0") !=
            std::string::npos)
            ++n;
    EXPECT_EQ(n, 2);
    // Without their ideal parts s and f are the residual parts alone (the reference
    // residuals are 0 at Dref = 0).
    double F00 = 0, F01 = 0;
    X_R_FRES(D, T, 0, 0, F00);
    X_R_FRES(D, T, 0, 1, F01);
    EXPECT_NEAR(r.f, kGasConstant * T * F00, 1e-9 * std::fabs(r.f));
    EXPECT_NEAR(r.s, -kGasConstant * (T * F01 + F00), 1e-9 * std::fabs(r.s));
}

// The trace switch decides only what is written: every state gives the same values to the bit,
// and with the switch on the trace file holds the evaluation's records.
TEST(PropsTdDat, TraceSwitchWritesButDoesNotChangeTheValues) {
    PropsSession session;
    UNIT_TABLE.i4_lun[TRACE_ENTRY - 1] = 19;
    ASSERT_EQ(open_channel(19, "xalt1.log"), 0);
    for (const Point& p : kStates) {
        const TdProps quiet = state(p.D, p.T);
        UNIT_TABLE.l_trace = true;
        const TdProps traced = state(p.D, p.T);
        UNIT_TABLE.l_trace = false;
        EXPECT_EQ(std::memcmp(&quiet, &traced, sizeof(TdProps)), 0) << p.D << " " << p.T;
    }
    const std::string trace = session.file("xalt1.log");
    for (const char* label : {"Fres", "Tref: ", "r8_f_id: "}) {
        std::size_t count = 0;
        for (std::size_t at = trace.find(label); at != std::string::npos;
             at = trace.find(label, at + 1))
            ++count;
        EXPECT_EQ(count, std::size(kStates)) << label;
    }
}

// The properties as a pure function of the derivatives. Without a residual part and with
// cp0 = 2.5 R (a monatomic ideal gas) at 300 K: p = D R T, cv = 1.5 R, cp = 2.5 R and the speed
// of sound sqrt(cp/cv R T / M); without a molar mass the speed of sound is 0, not a NaN.
TEST(StateProperties, IdealGasAndSpeedOfSound) {
    const double R = kGasConstant, T = 300.0, D = 0.4;
    SubstConst sc;
    sc.Tref = T;
    sc.Dref = 1.0;
    sc.Tc = 150.0;
    sc.MolWt = 39.948;
    const IdealGasValues ideal{2.5, 2.5 * T, 0.0};
    ReferenceValues ref;
    ref.ideal = ideal;
    const StateProperties r = state_properties(sc, ref, D, T, FresDeriv{}, ideal, 0.0);
    EXPECT_DOUBLE_EQ(r.p, D * R * T / 1000.0);
    EXPECT_DOUBLE_EQ(r.cv, 1.5 * R);
    EXPECT_DOUBLE_EQ(r.cp, 2.5 * R);
    const double w = std::sqrt(5.0 / 3.0 * R * T / (sc.MolWt / 1000.0));
    EXPECT_NEAR(r.w, w, 1e-12 * w);
    sc.MolWt = 0.0;
    EXPECT_EQ(state_properties(sc, ref, D, T, FresDeriv{}, ideal, 0.0).w, 0.0);
}

}  // namespace
