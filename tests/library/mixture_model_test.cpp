// The one-fluid mixture model: a mixture of one component, or with all but one fraction zero,
// is the pure fluid to round-off; the order of the components does not matter; its properties
// are thermodynamically consistent (p and s from the Helmholtz energy's own slopes).
#include "api/mixture_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "api/engine.h"
#include "api/table.h"
#include "library/library_support.h"

namespace {

using xalt1::detail::BinaryParameters;
using xalt1::detail::MixtureModel;
using xalt1::detail::Records;

Records records_of(const std::string& code) {
    return xalt1::detail::load_fluid(XALT1_SHIPPED_TABLE, code).records;
}

std::vector<std::vector<BinaryParameters>> pairs(std::size_t n, double xi = 1.0) {
    std::vector<std::vector<BinaryParameters>> b(n, std::vector<BinaryParameters>(n));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            if (i != j) b[i][j].xi = xi;
    return b;
}

// The pure fluid's own evaluation at (T, D).
StateProperties pure(const Records& records, double T, double D) {
    xalt1::detail::CallScope scope(records, xalt1::detail::next_fluid_id());
    xalt1::detail::Point pt;
    EXPECT_TRUE(xalt1::detail::evaluate(T, D, pt));
    return pt.props;
}

void expect_same(const StateProperties& a, const StateProperties& b) {
    const struct {
        const char* name;
        double StateProperties::*field;
    } fields[] = {
        {"p", &StateProperties::p}, {"dpdD", &StateProperties::dpdD},  {"h", &StateProperties::h},
        {"s", &StateProperties::s}, {"u", &StateProperties::u},        {"f", &StateProperties::f},
        {"g", &StateProperties::g}, {"cv", &StateProperties::cv},      {"cp", &StateProperties::cp},
        {"w", &StateProperties::w}, {"mu_JT", &StateProperties::mu_JT}};
    for (const auto& f : fields)
        EXPECT_NEAR(a.*f.field, b.*f.field, 1e-12 * (std::fabs(b.*f.field) + 1.0)) << f.name;
}

TEST(MixtureModel, PureLimitsAreThePureFluid) {
    // A nonpolar, a quadrupolar and a dipolar fluid, each against the other two.
    const std::vector<std::string> codes = {"Propane", "CO2", "R32"};
    const struct {
        double Tr, Dr;  // in Tc and Dc of the fluid
    } states[] = {{0.7, 2.5}, {0.9, 0.05}, {1.3, 1.0}, {2.0, 0.3}};
    for (const std::string& code : codes) {
        const Records own = records_of(code);
        const MixtureModel alone({own}, pairs(1));
        for (const std::string& other : codes) {
            if (other == code) continue;
            const MixtureModel first({own, records_of(other)}, pairs(2, 0.93));
            const MixtureModel second({records_of(other), own}, pairs(2, 0.93));
            for (const auto& st : states) {
                const double T = st.Tr * own.subst.Tc, D = st.Dr * own.subst.Dc;
                SCOPED_TRACE(code + " with " + other + " T=" + std::to_string(T));
                const StateProperties expected = pure(own, T, D);
                StateProperties got;
                const double one[] = {1.0}, z10[] = {1.0, 0.0}, z01[] = {0.0, 1.0};
                ASSERT_TRUE(alone.properties(one, T, D, got));
                expect_same(got, expected);
                ASSERT_TRUE(first.properties(z10, T, D, got));
                expect_same(got, expected);
                ASSERT_TRUE(second.properties(z01, T, D, got));
                expect_same(got, expected);
            }
        }
    }
}

TEST(MixtureModel, OrderOfComponentsDoesNotMatter) {
    const MixtureModel ab({records_of("R32"), records_of("R1234yf")}, pairs(2, 1.02));
    const MixtureModel ba({records_of("R1234yf"), records_of("R32")}, pairs(2, 1.02));
    const double zab[] = {0.689, 0.311}, zba[] = {0.311, 0.689};
    for (double T : {250.0, 320.0, 400.0})
        for (double D : {0.01, 1.0, 11.0}) {
            StateProperties a, b;
            ASSERT_TRUE(ab.properties(zab, T, D, a));
            ASSERT_TRUE(ba.properties(zba, T, D, b));
            expect_same(a, b);
        }
}

// p = D^2 (df/dD)_T and s = -(df/dT)_D by central differences: the residual of the one fluid,
// the components' ideal gases and the entropy of mixing fit together.
TEST(MixtureModel, PressureAndEntropyFromTheHelmholtzEnergy) {
    const MixtureModel air({records_of("Nitrogen"), records_of("Oxygen"), records_of("Argon")},
                           pairs(3));
    const MixtureModel blend({records_of("CO2"), records_of("R32"), records_of("R1234yf")},
                             pairs(3, 0.97));
    const double z_air[] = {0.7812, 0.2096, 0.0092}, z_blend[] = {0.1, 0.4, 0.5};
    const struct {
        const MixtureModel* model;
        const double* z;
        double T, D;
    } cases[] = {{&air, z_air, 300.0, 0.04},
                 {&air, z_air, 120.0, 25.0},
                 {&blend, z_blend, 350.0, 2.0},
                 {&blend, z_blend, 260.0, 12.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "T=" << c.T << " D=" << c.D);
        StateProperties at, up, down;
        ASSERT_TRUE(c.model->properties(c.z, c.T, c.D, at));
        const double hD = 1e-5 * c.D, hT = 1e-5 * c.T;
        ASSERT_TRUE(c.model->properties(c.z, c.T, c.D + hD, up));
        ASSERT_TRUE(c.model->properties(c.z, c.T, c.D - hD, down));
        // f in J/mol, D in mol/dm3: D^2 df/dD is in kPa.
        EXPECT_NEAR(1e-3 * c.D * c.D * (up.f - down.f) / (2 * hD), at.p, 1e-6 * std::fabs(at.p));
        ASSERT_TRUE(c.model->properties(c.z, c.T + hT, c.D, up));
        ASSERT_TRUE(c.model->properties(c.z, c.T - hT, c.D, down));
        EXPECT_NEAR(-(up.f - down.f) / (2 * hT), at.s, 1e-6 * (std::fabs(at.s) + 10.0));
    }
}

}  // namespace

