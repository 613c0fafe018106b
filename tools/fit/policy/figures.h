// The figures by which a fluid's equation is judged, in one table: what each measures, its
// target per class, its bound of use, the group of weights that the reweighting raises for it
// and the kinds of rows behind it. The targets decide what is "met", the bounds of use what is
// shipped, and the same table ranks the reweighting's results. A new kind of target is one
// more row here (with its row kind) and its row builder in model/rows.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "fluid/fluid.h"

namespace fit {

// What each row of a fluid asks of the equation (with its short name in ROW_KIND_NAMES).
enum class RowKind {
    pvt_z,      // Z at a single-phase state
    pvt_u,      // T dF/dT there
    pvt_f,      // F there
    sat_liq,    // p(D') = ps
    sat_vap,    // p(D'') = ps
    sat_gibbs,  // equal Gibbs energy of the saturated phases
    crit_dp,    // dp/dD = 0 at the critical point
    crit_d2p,   // d2p/dD2 = 0 there
    crit_z,     // p = pc there
    barrier_z,  // the dense fluid: attraction and polar parts of Z - 1 small
    barrier_dz,
    guard,     // the physics check's bounds
    pvt_cv,    // residual isochoric heat capacity
    pvt_dpdd,  // (dp/dD)/(R T), from the speed of sound
    pvt_dpdt,  // (dp/dT)/(D R), from cp - cv
    sat_hvap,  // enthalpy of vaporisation
};
// The short names of the row kinds, in the order of RowKind, for the diagnostics.
// clang-format off
inline constexpr const char* ROW_KIND_NAMES[] = {
    "pvt_z", "pvt_u", "pvt_f", "liq", "vap", "gibbs", "cdp", "cd2p", "cz", "bz", "bdz", "guard",
    "cv", "dpdd", "dpdt", "hvap",
};
// clang-format on
constexpr int ROW_KINDS = static_cast<int>(std::size(ROW_KIND_NAMES));
const char* row_kind_name(RowKind kind);

// How a figure is measured (solve/measure.cpp): at the reference states, by the equation's own
// solves.
enum class Measure {
    saturation_pressure,    // average absolute deviation of ps over 0.5-0.95 Tc
    saturated_liquid,       // of D' there
    saturated_vapour,       // of D'' there
    vaporisation_enthalpy,  // of hvap there, against the Clausius-Clapeyron value
    density,                // of D at the reference (T, p) outside the critical region
    isobaric_heat,          // of cp there, where the data hold caloric values
    sound_speed,            // of w there
    critical_temperature,   // deviation of the fitted equation's Tc
    critical_pressure,      // of its pc
    rows,                   // of the values of the figure's own rows from their targets
};

constexpr int CLASS_COUNT = 4;  // FluidClass
// A figure that is not a target of a class.
constexpr double NO_TARGET = 1e9;

// How a figure ranks a choice (score): the primary figures' excess over their targets first,
// the secondary ones only against how close the primary figures come to their targets.
enum class Rank { primary, secondary };

struct Figure {
    const char* name;    // in the texts of missed targets ("ps 0.61 %")
    const char* column;  // its column in the report's summary by class
    Measure measure;
    std::array<double, CLASS_COUNT> target;  // %, per class in the order of FluidClass
    double bound;                            // bound of use, %
    Rank rank;
    int weight;     // its group of the stored weights
    unsigned rows;  // the kinds of rows behind it (row_bits)
};

constexpr unsigned row_bits(std::initializer_list<RowKind> kinds) {
    unsigned bits = 0;
    for (RowKind k : kinds) bits |= 1u << static_cast<int>(k);
    return bits;
}

// clang-format off
inline constexpr Figure FIGURES[] = {
    // name, column, how measured, target per class (nonpolar, quadrupolar, dipolar, hbond),
    // bound of use, rank, weight group, row kinds; in the order of the report's columns. The
    // ps weight acts on the vapour and equal-Gibbs rows, the D' weight alone on the liquid rows
    // (which hold D' at given pressure: model/rows.h).
    {"ps",   "ps %",     Measure::saturation_pressure,   {0.5, 0.5, 0.5, 2.0},       2.0,
     Rank::primary,   0, row_bits({RowKind::sat_vap, RowKind::sat_gibbs})},
    {"D'",   "D' %",     Measure::saturated_liquid,      {0.3, 0.3, 0.3, 1.0},       1.0,
     Rank::primary,   1, row_bits({RowKind::sat_liq})},
    {"D''",  "D'' %",    Measure::saturated_vapour,      {1.0, 1.0, 1.0, 3.0},       3.0,
     Rank::primary,   2, row_bits({RowKind::sat_vap})},
    {"D",    "D %",      Measure::density,               {1.0, 1.0, 1.0, 2.0},       2.0,
     Rank::primary,   5, row_bits({RowKind::pvt_z})},
    {"cp",   "cp %",     Measure::isobaric_heat,         {2.0, 2.0, 2.0, NO_TARGET}, 5.0,
     Rank::secondary, 6, row_bits({RowKind::pvt_cv, RowKind::pvt_dpdt})},
    {"w",    "w %",      Measure::sound_speed,           {2.0, 2.0, 2.0, NO_TARGET}, 5.0,
     Rank::secondary, 7, row_bits({RowKind::pvt_dpdd})},
    {"hvap", "hvap %",   Measure::vaporisation_enthalpy, {1.0, 1.0, 1.0, NO_TARGET}, 3.0,
     Rank::primary,   8, row_bits({RowKind::sat_hvap})},
    {"Tc",   "abs Tc %", Measure::critical_temperature,  {0.3, 0.3, 0.3, NO_TARGET}, 1.0,
     Rank::primary,   3, row_bits({RowKind::crit_dp, RowKind::crit_d2p})},
    {"pc",   "abs pc %", Measure::critical_pressure,     {2.0, 2.0, 2.0, NO_TARGET}, 5.0,
     Rank::primary,   4, row_bits({RowKind::crit_z})},
};
// clang-format on
constexpr int FIGURE_COUNT = static_cast<int>(std::size(FIGURES));

constexpr int weight_groups() {
    int n = 0;
    for (const Figure& f : FIGURES) n = f.weight + 1 > n ? f.weight + 1 : n;
    return n;
}
// The weights of a fluid's rows, one per group (the order of the stored weights).
constexpr int WEIGHT_GROUPS = weight_groups();
using Weights = std::array<double, WEIGHT_GROUPS>;
constexpr Weights unit_weights() {
    Weights w{};
    for (double& v : w) v = 1.0;
    return w;
}
inline constexpr Weights UNIT_WEIGHTS = unit_weights();

// The factor by which the weights of a row's groups divide its uncertainty.
double weight_factor(RowKind kind, const Weights& w);

// ---- The figures of one fluid ----------------------------------------------------------------

struct Stat {
    double sum = 0, max = 0;
    int n = 0;
    double avg() const { return n > 0 ? sum / n : 0.0; }
};

// Adds one deviation (%) to a statistic; a value that is not finite is left out.
void add(Stat& s, double v);

// The ps and D'' (AAD, %) that a shipped fluid's entry has given and that retune holds every
// new choice of the fluid to, so that the table never makes them worse; NO_TARGET where none is
// held (a fluid never shipped, a fluid added from its own data).
struct Held {
    double ps = NO_TARGET, dvap = NO_TARGET;
    bool any() const { return ps < NO_TARGET || dvap < NO_TARGET; }
};
// A figure counts as kept within the printed digits of the report.
constexpr double NO_WORSE = 0.005;

struct FluidAccuracy {
    std::string code;
    FluidClass cls = FluidClass::nonpolar;
    std::array<Stat, FIGURE_COUNT> figure;  // deviations of each figure (in the order of FIGURES)
    int sat_failures = 0, density_failures = 0;
    // temperatures where X_MAXWEL and the direct solve on the outermost branches differ
    int sat_conflicts = 0;
    int guard_states = 0;  // offending states of the physics check
    // ps at the saturation points below 0.5 Tc that the data give: the ranking counts them
    // with the figure's (rank_value), the report and the targets do not
    Stat ps_below;
    Held held;  // what the rank holds the choice's ps and D'' to
    double dTc = 0, dpc = 0, dDc = 0;
    std::vector<std::array<double, 4>> sat_dev;  // T/Tc, % ps, % D', % D''
    std::vector<std::array<double, 4>> curve;    // T/Tc, D'/Dc, D''/Dc, % ps
    std::vector<std::array<double, 2>> pvt_dev;  // T/Tc, % D

