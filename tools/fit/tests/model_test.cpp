// The fit's own evaluation of the equation (all terms of a set at once, the model's Eos) must
// give the values of the program's term functions, and the caloric and vaporisation rows must be
// met exactly by the equation whose values they were made from.
#include <gtest/gtest.h>

#include <cmath>

#include "eos/constants.h"
#include "eos/eos.h"
#include "fluid/reference.h"
#include "model/eos.h"
#include "model/phase.h"
#include "model/program.h"
#include "model/rows.h"
#include "physical_equation.h"

namespace {

using namespace fit;
using namespace fit::testing_equation;

Model three_sets() {
    Model m;
    m.terms[0] = {{SetKind::Fa, {1, 0, 0, 0}},  {SetKind::Fa, {1, -3, 1, 0}},
                  {SetKind::Fa, {2, -4, 2, 2}}, {SetKind::Fa, {3, -2, 0, 1}},
                  {SetKind::Fa, {5, -9, 1, 4}}, {SetKind::Fa, {1, -16, 0, 3}}};
    m.coeff[0] = {-1.1, -2.3, 0.3, -0.5, 0.02, -0.001};
    m.terms[1] = {{SetKind::Fq, {-3, 2, 4, 0}}, {SetKind::Fq, {-6, 5, 6, 1}}};
    m.coeff[1] = {-0.4, 0.05};
    m.terms[2] = {{SetKind::Fd, {-2, 3, 8, 2}}, {SetKind::Fd, {-5, 2, 4, 0}}};
    m.coeff[2] = {0.01, -0.2};
    return m;
}

Params test_params() {
    Params p;
    p.t = 0.78;
    p.d = 1.25;
    p.alpha = 1.4;
    p.q2 = 0.7;
    p.dp = 2.5;
    return p;
}

TEST(Model, ModelEquationEqualsTheProgramsForEveryPair) {
    const Model m = three_sets();
    const Fluid f = test_fluid();
    const Params p = test_params();
    load_equation(m, f, p);
    const Eos model = Eos::of(m, f, p), program = Eos::program();
    for (double tr : {0.35, 0.7, 1.0, 2.5})
        for (double dr : {1e-7, 0.01, 0.8, 2.9})
            for (int q = 0; q < PAIRS; ++q) {
                const double D = dr * f.Dc, T = tr * f.Tc;
                const double a = model.pair(PAIR_DEL[q], PAIR_TAU[q], D, T);
                const double b = program.pair(PAIR_DEL[q], PAIR_TAU[q], D, T);
                EXPECT_NEAR(a, b, 1e-12 * std::fabs(b) + 1e-300) << tr << " " << dr << " " << q;
            }
}

// The value of one term (coefficient 1) in a row, by the program's term functions, one
// derivative pair at a time; densities that follow the parameters carry the factors D^k.
double program_row_term(const Row& row, const Term& term, const Fluid& f, const Params& p) {
    double sum = 0.0;
    for (int k = 0; k < row.ne; ++k) {
        const Eval& e = row.e[k];
        const double D = eval_density(e, f, p);
        const bool moving = e.eta > 0 || e.at_critical;
        for (int q = 0; q < PAIRS; ++q) {
            if (e.a[q] == 0.0) continue;
            const double factor = moving ? e.a[q] * std::pow(D, PAIR_DEL[q]) : e.a[q];
            const int32_t del = PAIR_DEL[q], tau = PAIR_TAU[q];
            double v = 0.0;
            if (term.set == SetKind::Fa) {
                I4_X_RFA(D, D0_of(f, p), e.T, T0_of(f, p), p.alpha, 1.0, term.e[0], term.e[1],
                         term.e[2], term.e[3], del, tau, v);
            } else {
                const double P = term.set == SetKind::Fq ? p.q2 : p.dp;
                if (P > POLAR_GATE)
                    I4_X_RFQ(D, D0_of(f, p), e.T, T0_of(f, p), P, 1.0, term.e[0], term.e[1],
                             term.e[2], term.e[3], del, tau, v);
            }
            sum += factor * v;
        }
    }
    return row.pressure_form ? sum * eval_density(row.e[0], f, p) / f.Dc : sum;
}

TEST(Model, AllTermsOfARowAtOnceEqualTheTermFunctions) {
    const Model m = three_sets();
    const Fluid f = test_fluid();
    Params p = test_params();
    p.dc = 1.1;
    std::vector<Row> rows;
    Row two;  // two states, every pair
    two.ne = 2;
    two.e[0] = {2.0, 300.0, 0.0, false, {1, 2, 3, 4, 5, 6, 7}};
    two.e[1] = {0.3, 250.0, 0.0, false, {-1, 0, 0.5, 0, 0, 2, 0}};
    rows.push_back(two);
    Row packed;  // density at a packing fraction, pressure form
    packed.e[0] = {0.0, 500.0, 0.6, false, {0, 1, 0, 1, 0, 0, 0}};
    packed.pressure_form = true;
    rows.push_back(packed);
    Row critical;  // at the equation's critical density
    critical.e[0] = {0.0, 400.0, 0.0, true, {0, 2, 0, 4, 1, 0, 0}};
    rows.push_back(critical);
    for (const Row& row : rows)
        for (int s = 0; s < 3; ++s) {
            std::vector<double> all(m.terms[s].size());
            row_terms(row, TermSet(m.terms[s], f, p), f, p, all.data());
            for (size_t t = 0; t < all.size(); ++t) {
                const double one = program_row_term(row, m.terms[s][t], f, p);
                EXPECT_NEAR(all[t], one, 1e-12 * std::fabs(one) + 1e-300) << s << " " << t;
            }
        }
}

// Sum of the row's values under the model (terms and hard body), as the fit sees it.
double term_row_value(const Row& row, const Model& m, const Fluid& f, const Params& p) {
    double v = row_hard_body(row, f, p);
    for (int s = 0; s < 3; ++s)
        for (size_t t = 0; t < m.terms[s].size(); ++t)
            v += m.coeff[s][t] * program_row_term(row, m.terms[s][t], f, p);
    return v;
}

TEST(Model, CaloricRowsAreMetByTheEquationTheyCameFrom) {
    const Model m = physical();
    Fluid f = physical_fluid();
    const Params p = physical_params();
    const Eos eos = Eos::of(m, f, p);
    for (double tr : {1.1, 1.3, 2.0})
        for (double dr : {0.05, 0.5}) {
            PvtPoint s{tr * f.Tc, dr * f.Dc, 0.0, "gas", 0.0, 0.0, 0.0};
            s.p = pressure(eos, s.D, s.T);
            const Caloric c = caloric_at(eos, s.D, s.T, reference_cp0(f, s.T), f.M);
            s.cv = c.cv;
            s.cp = c.cp;
            s.w = c.w;
            f.pvt.push_back(s);
        }
    int checked = 0;
    for (const Row& row : data_rows(f, 0.3)) {
        if (row.kind != RowKind::pvt_cv && row.kind != RowKind::pvt_dpdd &&
            row.kind != RowKind::pvt_dpdt)
            continue;
        EXPECT_NEAR(term_row_value(row, m, f, p), row.target, 1e-9 * (1 + std::fabs(row.target)));
        // and so by the whole equation, as a figure measured by its rows sees it
        EXPECT_NEAR(row_value(row, eos, f, p), row.target, 1e-9 * (1 + std::fabs(row.target)));
        ++checked;
    }
    EXPECT_EQ(checked, 18);
}

TEST(Model, HeatCapacitiesAndSoundSpeedFollowFromThePressureAndEnergy) {
    const Model m = physical();
    const Fluid f = physical_fluid();
    const Params p = physical_params();
    const Eos eos = Eos::of(m, f, p);
    const double T = 320.0, D = 9.0, h = 1e-4;
    const double dpdT = (pressure(eos, D, T + h) - pressure(eos, D, T - h)) / (2 * h);
    const double dpdD = (pressure(eos, D + h, T) - pressure(eos, D - h, T)) / (2 * h);
    const Caloric c = caloric_at(eos, D, T, reference_cp0(f, T), f.M);
    // cp - cv = T (dp/dT)^2 / (D^2 dp/dD), in J/(mol K) with p in MPa and D in mol/dm3
    EXPECT_NEAR(c.cp - c.cv, 1000.0 * T * dpdT * dpdT / (D * D * dpdD), 1e-6 * c.cp);
    // w^2 = (cp/cv) (dp/drho)_T
    EXPECT_NEAR(c.w * c.w, c.cp / c.cv * dpdD * 1e6 / f.M, 1e-6 * c.w * c.w);
}

// The plausible equation, its critical point and its saturation table as the fluid's data.
class SaturatedEquation : public ::testing::Test {
  protected:
    // n + 1 saturation points evenly spread over tr_low-tr_high of the equation's Tc
    void tabulate(double tr_low, double tr_high, int n) {
        double Dc, pc;
        ASSERT_TRUE(critical_point(eos, f.Tc, f.Dc, Tc, Dc, pc));
        f.sat = saturation_table(eos, Tc, Dc, tr_low, tr_high, n);
        ASSERT_EQ(f.sat.size(), static_cast<size_t>(n + 1));
    }