namespace {

// n F(T, n/V, n/|n|) at the amounts n in the volume V.
double total_residual(const MixtureModel& m, const std::vector<double>& n, double T, double V) {
    double total = 0;
    for (double ni : n) total += ni;
    std::vector<double> z;
    for (double ni : n) z.push_back(ni / total);
    double F = 0;
    EXPECT_TRUE(m.reduced_residual(z.data(), T, total / V, F));
    return total * F;
}

// A three-component blend of a quadrupolar, a dipolar and a nonpolar fluid, and its states:
// vapours, dense liquids, a gas next to a pure component, states without one component, a
// dense supercritical state.
MixtureModel co2_r32_propane() {
    return MixtureModel({records_of("CO2"), records_of("R32"), records_of("Propane")},
                        pairs(3, 0.95));
}

struct BlendState {
    std::vector<double> z;
    double T, D;
};
const BlendState kBlendStates[] = {{{0.2, 0.5, 0.3}, 300.0, 0.5},    {{0.2, 0.5, 0.3}, 250.0, 19.5},
                                   {{0.98, 0.01, 0.01}, 280.0, 2.0}, {{0.0, 0.3, 0.7}, 320.0, 13.0},
                                   {{0.6, 0.0, 0.4}, 240.0, 0.05},   {{0.1, 0.1, 0.8}, 400.0, 9.0},
                                   {{0.3, 0.69, 0.01}, 200.0, 26.0}};

// ln phi_i = d(n F)/dn_i at constant T and V, minus ln Z: against central differences in n_i,
// and their z-weighted sum against g_res/(R T) = F + Z - 1 - ln Z.
TEST(MixtureModel, FugacityCoefficientsFromTheResidualEnergy) {
    const MixtureModel blend = co2_r32_propane();
    for (const BlendState& c : kBlendStates) {
        SCOPED_TRACE(testing::Message() << "T=" << c.T << " D=" << c.D << " z0=" << c.z[0]);
        std::vector<double> ln_phi(3);
        ASSERT_TRUE(blend.ln_fugacity_coefficients(c.z.data(), c.T, c.D, ln_phi.data()));
        StateProperties st;
        ASSERT_TRUE(blend.properties(c.z.data(), c.T, c.D, st));
        const double Z = 1000.0 * st.p / (c.D * 8.31434f * c.T);
        const double V = 1.0 / c.D;  // one mole in all
        for (std::size_t i = 0; i < 3; ++i) {
            // Central differences, or second-order forward ones for a component not present.
            const double h = 1e-5;
            const auto at = [&](double dn) {
                std::vector<double> n = c.z;
                n[i] += dn;
                return total_residual(blend, n, c.T, V);
            };
            const double slope = c.z[i] > h ? (at(h) - at(-h)) / (2 * h)
                                            : (-3 * at(0) + 4 * at(h) - at(2 * h)) / (2 * h);
            EXPECT_NEAR(ln_phi[i], slope - std::log(Z), 2e-7 * (1.0 + std::fabs(ln_phi[i]))) << i;
        }
        double F = 0, sum = 0;
        ASSERT_TRUE(blend.reduced_residual(c.z.data(), c.T, c.D, F));
        for (std::size_t i = 0; i < 3; ++i) sum += c.z[i] * ln_phi[i];
        EXPECT_NEAR(sum, F + Z - 1.0 - std::log(Z), 1e-11);
    }
}

// The slopes of ln phi obey the identities of the residual Gibbs energy G/RT = sum z ln phi:
// z-weighted, d/dp is (Z - 1)/p and d/dT is -h_res/(R T^2); by Gibbs-Duhem sum_i z_i N d ln
// phi_i/dn_j vanishes; the composition slopes are symmetric (second derivatives of G).
TEST(MixtureModel, FugacitySlopesObeyTheGibbsEnergyIdentities) {
    const MixtureModel blend = co2_r32_propane();
    for (const BlendState& c : kBlendStates) {
        SCOPED_TRACE(testing::Message() << "T=" << c.T << " D=" << c.D << " z0=" << c.z[0]);
        xalt1::detail::FugacitySlopes d;
        ASSERT_TRUE(blend.fugacity_slopes(c.z.data(), c.T, c.D, d));
        StateProperties st;
        ASSERT_TRUE(blend.properties(c.z.data(), c.T, c.D, st));
        const double R = 8.31434f, Z = 1000.0 * st.p / (c.D * R * c.T);
        // h_res/RT = -T dF/dT + Z - 1 at constant D, F from the residual energy.
        const double hT = 1e-4 * c.T;
        double F_up = 0, F_down = 0;
        ASSERT_TRUE(blend.reduced_residual(c.z.data(), c.T + hT, c.D, F_up));
        ASSERT_TRUE(blend.reduced_residual(c.z.data(), c.T - hT, c.D, F_down));
        const double h_res_RT = -c.T * (F_up - F_down) / (2 * hT) + Z - 1.0;
        double by_p = 0, by_T = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            by_p += c.z[i] * d.dp[i];
            by_T += c.z[i] * d.dT[i];
            double duhem = 0;
            for (std::size_t k = 0; k < 3; ++k) duhem += c.z[k] * d.dn[k * 3 + i];
            EXPECT_NEAR(duhem, 0.0, 1e-6) << i;
            for (std::size_t j = 0; j < 3; ++j)
                EXPECT_NEAR(d.dn[i * 3 + j], d.dn[j * 3 + i],
                            1e-6 * (1 + std::fabs(d.dn[i * 3 + j])));
        }
        EXPECT_NEAR(by_p, (Z - 1.0) / st.p, 1e-6 * (1 + std::fabs(by_p)));
        EXPECT_NEAR(by_T, -h_res_RT / c.T, 1e-6 * (1 + std::fabs(by_T)));
    }
}

