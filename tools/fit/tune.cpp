// Target-driven reweighting of the fit. Three or four parameters per fluid cannot meet every
// property of every fluid at once with equal weights; raising the weight of the rows behind a
// missed target moves the compromise of that fluid (and, through the shared coefficients, a
// little of the others) until its targets are met or the raise is capped.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "accuracy.h"
#include "phase.h"
#include "pipeline.h"
#include "table.h"

namespace fit {

void apply_weights(std::vector<Row>& rows, const Weights& w) {
    for (Row& r : rows) {
        double factor = 1.0;
        switch (r.kind) {
            case RowKind::sat_liq:
                factor = w[W_PS] * w[W_DLIQ];
                break;
            case RowKind::sat_vap:
                factor = w[W_PS] * w[W_DVAP];
                break;
            case RowKind::sat_gibbs:
                factor = w[W_PS];
                break;
            case RowKind::crit_dp:
            case RowKind::crit_d2p:
                factor = w[W_TC];
                break;
            case RowKind::crit_z:
                factor = w[W_PC];
                break;
            case RowKind::pvt_z:
                factor = w[W_DENSITY];
                break;
            default:
                break;
        }
        r.sigma /= factor;
    }
}

namespace {

// The targets of the accuracy report, aimed at with a margin for the rounding of the table.
constexpr double kAim = 0.85;
constexpr double kMaxWeight = 12.0;

bool tuned(const Fluid& f) {
    return f.cls != FluidClass::hbond;
}

// Ratio of each measured figure to its target (> 1: missed).
Weights target_ratios(const Model& model, const Fluid& f, const Params& p, const Weights& target) {
    Entry e;
    e.fluid = &f;
    e.p = p;
    e.Tc = f.Tc;
    e.Dc = f.Dc;
    e.Pc = f.pc;
    load_into_program(model, f, p);
    double Tc, Dc, Pc;
    if (critical_point(f.Tc, f.Dc, Tc, Dc, Pc)) {
        e.Tc = Tc;
        e.Dc = Dc;
        e.Pc = Pc;
    }
    const FluidAccuracy a = measure(model, e, own_saturation);
    const double figure[W_GROUPS] = {a.ps.avg(),       a.dliq.avg(),     a.dvap.avg(),
                                     std::fabs(a.dTc), std::fabs(a.dpc), a.d.avg()};
    Weights r;
    for (int k = 0; k < W_GROUPS; ++k) r[k] = figure[k] / (kAim * target[k]);
    if (a.sat_failures > 0) r[W_PS] = std::max(r[W_PS], 2.0);
    return r;
}

// New weight of a group from its figure/target ratio: raised by up to a factor 2 when missed.
double next_weight(double w, double ratio) {
    if (ratio > 1.0) return std::min(w * std::min(std::sqrt(ratio) * 1.2, 2.0), kMaxWeight);
    return w;
}

// Ranking of a result: number of targets missed, then the sum of the excess over the targets.
double score(const Weights& ratio) {
    double missed = 0, excess = 0;
    for (double r : ratio)
        if (r * kAim > 1.0) {
            missed += 1;
            excess += r * kAim - 1.0;
        }
    return missed * 100.0 + excess;
}

std::string ratio_text(const std::string& code, const Weights& r, const Weights& w) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "    %-10s ratios %.2f %.2f %.2f %.2f %.2f %.2f weights %.2f %.2f %.2f %.2f "
                  "%.2f %.2f",
                  code.c_str(), r[0] * kAim, r[1] * kAim, r[2] * kAim, r[3] * kAim, r[4] * kAim,
                  r[5] * kAim, w[0], w[1], w[2], w[3], w[4], w[5]);
    return buf;
}

}  // namespace

Weights library_targets() {
    return {0.5, 0.3, 1.0, 0.3, 2.0, 0.5};
}

TuneResult tune_case(FluidCase& c, Model& model, int rounds, const Weights& targets) {
    const Fluid& f = *c.fluid;
    const Params base = c.p;
    Weights w{1, 1, 1, 1, 1, 1};
    TuneResult best{w, base, 0.0, target_ratios(model, f, base, targets)};
    Weights r = best.ratios;
    best.score = score(r);
    for (int round = 0; round < rounds && best.score >= 100.0; ++round) {
        for (int k = 0; k < W_GROUPS; ++k) w[k] = next_weight(w[k], r[k]);
        c.p = base;
        fit_weighted(c, model, w);
        r = target_ratios(model, f, c.p, targets);
        const double sc = score(r);
        if (sc < best.score) best = {w, c.p, sc, r};
    }
    c.p = base;
    return best;
}

void tune(const std::vector<Fluid>& fluids, FitState& state, int rounds, int iterations) {
    // iterations: those of the joint fits before the reweighting
    state.weights.clear();
    refine(fluids, state, iterations);
    std::vector<FluidCase> cases = make_fit_cases(fluids, state);
    int missed = 0;
    for (FluidCase& c : cases) {
        const Fluid& f = *c.fluid;
        if (!tuned(f)) continue;
        const TuneResult best = tune_case(c, state.model, rounds, library_targets());
        // the stored parameters stay those of the plain fit: a refit reproduces the weighted
        // parameters from them
        if (best.weights != Weights{1, 1, 1, 1, 1, 1}) state.weights[f.code] = best.weights;
        if (best.score >= 100.0) {
            ++missed;
            log_line(ratio_text(f.code, best.ratios, best.weights));
        }
    }
    log_line("  tuned: " + std::to_string(missed) + " fluids miss a target");
}

}  // namespace fit
