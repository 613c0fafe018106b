// The pairs beyond (T, p): every one gives back the state it was made from over every shipped
// fluid's range, next to the saturation and the critical point included, or says clearly why
// not; a pair with two states says so and phase= picks either; a phase asked for follows its
// branch into the metastable region up to the spinodal.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "library/library_support.h"

namespace {

using xalt1::Error;
using xalt1::ErrorKind;
using xalt1::Fluid;
using xalt1::Input;
using xalt1::Phase;
using xalt1::PhaseChoice;
using xalt1::State;

constexpr double kRoundTrip = 1e-9;

// The states of a fluid the round trips start from: a grid in T and ln p over its range,
// states 1e-6 beyond the saturation on either side, next to the critical point, and mixtures.
std::vector<State> states_of(const Fluid& f) {
    const xalt1::Range r = f.range();
    const double Tc = f.info().Tc, pc = f.info().pc;
    std::vector<State> states;
    const auto add = [&](auto&& make) {
        try {
            states.push_back(make());
        } catch (const Error&) {
        }
    };
    const double p_high = std::min(r.pmax, 20.0 * pc);
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j) {
            const double T = r.Tmin * 1.001 + (r.Tmax - r.Tmin * 1.001) * i / 4;
            add([&] { return f.state_Tp(T, 1e-3 * pc * std::pow(p_high / (1e-3 * pc), j / 4.0)); });
        }
    for (double rT : {0.05, 0.5, 0.95}) {
        const double T = r.Tmin + rT * (Tc - r.Tmin);
        const auto [liquid, vapour] = f.saturation_T(T);
        add([&] { return f.state_TD(T, liquid.D * (1.0 + 1e-6)); });
        add([&] { return f.state_TD(T, vapour.D * (1.0 - 1e-6)); });
        for (double x : {0.0, 0.3, 1.0}) add([&] { return f.state_Tx(T, x); });
    }
    add([&] { return f.state_Tp(Tc * (1.0 + 1e-6), pc * 1.5); });
    add([&] { return f.state_Tp(Tc * 1.5, pc * (1.0 + 1e-6)); });
    return states;
}

struct PairOf {
    Input input;
    double State::*a;
    double State::*b;
};

const PairOf kPairs[] = {
    {Input::hs, &State::h, &State::s}, {Input::Ts, &State::T, &State::s},
    {Input::Dh, &State::D, &State::h}, {Input::Ds, &State::D, &State::s},
    {Input::Du, &State::D, &State::u}, {Input::pu, &State::p, &State::u},
    {Input::Th, &State::T, &State::h}, {Input::ph, &State::p, &State::h},
    {Input::ps, &State::p, &State::s},
};

// The same T and D; two mixtures the same x. A state next to the saturation and a mixture of
// nearly no vapour (or liquid) are the same where their densities are.
bool same_state(const State& a, const State& b) {
    const bool mixtures = a.phase == Phase::two_phase && b.phase == Phase::two_phase;
    return std::fabs(a.T / b.T - 1.0) <= kRoundTrip &&
           (mixtures ? std::fabs(a.x - b.x) <= kRoundTrip
                     : std::fabs(a.D / b.D - 1.0) <= kRoundTrip);
}

class EveryFluid : public testing::TestWithParam<std::string> {};

