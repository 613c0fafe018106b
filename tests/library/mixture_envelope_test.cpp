// Phase envelopes, critical points and binary diagrams of mixtures: every point an equilibrium,
// the curve through its critical point, the extremes above every point, the pure limits.
#include "api/mixture_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "api/table.h"
#include "library/library_support.h"
#include "library/mixture_support.h"

namespace {

using xalt1::detail::BinaryDiagram;
using xalt1::detail::CriticalConstants;
using xalt1::detail::CriticalState;
using xalt1::detail::Envelope;
using xalt1::detail::EnvelopePoint;
using xalt1::detail::MixtureModel;
using xalt1::detail::PhaseSplit;

using Mixture = TestMixture;

constexpr auto* mixture = &shipped_mixture;

// Mole fractions of mass fractions w of the fluids `codes`.
std::vector<double> mole_fractions(const std::vector<std::string>& codes,
                                   const std::vector<double>& w) {
    std::vector<double> z;
    double sum = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        z.push_back(w[i] / shipped_fluid(codes[i]).info().M);
        sum += z.back();
    }
    for (double& v : z) v /= sum;
    return z;
}

// The feed z and the incipient phase of a point: equal pressures and fugacities.
void expect_equilibrium(const MixtureModel& m, const std::vector<double>& z,
                        const EnvelopePoint& pt) {
    const std::vector<double>& liquid = pt.bubble ? z : pt.incipient;
    const std::vector<double>& vapour = pt.bubble ? pt.incipient : z;
    double sum = 0, p = 0, slope = 0;
    for (double v : pt.incipient) sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_GT(pt.Dliq, pt.Dvap);
    ASSERT_TRUE(m.pressure(liquid.data(), pt.T, pt.Dliq, p, slope));
    EXPECT_NEAR(p / pt.p, 1.0, 1e-9);
    ASSERT_TRUE(m.pressure(vapour.data(), pt.T, pt.Dvap, p, slope));
    EXPECT_NEAR(p / pt.p, 1.0, 1e-9);
    std::vector<double> phi_l(z.size()), phi_v(z.size());
    ASSERT_TRUE(m.ln_fugacity_coefficients(liquid.data(), pt.T, pt.Dliq, phi_l.data()));
    ASSERT_TRUE(m.ln_fugacity_coefficients(vapour.data(), pt.T, pt.Dvap, phi_v.data()));
    for (std::size_t i = 0; i < z.size(); ++i)
        EXPECT_NEAR(std::log(liquid[i]) + phi_l[i], std::log(vapour[i]) + phi_v[i], 1e-9) << i;
}

// The index of the first dew point: the bubble side comes first, then the dew side, each one
// run.
std::size_t first_dew_point(const Envelope& env) {
    std::size_t k = 0;
    while (k < env.points.size() && env.points[k].bubble) ++k;
    for (std::size_t i = k; i < env.points.size(); ++i) EXPECT_FALSE(env.points[i].bubble) << i;
    return k;
}

struct EnvelopeCase {
    std::string name;
    std::vector<std::string> codes;
    std::vector<double> z;  // mole fractions (empty: from the mass fractions)
    std::vector<double> mass;
    double xi = 1.0;  // of every pair
};

class Envelopes : public testing::TestWithParam<EnvelopeCase> {};