// The density at which the composition z has the pressure p at T, by Newton steps from a
// nearby density D.
bool density_near(const MixtureModel& m, const double* z, double T, double p, double& D) {
    for (int k = 0; k < 20; ++k) {
        double at = 0, slope = 0;
        if (!m.pressure(z, T, D, at, slope) || !(slope > 0.0)) return false;
        const double step = (at - p) / slope;
        D -= step;
        if (std::fabs(step) <= 1e-13 * D) return D > 0.0;
    }
    return false;
}

// The slopes of ln phi by central differences of ln phi: in T and D at constant amounts, turned
// into slopes at constant p through p's own slopes; in each amount at constant T and p, the
// density found anew for the changed composition.
xalt1::detail::FugacitySlopes numerical_slopes(const MixtureModel& m, const double* z, double T,
                                               double D) {
    const std::size_t n = m.size();
    const double h = 1e-5, hT = h * T, hD = h * D;
    xalt1::detail::FugacitySlopes out{std::vector<double>(n), std::vector<double>(n),
                                      std::vector<double>(n), std::vector<double>(n * n)};
    std::vector<double> up(n), down(n), byT(n);
    double p = 0, dpdD = 0, p_up = 0, p_down = 0, ignored = 0;
    EXPECT_TRUE(m.ln_fugacity_coefficients(z, T, D, out.ln_phi.data()));
    EXPECT_TRUE(m.pressure(z, T, D, p, dpdD));
    EXPECT_TRUE(m.ln_fugacity_coefficients(z, T + hT, D, up.data()));
    EXPECT_TRUE(m.ln_fugacity_coefficients(z, T - hT, D, down.data()));
    EXPECT_TRUE(m.pressure(z, T + hT, D, p_up, ignored));
    EXPECT_TRUE(m.pressure(z, T - hT, D, p_down, ignored));
    for (std::size_t i = 0; i < n; ++i) byT[i] = (up[i] - down[i]) / (2 * hT);
    EXPECT_TRUE(m.ln_fugacity_coefficients(z, T, D + hD, up.data()));
    EXPECT_TRUE(m.ln_fugacity_coefficients(z, T, D - hD, down.data()));
    for (std::size_t i = 0; i < n; ++i) {
        const double byD = (up[i] - down[i]) / (2 * hD);
        out.dT[i] = byT[i] - byD * (p_up - p_down) / (2 * hT) / dpdD;
        out.dp[i] = byD / dpdD;
    }
    std::vector<double> shifted(n);
    for (std::size_t j = 0; j < n; ++j) {
        for (int sign : {1, -1}) {
            // One mole in all with the amount of j moved by +-h, as mole fractions.
            for (std::size_t k = 0; k < n; ++k)
                shifted[k] = (z[k] + (k == j ? sign * h : 0.0)) / (1 + sign * h);
            double Dj = D;
            EXPECT_TRUE(density_near(m, shifted.data(), T, p, Dj));
            EXPECT_TRUE(
                m.ln_fugacity_coefficients(shifted.data(), T, Dj, (sign > 0 ? up : down).data()));
        }
        for (std::size_t i = 0; i < n; ++i) out.dn[i * n + j] = (up[i] - down[i]) / (2 * h);
    }
    return out;
}

