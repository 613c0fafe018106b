#include "policy/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "policy/classes.h"

namespace fit {

namespace {

int figure_measured(Measure m) {
    for (int k = 0; k < FIGURE_COUNT; ++k)
        if (FIGURES[k].measure == m) return k;
    throw std::logic_error("no figure is measured so");
}

std::string percent(const char* what, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %.2f %%", what, v);
    return buf;
}

// The failures of the solves, then the figures above the given bounds, as texts.
template <class Bound>
std::vector<std::string> beyond(const FluidAccuracy& a, Bound bound) {
    std::vector<std::string> miss;
    if (a.sat_failures) miss.push_back("saturation failures");
    if (a.sat_conflicts) miss.push_back("second saturated pair");
    if (a.density_failures) miss.push_back("density failures");
    for (int k = 0; k < FIGURE_COUNT; ++k) {
        const double v = figure_value(a, k);
        if (!(v <= bound(FIGURES[k]))) miss.push_back(percent(FIGURES[k].name, v));
    }
    return miss;
}

}  // namespace

const char* row_kind_name(RowKind kind) {
    return ROW_KIND_NAMES[static_cast<int>(kind)];
}

double weight_factor(RowKind kind, const Weights& w) {
    double factor = 1.0;
    for (const Figure& f : FIGURES)
        if (f.rows & row_bits({kind})) factor *= w[f.weight];
    return factor;
}

void add(Stat& s, double v) {
    if (!std::isfinite(v)) return;
    s.sum += std::fabs(v);
    s.max = std::max(s.max, std::fabs(v));
    ++s.n;
}

Stat& FluidAccuracy::stat(Measure m) {
    return figure[figure_measured(m)];
}

const Stat& FluidAccuracy::stat(Measure m) const {
    return figure[figure_measured(m)];
}

double figure_value(const FluidAccuracy& a, int k) {
    switch (FIGURES[k].measure) {
        case Measure::critical_temperature:
            return std::fabs(a.dTc);
        case Measure::critical_pressure:
            return std::fabs(a.dpc);
        default:
            return a.figure[k].avg();
    }
}

double target_of(const Figure& f, FluidClass cls) {
    return f.target[static_cast<int>(cls)];
}

std::vector<std::string> missed_targets(const FluidAccuracy& a) {
    return beyond(a, [&](const Figure& f) { return target_of(f, a.cls); });
}

bool meets(const FluidAccuracy& a) {
    return missed_targets(a).empty();
}

bool meets_first_figures(const FluidAccuracy& a) {
    auto first = [](Measure m) {
        return m == Measure::saturation_pressure || m == Measure::saturated_liquid ||
               m == Measure::saturated_vapour || m == Measure::density ||
               m == Measure::isobaric_heat;
    };
    const auto target = [&](const Figure& f) {
        return first(f.measure) ? target_of(f, a.cls) : NO_TARGET;
    };
    return beyond(a, target).empty();
}

std::vector<std::string> left_out_reasons(const FluidAccuracy& a) {
    if (policy_of(a.cls).shipping == Shipping::own_targets) return missed_targets(a);
    std::vector<std::string> why = beyond(a, [](const Figure& f) { return f.bound; });
    if (a.guard_states)
        why.push_back("physics check: " + std::to_string(a.guard_states) + " states");
    return why;
}

bool shipped(const FluidAccuracy& a) {
    return left_out_reasons(a).empty();
}

bool left_out_by_physics_only(const FluidAccuracy& a) {
    FluidAccuracy sound = a;
    sound.guard_states = 0;
    return a.guard_states > 0 && shipped(sound);
}

std::string targets_text(const FluidAccuracy& a) {
    const std::vector<std::string> miss = missed_targets(a);
    if (miss.empty()) return "met";
    std::string text;
    for (const std::string& m : miss) text += (text.empty() ? "" : ", ") + m;
    return text;
}

namespace {

// The held figures of a choice with what is held of each (at least the printed digits, so that
// a held 0.00 % divides nothing by zero).
std::vector<std::pair<Measure, double>> held_figures(const FluidAccuracy& a) {
    std::vector<std::pair<Measure, double>> held;
    if (a.held.ps < NO_TARGET)
        held.emplace_back(Measure::saturation_pressure, std::max(a.held.ps, NO_WORSE));
    if (a.held.dvap < NO_TARGET)
        held.emplace_back(Measure::saturated_vapour, std::max(a.held.dvap, NO_WORSE));
    return held;
}

}  // namespace

double rank_value(const FluidAccuracy& a, int k) {
    if (FIGURES[k].measure != Measure::saturation_pressure || a.ps_below.n == 0)
        return figure_value(a, k);
    const Stat& ps = a.figure[k];
    return (ps.sum + a.ps_below.sum) / (ps.n + a.ps_below.n);
}

namespace {

// The figures' ratios to their aims alone, what is held left aside: the excess over the targets
// and the closeness to them.
Weights aim_ratios(const FluidAccuracy& a) {
    Weights r{};
    for (int k = 0; k < FIGURE_COUNT; ++k)
        r[FIGURES[k].weight] = rank_value(a, k) / (AIM * target_of(FIGURES[k], a.cls));
    const int ps = FIGURES[figure_measured(Measure::saturation_pressure)].weight;
    if (a.sat_failures > 0) r[ps] = std::max(r[ps], 2.0);
    return r;
}

}  // namespace

Weights target_ratios(const FluidAccuracy& a) {
    Weights r = aim_ratios(a);
    for (const auto& [m, held] : held_figures(a)) {
        const int k = figure_measured(m);
        r[FIGURES[k].weight] = std::max(r[FIGURES[k].weight], figure_value(a, k) / held);
    }
    return r;
}

double held_excess(const FluidAccuracy& a) {
    double sum = 0;
    for (const auto& [m, held] : held_figures(a))
        sum += std::max(figure_value(a, figure_measured(m)) - held - NO_WORSE, 0.0) / held;
    return sum;
}

bool keeps_held(const FluidAccuracy& a) {
    return held_excess(a) == 0.0;
}

std::vector<std::string> over_held(const FluidAccuracy& a) {
    std::vector<std::string> over;
    for (const auto& [m, held] : held_figures(a)) {
        const int k = figure_measured(m);
        const double v = figure_value(a, k);
        if (!(v > held + NO_WORSE)) continue;
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s %.2f %% against %.2f %% held", FIGURES[k].name, v, held);
        over.push_back(buf);
    }
    return over;
}

double excess(const FluidAccuracy& a, Rank rank) {
    const Weights ratio = aim_ratios(a);
    double sum = 0;
    for (const Figure& f : FIGURES)
        if (f.rank == rank) sum += std::max(ratio[f.weight] * AIM - 1.0, 0.0);
    return sum;
}

double score(const FluidAccuracy& a) {
    const Weights ratio = aim_ratios(a);
    double closeness = 0;
    for (const Figure& f : FIGURES)
        if (f.rank == Rank::primary) closeness += std::min(ratio[f.weight] * AIM, 1.0);
    const double primary = excess(a, Rank::primary) + held_excess(a),
                 secondary = excess(a, Rank::secondary);
    double rank = PRIMARY * primary + CLOSENESS * (closeness + secondary);
    if (primary > 0 || secondary > 0) rank += MISSED;
    if (!shipped(a)) {
        rank += NOT_SHIPPED;
        if (a.guard_states > 0) rank += NOT_SHIPPED;
        if (a.sat_failures + a.density_failures > 0) rank += 2 * NOT_SHIPPED;
    }
    return rank;
}

bool misses_primary_met_by(const FluidAccuracy& a, const FluidAccuracy& b) {
    for (int k = 0; k < FIGURE_COUNT; ++k) {
        if (FIGURES[k].rank != Rank::primary) continue;
        const double target = target_of(FIGURES[k], a.cls);
        if (!(figure_value(a, k) <= target) && figure_value(b, k) <= target) return true;
    }
    return false;
}

double next_weight(double w, double ratio) {
    if (ratio > 1.0) return std::min(w * std::min(std::sqrt(ratio) * 1.2, 2.0), MAX_WEIGHT);
    return w;
}

}  // namespace fit
