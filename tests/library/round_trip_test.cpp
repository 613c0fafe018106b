// Every input pair gives back the state it was made from: single-phase states from (T, p) to
// 1e-9 in T, two-phase states from (T, x) to 1e-9 in x; and mass units are the molar ones scaled.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "library/library_support.h"

namespace {

using xalt1::Fluid;
using xalt1::Input;
using xalt1::Phase;
using xalt1::State;
using xalt1::Units;

constexpr double kRoundTrip = 1e-9;

// A grid over the fluid's range: temperatures from just above Tmin to Tmax, pressures from
// 1e-3 pc to the lower of pmax and 20 pc, evenly in ln p.
struct Grid {
    double T, p;
};

std::vector<Grid> grid_of(const Fluid& f, int n) {
    const xalt1::Range r = f.range();
    const double pc = f.info().pc;
    const double p_low = 1e-3 * pc, p_high = std::min(r.pmax, 20.0 * pc);
    std::vector<Grid> grid;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            grid.push_back({r.Tmin * 1.001 + (r.Tmax - r.Tmin * 1.001) * i / n,
                            p_low * std::pow(p_high / p_low, static_cast<double>(j) / n)});
    return grid;
}

class RoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, SinglePhaseStatesFromEveryPair) {
    const Fluid& f = shipped_fluid(GetParam(), Units::mass);
    for (const Grid& g : grid_of(f, 7)) {
        SCOPED_TRACE(testing::Message() << "T=" << g.T << " p=" << g.p);
        const State st = f.state_Tp(g.T, g.p);
        ASSERT_NE(st.phase, Phase::two_phase);
        EXPECT_TRUE(std::isnan(st.x));
        EXPECT_NEAR(f.state_ph(g.p, st.h).T / g.T, 1.0, kRoundTrip);
        EXPECT_NEAR(f.state_ps(g.p, st.s).T / g.T, 1.0, kRoundTrip);
        // (p, D) asks p(T) at fixed D, ill-conditioned for a cold liquid: its own pressure.
        const State byD = f.state_pD(g.p, st.D);
        EXPECT_NEAR(f.state_TD(byD.T, st.D).p / g.p, 1.0, kRoundTrip);
        EXPECT_NEAR(f.state_TD(g.T, st.D).h, st.h, 1e-9 * std::fabs(st.h) + 1e-9);
    }
}

TEST_P(RoundTrip, TwoPhaseStatesFromEveryPair) {
    const Fluid& f = shipped_fluid(GetParam(), Units::mass);
    const double Tmin = f.range().Tmin, Tc = f.info().Tc;
    for (double r : {0.01, 0.3, 0.6, 0.9, 0.99}) {
        const double T = Tmin + r * (Tc - Tmin);
        for (double x : {0.0, 0.05, 0.5, 0.95, 1.0}) {
            SCOPED_TRACE(testing::Message() << "T=" << T << " x=" << x);
            const State st = f.state_Tx(T, x);
            EXPECT_EQ(st.phase, x == 0.0   ? Phase::liquid
                                : x == 1.0 ? Phase::vapour
                                           : Phase::two_phase);
            for (const State& back :
                 {f.state_ph(st.p, st.h), f.state_ps(st.p, st.s), f.state_pD(st.p, st.D),
                  f.state_TD(T, st.D), f.state_px(st.p, x)}) {
                EXPECT_NEAR(back.x, x, kRoundTrip);
                EXPECT_NEAR(back.T / T, 1.0, kRoundTrip);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedFluids, RoundTrip,
                         testing::Values("Argon", "CO2", "R134a", "R1234yf", "n-Pentane", "Toluene",
                                         "Ammonia"));

// A two-phase state has no cp, cv, w, Joule-Thomson coefficient or compressibility; its
// density is that of the mixture's volume.
TEST(TwoPhase, MixtureOfTheSaturatedStates) {
    const Fluid& f = shipped_fluid("R1234yf", Units::mass);
    const auto [liq, vap] = f.saturation_T(273.15);
    const State mix = f.state_Tx(273.15, 0.25);
    EXPECT_NEAR(mix.h, 0.75 * liq.h + 0.25 * vap.h, 1e-12 * std::fabs(mix.h));
    EXPECT_NEAR(1.0 / mix.D, 0.75 / liq.D + 0.25 / vap.D, 1e-12 / mix.D);
    EXPECT_EQ(mix.p, vap.p);
    for (double v : {mix.cp, mix.cv, mix.w, mix.mu_JT, mix.kappa_T}) EXPECT_TRUE(std::isnan(v));
    // The IIR reference state: h = 200 kJ/kg, s = 1 kJ/(kg K) for the saturated liquid at 0 C.
    EXPECT_NEAR(liq.h, 200.0, 1e-6);
    EXPECT_NEAR(liq.s, 1.0, 1e-8);
}

// Mass units are the molar ones scaled by M: D times M, energies and entropies divided by M; T,
// p, w, mu_JT, kappa_T and x the same. Inputs in mass units give the same states.
TEST(Units, MassAgainstMolar) {
    const Fluid& molar = shipped_fluid("CO2", Units::molar);
    const Fluid& mass = shipped_fluid("CO2", Units::mass);
    const double M = molar.info().M;
    const std::pair<double, double> states[] = {{250.0, 1.0}, {250.0, 10.0}, {400.0, 5.0}};
    for (const auto& [T, p] : states) {
        const State a = molar.state_Tp(T, p), b = mass.state_Tp(T, p);
        EXPECT_DOUBLE_EQ(b.D, a.D * M);
        const std::pair<double, double> scaled[] = {
            {a.u, b.u}, {a.h, b.h}, {a.s, b.s}, {a.cv, b.cv}, {a.cp, b.cp}, {a.f, b.f}, {a.g, b.g}};
        for (auto [ma, mb] : scaled) EXPECT_NEAR(mb, ma / M, 1e-13 * std::fabs(ma / M));
        const std::pair<double, double> same[] = {
            {a.T, b.T}, {a.p, b.p}, {a.w, b.w}, {a.mu_JT, b.mu_JT}, {a.kappa_T, b.kappa_T}};
        for (auto [ma, mb] : same) EXPECT_EQ(ma, mb);
        EXPECT_NEAR(mass.state_ph(p, b.h).T, T, 1e-9 * T);
        EXPECT_NEAR(mass.state_pD(p, b.D).T, T, 1e-9 * T);
    }
}

// Identities that tie the new outputs to the others: the Joule-Thomson coefficient against a
// difference quotient of T along an isenthalp, kappa_T against one of D along an isotherm.
TEST(Derived, JouleThomsonAndCompressibility) {
    const Fluid& f = shipped_fluid("R134a");
    const std::pair<double, double> states[] = {{300.0, 0.2}, {300.0, 5.0}, {420.0, 6.0}};
    for (const auto& [T, p] : states) {
        const State st = f.state_Tp(T, p);
        const double dp = 1e-5 * p;
        const double dT = f.state_ph(p + dp, st.h).T - f.state_ph(p - dp, st.h).T;
        EXPECT_NEAR(st.mu_JT, dT / (2.0 * dp), 1e-5 * std::fabs(st.mu_JT) + 1e-7);
        const double dD = f.state_Tp(T, p + dp).D - f.state_Tp(T, p - dp).D;
        EXPECT_NEAR(st.kappa_T, dD / (2.0 * dp) / st.D, 1e-6 * st.kappa_T);
        EXPECT_GT(st.w, 0.0);
    }
}

}  // namespace