    const Model m = physical();
    Fluid f = physical_fluid();
    const Params p = physical_params();
    const Eos eos = Eos::of(m, f, p);
    double Tc = 0;
};

TEST_F(SaturatedEquation, VaporisationEnthalpyOfClausiusClapeyronMatchesTheEquations) {
    ASSERT_NO_FATAL_FAILURE(tabulate(0.5, 0.95, 39));
    for (size_t i = 0; i < f.sat.size(); i += 13) {
        const SatPoint& s = f.sat[i];
        EXPECT_NEAR(reference_hvap(f, i) / vaporisation_enthalpy(eos, s.T, s.Dliq, s.Dvap), 1.0,
                    1e-5)
            << s.T;
    }
}

// The saturated-liquid rows hold D' at given pressure: their uncertainty in Z is
// hypot(5e-4, 3e-4 X') with X' = (dp/dD)/(R T) of the equation at the reference D' (here from
// a numerical derivative of the pressure), three times that above 0.95 Tc.
TEST_F(SaturatedEquation, SaturatedLiquidRowsAreWeightedAsLiquidDensityRows) {
    ASSERT_NO_FATAL_FAILURE(tabulate(0.5, 0.96, 23));
    f.Tc = Tc;
    std::vector<Row> rows = data_rows(f, 0.3);
    weigh_saturated_liquid(rows, f, eos);
    size_t i = 0;
    for (const Row& r : rows) {
        if (r.kind != RowKind::sat_liq) continue;
        const SatPoint& s = f.sat[i++];
        const double h = 1e-5 * s.Dliq;
        const double X = (pressure(eos, s.Dliq + h, s.T) - pressure(eos, s.Dliq - h, s.T)) /
                         (2 * h) * 1000.0 / (GAS_CONSTANT * s.T);
        const double w = s.T / Tc > 0.95 ? 3.0 : 1.0;
        EXPECT_NEAR(r.sigma, w * std::hypot(5e-4, LIQUID_DENSITY_SIGMA * X), 1e-6 * r.sigma)
            << s.T / Tc;
        EXPECT_GT(X, 0.0) << s.T / Tc;
        // the liquid at half the critical temperature is stiff: its D' is held to about
        // 3e-4, not to 5e-4/X'
        if (i == 1) {
            EXPECT_GT(r.sigma, 5 * 5e-4);
        }
    }
    EXPECT_EQ(i, f.sat.size());
    // an unknown or unstable slope leaves the fixed part alone
    EXPECT_EQ(liquid_row_sigma(0.7, NAN), 5e-4);
    EXPECT_EQ(liquid_row_sigma(0.7, -3.0), 5e-4);
    EXPECT_EQ(liquid_row_sigma(0.97, 0.0), 1.5e-3);
}

}  // namespace