    // The deviations of the figure measured so.
    Stat& stat(Measure m);
    const Stat& stat(Measure m) const;
};

// The figure k of a fluid: its average absolute deviation, for Tc and pc the absolute deviation
// of the fitted equation's critical point.
double figure_value(const FluidAccuracy& a, int k);
double target_of(const Figure& f, FluidClass cls);

// The figures that miss their targets, as texts ("ps 0.61 %"), after the failed solves; empty
// when all are met.
std::vector<std::string> missed_targets(const FluidAccuracy& a);
bool meets(const FluidAccuracy& a);
// Whether the figures a user of the table looks at first (ps, D', D'', single-phase D and cp)
// meet their targets, the saturation and density solves without failure.
bool meets_first_figures(const FluidAccuracy& a);
// Why a fluid stays out of the shipped table, as texts, by its class's shipping rule: the
// figures that miss its own targets, or the failed solves, the figures beyond the bounds of use
// and the offending states of its physics check. Empty when the fluid is shipped.
std::vector<std::string> left_out_reasons(const FluidAccuracy& a);
bool shipped(const FluidAccuracy& a);
// Whether the physics check alone keeps the fluid out: its offending states are all that stands
// between it and the table.
bool left_out_by_physics_only(const FluidAccuracy& a);
// "met", or the missed targets' figures joined by commas.
std::string targets_text(const FluidAccuracy& a);

// ---- The rank of a choice ------------------------------------------------------------------
// One rank decides wherever a fluid's parameters are chosen: among the reweighting's rounds,
// the starts and shape parameters of tune, retune and add, and the 8-point fit, and so what is
// shipped.

// The targets are aimed at with a margin for the rounding of the table.
constexpr double AIM = 0.85;
// The value of figure k as the rank counts it: figure_value, except ps, whose deviations count
// over every given saturation point up to 0.95 Tc.
double rank_value(const FluidAccuracy& a, int k);
// Ratio of each figure's rank value to its aim (> 1: missed), per weight group; a failed
// saturation counts as a ps twice its aim at least, and ps and D'' at least as their ratios to
// what is held.
Weights target_ratios(const FluidAccuracy& a);
// Summed excess of ps and D'' over what is held, relative to it (0 when both are kept).
double held_excess(const FluidAccuracy& a);
bool keeps_held(const FluidAccuracy& a);
// The held figures exceeded, as texts ("D'' 0.63 % against 0.60 % held"); empty when kept.
std::vector<std::string> over_held(const FluidAccuracy& a);
// Summed excess of the figures of one rank over their targets (a figure at 1.2 times its
// target adds 0.2).
double excess(const FluidAccuracy& a, Rank rank);
// The rank of a choice, lower is better:
//   - one that cannot be shipped ranks after every one that can (NOT_SHIPPED; among those a
//     failed solve after a failed physics check after the rest);
//   - then the summed excess of the primary figures over their targets and of ps and D'' over
//     what is held (PRIMARY per unit);
//   - a choice that misses any target ranks at least MISSED, so that score < MISSED means
//     "every target met";
//   - then how close the primary figures come to their targets, the sum of their ratios to
//     them (each at most 1), and the summed excess of cp and w, both CLOSENESS per unit: cp and
//     w stay within their bounds of use by the shipping rule, and a w 0.02 % lower does not
//     buy a ps 0.3 % higher (a unit of either is a whole target: ps 0.5 % or w 2 %).
constexpr double MISSED = 100.0, PRIMARY = 100.0, NOT_SHIPPED = 1e4, CLOSENESS = 1.0;
double score(const FluidAccuracy& a);
// Whether `a` misses a primary target (as the report measures it) that `b` meets.
bool misses_primary_met_by(const FluidAccuracy& a, const FluidAccuracy& b);
// The weight of a group after a round with the given figure/aim ratio: raised by up to a factor
// 2 when the figure is missed, to at most MAX_WEIGHT.
constexpr double MAX_WEIGHT = 12.0;
double next_weight(double w, double ratio);

}  // namespace fit
