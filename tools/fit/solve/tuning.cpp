#include "solve/tuning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"
#include "solve/joint_fit.h"
#include "solve/measure.h"
#include "solve/parallel.h"
#include "solve/physics_check.h"
#include "solve/stages.h"
#include "solve/starts.h"

namespace fit {

namespace {

std::string ratio_text(const std::string& code, unsigned shape, const Weights& r,
                       const Weights& w) {
    std::string text = "    " + code + " shape " + std::to_string(shape) + " ratios";
    char buf[32];
    for (double v : r) {
        std::snprintf(buf, sizeof buf, " %.2f", v * AIM);
        text += buf;
    }
    text += " weights";
    for (double v : w) {
        std::snprintf(buf, sizeof buf, " %.2f", v);
        text += buf;
    }
    return text;
}

// Physics checks with guard rows after a fluid's plain fit, at most.
constexpr int kGuardPasses = 2;

// Plain parameter fit of a fluid with the given free parameters from the starts of its class
// (solve/starts.h); the best minimum.
Params plain_fit(FluidCase c, const Model& model, unsigned shape,
                 const std::vector<Params>& peers) {
    c.free = shape;
    const Params own = restrict_to(*c.fluid, c.p, shape);
    const std::vector<Params> starts = plain_starts(c, model, shape, own, peers);
    Params best = own;
    double best_cost = 1e300;
    Model m = model;
    for (const Params& start : starts) {
        c.p = start;
        std::vector<FluidCase*> one{&c};
        const double cost = joint_fit(one, m, SetKind::Fa, false, 60);
        if (cost < best_cost) {
            best_cost = cost;
            best = c.p;
        }
    }
    return best;
}

}  // namespace

Choice reweight(FluidCase& c, const Model& model, unsigned shape, int rounds,
                const std::vector<Params>& peers, bool verbose) {
    Choice best;
    best.shape = shape;
    best.plain = plain_fit(c, model, shape, peers);
    // guard rows where the plain fit breaks the physics, and the fit again with them
    for (int pass = 0; pass < kGuardPasses; ++pass) {
        FluidCase checked = c;
        checked.p = best.plain;
        if (physics_check(checked, model, true, verbose) == 0) break;
        c.rows = checked.rows;
        c.p = best.plain;
        best.plain = plain_fit(c, model, shape, peers);
    }
    FluidAccuracy a = model_figures(model, *c.fluid, best.plain, verbose);
    best.score = score(a);
    best.ratios = target_ratios(a);
    Weights w = UNIT_WEIGHTS, r = best.ratios;
    for (int round = 0; round < rounds && best.score >= 100.0; ++round) {
        for (int k = 0; k < WEIGHT_GROUPS; ++k) w[k] = next_weight(w[k], r[k]);
        FluidCase wc = c;
        wc.free = shape;
        wc.p = best.plain;
        fit_weighted(wc, model, w);
        a = model_figures(model, *c.fluid, wc.p, verbose);
        r = target_ratios(a);
        const double sc = score(a);
        if (sc < best.score) {
            best.score = sc;
            best.weights = w;
            best.ratios = r;
        }
    }
    return best;
}

Params weighted_params(FluidCase c, const Model& model, const Choice& ch) {
    c.free = ch.shape;
    c.p = ch.plain;
    if (ch.weights != UNIT_WEIGHTS) fit_weighted(c, model, ch.weights);
    return c.p;
}

Params shipped_params(const Fluid& f, const FitState& state, const Settings& settings) {
    FluidCase c = make_case(f, state, settings);
    auto w = state.weights.find(f.code);
    if (w != state.weights.end()) fit_weighted(c, state.model, w->second);
    return c.p;
}

namespace {

// The best shape and weights of one fluid: its own parameter set first, a shape parameter taken
// only where it scores better.
Choice choose(FluidCase& c, const Model& model, int rounds, const std::vector<Params>& peers,
              bool verbose) {
    Choice best;
    best.shape = c.free;
    best.plain = c.p;
    for (unsigned shape : shape_variants(*c.fluid)) {
        const Choice ch = reweight(c, model, shape, rounds, peers, verbose);
        if (ch.score < best.score - (shape == c.free ? 0.0 : 1.0)) best = ch;
        if (best.score < 100.0 && shape == c.free) break;
    }
    if (best.score >= 100.0)
        log_line(ratio_text(c.fluid->code, best.shape, best.ratios, best.weights));
    return best;
}

// The stored parameters are those of the plain fit: a refit reproduces the weighted parameters
// from them.
void store_choice(FitState& state, const FluidCase& c, const Choice& ch) {
    const std::string& code = c.fluid->code;
    state.params[code] = ch.plain;
    state.guards[code] = guard_rows(c);
    state.shapes.erase(code);
    state.weights.erase(code);
    if (ch.shape != free_params(*c.fluid)) state.shapes[code] = ch.shape;
    if (ch.weights != UNIT_WEIGHTS) state.weights[code] = ch.weights;
}

std::vector<Params> tuned_peers(const std::vector<FluidCase>& cases) {
    std::vector<Params> peers;
    for (const FluidCase& c : cases)
        if (tuned(*c.fluid)) peers.push_back(c.p);
    return peers;
}

// Choices of a fluid again after a physics check of the weighted parameters (those the table
// holds): guard rows at the states where they break it.
constexpr int kWeightedChecks = 6;
constexpr double kGuardTightening = 0.5;
constexpr double kScoreNoise = 1e-3;

}  // namespace

void tune(const std::vector<Fluid>& fluids, FitState& state, int rounds, int iterations,
          const Settings& settings) {
    // iterations: those of the joint fits before the reweighting
    state.weights.clear();
    state.shapes.clear();
    refine(fluids, state, iterations, settings);
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    std::vector<Choice> choices(cases.size());
    const std::vector<Params> peers = tuned_peers(cases);
    parallel_for(settings.threads, cases.size(), [&](size_t i) {
        choices[i].shape = cases[i].free;
        choices[i].plain = cases[i].p;
        if (tuned(*cases[i].fluid))
            choices[i] = choose(cases[i], state.model, rounds, peers, settings.verbose_check);
    });
    int missed = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (!tuned(*cases[i].fluid)) continue;
        store_choice(state, cases[i], choices[i]);
        if (choices[i].score >= 100.0) ++missed;
    }
    log_line("  tuned: " + std::to_string(missed) + " fluids miss a target");
}

