// Phase equilibrium of mixtures: densities on both branches, bubble and dew points whose phases
// have equal pressure and equal fugacities, the pure limits, and the reference mixture models'
// values to the model's own accuracy.
#include "api/mixture_vle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/engine.h"
#include "api/mixture_newton.h"
#include "api/table.h"
#include "library/library_support.h"
#include "library/mixture_support.h"

namespace {

using xalt1::detail::CriticalConstants;
using xalt1::detail::MixtureModel;
using xalt1::detail::PhaseSplit;

using Mixture = TestMixture;

constexpr auto* mixture = &shipped_mixture;

Mixture binary(const std::string& a, const std::string& b, double xi) {
    return mixture({a, b}, xi);
}

// Equal pressure of both phases and equal fugacities x_i phi_i^L = y_i phi_i^V.
void expect_equilibrium(const MixtureModel& m, const PhaseSplit& s) {
    StateProperties liq, vap;
    ASSERT_TRUE(m.properties(s.x.data(), s.T, s.Dliq, liq));
    ASSERT_TRUE(m.properties(s.y.data(), s.T, s.Dvap, vap));
    EXPECT_NEAR(liq.p / s.p, 1.0, 1e-9);
    EXPECT_NEAR(vap.p / s.p, 1.0, 1e-9);
    EXPECT_GT(s.Dliq, s.Dvap);
    std::vector<double> phi_l(s.x.size()), phi_v(s.x.size());
    ASSERT_TRUE(m.ln_fugacity_coefficients(s.x.data(), s.T, s.Dliq, phi_l.data()));
    ASSERT_TRUE(m.ln_fugacity_coefficients(s.y.data(), s.T, s.Dvap, phi_v.data()));
    for (std::size_t i = 0; i < s.x.size(); ++i) {
        if (s.x[i] > 0.0 && s.y[i] > 0.0) {
            EXPECT_NEAR(std::log(s.x[i]) + phi_l[i], std::log(s.y[i]) + phi_v[i], 1e-9) << i;
        }
    }
}

TEST(MixtureVle, BubbleAndDewPointsAreEquilibria) {
    const Mixture co2_ethane = binary("CO2", "Ethane", 0.94);
    for (double T : {220.0, 250.0, 270.0})
        for (double x : {0.1, 0.5, 0.9}) {
            SCOPED_TRACE(testing::Message() << "T=" << T << " x=" << x);
            expect_equilibrium(co2_ethane.model,
                               bubble_at_T(co2_ethane.model, co2_ethane.pure, {x, 1 - x}, T));
            expect_equilibrium(co2_ethane.model,
                               dew_at_T(co2_ethane.model, co2_ethane.pure, {x, 1 - x}, T));
        }
}

// With one fraction zero, the bubble and dew points are the pure fluid's saturation.
TEST(MixtureVle, PureLimitsAreTheSaturation) {
    const Mixture m = binary("R32", "R1234yf", 1.0);
    for (std::size_t k = 0; k < 2; ++k) {
        const xalt1::Fluid& pure = shipped_fluid(k == 0 ? "R32" : "R1234yf");
        const std::vector<double> z =
            k == 0 ? std::vector<double>{1.0, 0.0} : std::vector<double>{0.0, 1.0};
        for (double T : {230.0, 280.0, 320.0}) {
            const auto [liq, vap] = pure.saturation_T(T);
            const PhaseSplit b = bubble_at_T(m.model, m.pure, z, T);
            const PhaseSplit d = dew_at_T(m.model, m.pure, z, T);
            EXPECT_NEAR(b.p / liq.p, 1.0, 1e-8) << T;
            EXPECT_NEAR(d.p / liq.p, 1.0, 1e-8) << T;
            EXPECT_NEAR(b.Dliq / liq.D, 1.0, 1e-8) << T;
            EXPECT_NEAR(d.Dvap / vap.D, 1.0, 1e-8) << T;
        }
    }
}

// Above the mixture's critical point, or where a branch has no root, a clear error.
TEST(MixtureVle, NoSplitIsAnError) {
    const Mixture m = binary("Methane", "Ethane", 1.0);
    double D = 0;
    const double z[] = {0.5, 0.5};
    // Both branches at a low pressure (the liquid's metastable), none for the vapour beyond its
    // spinodal.
    ASSERT_TRUE(xalt1::detail::mixture_density(m.model, z, 200.0, 1e-4, true, D));
    EXPECT_GT(D, 10.0);
    ASSERT_TRUE(xalt1::detail::mixture_density(m.model, z, 200.0, 1e-4, false, D));
    EXPECT_LT(D, 1e-3);
    EXPECT_FALSE(xalt1::detail::mixture_density(m.model, z, 200.0, 20.0, false, D));
    EXPECT_TRUE(xalt1::detail::mixture_density(m.model, z, 200.0, 20.0, true, D));
    try {
        bubble_at_T(m.model, m.pure, {0.5, 0.5}, 290.0);
        ADD_FAILURE() << "a bubble point above the critical temperatures";
    } catch (const xalt1::Error& e) {
        EXPECT_EQ(e.kind(), xalt1::ErrorKind::no_solution) << e.what();
    }
}

// The bubble pressures of the reference mixture models' isotherms, to the accuracy of the model
// with one binary parameter.
TEST(MixtureVle, ReferenceBubblePressures) {
    const struct {
        std::string a, b;
        double xi, pressure, vapour;  // average deviations allowed: relative, mole fraction
    } pairs[] = {{"Methane", "Ethane", 1.01, 0.04, 0.005}, {"CO2", "Ethane", 0.94, 0.08, 0.03}};
    for (const auto& pair : pairs) {
        const Mixture m = binary(pair.a, pair.b, pair.xi);
        std::ifstream in(std::string(XALT1_MIXREF_DIR) + "/vle/" + pair.a + "_" + pair.b + ".csv");
        ASSERT_TRUE(in) << pair.a << "_" << pair.b;
        std::string line;
        std::getline(in, line);
        double dp = 0, dy = 0;
        int n = 0;
        while (std::getline(in, line)) {
            double T, p, x, y;
            char comma;
            std::istringstream(line) >> T >> comma >> p >> comma >> x >> comma >> y;
            if (x <= 0.0 || x >= 1.0) continue;
            try {
                const PhaseSplit s = bubble_at_T(m.model, m.pure, {x, 1.0 - x}, T);
                dp += std::fabs(s.p / p - 1.0);
                dy += std::fabs(s.y[0] - y);
                ++n;
            } catch (const xalt1::Error&) {  // next to the critical point
            }
        }
        ASSERT_GT(n, 90);
        EXPECT_LT(dp / n, pair.pressure) << pair.a << "_" << pair.b;
        EXPECT_LT(dy / n, pair.vapour) << pair.a << "_" << pair.b;
    }
}

// (T, p) flashes: between the dew and the bubble pressure two phases in equilibrium that make
// up the feed (the lever rule), next to the bubble point almost all liquid of the bubble
// point's vapour; above the bubble pressure one liquid, below the dew pressure one vapour.
TEST(MixtureVle, FlashBetweenDewAndBubblePoints) {
    const Mixture m = binary("R32", "R1234yf", 0.97);
    const std::vector<double> z = {0.689, 0.311};
    for (double T : {250.0, 290.0}) {
        SCOPED_TRACE(testing::Message() << "T=" << T);
        const PhaseSplit bubble = bubble_at_T(m.model, m.pure, z, T);
        const PhaseSplit dew = dew_at_T(m.model, m.pure, z, T);
        ASSERT_GT(bubble.p, dew.p);
        for (double r : {0.2, 0.5, 0.8}) {
            const double p = dew.p + r * (bubble.p - dew.p);
            const xalt1::detail::Flash f = flash_Tp(m.model, m.pure, z, T, p);
            ASSERT_TRUE(f.two_phase) << p;
            expect_equilibrium(m.model, f.split);
            for (std::size_t i = 0; i < 2; ++i)
                EXPECT_NEAR((1 - f.beta) * f.split.x[i] + f.beta * f.split.y[i], z[i], 1e-10);
        }
        const xalt1::detail::Flash near = flash_Tp(m.model, m.pure, z, T, bubble.p * (1 - 1e-6));
        ASSERT_TRUE(near.two_phase);
        EXPECT_LT(near.beta, 1e-3);
        EXPECT_NEAR(near.split.y[0], bubble.y[0], 1e-3);
        const xalt1::detail::Flash liquid = flash_Tp(m.model, m.pure, z, T, 1.05 * bubble.p);
        EXPECT_FALSE(liquid.two_phase);
        EXPECT_EQ(liquid.beta, 0.0);
        const xalt1::detail::Flash vapour = flash_Tp(m.model, m.pure, z, T, 0.95 * dew.p);
        EXPECT_FALSE(vapour.two_phase);
        EXPECT_EQ(vapour.beta, 1.0);
    }
}

// Three components: air between its dew and bubble points at 0.101325 MPa.
TEST(MixtureVle, AirSplitsBetweenItsDewAndBubblePoints) {
    const Mixture m = mixture({"Nitrogen", "Oxygen", "Argon"}, 1.0);
    const MixtureModel& air = m.model;
    const std::vector<CriticalConstants>& pure = m.pure;
    const std::vector<double> z = {0.7812, 0.2096, 0.0092};
    const xalt1::detail::Flash f = flash_Tp(air, pure, z, 80.0, 0.101325);
    ASSERT_TRUE(f.two_phase);
    expect_equilibrium(air, f.split);
    EXPECT_GT(f.split.x[1], z[1]);  // the liquid is richer in oxygen
    EXPECT_LT(f.split.y[1], z[1]);
    EXPECT_FALSE(flash_Tp(air, pure, z, 300.0, 0.101325).two_phase);
    EXPECT_FALSE(flash_Tp(air, pure, z, 70.0, 0.101325).two_phase);
}

// Every named blend, the three-component ones included, from the components' saturation series:
// its bubble and dew points at three temperatures and flashes between them are equilibria
// (equal pressures and fugacities), the flashes obey the lever rule, and the glide is ordered.
TEST(MixtureVle, NamedBlendsSplitIntoEquilibria) {
    for (const xalt1::Blend& blend : xalt1::blends()) {
        SCOPED_TRACE(blend.name);
        const xalt1::Mixture named(blend);
        const Mixture m = mixture(named.components(), 1.0);
        const std::vector<double>& z = named.z();
        const double Tc = named.critical().T;
        for (double r : {0.6, 0.75, 0.9}) {
            const double T = r * Tc;
            SCOPED_TRACE(testing::Message() << "T=" << T);
            const PhaseSplit bubble = bubble_at_T(m.model, m.pure, z, T, m.series);
            const PhaseSplit dew = dew_at_T(m.model, m.pure, z, T, m.series);
            expect_equilibrium(m.model, bubble);
            expect_equilibrium(m.model, dew);
            EXPECT_GE(bubble.p, dew.p * (1 - 1e-9));
            const double p = 0.5 * (bubble.p + dew.p);
            const xalt1::detail::Flash f = flash_Tp(m.model, m.pure, z, T, p, m.series);
            if (!f.two_phase) {
                EXPECT_LT(bubble.p / dew.p - 1.0, 1e-3);  // a near-azeotrope's glide
                continue;
            }
            expect_equilibrium(m.model, f.split);
            for (std::size_t i = 0; i < z.size(); ++i)
                EXPECT_NEAR((1 - f.beta) * f.split.x[i] + f.beta * f.split.y[i], z[i], 1e-10);
        }
    }
}

// At a pressure: the bubble and dew points are those at their temperature, and the pure limits
// are the saturation temperature.
TEST(MixtureVle, BubbleAndDewPointsAtAPressure) {
    const Mixture m = binary("R32", "R1234yf", 0.97);
    const std::vector<double> z = {0.689, 0.311};
    for (double p : {0.3, 1.0, 2.5}) {
        SCOPED_TRACE(testing::Message() << "p=" << p);
        const PhaseSplit bubble = xalt1::detail::bubble_at_p(m.model, m.pure, z, p);
        const PhaseSplit dew = xalt1::detail::dew_at_p(m.model, m.pure, z, p);
        expect_equilibrium(m.model, bubble);
        expect_equilibrium(m.model, dew);
        EXPECT_LT(bubble.T, dew.T);  // the glide
        EXPECT_NEAR(bubble_at_T(m.model, m.pure, z, bubble.T).p / p, 1.0, 1e-9);
        EXPECT_NEAR(dew_at_T(m.model, m.pure, z, dew.T).p / p, 1.0, 1e-9);
        const xalt1::Fluid& r32 = shipped_fluid("R32");
        EXPECT_NEAR(xalt1::detail::bubble_at_p(m.model, m.pure, {1.0, 0.0}, p).T /
                        r32.saturation_p(p).first.T,
                    1.0, 1e-8);
    }
}

// (p, h) and (p, s) flashes give back the (T, p) flash they were made from: subcooled liquid,
// through the glide, superheated vapour.
TEST(MixtureVle, PressureEnthalpyAndEntropyFlashesRoundTrip) {
    const Mixture m = binary("R32", "R1234yf", 0.97);
    const std::vector<double> z = {0.689, 0.311};
    const double p = 1.0;
    const PhaseSplit bubble = xalt1::detail::bubble_at_p(m.model, m.pure, z, p);
    const PhaseSplit dew = xalt1::detail::dew_at_p(m.model, m.pure, z, p);
    for (double T : {bubble.T - 30.0, bubble.T + 0.3 * (dew.T - bubble.T),
                     bubble.T + 0.8 * (dew.T - bubble.T), dew.T + 40.0}) {
        SCOPED_TRACE(testing::Message() << "T=" << T);
        const xalt1::detail::Flash f = flash_Tp(m.model, m.pure, z, T, p);
        const double h = flash_enthalpy(m.model, f), s = flash_entropy(m.model, f);
        const xalt1::detail::Flash by_h = flash_ph(m.model, m.pure, z, p, h);
        const xalt1::detail::Flash by_s = flash_ps(m.model, m.pure, z, p, s);
        EXPECT_NEAR(by_h.split.T / T, 1.0, 1e-9);
        EXPECT_NEAR(by_s.split.T / T, 1.0, 1e-9);
        EXPECT_EQ(by_h.two_phase, f.two_phase);
        EXPECT_NEAR(by_h.beta, f.beta, 1e-8);
    }
    try {
        flash_ph(m.model, m.pure, z, p, 1e9);
        ADD_FAILURE() << "h = 1e9 J/mol";
    } catch (const xalt1::Error& e) {
        EXPECT_EQ(e.kind(), xalt1::ErrorKind::out_of_range) << e.what();
    }
}

// CO2 with ethane has an azeotrope: across it the vapour turns from richer to poorer in CO2 than
// the liquid, and there the K-values are 1 while the phases stay a liquid and a vapour.
TEST(MixtureVle, AcrossAnAzeotrope) {
    const Mixture m = binary("CO2", "Ethane", 0.9363);
    const double T = 250.0;
    double last = 0, at_azeotrope = 1;
    int sign_changes = 0;
    for (double x = 0.40; x <= 0.951; x += 0.05) {
        SCOPED_TRACE(testing::Message() << "x=" << x);
        const PhaseSplit s = bubble_at_T(m.model, m.pure, {x, 1 - x}, T);
        expect_equilibrium(m.model, s);
        const double excess = s.y[0] - x;
        if (last != 0 && (excess > 0) != (last > 0)) {
            ++sign_changes;
            at_azeotrope = x;
        }
        last = excess;
    }
    ASSERT_EQ(sign_changes, 1);
    // Next to the azeotrope the dew and bubble pressures meet.
    const PhaseSplit b = bubble_at_T(m.model, m.pure, {at_azeotrope, 1 - at_azeotrope}, T);
    const PhaseSplit d = dew_at_T(m.model, m.pure, {at_azeotrope, 1 - at_azeotrope}, T);
    EXPECT_NEAR(d.p / b.p, 1.0, 0.01);
    EXPECT_GT(b.Dliq, 3.0 * b.Dvap);
}

}  // namespace

