// Two threads with two fluids get the results one thread gets; the fluids of a table and their
// metadata; the cost of a saturated pair in property evaluations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "library/library_support.h"

namespace {

using xalt1::Fluid;
using xalt1::Input;
using xalt1::State;
using xalt1::Units;

// A mix of calls that changes phase and input pair from state to state.
std::vector<State> workload(const Fluid& f) {
    const double Tc = f.info().Tc, pc = f.info().pc;
    std::vector<State> out;
    for (int k = 0; k < 40; ++k) {
        const double T = Tc * (0.75 + 0.01 * k), p = pc * (0.05 + 0.04 * k);
        const State a = f.state_Tp(T, p);
        out.push_back(a);
        out.push_back(f.state_ph(p, a.h));
        out.push_back(f.state_Tx(Tc * (0.75 + 0.005 * k), 0.3));
    }
    return out;
}

bool same(const std::vector<State>& a, const std::vector<State>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t q = 0; q < xalt1::QUANTITY_COUNT; ++q) {
            const double u = xalt1::value_of(a[i], static_cast<xalt1::Quantity>(q));
            const double v = xalt1::value_of(b[i], static_cast<xalt1::Quantity>(q));
            if (std::memcmp(&u, &v, sizeof u) != 0) return false;
        }
    return true;
}

TEST(Threads, TwoFluidsAtOnceGiveTheSingleThreadResults) {
    const Fluid& co2 = shipped_fluid("CO2");
    const Fluid& r134a = shipped_fluid("R134a", Units::mass);
    const std::vector<State> co2_alone = workload(co2), r134a_alone = workload(r134a);
    std::vector<State> co2_threaded, r134a_threaded, mixed_threaded;
    std::thread one([&] {
        for (int round = 0; round < 3; ++round) co2_threaded = workload(co2);
    });
    std::thread two([&] {
        for (int round = 0; round < 3; ++round) r134a_threaded = workload(r134a);
    });
    // A third thread switches between the two fluids at every call.
    std::thread three([&] {
        for (int k = 0; k < 50; ++k) {
            mixed_threaded.push_back(co2.state_Tp(280.0 + k, 3.0));
            mixed_threaded.push_back(r134a.state_Tp(280.0 + k, 3.0));
        }
    });
    one.join();
    two.join();
    three.join();
    EXPECT_TRUE(same(co2_threaded, co2_alone));
    EXPECT_TRUE(same(r134a_threaded, r134a_alone));
    for (int k = 0; k < 50; ++k) {
        EXPECT_TRUE(same({mixed_threaded[2 * k]}, {co2.state_Tp(280.0 + k, 3.0)}));
        EXPECT_TRUE(same({mixed_threaded[2 * k + 1]}, {r134a.state_Tp(280.0 + k, 3.0)}));
    }
}

TEST(Fluids, ShippedTableWithMetadata) {
    const std::vector<xalt1::FluidInfo> list = xalt1::fluids();
    ASSERT_GE(list.size(), 80u);
    const xalt1::FluidInfo* yf = nullptr;
    for (const xalt1::FluidInfo& info : list) {
        EXPECT_NE(info.code, "Water");  // left out of the table
        EXPECT_GT(info.Tc, 0.0);
        EXPECT_FALSE(std::isnan(info.Tmax)) << info.code;
        if (info.code == "R1234yf") yf = &info;
    }
    ASSERT_NE(yf, nullptr);
    EXPECT_EQ(yf->name, "2,3,3,3-tetrafluoropropene");
    EXPECT_EQ(yf->fluid_class, "dipolar");
    EXPECT_NEAR(yf->M, 114.0416, 1e-9);
    EXPECT_NEAR(yf->Tc, 367.8162941, 1e-9);
    EXPECT_NEAR(yf->pc, 3.376243658, 1e-9);
    EXPECT_NEAR(yf->Dc, 3.708996638, 1e-9);
    EXPECT_EQ(yf->reference_state, "IIR");
    EXPECT_TRUE(yf->meets_targets);
    EXPECT_EQ(xalt1::metadata_path("data/x_rstoff.tab"), "data/x_rstoff.fluids.csv");
    // The fluid loaded: its range lies inside the reference's, from max(Ttriple, 0.3 Tc) on.
    const xalt1::Range r = shipped_fluid("R1234yf").range();
    EXPECT_GE(r.Tmin, std::max(yf->Ttriple, 0.3 * yf->Tc));
    EXPECT_LT(r.Tmin, 0.5 * yf->Tc);
    EXPECT_EQ(r.Tmax, yf->Tmax);
    EXPECT_LE(r.pmax, yf->pmax);
}

// A saturated pair from the series start costs a few evaluations (the console's passes need
// 60 to 100): at most 15 on average over 0.3 to 0.99 Tc.
TEST(Saturation, FewEvaluationsPerPair) {
    for (const char* code : {"Argon", "CO2", "R134a", "n-Pentane"}) {
        const Fluid& f = shipped_fluid(code);
        const double Tc = f.info().Tc;
        const std::uint64_t before = xalt1::evaluation_count();
        int pairs = 0;
        for (double r = 0.3; r <= 0.99; r += 0.01) {
            if (r * Tc < f.range().Tmin) continue;
            f.saturation_T(r * Tc);
            ++pairs;
        }
        const double per_pair = double(xalt1::evaluation_count() - before) / pairs;
        EXPECT_LE(per_pair, 15.0) << code;
        EXPECT_GT(f.build_cost().solves, 0);
    }
}

}  // namespace
