#include "solve/sequence.h"

#include "base/log.h"
#include "policy/classes.h"
#include "solve/cases.h"
#include "solve/measure.h"
#include "solve/parallel.h"
#include "solve/stages.h"
#include "solve/tuning.h"

namespace fit {

namespace {

// The figures of every reweighted fluid's shipped parameters by the model (nothing for the
// others), on the worker threads.
std::vector<FluidAccuracy> shipped_figures(const std::vector<Fluid>& fluids, const FitState& state,
                                           const Settings& settings) {
    std::vector<FluidAccuracy> acc(fluids.size());
    parallel_for(settings.threads, fluids.size(), [&](size_t i) {
        if (!tuned(fluids[i])) return;
        acc[i] = model_figures(state.model, fluids[i], shipped_params(fluids[i], state, settings));
    });
    return acc;
}

std::string joined(const std::vector<std::string>& codes) {
    std::string text;
    for (const std::string& c : codes) text += " " + c;
    return text.empty() ? " none" : text;
}

}  // namespace

std::vector<std::string> fluids_missing_targets(const std::vector<Fluid>& fluids,
                                                const FitState& state, const Settings& settings) {
    const std::vector<FluidAccuracy> acc = shipped_figures(fluids, state, settings);
    std::vector<std::string> codes;
    for (size_t i = 0; i < fluids.size(); ++i)
        if (tuned(fluids[i]) && !(meets(acc[i]) && shipped(acc[i])))
            codes.push_back(fluids[i].code);
    return codes;
}

std::vector<std::string> fluids_left_out_by_physics(const std::vector<Fluid>& fluids,
                                                    const FitState& state,
                                                    const Settings& settings) {
    const std::vector<FluidAccuracy> acc = shipped_figures(fluids, state, settings);
    std::vector<std::string> codes;
    for (size_t i = 0; i < fluids.size(); ++i) {
        if (tuned(fluids[i]) && left_out_by_physics_only(acc[i]) &&
            state.guards.count(fluids[i].code))
            codes.push_back(fluids[i].code);
    }
    return codes;
}

FitState fit_sequence(const std::vector<Fluid>& fluids, const Settings& settings,
                      const std::function<void(const FitState&, const std::string&)>& save) {
    auto step = [&](const FitState& state, const std::string& name) {
        log_line("== " + name + " done");
        save(state, name);
    };
    FitState state = search(fluids, settings);
    step(state, "search");
    polish(fluids, state, settings);
    step(state, "polish");
    tune(fluids, state, SEQUENCE_TUNE_ROUNDS, SEQUENCE_TUNE_ITERATIONS, settings);
    step(state, "tune");
    auto retune_missing = [&](const std::string& name) {
        const std::vector<std::string> codes = fluids_missing_targets(fluids, state, settings);
        log_line("retune:" + joined(codes));
        if (!codes.empty()) retune(fluids, state, codes, SEQUENCE_TUNE_ROUNDS, settings);
        step(state, name);
    };
    retune_missing("retune");
    const std::vector<std::string> held = fluids_left_out_by_physics(fluids, state, settings);
    log_line("left out by the physics check only:" + joined(held));
    if (held.empty()) return state;
    for (const std::string& code : held)
        for (Row& r : state.guards[code]) r.sigma *= SEQUENCE_TIGHTENING;
    // tune's joint fits of the sets come first: they take the tightened guard rows
    tune(fluids, state, SEQUENCE_TUNE_ROUNDS, SEQUENCE_TUNE_ITERATIONS, settings);
    step(state, "tighten and tune again");
    retune_missing("retune again");
    return state;
}

}  // namespace fit
