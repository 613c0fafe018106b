// The Mixture interface: compositions refused with a clear error, named blends by their
// designated fractions, a mixture of one fluid equal to the Fluid, states by every pair a
// mixture takes that agree with each other, and array calls that carry each element's error.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "api/xalt1.h"
#include "library/library_support.h"

namespace {

using xalt1::Basis;
using xalt1::Component;
using xalt1::ErrorKind;
using xalt1::Input;
using xalt1::Mixture;
using xalt1::MixtureState;
using xalt1::Units;

const Mixture& r454b() {
    static const Mixture m(xalt1::blend("R454B"), {}, Units::mass);
    return m;
}

TEST(MixtureApi, BadCompositionsAreClearErrors) {
    const struct {
        const char* why;
        std::vector<Component> components;
        ErrorKind kind;
        const char* says;
    } cases[] = {
        {"sum not 1", {{"R32", 0.6}, {"R1234yf", 0.6}}, ErrorKind::bad_input, "sum to 1.2, not 1"},
        {"percentages", {{"R32", 68.9}, {"R1234yf", 31.1}}, ErrorKind::bad_input, "not 1"},
        {"negative", {{"R32", -0.1}, {"R1234yf", 1.1}}, ErrorKind::bad_input, "not negative"},
        {"not a number", {{"R32", std::nan("")}, {"R1234yf", 1}}, ErrorKind::bad_input, "finite"},
        {"unknown", {{"R33", 0.5}, {"R1234yf", 0.5}}, ErrorKind::unknown_fluid, "R33"},
        {"left out", {{"Water", 0.5}, {"Methanol", 0.5}}, ErrorKind::unknown_fluid, "Water"},
        {"duplicate", {{"R32", 0.5}, {"r32", 0.5}}, ErrorKind::bad_input, "R32 is given twice"},
        {"none", {}, ErrorKind::bad_input, "at least one component"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        try {
            Mixture m(c.components);
            ADD_FAILURE() << "accepted";
        } catch (const xalt1::Error& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(xalt1::blend("R999X"), xalt1::Error);
    EXPECT_THROW(xalt1::basis_of("volume"), xalt1::Error);
}

// Mass fractions become mole fractions by the components' molar masses; the blends' names are
// found in any case.
TEST(MixtureApi, NamedBlendsByTheirDesignatedFractions) {
    const double M32 = shipped_fluid("R32").info().M, Myf = shipped_fluid("R1234yf").info().M;
    const double z32 = 0.689 / M32 / (0.689 / M32 + 0.311 / Myf);
    EXPECT_NEAR(r454b().z()[0], z32, 1e-14);
    EXPECT_NEAR(r454b().molar_mass(), z32 * M32 + (1 - z32) * Myf, 1e-12);
    EXPECT_EQ(r454b().name(), "R454B");
    for (const xalt1::Blend& b : xalt1::blends()) {
        SCOPED_TRACE(b.name);
        const Mixture m(xalt1::blend(b.name == "Air" ? "air" : b.name));
        double sum = 0;
        for (double z : m.z()) sum += z;
        EXPECT_NEAR(sum, 1.0, 1e-15);
        EXPECT_EQ(m.components().size(), b.components.size());
        const auto [liq, vap] = m.bubble_p(0.101325);  // each boils at atmospheric pressure
        EXPECT_LT(liq.T, m.dew_p(0.101325).second.T);  // and has a glide
    }
    const Mixture air(xalt1::blend("Air"));
    EXPECT_NEAR(air.bubble_p(0.101325).first.T, 78.9, 0.5);  // air boils at 78.9 K
    EXPECT_NEAR(air.dew_p(0.101325).second.T, 81.7, 0.5);    // and condenses at 81.7 K
}

// A mixture of one fluid, or with the other fractions zero, is the fluid.
TEST(MixtureApi, OneFluidIsTheFluid) {
    const xalt1::Fluid& r32 = shipped_fluid("R32", Units::mass);
    const Mixture alone({{"R32", 1.0}}, Basis::mole, {}, Units::mass);
    const Mixture diluted({{"R32", 1.0}, {"R1234yf", 0.0}}, Basis::mass, {}, Units::mass);
    for (const Mixture* m : {&alone, &diluted}) {
        for (const auto& [T, p] : {std::pair{250.0, 1.0}, {300.0, 0.5}, {320.0, 5.0}}) {
            SCOPED_TRACE(testing::Message() << "T=" << T << " p=" << p);
            const MixtureState st = m->state(Input::Tp, T, p);
            const xalt1::State pure = r32.state_Tp(T, p);
            for (double xalt1::State::*q : {&xalt1::State::D, &xalt1::State::h, &xalt1::State::s,
                                            &xalt1::State::cp, &xalt1::State::w})
                EXPECT_NEAR(st.*q, pure.*q, 1e-8 * std::fabs(pure.*q));
            EXPECT_EQ(st.phase, pure.phase);
        }
        const auto [liq, vap] = m->bubble_T(273.15);
        const auto [l, v] = r32.saturation_T(273.15);
        EXPECT_NEAR(liq.p, l.p, 1e-8 * l.p);
        EXPECT_NEAR(liq.D, l.D, 1e-7 * l.D);
        EXPECT_NEAR(vap.h, v.h, 1e-7 * std::fabs(v.h));
    }
}

// Inside the glide: the two-phase state of (p, h) is the lever rule over its phases, and the
// pairs (p, s), (T, D) and (T, p) lead back to it; x = 0 and 1 are the bubble and dew points.
TEST(MixtureApi, PairsAgreeInsideTheGlide) {
    const Mixture& m = r454b();
    const double p = 0.8;
    const MixtureState st = m.state(Input::ph, p, 300.0);
    ASSERT_EQ(st.phase, xalt1::Phase::two_phase);
    EXPECT_NEAR(st.h, 300.0, 1e-8);
    ASSERT_EQ(st.liquid.size(), 2u);
    // The vapour fraction by mass balances the components: z = (1 - b) x + b y by amount.
    const double M = m.molar_mass();
    double My = 0;
    for (std::size_t i = 0; i < 2; ++i)
        My += st.vapour[i] * shipped_fluid(m.components()[i]).info().M;
    const double beta = st.x * M / My;
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_NEAR((1 - beta) * st.liquid[i] + beta * st.vapour[i], m.z()[i], 1e-9);
    const MixtureState by_s = m.state(Input::ps, p, st.s);
    const MixtureState by_D = m.state(Input::TD, st.T, st.D);
    const MixtureState by_T = m.state(Input::Tp, st.T, p);
    for (const MixtureState* other : {&by_s, &by_D, &by_T}) {
        EXPECT_NEAR(other->T, st.T, 1e-6);
        EXPECT_NEAR(other->p, p, 1e-7);
        EXPECT_NEAR(other->h, st.h, 1e-5);
        EXPECT_NEAR(other->x, st.x, 1e-6);
    }
    const MixtureState bubble = m.state(Input::px, p, 0.0), dew = m.state(Input::px, p, 1.0);
    EXPECT_LT(bubble.T, st.T);
    EXPECT_GT(dew.T, st.T);
    EXPECT_NEAR(bubble.T, m.bubble_p(p).first.T, 1e-9);
    EXPECT_EQ(bubble.x, 0.0);
    EXPECT_EQ(dew.x, 1.0);
    EXPECT_NEAR(dew.z[0], m.z()[0], 1e-15);
    // Outside the dome, (T, D) is the single phase of that density.
    const MixtureState gas = m.state(Input::Tp, 330.0, 1.0);
    EXPECT_NEAR(m.state(Input::TD, 330.0, gas.D).p, 1.0, 1e-9);
}

// (p, h) and (p, s) find every state that (T, p) gives in the mixture's range: R455A's range
// begins below CO2's lowest temperature, where CO2 is a small part of a liquid.
TEST(MixtureApi, EnthalpyAndEntropyFlashesOverTheMixturesRange) {
    const Mixture r455a(xalt1::blend("R455A"));
    ASSERT_LT(r455a.range().Tmin, 170.0);
    for (const auto& [T, p] : {std::pair{170.0, 1.0}, {250.0, 0.05}, {300.0, 2.0}}) {
        SCOPED_TRACE(testing::Message() << "T=" << T << " p=" << p);
        const MixtureState st = r455a.state(Input::Tp, T, p);
        const std::uint64_t before = xalt1::evaluation_count();
        EXPECT_NEAR(r455a.state(Input::ph, p, st.h).T, T, 1e-7);
        EXPECT_LT(xalt1::evaluation_count() - before, 500u);  // about 8 flashes
        EXPECT_NEAR(r455a.state(Input::ps, p, st.s).T, T, 1e-7);
    }
}

TEST(MixtureApi, StatesNotOfAMixtureAreRefused) {
    const struct {
        Input input;
        double a, b;
        ErrorKind kind;
    } cases[] = {
        {Input::Tx, 273.15, 0.5, ErrorKind::not_a_state},
        {Input::hs, 300.0, 1.5, ErrorKind::not_a_state},
        {Input::Tp, 20.0, 1.0, ErrorKind::out_of_range},
        {Input::Tp, 300.0, 1e5, ErrorKind::out_of_range},
        {Input::Tp, 300.0, -1.0, ErrorKind::bad_input},
        {Input::ph, std::nan(""), 300.0, ErrorKind::bad_input},
    };
    for (const auto& c : cases) {
        try {
            r454b().state(c.input, c.a, c.b);
            ADD_FAILURE() << "accepted " << c.a << ", " << c.b;
        } catch (const xalt1::Error& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("R454B at ", 0), 0u) << e.what();
        }
    }
    EXPECT_THROW(r454b().bubble_T(420.0), xalt1::Error);  // above the critical point
}

TEST(MixtureApi, ArraysCarryEachElementsError) {
    const double T[] = {300.0, 250.0, 300.0}, p[] = {1.0, 1.0, 1e5};
    double D[3], z[6], liquid[6];
    int8_t phase[3];
    std::string error[3];
    xalt1::MixtureOutputs out;
    out.D = D;
    out.z = z;
    out.liquid = liquid;
    out.phase = phase;
    out.error = error;
    EXPECT_EQ(r454b().states(Input::Tp, {T, 1}, {p, 1}, 3, out), 1u);
    EXPECT_NEAR(D[0], r454b().state(Input::Tp, 300.0, 1.0).D, 1e-12);
    EXPECT_EQ(phase[1], static_cast<int8_t>(xalt1::Phase::liquid));
    EXPECT_TRUE(error[0].empty() && error[1].empty());
    EXPECT_NE(error[2].find("out of range"), std::string::npos);
    EXPECT_EQ(phase[2], -1);
    EXPECT_TRUE(std::isnan(D[2]) && std::isnan(z[4]) && std::isnan(liquid[0]));
    EXPECT_NEAR(z[2], r454b().z()[0], 1e-15);
}

}  // namespace
