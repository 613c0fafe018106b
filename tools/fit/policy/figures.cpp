#include "policy/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "policy/classes.h"

namespace fit {

namespace {

// A result that cannot go into the shipped table at all ranks after every one that can.
constexpr double kNotShipped = 1000.0;

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

std::string targets_text(const FluidAccuracy& a) {
    const std::vector<std::string> miss = missed_targets(a);
    if (miss.empty()) return "met";
    std::string text;
    for (const std::string& m : miss) text += (text.empty() ? "" : ", ") + m;
    return text;
}

Weights target_ratios(const FluidAccuracy& a) {
    Weights r{};
    for (int k = 0; k < FIGURE_COUNT; ++k)
        r[FIGURES[k].weight] = figure_value(a, k) / (AIM * target_of(FIGURES[k], a.cls));
    const int ps = FIGURES[figure_measured(Measure::saturation_pressure)].weight;
    if (a.sat_failures > 0) r[ps] = std::max(r[ps], 2.0);
    return r;
}

double score(const FluidAccuracy& a) {
    const Weights ratio = target_ratios(a);
    double missed = 0, excess = 0;
    for (double r : ratio)
        if (r * AIM > 1.0) {
            missed += 1;
            excess += r * AIM - 1.0;
        }
    return missed * 100.0 + excess + (a.guard_states > 0 ? 150.0 : 0.0) +
           (a.sat_failures + a.density_failures > 0 ? 300.0 : 0.0) +
           (shipped(a) ? 0.0 : kNotShipped);
}

double next_weight(double w, double ratio) {
    if (ratio > 1.0) return std::min(w * std::min(std::sqrt(ratio) * 1.2, 2.0), MAX_WEIGHT);
    return w;
}

}  // namespace fit
