// Target-driven reweighting and shape parameters of the fit. Three to five parameters per fluid
// cannot meet every property of every fluid at once with equal weights; raising the weight of
// the rows behind a missed target moves the compromise of that fluid until its targets are met
// or the raise is capped. A fluid may also take the polar parameters its class does not use
// as shape parameters, where that meets more of its targets.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "accuracy.h"
#include "parallel.h"
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
            case RowKind::pvt_cv:
            case RowKind::pvt_dpdt:
                factor = w[W_CP];
                break;
            case RowKind::pvt_dpdd:
                factor = w[W_W];
                break;
            case RowKind::sat_hvap:
                factor = w[W_HVAP];
                break;
            default:
                break;
        }
        r.sigma /= factor;
    }
}

namespace {

// The targets are aimed at with a margin for the rounding of the table.
constexpr double kAim = 0.85;
constexpr double kMaxWeight = 12.0;
// Added to the score of a result that could not go into the shipped table at all.
constexpr double kNotShipped = 1000.0;

double target_of(const Targets& t, int group) {
    const double v[W_GROUPS] = {t.ps, t.dliq, t.dvap, t.Tc, t.pc, t.d, t.cp, t.w, t.hvap};
    return v[group];
}

// The figures of a fluid under the model with the given parameters, its critical point being
// that of the equation.
FluidAccuracy figures(const Model& model, const Fluid& f, const Params& p) {
    Entry e;
    e.fluid = &f;
    e.p = p;
    e.Tc = f.Tc;
    e.Dc = f.Dc;
    e.Pc = f.pc;
    const Eos eos(model, f, p);
    double Tc, Dc, Pc;
    if (critical_point(eos, f.Tc, f.Dc, Tc, Dc, Pc)) {
        e.Tc = Tc;
        e.Dc = Dc;
        e.Pc = Pc;
    }
    return measure(eos, model, e, own_saturation);
}

// Ratio of each measured figure to its aim (> 1: missed).
Weights target_ratios(const FluidAccuracy& a) {
    const double figure[W_GROUPS] = {a.ps.avg(),       a.dliq.avg(),     a.dvap.avg(),
                                     std::fabs(a.dTc), std::fabs(a.dpc), a.d.avg(),
                                     a.cp.avg(),       a.w.avg(),        a.hvap.avg()};
    const Targets& t = targets_for(a.cls);
    Weights r;
    for (int k = 0; k < W_GROUPS; ++k) r[k] = figure[k] / (kAim * target_of(t, k));
    if (a.sat_failures > 0) r[W_PS] = std::max(r[W_PS], 2.0);
    return r;
}

// New weight of a group from its figure/aim ratio: raised by up to a factor 2 when missed.
double next_weight(double w, double ratio) {
    if (ratio > 1.0) return std::min(w * std::min(std::sqrt(ratio) * 1.2, 2.0), kMaxWeight);
    return w;
}

// Ranking of a result: whether it can be shipped at all, then the number of targets missed,
// then the sum of the excess over the targets, then the physics check; a failed saturation
// counts as missed targets.
double score(const FluidAccuracy& a) {
    const Weights ratio = target_ratios(a);
    double missed = 0, excess = 0;
    for (double r : ratio)
        if (r * kAim > 1.0) {
            missed += 1;
            excess += r * kAim - 1.0;
        }
    return missed * 100.0 + excess + (a.guard_states > 0 ? 150.0 : 0.0) +
           (a.sat_failures + a.density_failures > 0 ? 300.0 : 0.0) +
           (shipped(a) ? 0.0 : kNotShipped);
}

std::string ratio_text(const std::string& code, unsigned shape, const Weights& r,
                       const Weights& w) {
    std::string text = "    " + code + " shape " + std::to_string(shape) + " ratios";
    char buf[32];
    for (double v : r) {
        std::snprintf(buf, sizeof buf, " %.2f", v * kAim);
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

// Start values of a plain fit taken from other fluids.
constexpr size_t kPeerStarts = 4;

// The parameters with those outside the set switched off (an anchor's fixed polar parameter
// stays).
Params restrict_to(const Fluid& f, Params p, unsigned shape) {
    if (!(shape & P_Q2) && f.code != "CO2") p.q2 = 0;
    if (!(shape & P_DP) && f.code != "R134a") p.dp = 0;
    return p;
}

// Plain parameter fit of a fluid with the given free parameters, from its own parameters, the
// reduced parameters of the peers closest in Alpha and of those of lowest cost for it, and from
// start points that switch on a polar parameter the fluid did not use; the best minimum.
Params plain_fit(FluidCase c, const Model& model, unsigned shape,
                 const std::vector<Params>& peers) {
    c.free = shape;
    const Params own = restrict_to(*c.fluid, c.p, shape);
    std::vector<Params> starts{own};
    // the reduced parameters of the peers closest in shape
    std::vector<Params> near = peers;
    std::sort(near.begin(), near.end(), [&](const Params& a, const Params& b) {
        return std::fabs(a.alpha - own.alpha) < std::fabs(b.alpha - own.alpha);
    });
    auto as_start = [&](const Params& peer) {
        Params p = restrict_to(*c.fluid, peer, shape);
        if (!(shape & P_T)) p.t = own.t;
        if (!(shape & P_ALPHA)) p.alpha = own.alpha;
        p.dc = own.dc;
        return p;
    };
    // (the fluid is one of its own peers: a start already taken is not fitted twice)
    auto take = [&](const Params& p) {
        if (std::find(starts.begin(), starts.end(), p) == starts.end()) starts.push_back(p);
    };
    for (size_t k = 0; k < near.size() && k < kPeerStarts; ++k) take(as_start(near[k]));
    // and the peers whose parameters already fit this fluid best, whatever their shape
    std::vector<Params> candidates;
    for (const Params& peer : peers) candidates.push_back(as_start(peer));
    for (const Params& p : lowest_cost_starts(c, model, candidates, kPeerStarts)) take(p);
    for (double v : {0.3, 1.0, 3.0}) {
        Params p = own;
        if ((shape & P_Q2) && p.q2 <= 0) p.q2 = v;
        if ((shape & P_DP) && p.dp <= 0) p.dp = v;
        if (p.q2 != own.q2 || p.dp != own.dp) take(p);
    }
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
                const std::vector<Params>& peers) {
    Choice best;
    best.shape = shape;
    best.plain = plain_fit(c, model, shape, peers);
    // guard rows where the plain fit breaks the physics, and the fit again with them
    for (int pass = 0; pass < kGuardPasses; ++pass) {
        FluidCase checked = c;
        checked.p = best.plain;
        if (physics_check(checked, model, true) == 0) break;
        c.rows = checked.rows;
        c.p = best.plain;
        best.plain = plain_fit(c, model, shape, peers);
    }
    FluidAccuracy a = figures(model, *c.fluid, best.plain);
    best.score = score(a);
    best.ratios = target_ratios(a);
    Weights w = kUnitWeights, r = best.ratios;
    Model m = model;
    for (int round = 0; round < rounds && best.score >= 100.0; ++round) {
        for (int k = 0; k < W_GROUPS; ++k) w[k] = next_weight(w[k], r[k]);
        FluidCase wc = c;
        wc.free = shape;
        wc.p = best.plain;
        fit_weighted(wc, m, w);
        a = figures(model, *c.fluid, wc.p);
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

namespace {

bool tuned(const Fluid& f) {
    return f.cls != FluidClass::hbond;
}

}  // namespace

namespace {

// The best shape and weights of one fluid: its own parameter set first, a shape parameter taken
// only where it scores better.
Choice choose(FluidCase& c, const Model& model, int rounds, const std::vector<Params>& peers) {
    Choice best;
    best.shape = c.free;
    best.plain = c.p;
    for (unsigned shape : shape_variants(*c.fluid)) {
        const Choice ch = reweight(c, model, shape, rounds, peers);
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
    auto& guards = state.guards[code];
    guards.clear();
    for (const Row& r : c.rows)
        if (r.kind == RowKind::guard) guards.push_back(r);
    state.shapes.erase(code);
    state.weights.erase(code);
    if (ch.shape != free_params(*c.fluid)) state.shapes[code] = ch.shape;
    if (ch.weights != kUnitWeights) state.weights[code] = ch.weights;
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

void tune(const std::vector<Fluid>& fluids, FitState& state, int rounds, int iterations) {
    // iterations: those of the joint fits before the reweighting
    state.weights.clear();
    state.shapes.clear();
    refine(fluids, state, iterations);
    std::vector<FluidCase> cases = make_fit_cases(fluids, state);
    std::vector<Choice> choices(cases.size());
    const std::vector<Params> peers = tuned_peers(cases);
    parallel_for(cases.size(), [&](size_t i) {
        choices[i].shape = cases[i].free;
        choices[i].plain = cases[i].p;
        if (tuned(*cases[i].fluid)) choices[i] = choose(cases[i], state.model, rounds, peers);
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
            const std::vector<std::string>& codes, int rounds) {
    std::vector<FluidCase> cases = make_fit_cases(fluids, state);
    const std::vector<Params> peers = tuned_peers(cases);
    const bool all = codes.size() == 1 && codes[0] == "all";
    std::vector<size_t> picked;
    for (size_t i = 0; i < cases.size(); ++i)
        if (tuned(*cases[i].fluid) &&
            (all || std::find(codes.begin(), codes.end(), cases[i].fluid->code) != codes.end()))
            picked.push_back(i);
    std::vector<Choice> choices(picked.size());
    std::vector<double> stored_score(picked.size());
    parallel_for(picked.size(), [&](size_t k) {
        FluidCase& c = cases[picked[k]];
        stored_score[k] = score(figures(state.model, *c.fluid, shipped_params(*c.fluid, state)));
        for (int check = 0; check < kWeightedChecks; ++check) {
            choices[k] = choose(c, state.model, rounds, peers);
            FluidCase held = c;
            held.free = choices[k].shape;
            held.p = choices[k].plain;
            Model m = state.model;
            if (choices[k].weights != kUnitWeights) fit_weighted(held, m, choices[k].weights);
            const int states = physics_check(held, state.model, true);
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
