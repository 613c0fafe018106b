#include "solve/stages.h"

#include <algorithm>
#include <cstdio>

#include "base/log.h"
#include "solve/joint_fit.h"
#include "solve/parallel.h"
#include "solve/physics_check.h"
#include "solve/selection.h"
#include "solve/starts.h"

namespace fit {

namespace {

// Threads of the joint fits of a set's coefficients: one when every run must give the same
// digits (the solver's sums would otherwise follow the threads' order).
int set_threads(const Settings& settings) {
    return settings.deterministic ? 1 : settings.threads;
}

// Physics checks with joint fits at the end of a set's search, at most.
constexpr int kFinalChecks = 5;
// A training fluid with more than this many times the median cost is an outlier.
constexpr double kOutlier = 5.0;

void log_cases(const std::vector<FluidCase*>& cases, const Model& model) {
    for (FluidCase* c : cases) {
        char buf[200];
        std::vector<FluidCase*> one{c};
        std::snprintf(buf, sizeof buf,
                      "    %-10s t=%.4f d=%.4f alpha=%.4f q2=%.4f dp=%.4f cost=%.4g",
                      c->fluid->code.c_str(), c->p.t, c->p.d, c->p.alpha, c->p.q2, c->p.dp,
                      total_cost(one, model));
        log_line(buf);
    }
}

// Physics checks of the cases on the worker threads (guard rows added where they fail);
// returns the number of offending states.
int check_all(const std::vector<FluidCase*>& cases, const Model& model, const Settings& settings) {
    std::vector<int> bad(cases.size(), 0);
    parallel_for(settings.threads, cases.size(), [&](size_t i) {
        bad[i] = physics_check(*cases[i], model, true, settings.verbose_check);
    });
    int sum = 0;
    for (int b : bad) sum += b;
    return sum;
}

// Fluids whose data the set cannot follow together with the others (a cost far above the
// typical training fluid's after the first joint fit) leave its training: fitted alone
// afterwards, they do not pull the shared coefficients away from the rest.
void drop_outliers(std::vector<FluidCase*>& train, const Model& model) {
    if (train.size() < 4) return;
    std::vector<double> cost;
    for (FluidCase* c : train) cost.push_back(total_cost({c}, model));
    std::vector<double> sorted = cost;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::vector<FluidCase*> kept;
    for (size_t i = 0; i < train.size(); ++i) {
        if (cost[i] > kOutlier * median) {
            log_line("  " + train[i]->fluid->code + " leaves the training (cost " +
                     std::to_string(cost[i]) + ")");
            train[i]->trains = false;
            continue;
        }
        kept.push_back(train[i]);
    }
    train = kept;
}

// One set's search. With polish the set's current terms are the start of the exchange passes
// instead of a greedy selection from scratch.
void stage(std::vector<FluidCase>& cases, FitState& state, SetKind set, int nterms, int rounds,
           bool polish, const Settings& settings) {
    const int iterations = settings.search.joint_iterations;
    const int threads = settings.threads;
    const int coeff_threads = set_threads(settings);
    const int s = static_cast<int>(set);
    std::vector<FluidCase*> train = select_cases(cases, set, true);
    char buf[160];
    std::snprintf(buf, sizeof buf, "stage %d: %zu training fluids, %d terms", s, train.size(),
                  nterms);
    log_line(buf);
    Model& model = state.model;
    const std::vector<Term> bank = candidate_bank(set);
    std::vector<int> selected;
    // the saturated-liquid rows follow the equation: weighed anew before every joint fit that
    // follows a change of the coefficients or parameters (from the first fit of a search on)
    weigh_liquid_rows(train, model, threads);
    if (polish) {
        selected = current_selection(model, set, bank);
    } else {
        model.terms[s].clear();
        model.coeff[s].clear();
        if (set != SetKind::Fa) joint_fit(train, model, set, false, iterations);
        LinearSystem sys = build_system(train, model, set, bank, threads);
        selected = greedy_select(sys.A, sys.b, nterms, {});
        use_selection(sys, selected, bank, model, set);
        std::snprintf(buf, sizeof buf, "  greedy: cost %.6g", total_cost(train, model));
        log_line(buf);
        joint_fit(train, model, set, true, iterations, coeff_threads);
        drop_outliers(train, model);
    }
    for (int round = 0; round < rounds; ++round) {
        weigh_liquid_rows(train, model, threads);
        joint_fit(train, model, set, true, iterations, coeff_threads);
        int bad = 0;
        bad += check_all(train, model, settings);
        LinearSystem sys = build_system(train, model, set, bank, threads);
        int ex = 0;
        for (int pass = 0; pass < 2; ++pass) {
            const int e = exchange_pass(sys.A, sys.b, selected);
            ex += e;
            if (e == 0) break;
        }
        use_selection(sys, selected, bank, model, set);
        std::snprintf(buf, sizeof buf, "  round %d: %d guard states, %d exchanges, cost %.6g",
                      round + 1, bad, ex, total_cost(train, model));
        log_line(buf);
    }
    weigh_liquid_rows(train, model, threads);
    const std::vector<Params> peers = params_of(train);
    parallel_for(threads, train.size(),
                 [&](size_t i) { multi_start(*train[i], peers, model, set, iterations); });
    weigh_liquid_rows(train, model, threads);
    joint_fit(train, model, set, true, iterations, coeff_threads);
    for (int extra = 0; extra < kFinalChecks; ++extra) {
        int bad = 0;
        bad += check_all(train, model, settings);
        std::snprintf(buf, sizeof buf, "  final check %d: %d guard states", extra + 1, bad);
        log_line(buf);
        if (bad == 0) break;
        joint_fit(train, model, set, true, iterations, coeff_threads);
    }
    log_cases(train, model);
    std::vector<FluidCase*> others = select_cases(cases, set, false);
    const std::vector<Params> trained = params_of(train);
    parallel_for(threads, others.size(), [&](size_t i) {
        FluidCase* c = others[i];
        std::vector<FluidCase*> one{c};
        weigh_liquid_rows(*c, model);
        joint_fit(one, model, set, false, iterations);
        multi_start(*c, trained, model, set, iterations);
        weigh_liquid_rows(*c, model);
        for (int extra = 0; extra < 3 && physics_check(*c, model, true, settings.verbose_check) > 0;
             ++extra)
            joint_fit(one, model, set, false, iterations);
    });
    log_cases(others, model);
}

}  // namespace

FitState search(const std::vector<Fluid>& fluids, const Settings& settings) {
    FitState state;
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    for (int s = 0; s < settings.search.stages; ++s) {
        stage(cases, state, static_cast<SetKind>(s), settings.search.terms[s],
              settings.search.rounds, false, settings);
        store_params(cases, state);
    }
    return state;
}

void polish(const std::vector<Fluid>& fluids, FitState& state, const Settings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    for (int s = 0; s < 3; ++s) {
        const int nterms = static_cast<int>(state.model.terms[s].size());
        stage(cases, state, static_cast<SetKind>(s), nterms, settings.polish_rounds, true,
              settings);
        store_params(cases, state);
    }
}

void refine(const std::vector<Fluid>& fluids, FitState& state, int iterations,
            const Settings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    for (int s = 0; s < 3; ++s) {
        const SetKind set = static_cast<SetKind>(s);
        std::vector<FluidCase*> train = select_cases(cases, set, true);
        joint_fit(train, state.model, set, true, iterations, set_threads(settings));
        const std::vector<FluidCase*> others = select_cases(cases, set, false);
        parallel_for(settings.threads, others.size(), [&](size_t i) {
            weigh_liquid_rows(*others[i], state.model);
            std::vector<FluidCase*> one{others[i]};
            joint_fit(one, state.model, set, false, iterations);
        });
    }
    store_params(cases, state);
    std::vector<int> bad(cases.size(), 0);
    parallel_for(settings.threads, cases.size(), [&](size_t i) {
        bad[i] = physics_check(cases[i], state.model, false, settings.verbose_check);
    });
    for (size_t i = 0; i < cases.size(); ++i)
        if (bad[i] > 0)
            log_line("  physics check: " + cases[i].fluid->code + " " + std::to_string(bad[i]) +
                     " states");
}

}  // namespace fit
