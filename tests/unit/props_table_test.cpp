#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "main/run_control.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "props/td_props.h"
#include "props_fluid.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"
#include "substance/substance.h"
#include "test_support.h"

namespace {

std::string demo_table() {
    std::ifstream in(std::string(XALT1_TEST_DATA) + "/props_demo.tab");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Loads the demonstration table through the substance menu and loader.
void load_table(ScriptedSession& session) {
    session.write_file("x_rstoff.tab", demo_table());
    UNIT_TABLE.l_trace = false;
    UNIT_TABLE.l_status = true;
    int32_t status = 0;
    X_OPEN(status);
    SUBST_CONST = SubstConst{};
    EOS_COEFF = EosCoeff{};
    Text<10> code = blank_text<10>();
    X_STAUSW(UNIT_TABLE.i4_lun, code, status);
    ASSERT_EQ(trimmed(code), "Demo");
    X_TABEIN(true, code, status);
    ASSERT_EQ(status, 0);
}

TdProps state(double D, double T) {
    int32_t status = 0;
    X_TD_DAT(true, D, T, -1.0f, status);
    EXPECT_EQ(status, 0);
    return TD_PROPS;
}

// The table holds the same fluid that the unit tests set directly.
TEST(PropsTable, DemoTableLoadsTheTestFluid) {
    ScriptedSession session("1\n");
    load_table(session);
    const SubstConst loaded = SUBST_CONST;
    const EosCoeff coeff = EOS_COEFF;
    load_demo_fluid();
    const SubstConst& sc = SUBST_CONST;
    EXPECT_EQ(loaded.Tc, sc.Tc);
    EXPECT_EQ(loaded.Dc, sc.Dc);
    EXPECT_EQ(loaded.Pc, sc.Pc);
    EXPECT_EQ(loaded.D0, sc.D0);
    EXPECT_EQ(loaded.T0, sc.T0);
    EXPECT_EQ(loaded.Alpha, sc.Alpha);
    EXPECT_EQ(loaded.Q2, sc.Q2);
    EXPECT_EQ(loaded.Dp, sc.Dp);
    EXPECT_EQ(loaded.Dref, sc.Dref);
    EXPECT_EQ(loaded.Tref, sc.Tref);
    EXPECT_EQ(loaded.Href, sc.Href);
    EXPECT_EQ(loaded.Sref, sc.Sref);
    EXPECT_EQ(loaded.i4_ncp0, sc.i4_ncp0);
    EXPECT_EQ(loaded.E, sc.E);
    EXPECT_EQ(loaded.K, sc.K);
    EXPECT_EQ(loaded.K2, sc.K2);
    EXPECT_EQ(coeff.Fa.i4_nz, 1);
    EXPECT_EQ(coeff.Fa.c, EOS_COEFF.Fa.c);
    EXPECT_EQ(coeff.Fa.n, EOS_COEFF.Fa.n);
    EXPECT_EQ(coeff.Fa.m, EOS_COEFF.Fa.m);
    EXPECT_EQ(coeff.Fq.i4_nz, 1);
    EXPECT_EQ(coeff.Fq.c, EOS_COEFF.Fq.c);
    EXPECT_EQ(coeff.Fq.k, EOS_COEFF.Fq.k);
    EXPECT_EQ(coeff.Fd.i4_nz, 1);
    EXPECT_EQ(coeff.Fd.c, EOS_COEFF.Fd.c);
    EXPECT_EQ(coeff.Fd.k, EOS_COEFF.Fd.k);
}

// Tc, Dc and Pc of the table are the critical point of its own equation: dp/dD and d2p/dD2
// vanish there, and below Tc the isotherm has a loop while above it it rises everywhere.
TEST(PropsTable, DemoCriticalPointIsTheEquationsOwn) {
    ScriptedSession session("1\n");
    load_table(session);
    const SubstConst& sc = SUBST_CONST;
    const TdProps crit = state(sc.Dc, sc.Tc);
    EXPECT_NEAR(crit.p, sc.Pc, 1e-7 * sc.Pc);
    const double RT = kGasConstant * sc.Tc / 1000.0;
    EXPECT_NEAR(crit.dpdD / RT, 0.0, 1e-7);
    EXPECT_NEAR(crit.d2pdD2 / RT * sc.Dc, 0.0, 1e-6);
    auto lowest_slope = [&](double T) {
        double lowest = 1e300;
        for (double D = 0.5 * sc.Dc; D <= 1.5 * sc.Dc; D += 0.001 * sc.Dc)
            lowest = std::min(lowest, state(D, T).dpdD);
        return lowest;
    };
    EXPECT_LT(lowest_slope(sc.Tc - 0.01), 0.0);
    EXPECT_GT(lowest_slope(sc.Tc + 0.01), 0.0);
}

}  // namespace