// The analytic slopes against central differences, at vapour, liquid and dense supercritical
// states and with a component absent; one evaluation of the residual part each.
TEST(MixtureModel, FugacitySlopesMatchCentralDifferences) {
    const MixtureModel blend = co2_r32_propane();
    for (const BlendState& c : kBlendStates) {
        SCOPED_TRACE(testing::Message() << "T=" << c.T << " D=" << c.D << " z=" << c.z[0] << ","
                                        << c.z[1] << "," << c.z[2]);
        xalt1::detail::FugacitySlopes got;
        const uint64_t before = xalt1::detail::thread_evaluations();
        ASSERT_TRUE(blend.fugacity_slopes(c.z.data(), c.T, c.D, got));
        EXPECT_EQ(xalt1::detail::thread_evaluations() - before, 1u);
        const xalt1::detail::FugacitySlopes want = numerical_slopes(blend, c.z.data(), c.T, c.D);
        const auto near = [](const std::vector<double>& a, const std::vector<double>& b,
                             double scale, const char* name) {
            ASSERT_EQ(a.size(), b.size()) << name;
            for (std::size_t k = 0; k < a.size(); ++k)
                EXPECT_NEAR(a[k], b[k], 1e-6 * (std::fabs(b[k]) + scale)) << name << " " << k;
        };
        near(got.ln_phi, want.ln_phi, 1e-9, "ln_phi");
        // The scales: a slope that cancels to nothing is compared with its terms' size.
        near(got.dT, want.dT, 1e-4, "dT");
        near(got.dp, want.dp, 1e-3, "dp");
        near(got.dn, want.dn, 1e-2, "dn");
    }
}

// A pure fluid's saturated liquid and vapour have equal fugacities; in a binary with the second
// fraction zero the first component's coefficient is the pure fluid's.
TEST(MixtureModel, FugacityOfAPureFluidAtSaturation) {
    const xalt1::Fluid& co2 = shipped_fluid("CO2");
    const MixtureModel alone({records_of("CO2")}, pairs(1));
    const MixtureModel binary({records_of("CO2"), records_of("Ethane")}, pairs(2, 0.9));
    const double one[] = {1.0}, z10[] = {1.0, 0.0};
    for (double T : {230.0, 270.0, 300.0}) {
        const auto [liq, vap] = co2.saturation_T(T);
        double l = 0, v = 0, b[2] = {0, 0};
        ASSERT_TRUE(alone.ln_fugacity_coefficients(one, T, liq.D, &l));
        ASSERT_TRUE(alone.ln_fugacity_coefficients(one, T, vap.D, &v));
        EXPECT_NEAR(l, v, 1e-8) << T;
        ASSERT_TRUE(binary.ln_fugacity_coefficients(z10, T, liq.D, b));
        EXPECT_NEAR(b[0], l, 1e-13 * (1.0 + std::fabs(l))) << T;
        EXPECT_TRUE(std::isfinite(b[1]));
    }
}

}  // namespace
