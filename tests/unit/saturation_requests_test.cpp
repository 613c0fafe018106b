// Requests of the state solver that depend on the saturated pair: next to the critical point
// for every fluid of the shipped table, and the pinned cases of tests/data/saturation_cases.tab
// (false pairs of the passes, the mode-3 case next to a saturated density, low temperatures).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "props/props.h"
#include "props/saturation_pair.h"
#include "props/td_props.h"
#include "saturation_support.h"
#include "substance/subst_const.h"

namespace {

// What one request wrote: the row markers (first two characters of each new line of the result
// file, "end" as it is) and the new lines of the status file.
struct Written {
    int32_t status = 0;
    double T = 0.0, D = 0.0, p = 0.0;
    std::vector<std::string> markers;
    std::vector<std::string> rows;
    std::vector<std::string> records;
};

Written request(const FluidTable& table, double T, double D, double p) {
    const std::size_t rows_before = table.result_lines().size();
    const std::size_t records_before = table.status_lines().size();
    Written w{0, T, D, p, {}, {}, {}};
    X_PVT(w.T, w.D, w.p, w.status);
    const auto rows = table.result_lines();
    for (std::size_t i = rows_before; i < rows.size(); ++i) {
        w.rows.push_back(rows[i]);
        w.markers.push_back(rows[i] == "end" ? "end" : rows[i].substr(0, 2));
    }
    const auto records = table.status_lines();
    w.records.assign(records.begin() + std::min(records_before, records.size()), records.end());
    return w;
}

// True when the loaded fluid has temperatures between 0.95 Tc and Tc without a pair on the outer
// branches of its isotherm (an extra loop of its equation, as ammonia of the pinned table has
// between about 404.4 and 405.3 K). The saturation-temperature search of modes 3 and 5 can step
// into such a band, where the saturation routine has nothing to give.
bool has_band_without_pair() {
    const double Tc = SUBST_CONST.Tc;
    for (int i = 0; i <= 40; ++i) {
        const double T = Tc * (1.0 - 0.05 * std::pow(2e-5, i / 40.0));
        double ps = 0, Dliq = 0, Dvap = 0;
        int32_t status = 0;
        X_SAT_PAIR(T, ps, Dliq, Dvap, status);
        if (status != 0 && no_pair_on_outer_branches(T)) return true;
    }
    return false;
}

const std::vector<std::string> kSingleRow = {"  ", "end"};
const std::vector<std::string> kSaturatedPair = {"l ", "v ", "end"};
const std::vector<std::string> kTwoPhaseBlock = {"l ", "v ", "x=", "end"};

// The temperature and density columns of a full row, as printed.
std::string temperature_text(const std::string& row) {
    return row.substr(2, 9);
}
std::string density_text(const std::string& row) {
    return row.substr(12, 8);
}

// For every fluid of the shipped table: the dilute gas at 0.01 Pc up to 0.9999 Tc (mode 2),
// saturation at 0.9999 Pc (mode 5) and at Tc (1 - 1e-6) (mode 4); none of them writes more
// than three status records.
TEST(SaturationShippedTable, RequestsNextToTheCriticalPointAreAnswered) {
    FluidTable table(shipped_table_path());
    for (const std::string& code : table.codes()) {
        ASSERT_TRUE(table.load(code)) << code;
        const SubstConst& sc = SUBST_CONST;
        for (double ratio : {0.97, 0.99, 0.999, 0.9999}) {
            SCOPED_TRACE(testing::Message() << code << " mode 2 at T/Tc=" << ratio);
            const double P = 0.01 * sc.Pc;
            const Written w = request(table, ratio * sc.Tc, 0.0, P);
            EXPECT_EQ(w.markers, kSingleRow);
            EXPECT_NEAR(TD_PROPS.p, P, 1e-7 * P);
            EXPECT_LT(w.D, 0.1 * sc.Dc);
            EXPECT_LE(w.records.size(), 3u);
        }
        if (!has_band_without_pair()) {
            SCOPED_TRACE(code + " mode 5 at 0.9999 Pc");
            const Written w = request(table, 0.0, 0.0, 0.9999 * sc.Pc);
            EXPECT_EQ(w.markers, kSaturatedPair);
            EXPECT_LT(w.T, sc.Tc);
            EXPECT_NEAR(TD_PROPS.p, 0.9999 * sc.Pc, 1e-7);
            EXPECT_LE(w.records.size(), 3u);
        }
        {
            SCOPED_TRACE(code + " mode 4 at Tc (1 - 1e-6)");
            const Written w = request(table, sc.Tc * (1.0 - 1e-6), 0.0, 0.0);
            EXPECT_EQ(w.markers, kSaturatedPair);
            EXPECT_LE(w.records.size(), 3u);
        }
    }
}

// Mode 4 then mode 5 at its pressure gives the temperature back, and mode 5 then mode 4 at its
// temperature gives the pressure back: next to the triple point (or 0.3 Tc) and next to Tc
// (not for a fluid whose mode 5 can step into a band without a pair on its way there).
TEST(SaturationCases, RoundTripsOfModes4And5) {
    FluidTable table(saturation_cases_path());
    for (const std::string& code : table.codes()) {
        ASSERT_TRUE(table.load(code)) << code;
        const double Tc = SUBST_CONST.Tc;
        std::vector<double> temperatures = {lowest_temperature(code, Tc)};
        if (!has_band_without_pair()) temperatures.push_back(Tc * (1.0 - 1e-5));
        for (double T : temperatures) {
            SCOPED_TRACE(testing::Message() << code << " T=" << T);
            ASSERT_EQ(request(table, T, 0.0, 0.0).markers, kSaturatedPair);
            const double ps = TD_PROPS.p;  // the vapour row is evaluated last
            const Written back = request(table, 0.0, 0.0, ps);
            ASSERT_EQ(back.markers, kSaturatedPair);
            EXPECT_NEAR(back.T, T, 1e-6 * T);
            const Written again = request(table, back.T, 0.0, 0.0);
            ASSERT_EQ(again.markers, kSaturatedPair);
            EXPECT_NEAR(TD_PROPS.p, ps, 1e-7 * std::min(1.0, ps));
        }
    }
}

// Temperatures where the passes converge to false pairs (a vapour stuck at its spinodal, both
// densities on one branch far above Pc, a liquid below the vapour): the pair is the direct
// solve's, on either side of Dc below Pc.
TEST(SaturationCases, FalsePairsOfThePassesAreReplaced) {
    struct Case {
        const char* code;
        double T;
    };
    const Case cases[] = {{"Argon", 150.6035}, {"Argon", 150.618}, {"Ammonia", 406.0},
                          {"R116", 291.95},    {"R116", 291.96},   {"R124", 397.20896},
                          {"RC318", 387.3833}, {"RC318", 387.398}};
    FluidTable table(saturation_cases_path());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " T=" << c.T);
        ASSERT_TRUE(table.load(c.code));
        double ps = 0, Dliq = 0, Dvap = 0;
        int32_t status = 0;
        X_MAXWEL(c.T, ps, Dliq, Dvap, status);
        ASSERT_EQ(status, 0);
        EXPECT_GT(SAT_PAIR_EVALUATIONS, 0);
        EXPECT_LE(SAT_PAIR_EVALUATIONS, 200);
        bool pair = false;
        X_SAT_CHECK(c.T, ps, Dliq, Dvap, pair);
        EXPECT_TRUE(pair);
        EXPECT_GT(Dliq, SUBST_CONST.Dc);
        EXPECT_LT(Dvap, SUBST_CONST.Dc);
        EXPECT_LT(ps, SUBST_CONST.Pc);
    }
    // Argon at 150.6035 K: the saturated vapour at 11.976 mol/dm3, not at its spinodal (12.2512).
    ASSERT_TRUE(table.load("Argon"));
    const Written w = request(table, 150.6035, 0.0, 0.0);
    ASSERT_EQ(w.markers, kSaturatedPair);
    EXPECT_EQ(density_text(w.rows[1]), " 11.9763");
}