namespace {

using xalt1::detail::thread_evaluations;

// Four binaries with their fitted parameters, each at a temperature inside both ranges.
struct Pair {
    std::string a, b;
    double xi, T;
};
const Pair kPairs[] = {{"R32", "R1234yf", 0.9525, 280.0},
                       {"CO2", "Ethane", 0.9151, 250.0},
                       {"Methane", "Ethane", 1.0056, 160.0},
                       {"Propane", "n-Butane", 0.9986, 300.0}};

// Newton's steps from Raoult's start: a bubble or dew point of a binary in a few evaluations of
// the mixture (densities included), from the fluids' saturation series or from estimates of the
// critical constants alone; the same point either way, and an equilibrium.
TEST(MixtureVle, NewtonSettlesInAFewEvaluations) {
    using Solver = PhaseSplit (*)(const MixtureModel&, const std::vector<CriticalConstants>&,
                                  const std::vector<double>&, double,
                                  const std::vector<xalt1::detail::SaturationSource>&);
    const struct {
        const char* name;
        Solver solve;
        bool at_T;
    } solvers[] = {{"bubble_at_T", xalt1::detail::bubble_at_T, true},
                   {"dew_at_T", xalt1::detail::dew_at_T, true},
                   {"bubble_at_p", xalt1::detail::bubble_at_p, false},
                   {"dew_at_p", xalt1::detail::dew_at_p, false}};
    for (const Pair& pair : kPairs) {
        const Mixture m = binary(pair.a, pair.b, pair.xi);
        for (double x : {0.1, 0.5, 0.9}) {
            const std::vector<double> z = {x, 1.0 - x};
            const double p = bubble_at_T(m.model, m.pure, z, pair.T, m.series).p;
            for (const auto& solver : solvers) {
                SCOPED_TRACE(pair.a + "/" + pair.b + " x=" + std::to_string(x) + " " + solver.name);
                const double given = solver.at_T ? pair.T : p;
                uint64_t before = thread_evaluations();
                const PhaseSplit s = solver.solve(m.model, m.pure, z, given, m.series);
                EXPECT_LE(thread_evaluations() - before, 12u);
                expect_equilibrium(m.model, s);
                before = thread_evaluations();
                const PhaseSplit estimated = solver.solve(m.model, m.pure, z, given, {});
                EXPECT_LE(thread_evaluations() - before, 16u);
                EXPECT_NEAR(estimated.p / s.p, 1.0, 1e-9);
                EXPECT_NEAR(estimated.T / s.T, 1.0, 1e-9);
                EXPECT_NEAR(estimated.y[0], s.y[0], 1e-9);
                EXPECT_NEAR(estimated.x[0], s.x[0], 1e-9);
            }
        }
    }
}

// Three components, one of them absent: the bubble point of air at 1 atm and that of the binary
// of its first two components with the third fraction zero.
TEST(MixtureVle, NewtonWithAComponentAbsent) {
    const Mixture air = mixture({"Nitrogen", "Oxygen", "Argon"}, 1.0);
    const Mixture two = binary("Nitrogen", "Oxygen", 1.0);
    const PhaseSplit s =
        xalt1::detail::bubble_at_p(air.model, air.pure, {0.79, 0.21, 0.0}, 0.101325, air.series);
    expect_equilibrium(air.model, s);
    EXPECT_EQ(s.y[2], 0.0);
    const PhaseSplit b =
        xalt1::detail::bubble_at_p(two.model, two.pure, {0.79, 0.21}, 0.101325, two.series);
    EXPECT_NEAR(s.T / b.T, 1.0, 1e-9);
    EXPECT_NEAR(s.y[0], b.y[0], 1e-9);
    EXPECT_NEAR(s.Dliq / b.Dliq, 1.0, 1e-9);
}

// Next to the mixture's critical point Newton's steps can end next to the trivial solution
// (equal phases at any density): the points found there have their liquid and vapour on their
// own branches, and the bubble curve is found to x = 0.61 (the critical point lies near 0.65).
TEST(MixtureVle, NextToTheCriticalPointThePhasesAreTheBranchesRoots) {
    const Mixture m = binary("Methane", "Ethane", 1.01);
    const double T = 247.9;  // the critical point near x = 0.65
    int found = 0;
    for (double x = 0.40; x < 0.64; x += 0.03) {
        SCOPED_TRACE(testing::Message() << "x=" << x);
        for (bool with_series : {true, false}) {
            try {
                const PhaseSplit s = bubble_at_T(
                    m.model, m.pure, {x, 1 - x}, T,
                    with_series ? m.series : std::vector<xalt1::detail::SaturationSource>{});
                expect_equilibrium(m.model, s);
                double Dl = 0, Dv = 0;
                ASSERT_TRUE(xalt1::detail::mixture_density(m.model, s.x.data(), T, s.p, true, Dl));
                ASSERT_TRUE(xalt1::detail::mixture_density(m.model, s.y.data(), T, s.p, false, Dv));
                EXPECT_NEAR(Dl / s.Dliq, 1.0, 1e-6);
                EXPECT_NEAR(Dv / s.Dvap, 1.0, 1e-6);
                EXPECT_GT(s.y[0], x);
                ++found;
            } catch (const xalt1::Error& e) {
                EXPECT_EQ(e.kind(), xalt1::ErrorKind::no_solution) << e.what();
            }
        }
    }
    EXPECT_GE(found, 16);
}

}  // namespace

