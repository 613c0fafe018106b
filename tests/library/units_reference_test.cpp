// SI units against the console's, reference states against their definitions, and the facts of
// the table's equation against the saturation they are made of.
#include <gtest/gtest.h>

#include <cmath>

#include "library/library_support.h"

namespace {

using xalt1::Fluid;
using xalt1::Input;
using xalt1::Options;
using xalt1::Reference;
using xalt1::State;
using xalt1::Units;
using xalt1::Variable;

// SI: Pa, kg/m3, J/kg, J/(kg K), K/Pa, 1/Pa; SI-molar: Pa, mol/m3, J/mol, J/(mol K). States,
// inputs and derivatives alike.
TEST(Units, SIAgainstMolar) {
    const Fluid& molar = shipped_fluid("R1234yf");
    const Fluid si("R1234yf", XALT1_SHIPPED_TABLE, Units::SI);
    const Fluid si_molar("R1234yf", XALT1_SHIPPED_TABLE, Units::SI_molar);
    const double M = molar.info().M;
    const State a = molar.state_Tp(300.0, 1.0);
    const State b = si.state_Tp(300.0, 1e6), c = si_molar.state_Tp(300.0, 1e6);
    EXPECT_NEAR(b.D, a.D * M, 1e-12 * b.D);
    EXPECT_NEAR(c.D, a.D * 1000.0, 1e-12 * c.D);
    EXPECT_NEAR(b.h, a.h * 1000.0 / M, 1e-12 * std::fabs(b.h));
    EXPECT_NEAR(c.s, a.s, 1e-12 * std::fabs(c.s));
    EXPECT_NEAR(b.cp, a.cp * 1000.0 / M, 1e-12 * b.cp);
    EXPECT_NEAR(b.mu_JT, a.mu_JT * 1e-6, 1e-12 * std::fabs(b.mu_JT));
    EXPECT_NEAR(b.kappa_T, a.kappa_T * 1e-6, 1e-12 * b.kappa_T);
    EXPECT_EQ(b.p, 1e6 * a.p);
    EXPECT_NEAR(si.state_ph(1e6, b.h).T, 300.0, 1e-9 * 300.0);
    const xalt1::Derivative dDdp{Variable::D, Variable::p, Variable::h};
    EXPECT_NEAR(si.derivative(dDdp, Input::Tp, 300.0, 1e6),
                molar.derivative(dDdp, Input::Tp, 300.0, 1.0) * M * 1e-6,
                1e-10 * std::fabs(si.derivative(dDdp, Input::Tp, 300.0, 1e6)));
    EXPECT_NEAR(si.range().pmax, molar.range().pmax, 0.0);  // the range stays in MPa
}

// Each reference state puts the saturated liquid at its defining state where it says, and moves
// h by a constant and s by a constant: differences are the table's.
TEST(ReferenceStates, AsDefined) {
    struct Case {
        Reference::Kind kind;
        double T, h, s;  // T 0: at 0.101325 MPa
    };
    const Case cases[] = {{Reference::Kind::IIR, 273.15, 200.0, 1.0},
                          {Reference::Kind::ASHRAE, 233.15, 0.0, 0.0},
                          {Reference::Kind::NBP, 0.0, 0.0, 0.0}};
    const Fluid& table = shipped_fluid("R134a", Units::mass);
    const State t1 = table.state_Tp(300.0, 2.0), t2 = table.state_Tp(350.0, 0.5);
    for (const Case& c : cases) {
        Options options{Units::mass, {c.kind}};
        const Fluid f("R134a", XALT1_SHIPPED_TABLE, options);
        const State liquid = c.T > 0.0 ? f.saturation_T(c.T).first : f.saturation_p(0.101325).first;
        EXPECT_NEAR(liquid.h, c.h, 1e-9);
        EXPECT_NEAR(liquid.s, c.s, 1e-12);
        const State a = f.state_Tp(300.0, 2.0), b = f.state_Tp(350.0, 0.5);
        EXPECT_NEAR(b.h - a.h, t2.h - t1.h, 1e-9);
        EXPECT_NEAR(b.s - a.s, t2.s - t1.s, 1e-12);
        EXPECT_NEAR(a.g, a.h - a.T * a.s, 1e-9);
        EXPECT_NEAR(f.state_ph(2.0, a.h).T, 300.0, 1e-9 * 300.0);
    }
    // An explicit state: h and s there as given.
    Options own{Units::mass, {Reference::Kind::state, 300.0, 1250.0, 50.0, 0.5}};
    const Fluid f("R134a", XALT1_SHIPPED_TABLE, own);
    const State st = f.state_TD(300.0, 1250.0);
    EXPECT_NEAR(st.h, 50.0, 1e-10);
    EXPECT_NEAR(st.s, 0.5, 1e-12);
    // A reference state outside the fluid's range is an error at load.
    EXPECT_THROW(Fluid("Argon", XALT1_SHIPPED_TABLE, Options{Units::molar, {Reference::Kind::IIR}}),
                 xalt1::Error);
}

// ptriple, Tnbp and acentric of the table's equation: the saturation at Ttriple, the
// temperature of 0.101325 MPa, -log10(ps(0.7 Tc)/pc) - 1.
TEST(Facts, FromTheSaturationCurve) {
    for (const char* code : {"R134a", "Propane", "Argon", "Nitrogen"}) {
        const Fluid& f = shipped_fluid(code);
        const xalt1::FluidInfo& i = f.info();
        EXPECT_NEAR(f.saturation_T(i.Tnbp).second.p, 0.101325, 1e-10) << code;
        const double p07 = f.saturation_T(0.7 * i.Tc).second.p;
        EXPECT_NEAR(i.acentric, -std::log10(p07 / i.pc) - 1.0, 1e-10) << code;
        if (i.Ttriple >= f.range().Tmin) {
            EXPECT_NEAR(f.saturation_T(i.Ttriple).second.p, i.ptriple, 1e-9 * i.ptriple) << code;
        }
    }
    // CO2 freezes above 0.101325 MPa: it has no normal boiling point.
    EXPECT_TRUE(std::isnan(shipped_fluid("CO2").info().Tnbp));
    EXPECT_NEAR(shipped_fluid("CO2").info().ptriple, 0.5212, 1e-3);
}

// The saturation series alone, without an evaluation, meets the exact pair to 1e-9.
TEST(SaturationSeries, WithoutEvaluation) {
    const Fluid& f = shipped_fluid("CO2");
    const auto before = xalt1::evaluation_count();
    const xalt1::SeriesPoint s = f.saturation_series(Fluid::SaturationBy::T, 250.0);
    const xalt1::SeriesPoint q = f.saturation_series(Fluid::SaturationBy::p, s.p);
    EXPECT_EQ(xalt1::evaluation_count(), before);
    const auto [liq, vap] = f.saturation_T(250.0);
    EXPECT_NEAR(s.p, vap.p, 1e-9 * vap.p);
    EXPECT_NEAR(s.Dl, liq.D, 1e-9 * liq.D);
    EXPECT_NEAR(s.Dv, vap.D, 1e-9 * vap.D);
    EXPECT_NEAR(q.T, 250.0, 1e-9 * 250.0);
    // The exact pair itself from two evaluations where the series already holds.
    const auto start = xalt1::evaluation_count();
    f.saturation_T(251.0);
    EXPECT_EQ(xalt1::evaluation_count() - start, 2u);
}

}  // namespace