// Ammonia between about 404.4 and 405.3 K: this entry's isotherm has an extra loop, and its
// outer branches have no pair (their pressures overlap, but the liquid's Gibbs energy stays
// above the vapour's). No pair is printed; the request reports it.
TEST(SaturationCases, NoPairOnTheOuterBranchesIsReported) {
    FluidTable table(saturation_cases_path());
    ASSERT_TRUE(table.load("Ammonia"));
    EXPECT_TRUE(no_pair_on_outer_branches(405.0));
    const Written w = request(table, 405.0, 0.0, 0.0);
    EXPECT_EQ(w.status, 0);
    EXPECT_TRUE(w.markers.empty());
    EXPECT_EQ(w.records, (std::vector<std::string>{
                             " x_maxwel: Error at the calculation in the near of Tc!            0",
                             " x_pvt   : Error at Routine x_maxwel!           99"}));
    EXPECT_FALSE(no_pair_on_outer_branches(404.0));
    EXPECT_EQ(request(table, 404.0, 0.0, 0.0).markers, kSaturatedPair);
}

// Mode 3 with a density inside the two-phase region next to the saturated vapour density: the
// two-phase block at the saturation temperature of the pressure, not a metastable row.
TEST(SaturationCases, Mode3NextToASaturatedDensityWritesTheBlock) {
    FluidTable table(saturation_cases_path());
    ASSERT_TRUE(table.load("Argon"));
    const Written w = request(table, 0.0, 5.3353, 3.58595);
    ASSERT_EQ(w.markers, kTwoPhaseBlock);
    EXPECT_EQ(temperature_text(w.rows[0]), "  143.000");
    EXPECT_EQ(density_text(w.rows[2]), "  5.3353");
}

