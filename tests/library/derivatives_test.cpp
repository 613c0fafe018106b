// Every derivative the library gives agrees with central differences of the library's own
// states: first derivatives of every quantity held at any other, second derivatives, those of
// two-phase mixtures and along the saturation curve; and the derivatives meet the outputs they
// are identities of (cp, mu_JT, kappa_T) to round-off.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "library/library_support.h"

namespace {

using xalt1::Derivative;
using xalt1::Fluid;
using xalt1::Input;
using xalt1::State;
using xalt1::Variable;
using V = Variable;

constexpr double kAgree = 1e-6;

double value_of(const State& st, Variable v) {
    switch (v) {
        case V::T:
            return st.T;
        case V::p:
            return st.p;
        case V::D:
            return st.D;
        case V::v:
            return 1.0 / st.D;
        case V::u:
            return st.u;
        case V::h:
            return st.h;
        case V::s:
            return st.s;
        case V::g:
            return st.g;
        case V::f:
            return st.f;
    }
    return 0.0;
}

// Partial derivatives in T (at constant D) and D (at constant T) by central differences of a
// function of (T, D).
struct Partials {
    double T = 0, D = 0;
};

Partials central(const std::function<double(double, double)>& q, double T, double D) {
    const double hT = 1e-5 * T, hD = 1e-5 * D;
    return {(q(T + hT, D) - q(T - hT, D)) / (2.0 * hT), (q(T, D + hD) - q(T, D - hD)) / (2.0 * hD)};
}

// The Jacobian ratio of differenced partials: (dA/dB) at constant C.
double ratio(const Partials& a, const Partials& b, const Partials& c) {
    return (a.T * c.D - a.D * c.T) / (b.T * c.D - b.D * c.T);
}

Partials partials_of(const Fluid& f, Variable v, double T, double D) {
    return central([&](double t, double d) { return value_of(f.state_TD(t, d), v); }, T, D);
}

struct First {
    V of, wrt, constant;
};

// Every quantity differentiated and held at least once; the derivatives engineers ask for.
const First kFirst[] = {
    {V::h, V::T, V::p}, {V::D, V::h, V::p}, {V::D, V::p, V::h}, {V::h, V::p, V::s},
    {V::s, V::T, V::p}, {V::u, V::T, V::v}, {V::g, V::T, V::p}, {V::f, V::T, V::D},
    {V::T, V::p, V::h}, {V::p, V::T, V::v}, {V::s, V::p, V::T}, {V::h, V::s, V::p},
    {V::v, V::T, V::p}, {V::u, V::D, V::s}, {V::g, V::p, V::T}, {V::D, V::u, V::h},
    {V::T, V::s, V::v}, {V::f, V::v, V::T}, {V::p, V::h, V::D}, {V::s, V::u, V::D},
};

struct Second {
    V of, wrt1, c1, wrt2, c2;
};

const Second kSecond[] = {
    {V::p, V::D, V::T, V::D, V::T}, {V::h, V::T, V::p, V::p, V::T}, {V::s, V::T, V::p, V::T, V::p},
    {V::p, V::T, V::D, V::T, V::D}, {V::u, V::T, V::D, V::D, V::T}, {V::h, V::p, V::s, V::p, V::s},
    {V::D, V::p, V::h, V::h, V::p}, {V::g, V::T, V::p, V::T, V::p}, {V::f, V::D, V::T, V::T, V::D},
};

// Single-phase states as (T/Tc, p/pc): liquid, vapour, supercritical, dense supercritical.
const std::pair<double, double> kStates[] = {{0.75, 1.5}, {0.9, 0.3}, {1.15, 0.5}, {1.05, 3.0}};
const char* const kFluids[] = {"R134a", "CO2", "Argon", "Ammonia", "Toluene"};

class Derivatives : public testing::TestWithParam<const char*> {};

TEST_P(Derivatives, FirstAndSecondAgainstCentralDifferences) {
    const Fluid& f = shipped_fluid(GetParam(), xalt1::Units::mass);
    for (const auto& [rT, rp] : kStates) {
        const State st = f.state_Tp(rT * f.info().Tc, rp * f.info().pc);
        SCOPED_TRACE(testing::Message() << "T=" << st.T << " D=" << st.D);
        for (const First& d : kFirst) {
            const double exact = f.derivative({d.of, d.wrt, d.constant}, Input::TD, st.T, st.D);
            const double numeric =
                ratio(partials_of(f, d.of, st.T, st.D), partials_of(f, d.wrt, st.T, st.D),
                      partials_of(f, d.constant, st.T, st.D));
            EXPECT_NEAR(exact, numeric, kAgree * std::fabs(numeric))
                << variable_name(d.of) << " " << variable_name(d.wrt) << " "
                << variable_name(d.constant);
        }
        for (const Second& d : kSecond) {
            Derivative second{d.of, d.wrt1, d.c1, true, d.wrt2, d.c2};
            const double exact = f.derivative(second, Input::TD, st.T, st.D);
            const Partials first = central(
                [&](double t, double D) {
                    return f.derivative({d.of, d.wrt1, d.c1}, Input::TD, t, D);
                },
                st.T, st.D);
            const double numeric =
                ratio(first, partials_of(f, d.wrt2, st.T, st.D), partials_of(f, d.c2, st.T, st.D));
            EXPECT_NEAR(exact, numeric, 1e-5 * std::fabs(numeric) + 1e-9)
                << variable_name(d.of) << " " << variable_name(d.wrt1) << " "
                << variable_name(d.wrt2);
        }
    }
}

// The homogeneous mixture: at constant T along the tie line, at constant v across the dome.
TEST_P(Derivatives, TwoPhaseMixtureAgainstCentralDifferences) {
    const Fluid& f = shipped_fluid(GetParam());
    const double T = 0.8 * f.info().Tc;
    const State mix = f.state_Tx(T, 0.4);
    const First cases[] = {{V::h, V::T, V::v}, {V::p, V::T, V::D}, {V::s, V::v, V::T},
                           {V::u, V::T, V::D}, {V::h, V::p, V::v}, {V::g, V::T, V::v}};
    for (const First& d : cases) {
        const double exact = f.derivative({d.of, d.wrt, d.constant}, Input::Tx, T, 0.4);
        const double numeric =
            ratio(partials_of(f, d.of, T, mix.D), partials_of(f, d.wrt, T, mix.D),
                  partials_of(f, d.constant, T, mix.D));
        EXPECT_NEAR(exact, numeric, kAgree * std::fabs(numeric))
            << variable_name(d.of) << " " << variable_name(d.wrt);
    }
    // T and p are tied by the saturation curve: (dh/dT) at constant p is not defined there.
    EXPECT_THROW(f.derivative({V::h, V::T, V::p}, Input::Tx, T, 0.4), xalt1::Error);
}

TEST_P(Derivatives, SaturationSlopesAgainstCentralDifferences) {
    const Fluid& f = shipped_fluid(GetParam(), xalt1::Units::mass);
    const double T = 0.75 * f.info().Tc, dT = 2e-5 * T;
    const auto s = f.saturation_slopes(Fluid::SaturationBy::T, T);
    const auto [l1, v1] = f.saturation_T(T + dT);
    const auto [l0, v0] = f.saturation_T(T - dT);
    const std::pair<double, double> slopes[] = {
        {s.dps_dT, v1.p - v0.p}, {s.dDl_dT, l1.D - l0.D},
        {s.dDv_dT, v1.D - v0.D}, {s.dhl_dT, l1.h - l0.h},
        {s.dhv_dT, v1.h - v0.h}, {s.dsl_dT, l1.s - l0.s},
        {s.dsv_dT, v1.s - v0.s}, {s.dul_dT, l1.u - l0.u},
        {s.duv_dT, v1.u - v0.u}, {s.dvv_dT, 1.0 / v1.D - 1.0 / v0.D}};
    for (const auto& [exact, difference] : slopes)
        EXPECT_NEAR(exact, difference / (2.0 * dT), 1e-6 * std::fabs(exact));
    EXPECT_NEAR(s.dhv_dp, s.dhv_dT / s.dps_dT, 1e-14 * std::fabs(s.dhv_dp));
    // By p: the same slopes at the saturation temperature of p.
    const auto by_p = f.saturation_slopes(Fluid::SaturationBy::p, s.ps);
    EXPECT_NEAR(by_p.T, T, 1e-9 * T);
    EXPECT_NEAR(by_p.dhl_dp, s.dhl_dp, 1e-7 * std::fabs(s.dhl_dp));
}

// The derivatives that are outputs of a state as well equal them to round-off.
TEST_P(Derivatives, IdentitiesWithTheOutputs) {
    const Fluid& f = shipped_fluid(GetParam());
    for (const auto& [rT, rp] : kStates) {
        const State st = f.state_Tp(rT * f.info().Tc, rp * f.info().pc);
        const auto d = [&](V of, V wrt, V c) {
            return f.derivative({of, wrt, c}, Input::TD, st.T, st.D);
        };
        const double round_off = 1e-11;
        EXPECT_NEAR(d(V::h, V::T, V::p), st.cp, round_off * st.cp);
        EXPECT_NEAR(d(V::u, V::T, V::v), st.cv, round_off * st.cv);
        EXPECT_NEAR(d(V::s, V::T, V::p), st.cp / st.T, round_off * st.cp / st.T);
        EXPECT_NEAR(d(V::T, V::p, V::h), st.mu_JT, round_off * std::fabs(st.mu_JT) + 1e-15);
        EXPECT_NEAR(-d(V::v, V::p, V::T) * st.D, st.kappa_T, round_off * st.kappa_T);
        EXPECT_NEAR(d(V::g, V::T, V::p), -st.s, round_off * std::fabs(st.s) + 1e-12);
        EXPECT_NEAR(d(V::g, V::p, V::T), 1000.0 / st.D, round_off * 1000.0 / st.D);
        // The outputs among themselves: u = h - p v, g = h - T s, f = u - T s.
        EXPECT_NEAR(st.u, st.h - 1000.0 * st.p / st.D, 1e-12 * (std::fabs(st.h) + 1.0));
        EXPECT_NEAR(st.g, st.h - st.T * st.s, 1e-12 * (std::fabs(st.h) + st.T * st.s));
    }
}

// The raw derivatives of the residual Helmholtz energy: the pressure of the state from them,
// and tau d/d tau against a central difference in T.
TEST_P(Derivatives, ResidualHelmholtzEnergy) {
    const Fluid& f = shipped_fluid(GetParam());
    const State st = f.state_Tp(0.9 * f.info().Tc, 2.0 * f.info().pc);
    const xalt1::Residual r = f.residual(st.T, st.D);
    const double R = 8.31434f;
    EXPECT_NEAR(st.p, st.D * R * st.T / 1000.0 * (1.0 + r.delta_d), 1e-12 * st.p);
    const double dT = 1e-5 * st.T;
    const double tau_slope =
        (f.residual(st.T + dT, st.D).alphar - f.residual(st.T - dT, st.D).alphar) / (2.0 * dT) *
        (-st.T);
    EXPECT_NEAR(r.tau_t, tau_slope, 1e-6 * std::fabs(r.tau_t));
    const double dD = 1e-5 * st.D;
    const double delta2 =
        (f.residual(st.T, st.D + dD).delta_d - f.residual(st.T, st.D - dD).delta_d) / (2.0 * dD) *
            st.D -
        r.delta_d;
    EXPECT_NEAR(r.delta2_dd, delta2, 1e-6 * std::fabs(r.delta2_dd));
}

INSTANTIATE_TEST_SUITE_P(ShippedFluids, Derivatives, testing::ValuesIn(kFluids));

// Many derivatives of an array of states in one call, each state solved once.
TEST(DerivativeArrays, ManyDerivativesOfSolvedStates) {
    const Fluid& f = shipped_fluid("R134a");
    const double p[] = {0.5, 1.0, 2.0, 1.0};
    const double h[] = {45000.0, 35000.0, 50000.0, -1e9};  // the last is no state
    const std::vector<Derivative> asked = {
        {V::D, V::h, V::p}, {V::D, V::p, V::h}, {V::h, V::T, V::p, true, V::p, V::T}};
    std::vector<double> c0(4), c1(4), c2(4);
    double* out[] = {c0.data(), c1.data(), c2.data()};
    std::vector<double> T(4);
    std::string error[4], why[4];
    xalt1::Outputs states;
    states.T = T.data();
    states.error = error;
    const auto before = xalt1::evaluation_count();
    f.states(Input::ph, {p, 1}, {h, 1}, 4, {});
    const auto solving = xalt1::evaluation_count() - before;
    const std::size_t failed = f.derivatives(Input::ph, {p, 1}, {h, 1}, 4, asked, out, states, why);
    const auto spent = xalt1::evaluation_count() - before - solving;
    EXPECT_EQ(failed, 1u);
    EXPECT_FALSE(error[3].empty());
    EXPECT_TRUE(std::isnan(c0[3]));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(c0[i], f.derivative(asked[0], Input::ph, p[i], h[i]), 1e-12 * std::fabs(c0[i]));
        EXPECT_NEAR(T[i], f.state_ph(p[i], h[i]).T, 1e-12 * T[i]);
    }
    // The mixture (element 1 lies in the dome) has first derivatives, no second one.
    EXPECT_TRUE(std::isfinite(c0[1]));
    EXPECT_TRUE(std::isnan(c2[1]));
    EXPECT_NE(why[1].find("second derivative"), std::string::npos);
    // No evaluation beyond the states' own.
    EXPECT_EQ(spent, solving);
}

}  // namespace