namespace {

// The small dense solve of Newton's steps: a system that needs its rows exchanged, and a
// singular one.
TEST(MixtureVle, DenseSolve) {
    std::vector<double> b = {8.0, 6.0, 14.0};  // of x = (1, 2, 3)
    ASSERT_TRUE(xalt1::detail::solve_dense({0.0, 1.0, 2.0, 1.0, 1.0, 1.0, 2.0, 0.0, 4.0}, b));
    EXPECT_NEAR(b[0], 1.0, 1e-14);
    EXPECT_NEAR(b[1], 2.0, 1e-14);
    EXPECT_NEAR(b[2], 3.0, 1e-14);
    std::vector<double> singular = {1.0, 2.0};
    EXPECT_FALSE(xalt1::detail::solve_dense({1.0, 2.0, 2.0, 4.0}, singular));
}

}  // namespace

namespace {

using xalt1::detail::Flash;

// Newton's flash: two phases of a binary in at most 30 evaluations of the mixture, the
// stability test included, and a single phase in at most 45, from the fluids' saturation series
// or from the critical constants alone; the same state either way, and an equilibrium.
TEST(MixtureVle, NewtonFlashInAFewEvaluations) {
    for (const Pair& pair : kPairs) {
        const Mixture m = binary(pair.a, pair.b, pair.xi);
        for (double x : {0.2, 0.5, 0.8}) {
            const std::vector<double> z = {x, 1.0 - x};
            const double bubble = bubble_at_T(m.model, m.pure, z, pair.T, m.series).p;
            const double dew = dew_at_T(m.model, m.pure, z, pair.T, m.series).p;
            for (double p : {0.5 * dew, dew + 0.3 * (bubble - dew), dew + 0.7 * (bubble - dew),
                             1.5 * bubble}) {
                SCOPED_TRACE(pair.a + "/" + pair.b + " x=" + std::to_string(x) +
                             " p=" + std::to_string(p));
                const bool two = p > dew && p < bubble;
                uint64_t before = thread_evaluations();
                const Flash f = flash_Tp(m.model, m.pure, z, pair.T, p, m.series);
                EXPECT_LE(thread_evaluations() - before, two ? 30u : 45u);
                ASSERT_EQ(f.two_phase, two);
                if (two) {
                    expect_equilibrium(m.model, f.split);
                } else {
                    EXPECT_EQ(f.beta, p < dew ? 1.0 : 0.0);
                }
                const Flash estimated = flash_Tp(m.model, m.pure, z, pair.T, p);
                ASSERT_EQ(estimated.two_phase, two);
                EXPECT_NEAR(estimated.beta, f.beta, 1e-9);
                EXPECT_NEAR(estimated.split.y[0], f.split.y[0], 1e-9);
                EXPECT_NEAR(estimated.split.Dliq / f.split.Dliq, 1.0, 1e-9);
            }
        }
    }
}

// States where the phase is easy to get wrong: a compressed liquid whose vapour-like start
// density reaches the liquid's root (a liquid, beta 0), and a feed next to the critical
// temperature of its main component whose liquid-like trial starts outside the liquid branch
// (it splits).
TEST(MixtureVle, FlashNamesThePhaseItFinds) {
    const Mixture m = binary("CO2", "Ethane", 0.9151);
    const Flash liquid = flash_Tp(m.model, m.pure, {0.1, 0.9}, 220.0, 8.0);
    EXPECT_FALSE(liquid.two_phase);
    EXPECT_EQ(liquid.beta, 0.0);
    EXPECT_GT(liquid.split.Dliq, 15.0);
    const Flash split = flash_Tp(m.model, m.pure, {0.1, 0.9}, 288.571, 3.75572);
    ASSERT_TRUE(split.two_phase);
    EXPECT_NEAR(split.beta, 0.8635, 1e-3);
    expect_equilibrium(m.model, split.split);
}

// A component absent from the feed is absent from both phases, which are the binary's.
TEST(MixtureVle, FlashWithAComponentAbsent) {
    const Mixture three = mixture({"R32", "R1234yf", "CO2"}, 0.96);
    const Mixture two = binary("R32", "R1234yf", 0.96);
    const std::vector<double> z = {0.6, 0.4};
    const double T = 270.0;
    const double p =
        0.5 * (bubble_at_T(two.model, two.pure, z, T).p + dew_at_T(two.model, two.pure, z, T).p);
    const Flash f3 = flash_Tp(three.model, three.pure, {0.6, 0.4, 0.0}, T, p, three.series);
    const Flash f2 = flash_Tp(two.model, two.pure, z, T, p, two.series);
    ASSERT_TRUE(f3.two_phase);
    ASSERT_TRUE(f2.two_phase);
    EXPECT_EQ(f3.split.x[2], 0.0);
    EXPECT_EQ(f3.split.y[2], 0.0);
    EXPECT_NEAR(f3.beta, f2.beta, 1e-9);
    EXPECT_NEAR(f3.split.y[0], f2.split.y[0], 1e-9);
    EXPECT_NEAR(f3.split.Dvap / f2.split.Dvap, 1.0, 1e-9);
}

}  // namespace