// Mode 1 next to Tc decides the phase by the same pair as mode 4: a density just inside the
// saturated densities gives the two-phase block, one just outside a single row.
TEST(SaturationCases, Mode1NextToTcUsesThePairOfMode4) {
    FluidTable table(saturation_cases_path());
    for (const std::string& code : table.codes()) {
        ASSERT_TRUE(table.load(code)) << code;
        for (double t : {1e-3, 1e-4, 1e-5}) {
            const double T = SUBST_CONST.Tc * (1.0 - t);
            SCOPED_TRACE(testing::Message() << code << " T=" << T);
            double ps = 0, Dliq = 0, Dvap = 0;
            int32_t status = 0;
            X_MAXWEL(T, ps, Dliq, Dvap, status);
            if (status != 0) continue;  // no pair at this temperature (see above)
            const double width = Dliq - Dvap;
            for (double D : {Dvap + 0.01 * width, Dliq - 0.01 * width})
                EXPECT_EQ(request(table, T, D, 0.0).markers, kTwoPhaseBlock) << D;
            for (double D : {Dvap - 0.01 * width, Dliq + 0.01 * width})
                EXPECT_EQ(request(table, T, D, 0.0).markers, kSingleRow) << D;
        }
    }
}

// Room temperature CO2 just below Tc, R134a mode 5 next to Pc.
TEST(SaturationCases, RequestsOnceUnansweredNextToTc) {
    FluidTable table(saturation_cases_path());
    ASSERT_TRUE(table.load("CO2"));
    for (double T : {300.8, 302.0, 303.3})
        EXPECT_EQ(request(table, T, 0.0, 0.0).markers, kSaturatedPair) << T;
    EXPECT_EQ(request(table, 302.0, 0.0, 5.0).markers, kSingleRow);
    ASSERT_TRUE(table.load("R134a"));
    for (double p : {3.70, 3.721, 4.06})
        EXPECT_EQ(request(table, 0.0, 0.0, p).markers, kSaturatedPair) << p;
}

// Low temperatures: propane from its triple point answers in modes 4, 5 and 2, and a request
// whose vapour lies below the lowest density the residual part accepts writes one record of it
// to the status file, not one per evaluation.
TEST(SaturationCases, LowTemperatureRequestsAnswerWithFewRecords) {
    FluidTable table(saturation_cases_path());
    ASSERT_TRUE(table.load("Propane"));
    const Written mode4 = request(table, 86.0, 0.0, 0.0);
    EXPECT_EQ(mode4.markers, kSaturatedPair);
    ASSERT_EQ(mode4.records.size(), 1u);
    EXPECT_EQ(mode4.records[0].rfind(" Fehler bei der Uebergabe, Dichte=", 0), 0u);
    for (double T : {86.0, 110.0}) {
        SCOPED_TRACE(T);
        const Written sat = request(table, T, 0.0, 0.0);
        EXPECT_EQ(sat.markers, kSaturatedPair);
        const double ps = TD_PROPS.p;
        EXPECT_EQ(request(table, 0.0, 0.0, ps).markers, kSaturatedPair);
        EXPECT_EQ(request(table, T, 0.0, 1.0).markers, kSingleRow);
        EXPECT_EQ(request(table, T, 0.0, 0.5 * ps).markers, kSingleRow);
        EXPECT_LE(sat.records.size(), 3u);
    }
}

}  // namespace
