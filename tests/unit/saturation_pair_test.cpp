// The saturated pair over every fluid of the shipped table, from the lowest temperature asked
// for to next to Tc: the direct solve meets its tolerances, X_MAXWEL answers with a true pair,
// and where it takes its pair from the passes, that pair prints like the direct one.
#include "props/saturation_pair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "props/props.h"
#include "props/td_props.h"
#include "saturation_support.h"
#include "substance/subst_const.h"

namespace {

constexpr double R = 8.314339637756348;

struct Pair {
    int32_t status = 0;
    double ps = 0.0, Dliq = 0.0, Dvap = 0.0;
    bool from_direct_solve = false;  // X_MAXWEL took the pair of X_SAT_PAIR
};

Pair direct_pair(double T) {
    Pair pair;
    X_SAT_PAIR(T, pair.ps, pair.Dliq, pair.Dvap, pair.status);
    pair.from_direct_solve = true;
    return pair;
}

Pair maxwel_pair(double T) {
    Pair pair;
    X_MAXWEL(T, pair.ps, pair.Dliq, pair.Dvap, pair.status);
    pair.from_direct_solve = SAT_PAIR_EVALUATIONS > 0;
    return pair;
}

// Fifteen temperatures from `lowest` to Tc (1 - 1e-6), evenly spaced in ln(1 - T/Tc).
std::vector<double> scan_temperatures(double lowest, double Tc) {
    const double t_low = 1.0 - lowest / Tc, t_high = 1e-6;
    std::vector<double> temperatures;
    for (int i = 0; i < 15; ++i)
        temperatures.push_back(Tc * (1.0 - t_low * std::pow(t_high / t_low, i / 14.0)));
    return temperatures;
}

// Equal pressure and Gibbs energy within a relative `tolerance` (the pressure also within the
// step of one unit in the last place of the liquid density), on stable branches on either side
// of Dc, below Pc.
void expect_true_pair(const Pair& pair, double T, double tolerance) {
    const SubstConst& sc = SUBST_CONST;
    const TdProps l = state_at(pair.Dliq, T), v = state_at(pair.Dvap, T);
    const double resolution = 2e-15 * pair.Dliq * l.dpdD;
    EXPECT_NEAR(l.p, v.p, tolerance * pair.ps + resolution);
    EXPECT_NEAR(v.p, pair.ps, tolerance * pair.ps);
    EXPECT_NEAR(l.g, v.g, tolerance * std::max(std::fabs(v.g), R * T));
    EXPECT_GT(pair.Dliq, sc.Dc);
    EXPECT_LT(pair.Dvap, sc.Dc);
    EXPECT_GT(l.dpdD, 0.0);
    EXPECT_GT(v.dpdD, 0.0);
    EXPECT_LT(pair.ps, sc.Pc);
}

// The two pairs show the same digits in a result row (up to one unit of the last one): the
// pressure to six significant digits, densities to four decimals (four digits below 0.1).
void expect_same_print(const Pair& a, const Pair& b) {
    auto density_unit = [](double D) { return D < 0.1 ? 1e-4 * D * 10.0 : 1e-4; };
    EXPECT_NEAR(a.ps, b.ps, 1e-6 * b.ps);
    EXPECT_NEAR(a.Dliq, b.Dliq, density_unit(b.Dliq));
    EXPECT_NEAR(a.Dvap, b.Dvap, density_unit(b.Dvap));
}

TEST(SaturationShippedTable, EveryFluidHasItsPairFromItsLowestTemperatureToNextToTc) {
    FluidTable table(shipped_table_path());
    ASSERT_FALSE(table.codes().empty());
    for (const std::string& code : table.codes()) {
        ASSERT_TRUE(table.load(code)) << code;
        const double Tc = SUBST_CONST.Tc;
        for (double T : scan_temperatures(lowest_temperature(code, Tc), Tc)) {
            SCOPED_TRACE(testing::Message() << code << " T=" << T << " T/Tc=" << T / Tc);
            const Pair direct = direct_pair(T);
            const Pair maxwel = maxwel_pair(T);
            if (direct.status != 0) {
                // Only where the equation's isotherm has no pair on its outer branches.
                EXPECT_TRUE(no_pair_on_outer_branches(T));
                EXPECT_EQ(maxwel.status, 99);
                continue;
            }
            expect_true_pair(direct, T, 1e-9);
            ASSERT_EQ(maxwel.status, 0);
            expect_true_pair(maxwel, T, 1e-5);
            expect_same_print(maxwel, direct);
        }
    }
}

// Where X_MAXWEL changes from the pair of its passes to the direct solve, the pair goes on
// without a jump in its printed digits: the temperature of the change is narrowed down by
// bisection and the pairs on its two sides compared.
TEST(SaturationCases, NoJumpWhereThePathChanges) {
    FluidTable table(saturation_cases_path());
    for (const std::string code : {"Argon", "CO2", "R134a", "R116"}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(table.load(code));
        const double Tc = SUBST_CONST.Tc;
        // The first change on the way from 0.9 Tc to Tc (1 - 1e-6).
        double below = 0.9 * Tc, above = 0.0;
        ASSERT_FALSE(maxwel_pair(below).from_direct_solve);
        for (int i = 1; i <= 40 && above == 0.0; ++i) {
            const double T = Tc * (1.0 - 0.1 * std::pow(1e-5, i / 40.0));
            (maxwel_pair(T).from_direct_solve ? above : below) = T;
        }
        ASSERT_GT(above, 0.0);
        for (int k = 0; k < 30; ++k) {
            const double mid = 0.5 * (below + above);
            (maxwel_pair(mid).from_direct_solve ? above : below) = mid;
        }
        const Pair passes = maxwel_pair(below), direct = maxwel_pair(above);
        ASSERT_EQ(passes.status, 0);
        ASSERT_EQ(direct.status, 0);
        EXPECT_FALSE(passes.from_direct_solve);
        EXPECT_TRUE(direct.from_direct_solve);
        expect_same_print(passes, direct);
    }
}

}  // namespace