TEST_P(Envelopes, PointsAreEquilibriaThroughTheCriticalPoint) {
    const EnvelopeCase& c = GetParam();
    const Mixture m = mixture(c.codes, c.xi);
    const std::vector<double> z = c.z.empty() ? mole_fractions(c.codes, c.mass) : c.z;
    const auto before = xalt1::evaluation_count();
    const auto start = std::chrono::steady_clock::now();
    const Envelope env = phase_envelope(m.model, m.pure, z);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("evaluations", std::to_string(xalt1::evaluation_count() - before));
    RecordProperty("points", std::to_string(env.points.size()));
    RecordProperty("seconds", std::to_string(seconds));
    ASSERT_GT(env.points.size(), 10u);
    for (const EnvelopePoint& pt : env.points) {
        SCOPED_TRACE(testing::Message() << "T=" << pt.T << " p=" << pt.p);
        expect_equilibrium(m.model, z, pt);
        EXPECT_LE(pt.T, env.cricondentherm.T * (1 + 1e-12));
        EXPECT_LE(pt.p, env.cricondenbar.p * (1 + 1e-12));
    }
    expect_equilibrium(m.model, z, env.cricondenbar);
    expect_equilibrium(m.model, z, env.cricondentherm);
    // Down to the pressure it started from.
    EXPECT_NEAR(env.points.back().p / env.points.front().p, 1.0, 1e-9);
    // Over the critical point the incipient phase turns from a vapour into a liquid and ln K of
    // every component changes sign.
    const std::size_t k = first_dew_point(env);
    ASSERT_GT(k, 0u);
    ASSERT_LT(k, env.points.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        EXPECT_LT(std::log(env.points[k - 1].incipient[i] / z[i]) *
                      std::log(env.points[k].incipient[i] / z[i]),
                  0.0)
            << i;
    // The interpolated critical point: the stability limit's conditions nearly hold there, and
    // the one solved from them lies next to it.
    const EnvelopePoint& crit = env.critical;
    xalt1::detail::CriticalConditions conditions;
    ASSERT_TRUE(critical_conditions(m.model, z, crit.T, crit.Dliq, conditions));
    EXPECT_LT(std::fabs(conditions.smallest_eigenvalue), 1e-3);
    const auto before_critical = xalt1::evaluation_count();
    const auto start_critical = std::chrono::steady_clock::now();
    const CriticalState solved = mixture_critical(m.model, m.pure, z);
    RecordProperty("critical_evaluations",
                   std::to_string(xalt1::evaluation_count() - before_critical));
    RecordProperty("critical_seconds",
                   std::to_string(std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                                start_critical)
                                      .count()));
    EXPECT_NEAR(crit.T, solved.T, 0.02);
    EXPECT_NEAR(crit.p / solved.p, 1.0, 1e-3);
    EXPECT_NEAR(crit.Dliq / solved.D, 1.0, 0.02);
    // The bubble side agrees with bubble points at its temperatures, the dew side at low
    // pressures (one dew pressure there) with dew points.
    for (std::size_t i = 0; i < env.points.size(); i += 3) {
        const EnvelopePoint& pt = env.points[i];
        if (pt.p > 0.5 * crit.p) continue;
        const PhaseSplit s =
            pt.bubble ? bubble_at_T(m.model, m.pure, z, pt.T) : dew_at_T(m.model, m.pure, z, pt.T);
        EXPECT_NEAR(s.p / pt.p, 1.0, 1e-8) << pt.T;
    }
}

// The near-azeotropic blends, whose K-values stay within a few per cent of 1 and whose ln K
// crosses 0 at an azeotrope as well as at the critical point; and feeds whose curve was lost,
// jumped back over the critical point, or whose extremes did not converge next to it.
INSTANTIATE_TEST_SUITE_P(
    MixtureEnvelope, Envelopes,
    testing::Values(
        EnvelopeCase{"R32_R1234yf", {"R32", "R1234yf"}, {}, {0.689, 0.311}},
        EnvelopeCase{"CO2_Ethane", {"CO2", "Ethane"}, {0.5, 0.5}, {}},
        EnvelopeCase{"Air", {"Nitrogen", "Oxygen", "Argon"}, {0.7812, 0.2096, 0.0092}, {}},
        EnvelopeCase{"R513A", {"R1234yf", "R134a"}, {}, {0.56, 0.44}, 0.9871823285},
        EnvelopeCase{"R516A", {"R1234yf", "R134a", "R152a"}, {}, {0.775, 0.085, 0.14}},
        EnvelopeCase{"R134a_R1234zeE", {"R134a", "R1234zeE"}, {0.5, 0.5}, {}, 0.9889964775},
        EnvelopeCase{"R134a_R1234yf", {"R134a", "R1234yf"}, {0.1, 0.9}, {}, 0.9871823285},
        EnvelopeCase{"nButane_Isobutane", {"n-Butane", "Isobutane"}, {0.05, 0.95}, {}},
        EnvelopeCase{"R32_R143a", {"R32", "R143a"}, {0.95, 0.05}, {}, 0.9771188342},
        EnvelopeCase{"Methane_Propane", {"Methane", "Propane"}, {0.1, 0.9}, {}, 0.9969559029},
        EnvelopeCase{"CO2_Methane", {"CO2", "Methane"}, {0.9, 0.1}, {}, 0.9991481157}),
    [](const testing::TestParamInfo<EnvelopeCase>& info) { return info.param.name; });

