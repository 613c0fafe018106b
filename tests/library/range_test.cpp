// The range a fluid advertises holds: at its corners, along its edges and inside, every (T, p)
// has a stable, physical state that (p, D), (p, h) and (p, s) give back; the ends of the range
// are inside it; and the faults once found at its edges stay mended.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "library/library_support.h"

namespace {

using xalt1::Derivative;
using xalt1::Error;
using xalt1::ErrorKind;
using xalt1::Fluid;
using xalt1::Input;
using xalt1::Phase;
using xalt1::State;
using xalt1::Variable;

constexpr double R = 8.31434;
constexpr int kSteps = 7;

struct Point {
    double T, p;
};

// Corners, edges and an interior grid: T evenly from Tmin to Tmax, p evenly in ln p from
// 1e-3 pc to pmax.
std::vector<Point> points_of(const Fluid& f) {
    const xalt1::Range r = f.range();
    const double p_low = 1e-3 * f.info().pc;
    std::vector<Point> points;
    for (int i = 0; i <= kSteps; ++i)
        for (int j = 0; j <= kSteps; ++j)
            points.push_back({r.Tmin + (r.Tmax - r.Tmin) * i / kSteps,
                              p_low * std::pow(r.pmax / p_low, double(j) / kSteps)});
    return points;
}

// Stable, expanding when heated, and heat capacities of a fluid (away from the critical point,
// where they grow without bound).
void expect_physical(const Fluid& f, const State& st) {
    const double Tc = f.info().Tc, pc = f.info().pc;
    EXPECT_GT(st.cv, 0.0);
    EXPECT_GE(st.cp, st.cv);
    EXPECT_GT(st.kappa_T, 0.0);
    EXPECT_GT(f.derivative({Variable::v, Variable::T, Variable::p}, Input::TD, st.T, st.D), 0.0);
    const double cv0 = f.state_TD(st.T, 1e-9).cv;
    const bool critical = std::fabs(st.T / Tc - 1.0) < 0.05 && st.p < 2.0 * pc;
    if (!critical) {
        EXPECT_LE(st.cv - cv0, 20.0 * R);
    }
    const bool near_critical = st.T > 0.8 * Tc && st.T < 1.25 * Tc && st.p < 3.0 * pc;
    if (!near_critical) {
        EXPECT_LE(st.cp - cv0 - R, 40.0 * R);
    }
}

// At corners, edges and inside: a stable, physical state that (p, D), (p, h) and (p, s) give
// back.
void expect_range_holds(const Fluid& f) {
    for (const Point& pt : points_of(f)) {
        SCOPED_TRACE(testing::Message() << "T=" << pt.T << " p=" << pt.p);
        State st;
        ASSERT_NO_THROW(st = f.state_Tp(pt.T, pt.p));
        ASSERT_NE(st.phase, Phase::two_phase);
        expect_physical(f, st);
        EXPECT_NEAR(f.state_pD(pt.p, st.D).T / pt.T, 1.0, 1e-7);
        EXPECT_NEAR(f.state_ph(pt.p, st.h).T / pt.T, 1.0, 1e-9);
        EXPECT_NEAR(f.state_ps(pt.p, st.s).T / pt.T, 1.0, 1e-9);
    }
}

// The ends of the saturation curve inside the range: the pressure at Tmin, and one next to the
// critical point, are inputs of saturation(p) and of (p, x).
void expect_saturation_ends_round_trip(const Fluid& f) {
    for (double T : {f.range().Tmin, 0.9999 * f.info().Tc}) {
        SCOPED_TRACE(testing::Message() << "T=" << T);
        const double p = f.saturation_T(T).first.p;
        EXPECT_LE(p, f.range().pmax);
        EXPECT_NEAR(f.saturation_p(p).first.T / T, 1.0, 1e-7);
        EXPECT_NEAR(f.state_px(p, 0.5).T / T, 1.0, 1e-7);
    }
}

// Every shipped fluid in one test: a test of its own would start a process per fluid.
TEST(EveryFluid, RangeHoldsAndSaturationEndsRoundTrip) {
    for (const std::string& code : shipped_codes()) {
        SCOPED_TRACE(code);
        const Fluid& f = shipped_fluid(code);
        expect_range_holds(f);
        expect_saturation_ends_round_trip(f);
    }
}

// Faults once found at the edges of ranges, each with what it gives now.
TEST(RangeEdges, FaultsOnceFound) {
    // The compressed liquid far below the fitted region is no longer promised.
    const Fluid& propane = shipped_fluid("Propane");
    EXPECT_LT(propane.range().pmax, 1000.0);
    try {
        propane.state_Tp(propane.range().Tmin, 1000.0);
        ADD_FAILURE() << "Propane at 1000 MPa";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::out_of_range);
    }
    // A pmax below pc is raised to it: the whole saturation curve is in the range.
    const Fluid& r161 = shipped_fluid("R161");
    EXPECT_GE(r161.range().pmax, r161.info().pc);
    // Nitrogen at its corner (Tmin, pmax) has a stable state.
    const Fluid& nitrogen = shipped_fluid("Nitrogen");
    EXPECT_NO_THROW(nitrogen.state_Tp(nitrogen.range().Tmin, nitrogen.range().pmax));
}

// A value just outside a limit is shown with the digits that tell it from the limit.
TEST(RangeEdges, MessagesShowTheDigitsThatMatter) {
    const Fluid& co2 = shipped_fluid("CO2");
    const struct {
        Input input;
        double a, b;
        std::string shown, not_shown;
    } cases[] = {
        {Input::Tx, 250.0, 1.0 + 1e-12, "x = 1.000000000001", "x = 1:"},
        {Input::Tp, 216.592 * (1.0 - 1e-8), 1.0, "T = 216.59199", "T = 216.592 K"},
        {Input::Tp, 300.0, 800.0 * (1.0 + 1e-8), "p = 800.000008 MPa", "p = 800 MPa"},
    };
    for (const auto& c : cases) {
        try {
            co2.state(c.input, c.a, c.b);
            ADD_FAILURE() << c.shown;
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.shown), std::string::npos) << message;
            EXPECT_EQ(message.find(c.not_shown), std::string::npos) << message;
        }
    }
}

}  // namespace
