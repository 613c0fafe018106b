// The Mixture interface: compositions refused with a clear error, named blends by their
// designated fractions, a mixture of one fluid equal to the Fluid, states by every pair a
// mixture takes that agree with each other, and array calls that carry each element's error.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
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

namespace {

// The same state in every unit system: pressures by 1e6 in SI, densities and energies by the
// molar mass of the state's composition, the vapour fraction by mass in mass units.
TEST(MixtureApi, UnitsAgree) {
    const Mixture molar(xalt1::blend("R454B"));
    const double M = molar.molar_mass();
    const struct {
        Units units;
        double p, D, energy;  // factors from molar units
        bool by_mass;
    } systems[] = {{Units::mass, 1.0, M, 1.0 / M, true},
                   {Units::SI, 1e6, M, 1000.0 / M, true},
                   {Units::SI_molar, 1e6, 1000.0, 1.0, false}};
    const MixtureState gas = molar.state(Input::Tp, 320.0, 1.0);
    const MixtureState wet = molar.state(Input::Tp, 282.0, 1.0);
    ASSERT_EQ(wet.phase, xalt1::Phase::two_phase);
    for (const auto& u : systems) {
        SCOPED_TRACE(std::string(xalt1::units_name(u.units)));
        const Mixture m(xalt1::blend("R454B"), {}, u.units);
        const MixtureState g = m.state(Input::Tp, 320.0, 1.0 * u.p);
        EXPECT_NEAR(g.D, gas.D * u.D, 1e-10 * g.D);
        EXPECT_NEAR(g.h, gas.h * u.energy, 1e-10 * std::fabs(g.h));
        EXPECT_NEAR(g.cp, gas.cp * u.energy, 1e-10 * g.cp);
        EXPECT_NEAR(g.kappa_T, gas.kappa_T / u.p, 1e-10 * g.kappa_T);
        const MixtureState w = m.state(Input::Tp, 282.0, 1.0 * u.p);
        double My = 0;
        for (std::size_t i = 0; i < 2; ++i)
            My += w.vapour[i] * shipped_fluid(m.components()[i]).info().M;
        EXPECT_NEAR(w.x, u.by_mass ? wet.x * My / M : wet.x, 1e-9);
        EXPECT_NEAR(m.state(Input::ph, 1.0 * u.p, w.h).T, 282.0, 1e-7);
        const auto [liq, vap] = m.bubble_p(1.0 * u.p);
        EXPECT_NEAR(liq.p, 1.0 * u.p, 1e-12 * u.p);
        EXPECT_NEAR(liq.T, molar.bubble_p(1.0).first.T, 1e-9);
    }
}

// Threads that share one mixture get what one thread gets: each evaluates with records of its
// own, and the critical point is found once.
TEST(MixtureApi, ThreadsShareAMixture) {
    const Mixture m(xalt1::blend("R455A"));
    std::vector<double> T(24);
    for (std::size_t i = 0; i < T.size(); ++i) T[i] = 200.0 + 6.0 * static_cast<double>(i);
    std::vector<double> serial(T.size()), threaded(T.size());
    for (std::size_t i = 0; i < T.size(); ++i) serial[i] = m.state(Input::Tp, T[i], 1.5).h;
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (std::size_t i = t; i < T.size(); i += 3)
                threaded[i] = m.state(Input::Tp, T[i], 1.5).h;
        });
    for (std::thread& th : threads) th.join();
    for (std::size_t i = 0; i < T.size(); ++i) EXPECT_EQ(threaded[i], serial[i]) << T[i];
}

// The envelope through the public interface: its points' phases (one of the mixture's
// composition at the same T and p), its extreme points, and the critical point that
// critical() gives; a state beyond it is supercritical.
TEST(MixtureApi, EnvelopeAndCriticalPoint) {
    for (const char* name : {"R513A", "Air"}) {
        SCOPED_TRACE(name);
        const Mixture m(xalt1::blend(name));
        const xalt1::MixtureEnvelope env = m.envelope();
        ASSERT_GT(env.points.size(), 20u);
        for (const xalt1::EnvelopePoint& pt : env.points) {
            EXPECT_EQ(pt.liquid.T, pt.vapour.T);
            EXPECT_EQ(pt.liquid.p, pt.vapour.p);
            EXPECT_GT(pt.liquid.D, pt.vapour.D);
            EXPECT_EQ(pt.bubble ? pt.liquid.z : pt.vapour.z, m.z());
            EXPECT_LE(pt.liquid.T, env.cricondentherm.liquid.T + 1e-9);
            EXPECT_LE(pt.liquid.p, env.cricondenbar.liquid.p + 1e-12);
        }
        EXPECT_TRUE(env.points.front().bubble);
        EXPECT_FALSE(env.points.back().bubble);
        // Both start at 0.1 MPa, inside the mixture's range (air below argon's triple point).
        EXPECT_NEAR(env.points.front().liquid.p, 0.1, 1e-9);
        EXPECT_NEAR(env.points.front().liquid.T, m.bubble_p(0.1).first.T, 1e-6);
        const MixtureState c = m.critical();
        EXPECT_NEAR(env.critical.T, c.T, 0.1);
        EXPECT_NEAR(env.critical.p, c.p, 0.005 * c.p);
        EXPECT_EQ(c.phase, xalt1::Phase::supercritical);
        EXPECT_TRUE(std::isnan(c.cp) && std::isnan(c.w));
        EXPECT_EQ(m.state(Input::Tp, c.T + 10.0, c.p * 1.5).phase, xalt1::Phase::supercritical);
    }
}

// The p-x-y diagram in SI units ends at the pure fluids' saturation pressures; a mixture of
// three is refused.
TEST(MixtureApi, PxyDiagramEndsAtThePureFluids) {
    const Mixture m({{"R32", 0.5}, {"R134a", 0.5}}, Basis::mole, {}, Units::SI);
    const xalt1::BinaryDiagram d = m.pxy(260.0, 6);
    ASSERT_EQ(d.bubble_x.size(), 6u);
    EXPECT_NEAR(d.bubble_value.front(), 1e6 * shipped_fluid("R134a").saturation_T(260.0).first.p,
                1e-6 * d.bubble_value.front());
    EXPECT_NEAR(d.bubble_value.back(), 1e6 * shipped_fluid("R32").saturation_T(260.0).first.p,
                1e-6 * d.bubble_value.back());
    for (std::size_t k = 0; k < d.dew_value.size(); ++k) {
        EXPECT_LE(d.dew_value[k], d.bubble_value[k] * (1 + 1e-12));
    }
    EXPECT_TRUE(std::isnan(d.critical_x));
    EXPECT_THROW(Mixture(xalt1::blend("Air")).pxy(100.0), xalt1::Error);
    EXPECT_THROW(m.pxy(260.0, 1), xalt1::Error);
}

}  // namespace