// Where the curve cannot be traced, an error says so: no bubble point of a feed mostly of
// nitrogen above carbon dioxide's lowest temperature.
TEST(MixtureEnvelope, UntraceableCurveIsAnError) {
    const Mixture m = mixture({"CO2", "Nitrogen"}, 1.114842154);
    try {
        const Envelope env = phase_envelope(m.model, m.pure, {0.05, 0.95});
        ADD_FAILURE() << "an envelope of " << env.points.size() << " points";
    } catch (const xalt1::Error& e) {
        EXPECT_EQ(e.kind(), xalt1::ErrorKind::no_solution);
        EXPECT_NE(std::string(e.what()).find("phase envelope: no first bubble point"),
                  std::string::npos)
            << e.what();
    }
}

// The critical point of a binary tends to the pure fluid's of the table's equation as the
// other fraction vanishes, and is that one with the fraction 0.
TEST(MixtureEnvelope, CriticalPointOfANearlyPureBinary) {
    const struct { std::string a, b; } pairs[] = {{"CO2", "Ethane"}, {"R32", "R1234yf"}};
    for (const auto& pair : pairs) {
        const Mixture m = mixture({pair.a, pair.b}, 1.0);
        for (std::size_t k = 0; k < 2; ++k) {
            const xalt1::FluidInfo& info = shipped_fluid(k == 0 ? pair.a : pair.b).info();
            SCOPED_TRACE(info.code);
            for (double dilute : {0.0, 1e-4}) {
                const double x = k == 0 ? 1.0 - dilute : dilute;
                const CriticalState c = mixture_critical(m.model, m.pure, {x, 1.0 - x});
                const double tolerance = dilute == 0.0 ? 1e-7 : 1e-3;
                EXPECT_NEAR(c.T / info.Tc, 1.0, tolerance) << dilute;
                EXPECT_NEAR(c.p / info.pc, 1.0, 10 * tolerance) << dilute;
                EXPECT_NEAR(c.D / info.Dc, 1.0, 10 * tolerance) << dilute;
            }
        }
    }
}

// CO2 with ethane at the azeotrope's composition: its bubble and dew sides touch at the
// azeotrope, where ln K changes sign while the phases stay a liquid and a vapour; the curve goes
// on to its critical point.
TEST(MixtureEnvelope, AzeotropicFeed) {
    const Mixture m = mixture({"CO2", "Ethane"}, 0.9363);
    const double T = 250.0;
    const auto excess = [&](double x) {
        return bubble_at_T(m.model, m.pure, {x, 1 - x}, T).y[0] - x;
    };
    double a = 0.4, b = 0.95;
    const bool rich_at_a = excess(a) > 0;
    ASSERT_NE(rich_at_a, excess(b) > 0);
    for (int k = 0; k < 40; ++k) {
        const double x = 0.5 * (a + b);
        ((excess(x) > 0) == rich_at_a ? a : b) = x;
    }
    const std::vector<double> z = {a, 1 - a};
    const Envelope env = phase_envelope(m.model, m.pure, z);
    const std::size_t k = first_dew_point(env);
    int azeotropes = 0;
    for (std::size_t i = 1; i < env.points.size(); ++i) {
        const EnvelopePoint &p0 = env.points[i - 1], &p1 = env.points[i];
        expect_equilibrium(m.model, z, p1);
        const bool crossing =
            std::log(p0.incipient[0] / z[0]) * std::log(p1.incipient[0] / z[0]) < 0;
        if (crossing && i != k) {
            ++azeotropes;
            EXPECT_LT((p0.T - T) * (p1.T - T), 0.0);  // the azeotrope of 250 K between them
            EXPECT_GT(p1.Dliq, 3 * p1.Dvap);
        }
    }
    EXPECT_EQ(azeotropes, 2);  // once on each side
    const CriticalState c = mixture_critical(m.model, m.pure, z);
    EXPECT_NEAR(env.critical.T, c.T, 0.02);
}

// Across a feed that is not a mixture, or compositions that are not fractions: bad input.
TEST(MixtureEnvelope, BadFeeds) {
    const Mixture m = mixture({"CO2", "Ethane"}, 1.0);
    for (const std::vector<double>& z :
         {std::vector<double>{1.0, 0.0}, std::vector<double>{0.5, 0.6}, std::vector<double>{0.5}}) {
        try {
            phase_envelope(m.model, m.pure, z);
            ADD_FAILURE() << "an envelope of " << z.size() << " fractions";
        } catch (const xalt1::Error& e) {
            EXPECT_EQ(e.kind(), xalt1::ErrorKind::bad_input) << e.what();
        }
    }
}

