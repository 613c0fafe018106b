#include "solve/tuning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"
#include "solve/joint_fit.h"
#include "solve/measure.h"
#include "solve/own_fit.h"
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
// Iterations of a plain fit from one start.
constexpr int kPlainIterations = 60;
// The minima of a plain fit's starts ranked by their figures: those within this factor of the
// lowest cost, at most this many, each in a basin of its own (parameters apart by more than
// kSameBasin).
constexpr double kNearMinimum = 2.0;
constexpr size_t kRankedMinima = 3;
constexpr double kSameBasin = 1e-3;

// A choice's figures as the rank sees them: measured by the model, held to the ps and D'' the
// table has given for the fluid.
FluidAccuracy ranked_figures(const Model& model, const FluidCase& c, const Params& p,
                             bool verbose) {
    FluidAccuracy a = model_figures(model, *c.fluid, p, verbose);
    a.held = c.held;
    return a;
}

struct Minimum {
    double cost;
    Params p;
};

bool same_basin(const Params& a, const Params& b) {
    return std::fabs(a.t - b.t) < kSameBasin && std::fabs(a.d - b.d) < kSameBasin &&
           std::fabs(a.alpha - b.alpha) < kSameBasin && std::fabs(a.q2 - b.q2) < kSameBasin &&
           std::fabs(a.dp - b.dp) < kSameBasin;
}

// Plain parameter fit of a fluid with the given free parameters from the starts of its class
// (solve/starts.h). The objective alone may prefer a basin whose figures are worse (a polar
// parameter switched off, say), so the distinct minima near the lowest cost are ranked by their
// figures, and the best ranked is kept.
Params plain_fit(FluidCase c, const Model& model, unsigned shape, const StartPool& pool,
                 bool verbose) {
    c.free = shape;
    const Params own = restrict_to(*c.fluid, c.p, shape);
    std::vector<Minimum> minima;
    Model m = model;
    for (const Params& start : plain_starts(c, model, shape, own, pool)) {
        c.p = start;
        std::vector<FluidCase*> one{&c};
        const double cost = joint_fit(one, m, SetKind::Fa, false, kPlainIterations);
        if (std::isfinite(cost)) minima.push_back({cost, c.p});
    }
    if (minima.empty()) return own;
    std::stable_sort(minima.begin(), minima.end(),
                     [](const Minimum& a, const Minimum& b) { return a.cost < b.cost; });
    std::vector<Params> near;
    for (const Minimum& mm : minima) {
        if (near.size() == kRankedMinima || mm.cost > kNearMinimum * minima[0].cost) break;
        if (std::none_of(near.begin(), near.end(),
                         [&](const Params& p) { return same_basin(p, mm.p); }))
            near.push_back(mm.p);
    }
    if (near.size() == 1) return near[0];
    Params best = near[0];
    double best_rank = 1e300;
    for (const Params& p : near) {
        const double rank = score(ranked_figures(model, c, p, verbose));
        if (rank < best_rank) {
            best_rank = rank;
            best = p;
        }
    }
    return best;
}

// The plain fit with the saturated-liquid rows weighed at it: one more local fit after the
// rows are weighed anew, and the rows weighed at its result (as make_case weighs them from the
// stored parameters, so that the weighted fits here are those of make data).
Params settle(FluidCase& c, const Model& model, unsigned shape, const Params& plain) {
    c.free = shape;
    c.p = plain;
    weigh_liquid_rows(c, model);
    std::vector<FluidCase*> one{&c};
    Model m = model;
    joint_fit(one, m, SetKind::Fa, false, kPlainIterations);
    weigh_liquid_rows(c, model);
    return c.p;
}

}  // namespace