TEST_P(EveryFluid, NewPairsRoundTripOrSayWhyNot) {
    const Fluid& f = shipped_fluid(GetParam());
    for (const State& st : states_of(f)) {
        for (const PairOf& pair : kPairs) {
            const auto [first, second] = xalt1::input_names(pair.input);
            SCOPED_TRACE(testing::Message() << first << second << " from T=" << st.T
                                            << " D=" << st.D << " x=" << st.x);
            try {
                EXPECT_TRUE(same_state(f.state(pair.input, st.*pair.a, st.*pair.b), st));
            } catch (const Error& e) {
                // Only (T, h) has two states; asked for by phase, one of them is this one.
                ASSERT_EQ(pair.input, Input::Th) << e.what();
                ASSERT_EQ(e.kind(), ErrorKind::not_a_state) << e.what();
                EXPECT_NE(std::string(e.what()).find("two states"), std::string::npos);
                if (st.phase == Phase::two_phase) continue;
                bool found = false;
                for (PhaseChoice phase : {PhaseChoice::liquid, PhaseChoice::vapour}) {
                    try {
                        found = found || same_state(f.state(Input::Th, st.T, st.h, phase), st);
                    } catch (const Error&) {
                    }
                }
                EXPECT_TRUE(found) << e.what();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, EveryFluid, testing::ValuesIn(shipped_codes()), fluid_test_name);

// (h, x) and (s, x): the saturated state of that mixture; where h'' or s'' turns, two.
TEST(SaturatedPairs, EnthalpyAndEntropyWithFraction) {
    const Fluid& f = shipped_fluid("R134a");
    for (double T : {200.0, 280.0, 340.0})
        for (double x : {0.0, 0.4, 1.0}) {
            const State st = f.state_Tx(T, x);
            for (Input input : {Input::hx, Input::sx}) {
                SCOPED_TRACE(testing::Message() << T << " " << x);
                try {
                    const double v = input == Input::hx ? st.h : st.s;
                    EXPECT_NEAR(f.state(input, v, x).T, T, kRoundTrip * T);
                } catch (const Error& e) {
                    // Next to the critical point the saturated vapour's h and s meet it again.
                    EXPECT_EQ(e.kind(), ErrorKind::not_a_state);
                    EXPECT_NE(std::string(e.what()).find(std::to_string(int(T)) + " K"),
                              std::string::npos)
                        << e.what();
                }
            }
        }
    // h'' rises to a maximum below Tc: a value just under it is met twice.
    double h_top = -1e30;
    for (double T = 300.0; T < 374.0; T += 0.5) h_top = std::max(h_top, f.saturation_T(T).second.h);
    try {
        f.state(Input::hx, h_top - 50.0, 1.0);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::not_a_state);
        EXPECT_NE(std::string(e.what()).find("two states"), std::string::npos) << e.what();
    }
    EXPECT_THROW(f.state(Input::hx, h_top + 50.0, 1.0), Error);
    EXPECT_THROW(f.state(Input::hx, 30000.0, 1.0, PhaseChoice::liquid), Error);
}

// A phase asked for: superheated liquid and subcooled vapour up to their spinodals, the stable
// state where the branch is the stable one, a clear error beyond the spinodal.
TEST(PhaseAskedFor, MetastableBranchesUpToTheSpinodal) {
    const Fluid& f = shipped_fluid("CO2");
    const double T = 290.0;  // 0.95 Tc: both spinodals at positive pressures
    const auto [liq, vap] = f.saturation_T(T);
    const double ps = vap.p;
    // Continuity with the stable states on either side of the saturation.
    const State stable_liquid = f.state_Tp(T, ps * 1.01);
    EXPECT_NEAR(f.state(Input::Tp, T, ps * 1.01, PhaseChoice::liquid).D, stable_liquid.D,
                1e-10 * stable_liquid.D);
    const State hot = f.state(Input::Tp, T, ps * 0.8, PhaseChoice::liquid);
    EXPECT_EQ(hot.phase, Phase::liquid);
    EXPECT_LT(hot.D, liq.D);
    EXPECT_GT(f.derivative({xalt1::Variable::p, xalt1::Variable::D, xalt1::Variable::T}, Input::Tp,
                           T, ps * 0.8, PhaseChoice::liquid),
              0.0);
    const State cold = f.state(Input::Tp, T, ps * 1.03, PhaseChoice::vapour);
    EXPECT_EQ(cold.phase, Phase::vapour);
    EXPECT_GT(cold.D, vap.D);
    // Subcooled vapour far beyond its spinodal, superheated liquid far below its own.
    for (auto [p, phase] :
         {std::pair{ps * 2.0, PhaseChoice::vapour}, std::pair{ps * 0.5, PhaseChoice::liquid}}) {
        try {
            const State st = f.state(Input::Tp, T, p, phase);
            ADD_FAILURE() << "a state at D=" << st.D;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::no_solution) << e.what();
            EXPECT_NE(std::string(e.what()).find("spinodal"), std::string::npos) << e.what();
        }
    }
    // (p, h) past the saturated liquid: the superheated liquid above the saturation temperature.
    const State over = f.state(Input::ph, ps, liq.h + 200.0, PhaseChoice::liquid);
    EXPECT_EQ(over.phase, Phase::liquid);
    EXPECT_GT(over.T, T);
    EXPECT_NEAR(over.h, liq.h + 200.0, 1e-9 * std::fabs(liq.h));
    // The same with the other pairs: (T, s) and (p, s) on the vapour branch below saturation.
    const State sub = f.state(Input::ps, ps, vap.s - 0.5, PhaseChoice::vapour);
    EXPECT_LT(sub.T, T);
    EXPECT_NEAR(f.state(Input::Ts, sub.T, sub.s, PhaseChoice::vapour).D, sub.D, 1e-9 * sub.D);
}

}  // namespace