// The saturation pressure of the pure fluid `code` at T.
double saturation_pressure(const std::string& code, double T) {
    return shipped_fluid(code).saturation_T(T).first.p;
}

// Below both critical temperatures: from one pure fluid's saturation pressure to the other's,
// the bubble pressure above the dew pressure between them.
TEST(MixtureEnvelope, PxyBetweenTheSaturationPressures) {
    const Mixture m = mixture({"R32", "R1234yf"}, 1.0);
    const double T = 280.0;
    const BinaryDiagram d = pxy_diagram(m.model, m.pure, T, 11);
    EXPECT_FALSE(d.ends_at_critical);
    ASSERT_EQ(d.bubble.size(), 11u);
    ASSERT_EQ(d.dew.size(), 11u);
    EXPECT_NEAR(d.bubble.front().p / saturation_pressure("R1234yf", T), 1.0, 1e-8);
    EXPECT_NEAR(d.dew.front().p / saturation_pressure("R1234yf", T), 1.0, 1e-8);
    EXPECT_NEAR(d.bubble.back().p / saturation_pressure("R32", T), 1.0, 1e-8);
    EXPECT_NEAR(d.dew.back().p / saturation_pressure("R32", T), 1.0, 1e-8);
    for (std::size_t k = 1; k + 1 < d.bubble.size(); ++k) {
        EXPECT_NEAR(d.bubble[k].x[0], 0.1 * k, 1e-12);
        EXPECT_NEAR(d.dew[k].y[0], 0.1 * k, 1e-12);
        EXPECT_GT(d.bubble[k].p, d.dew[k].p) << k;
        EXPECT_GT(d.bubble[k].p, d.bubble[k - 1].p) << k;  // R32 the more volatile
    }
}

// Above methane's critical temperature the isotherm of methane with ethane ends at the
// mixture's critical point at that temperature.
TEST(MixtureEnvelope, PxyEndsAtTheCriticalPoint) {
    const Mixture m = mixture({"Methane", "Ethane"}, 1.0);
    const double T = 250.0;
    const BinaryDiagram d = pxy_diagram(m.model, m.pure, T, 21);
    ASSERT_TRUE(d.ends_at_critical);
    EXPECT_NEAR(d.critical.T, T, 1e-6);
    EXPECT_GT(d.critical_x, 0.05);
    EXPECT_LT(d.critical_x, 0.95);
    ASSERT_GT(d.bubble.size(), 5u);
    EXPECT_NEAR(d.bubble.front().p / saturation_pressure("Ethane", T), 1.0, 1e-8);
    for (const PhaseSplit& s : d.bubble) {
        EXPECT_LT(s.x[0], d.critical_x);
        EXPECT_LT(s.p, d.critical.p);
    }
    // Every composition up to the critical end has its points, the last close below it.
    EXPECT_LT(d.critical_x - d.bubble.back().x[0], 0.05);
    EXPECT_LT(d.critical_x - d.dew.back().y[0], 0.05);
    EXPECT_GT(d.bubble.back().p, 0.95 * d.critical.p);
    const CriticalState c = mixture_critical(m.model, m.pure, {d.critical_x, 1 - d.critical_x});
    EXPECT_NEAR(c.T, T, 1e-6);
}

TEST(MixtureEnvelope, TxyBetweenTheSaturationTemperatures) {
    const Mixture m = mixture({"R32", "R1234yf"}, 1.0);
    const double p = 1.0;
    const BinaryDiagram d = txy_diagram(m.model, m.pure, p, 6);
    ASSERT_EQ(d.bubble.size(), 6u);
    ASSERT_EQ(d.dew.size(), 6u);
    EXPECT_NEAR(d.bubble.front().T / shipped_fluid("R1234yf").saturation_p(p).first.T, 1.0, 1e-8);
    EXPECT_NEAR(d.dew.back().T / shipped_fluid("R32").saturation_p(p).first.T, 1.0, 1e-8);
    for (std::size_t k = 1; k + 1 < d.bubble.size(); ++k) EXPECT_LT(d.bubble[k].T, d.dew[k].T) << k;
}

}  // namespace