Choice reweight(FluidCase& c, const Model& model, unsigned shape, int rounds, const StartPool& pool,
                bool verbose) {
    Choice best;
    best.shape = shape;
    best.plain = plain_fit(c, model, shape, pool, verbose);
    // guard rows where the plain fit breaks the physics, and the fit again with them
    for (int pass = 0; pass < kGuardPasses; ++pass) {
        FluidCase checked = c;
        checked.p = best.plain;
        if (physics_check(checked, model, true, verbose) == 0) break;
        c.rows = checked.rows;
        c.p = best.plain;
        best.plain = plain_fit(c, model, shape, pool, verbose);
    }
    best.plain = settle(c, model, shape, best.plain);
    FluidAccuracy a = ranked_figures(model, c, best.plain, verbose);
    best.score = score(a);
    best.ratios = target_ratios(a);
    Weights w = UNIT_WEIGHTS, r = best.ratios;
    for (int round = 0; round < rounds && best.score >= MISSED; ++round) {
        for (int k = 0; k < WEIGHT_GROUPS; ++k) w[k] = next_weight(w[k], r[k]);
        FluidCase wc = c;
        wc.free = shape;
        wc.p = best.plain;
        fit_weighted(wc, model, w);
        a = ranked_figures(model, c, wc.p, verbose);
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
    weigh_liquid_rows(c, model);
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

// The fluid's 8-point fit as a choice of its own, ranked on the full rows by the model; a choice
// that cannot win where the fluid has no 8-point subset.
Choice eight_point_choice(const FluidCase& c, const Model& model, const std::vector<Params>& peers,
                          const Settings& settings) {
    Choice ch;
    ParamChoice fit;
    const Fluid& f = *c.fluid;
    const OwnData own{f, std::vector<bool>(f.sat.size(), true)};
    if (!eight_point_fit(own, model, peers, settings, fit)) return ch;
    ch.shape = fit.free;
    ch.plain = fit.p;
    const FluidAccuracy a = ranked_figures(model, c, fit.p, settings.verbose_check);
    ch.score = score(a);
    ch.ratios = target_ratios(a);
    return ch;
}

// The best shape and weights of one fluid: its own parameter set first, a shape parameter taken
// only where it ranks better; the fluid's 8-point fit is a start of every shape and a choice of
// its own.
Choice choose(FluidCase& c, const Model& model, int rounds, const StartPool& pool,
              const Choice& eight_point, bool verbose) {
    Choice best;
    best.shape = c.free;
    best.plain = c.p;
    for (unsigned shape : shape_variants(*c.fluid)) {
        const Choice ch = reweight(c, model, shape, rounds, pool, verbose);
        if (ch.score < best.score - (shape == c.free ? 0.0 : 1.0)) best = ch;
        if (best.score < MISSED && shape == c.free) break;
    }
    if (eight_point.score < best.score) {
        log_line("  " + c.fluid->code + ": the 8-point fit ranks best");
        best = eight_point;
    }
    if (best.score >= MISSED)
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

// The fluid's 8-point fit, kept for the report's comparison with the shipped choice.
void store_eight_point(FitState& state, const Fluid& f, const Choice& eight_point) {
    if (eight_point.score < 1e300)
        state.eight_point[f.code] = eight_point.plain;
    else
        state.eight_point.erase(f.code);
}

std::vector<Params> tuned_peers(const std::vector<FluidCase>& cases) {
    std::vector<Params> peers;
    for (const FluidCase& c : cases)
        if (tuned(*c.fluid)) peers.push_back(c.p);
    return peers;
}

// The starts of a fluid's choice: the peers, and its 8-point fit where it has one.
StartPool start_pool(const std::vector<Params>& peers, const Choice& eight_point) {
    StartPool pool{peers, {}};
    if (eight_point.score < 1e300) pool.eight_point.push_back(eight_point.plain);
    return pool;
}

// Choices of a fluid again after a physics check of the weighted parameters (those the table
// holds): guard rows at the states where they break it, as long as the check alone keeps the
// choice out of the table.
constexpr int kWeightedChecks = 6;
constexpr double kGuardTightening = 0.5;
// A new choice must rank better than the stored one by more than the rounding of the fits
// (which would only churn the table's digits); its ps and D'' count as no worse within the
// printed digits of the report (NO_WORSE).
constexpr double kScoreNoise = 1e-3;

}  // namespace

bool replaces_stored(const FluidAccuracy& now, const FluidAccuracy& stored) {
    if (!(score(now) < score(stored) - kScoreNoise)) return false;
    if (shipped(now) && !shipped(stored)) return true;
    if (now.held.any()) return keeps_held(now);
    if (misses_primary_met_by(stored, now)) return true;
    for (Measure m : {Measure::saturation_pressure, Measure::saturated_vapour})
        if (now.stat(m).avg() > stored.stat(m).avg() + NO_WORSE) return false;
    return true;
}

Held held_after(const FluidAccuracy& shipped_choice, const Held& held) {
    return {std::min(held.ps, shipped_choice.stat(Measure::saturation_pressure).avg()),
            std::min(held.dvap, shipped_choice.stat(Measure::saturated_vapour).avg())};
}

void tune(const std::vector<Fluid>& fluids, FitState& state, int rounds, int iterations,
          const Settings& settings) {
    // iterations: those of the joint fits before the reweighting
    state.weights.clear();
    state.shapes.clear();
    state.eight_point.clear();
    state.held.clear();  // measured on the sets that refine moves
    refine(fluids, state, iterations, settings);
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    std::vector<Choice> choices(cases.size()), eight(cases.size());
    const std::vector<Params> peers = tuned_peers(cases);
    parallel_for(settings.threads, cases.size(), [&](size_t i) {
        choices[i].shape = cases[i].free;
        choices[i].plain = cases[i].p;
        if (!tuned(*cases[i].fluid)) return;
        eight[i] = eight_point_choice(cases[i], state.model, peers, settings);
        choices[i] = choose(cases[i], state.model, rounds, start_pool(peers, eight[i]), eight[i],
                            settings.verbose_check);
    });
    int missed = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (!tuned(*cases[i].fluid)) continue;
        store_choice(state, cases[i], choices[i]);
        store_eight_point(state, *cases[i].fluid, eight[i]);
        if (choices[i].score >= MISSED) ++missed;
    }
    log_line("  tuned: " + std::to_string(missed) + " fluids miss a target");
}

std::vector<std::string> retune(const std::vector<Fluid>& fluids, FitState& state,
                                const std::vector<std::string>& codes, int rounds,
                                const Settings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    const bool verbose = settings.verbose_check;
    const std::vector<Params> peers = tuned_peers(cases);
    const bool all = codes.size() == 1 && codes[0] == "all";
    std::vector<size_t> picked;
    for (size_t i = 0; i < cases.size(); ++i)
        if (tuned(*cases[i].fluid) &&
            (all || std::find(codes.begin(), codes.end(), cases[i].fluid->code) != codes.end()))
            picked.push_back(i);
    std::vector<Choice> choices(picked.size()), eight(picked.size());
    std::vector<FluidAccuracy> stored(picked.size()), now(picked.size());
    parallel_for(settings.threads, picked.size(), [&](size_t k) {
        FluidCase& c = cases[picked[k]];
        const Model& model = state.model;
        stored[k] = ranked_figures(model, c, shipped_params(*c.fluid, state, settings), verbose);
        eight[k] = eight_point_choice(c, model, peers, settings);
        const StartPool pool = start_pool(peers, eight[k]);
        for (int check = 0; check < kWeightedChecks; ++check) {
            choices[k] = choose(c, model, rounds, pool, eight[k], verbose);
            FluidCase held = c;
            held.free = choices[k].shape;
            held.p = weighted_params(c, model, choices[k]);
            const int states = physics_check(held, model, true, verbose);
            log_line("  " + c.fluid->code + ": rank " + std::to_string(choices[k].score) +
                     " (stored " + std::to_string(score(stored[k])) + "), physics check " +
                     std::to_string(states) + " states");
            now[k] = ranked_figures(model, c, held.p, verbose);
            if (states == 0) break;
            // the guard rows (those just added and the earlier ones) are tightened for the
            // next choice
            for (Row& r : held.rows)
                if (r.kind == RowKind::guard) r.sigma *= kGuardTightening;
            c.rows = held.rows;
            // another choice is worth its time only where the check alone keeps it out
            if (!left_out_by_physics_only(now[k])) break;
        }
    });
    std::vector<std::string> changed;
    for (size_t k = 0; k < picked.size(); ++k) {
        const FluidCase& c = cases[picked[k]];
        store_eight_point(state, *c.fluid, eight[k]);
        if (!replaces_stored(now[k], stored[k])) continue;
        store_choice(state, c, choices[k]);
        if (shipped(now[k])) state.held[c.fluid->code] = held_after(now[k], c.held);
        changed.push_back(c.fluid->code);
    }
    log_line("  retuned: " + std::to_string(changed.size()) + " of " +
             std::to_string(picked.size()) + " fluids take a new choice");
    return changed;
}

}  // namespace fit
