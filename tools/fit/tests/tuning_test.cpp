// The ranking of the reweighting's results and its weight steps (policy/figures): a result that
// can be shipped ranks before one that cannot, then fewer missed targets, then the excess; a
// missed figure raises its group's weight by at most a factor 2 a round, to at most 12; and the
// weights divide the uncertainty of the rows behind each figure.
#include <gtest/gtest.h>

#include <cmath>

#include "model/rows.h"
#include "policy/figures.h"

namespace {

using namespace fit;

int weight_of(Measure m) {
    for (const Figure& f : FIGURES)
        if (f.measure == m) return f.weight;
    return -1;
}

// A nonpolar fluid whose figures all sit at 80 % of their targets: met and shipped.
FluidAccuracy within_targets() {
    FluidAccuracy a;
    a.cls = FluidClass::nonpolar;
    for (int k = 0; k < FIGURE_COUNT; ++k) {
        const double v = 0.8 * target_of(FIGURES[k], a.cls);
        if (FIGURES[k].measure == Measure::critical_temperature)
            a.dTc = -v;
        else if (FIGURES[k].measure == Measure::critical_pressure)
            a.dpc = v;
        else
            add(a.figure[k], v);
    }
    return a;
}

TEST(Tuning, WeightStepsRaiseAMissedFigureAtMostTwofoldAndTo12) {
    struct Step {
        double w, ratio, expected;
    } steps[] = {
        {1.0, 0.9, 1.0},                // met: unchanged
        {1.0, 1.0, 1.0},                // at the aim: unchanged
        {1.0, 1.21, 1.1 * 1.2},         // sqrt(ratio) 1.2-fold
        {3.0, 9.0, 6.0},                // far off: twofold
        {8.0, 9.0, MAX_WEIGHT},         // capped
        {MAX_WEIGHT, 4.0, MAX_WEIGHT},  // stays at the cap
    };
    for (const Step& s : steps)
        EXPECT_NEAR(next_weight(s.w, s.ratio), s.expected, 1e-12) << s.w << " " << s.ratio;
}

TEST(Tuning, RatiosStandInTheirWeightGroups) {
    FluidAccuracy a = within_targets();
    const Weights r = target_ratios(a);
    for (int k = 0; k < FIGURE_COUNT; ++k)
        EXPECT_NEAR(r[FIGURES[k].weight], 0.8 / AIM, 1e-12) << FIGURES[k].name;
    // a failed saturation counts as ps twice its aim at least
    a.sat_failures = 1;
    EXPECT_EQ(target_ratios(a)[weight_of(Measure::saturation_pressure)], 2.0);
}

TEST(Tuning, ScoreRanksShippableFirstThenMissedTargetsThenExcess) {
    const FluidAccuracy met = within_targets();
    EXPECT_TRUE(meets(met));
    EXPECT_EQ(score(met), 0.0);

    FluidAccuracy one_missed = met;  // ps 1.2 times its target, within the bounds of use
    one_missed.stat(Measure::saturation_pressure) = Stat{};
    add(one_missed.stat(Measure::saturation_pressure), 0.6);
    EXPECT_TRUE(shipped(one_missed));
    EXPECT_NEAR(score(one_missed), 100.2, 1e-9);

    FluidAccuracy two_missed = one_missed;  // and Tc 1.5 times
    two_missed.dTc = 0.45;
    EXPECT_NEAR(score(two_missed), 200.7, 1e-9);

    FluidAccuracy unsound = met;  // meets every target, but its physics check fails
    unsound.guard_states = 3;
    EXPECT_FALSE(shipped(unsound));
    EXPECT_EQ(score(unsound), 150.0 + 1000.0);

    FluidAccuracy failed = met;  // a failed saturation: ps missed, a failed solve, left out
    failed.sat_failures = 1;
    EXPECT_NEAR(score(failed), 100.0 + 0.7 + 300.0 + 1000.0, 1e-9);

    EXPECT_LT(score(two_missed), score(unsound));
    EXPECT_LT(score(one_missed), score(two_missed));
}

// Each row kind is divided by the weights of the figures it serves; the rows that serve none
// (energies, barriers, guards) keep their uncertainty.
TEST(Tuning, WeightsDivideTheRowsBehindEachFigure) {
    Weights w{};
    const double primes[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31};
    for (int k = 0; k < WEIGHT_GROUPS; ++k) w[k] = primes[k];
    auto group = [&](Measure m) { return w[weight_of(m)]; };
    const struct {
        RowKind kind;
        double factor;
    } cases[] = {
        {RowKind::sat_liq, group(Measure::saturation_pressure) * group(Measure::saturated_liquid)},
        {RowKind::sat_vap, group(Measure::saturation_pressure) * group(Measure::saturated_vapour)},
        {RowKind::sat_gibbs, group(Measure::saturation_pressure)},
        {RowKind::sat_hvap, group(Measure::vaporisation_enthalpy)},
        {RowKind::pvt_z, group(Measure::density)},
        {RowKind::pvt_cv, group(Measure::isobaric_heat)},
        {RowKind::pvt_dpdt, group(Measure::isobaric_heat)},
        {RowKind::pvt_dpdd, group(Measure::sound_speed)},
        {RowKind::crit_dp, group(Measure::critical_temperature)},
        {RowKind::crit_d2p, group(Measure::critical_temperature)},
        {RowKind::crit_z, group(Measure::critical_pressure)},
        {RowKind::pvt_u, 1.0},
        {RowKind::pvt_f, 1.0},
        {RowKind::barrier_z, 1.0},
        {RowKind::guard, 1.0},
    };
    for (const auto& c : cases) {
        std::vector<Row> rows(1);
        rows[0].kind = c.kind;
        rows[0].sigma = 1.0;
        apply_weights(rows, w);
        EXPECT_DOUBLE_EQ(rows[0].sigma, 1.0 / c.factor) << row_kind_name(c.kind);
    }
}

}  // namespace