void retune(const std::vector<Fluid>& fluids, FitState& state,
            const std::vector<std::string>& codes, int rounds, const Settings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    const bool verbose = settings.verbose_check;
    const std::vector<Params> peers = tuned_peers(cases);
    const bool all = codes.size() == 1 && codes[0] == "all";
    std::vector<size_t> picked;
    for (size_t i = 0; i < cases.size(); ++i)
        if (tuned(*cases[i].fluid) &&
            (all || std::find(codes.begin(), codes.end(), cases[i].fluid->code) != codes.end()))
            picked.push_back(i);
    std::vector<Choice> choices(picked.size());
    std::vector<double> stored_score(picked.size());
    parallel_for(settings.threads, picked.size(), [&](size_t k) {
        FluidCase& c = cases[picked[k]];
        const Params stored = shipped_params(*c.fluid, state, settings);
        stored_score[k] = score(model_figures(state.model, *c.fluid, stored, verbose));
        for (int check = 0; check < kWeightedChecks; ++check) {
            choices[k] = choose(c, state.model, rounds, peers, verbose);
            FluidCase held = c;
            held.free = choices[k].shape;
            held.p = weighted_params(c, state.model, choices[k]);
            const int states = physics_check(held, state.model, true, verbose);
            log_line("  " + c.fluid->code + ": score " + std::to_string(choices[k].score) +
                     " (stored " + std::to_string(stored_score[k]) + "), physics check " +
                     std::to_string(states) + " states");
            if (states == 0) break;
            // the guard rows (those just added and the earlier ones) are tightened for the
            // next choice
            for (Row& r : held.rows)
                if (r.kind == RowKind::guard) r.sigma *= kGuardTightening;
            c.rows = held.rows;
        }
    });
    // a fluid keeps its stored choice unless the new one scores better by more than the
    // rounding of the fits (which would only churn the table's digits)
    int better = 0;
    for (size_t k = 0; k < picked.size(); ++k) {
        if (choices[k].score >= stored_score[k] - kScoreNoise) continue;
        store_choice(state, cases[picked[k]], choices[k]);
        ++better;
    }
    log_line("  retuned: " + std::to_string(better) + " of " + std::to_string(picked.size()) +
             " fluids score better");
}

}  // namespace fit
