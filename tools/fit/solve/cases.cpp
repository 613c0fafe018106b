#include "solve/cases.h"

#include <algorithm>

#include "model/eos.h"
#include "model/phase.h"
#include "solve/parallel.h"

namespace fit {

namespace {

// Critical density of the equation at the reference Tc relative to the reference Dc (where
// dp/dD is smallest), as the start of a stored fit that does not carry it.
double critical_density(const Model& model, const Fluid& f, const Params& p) {
    if (model.terms[0].empty()) return 1.0;
    double Tc, Dc, pc;
    if (!critical_point(Eos::of(model, f, p), f.Tc, f.Dc, Tc, Dc, pc) ||
        !(Dc > 0.6 * f.Dc && Dc < 1.6 * f.Dc))
        return 1.0;
    return Dc / f.Dc;
}

}  // namespace

std::vector<Row> guard_rows(const FluidCase& c) {
    std::vector<Row> guards;
    for (const Row& r : c.rows)
        if (r.kind == RowKind::guard) guards.push_back(r);
    return guards;
}

void weigh_liquid_rows(FluidCase& c, const Model& model) {
    if (model.terms[0].empty()) return;
    weigh_saturated_liquid(c.rows, *c.fluid, Eos::of(model, *c.fluid, c.p));
}

void weigh_liquid_rows(const std::vector<FluidCase*>& cases, const Model& model, int threads) {
    parallel_for(threads, cases.size(), [&](size_t i) { weigh_liquid_rows(*cases[i], model); });
}

void rebuild_rows(FluidCase& c, const Model& model, const Settings& settings) {
    const std::vector<Row> guards = guard_rows(c);
    c.rows = data_rows(*c.fluid, settings.crit_scale);
    const auto b = barrier_rows(*c.fluid);
    c.rows.insert(c.rows.end(), b.begin(), b.end());
    c.rows.insert(c.rows.end(), guards.begin(), guards.end());
    weigh_liquid_rows(c, model);
}

FluidCase make_case(const Fluid& f, const FitState& state, const Settings& settings) {
    FluidCase c;
    c.fluid = &f;
    auto it = state.params.find(f.code);
    c.p = it != state.params.end() ? it->second : initial_params(f);
    if (c.p.dc <= 0) c.p.dc = critical_density(state.model, f, c.p);
    auto shape = state.shapes.find(f.code);
    c.free = shape != state.shapes.end() ? shape->second : free_params(f);
    c.trains = state.untrained.count(f.code) == 0;
    auto g = state.guards.find(f.code);
    if (g != state.guards.end()) c.rows = g->second;
    auto held = state.held.find(f.code);
    if (held != state.held.end()) c.held = held->second;
    rebuild_rows(c, state.model, settings);
    return c;
}

std::vector<FluidCase> make_cases(const std::vector<Fluid>& fluids, const FitState& state,
                                  const Settings& settings) {
    std::vector<FluidCase> cases;
    for (const Fluid& f : fluids) cases.push_back(make_case(f, state, settings));
    return cases;
}

std::vector<FluidCase*> select_cases(std::vector<FluidCase>& cases, SetKind set, bool train) {
    std::vector<FluidCase*> out;
    for (FluidCase& c : cases) {
        const bool t = trains(*c.fluid, set) && c.trains;
        if (train ? t : (fitted_with(*c.fluid, set) && !t)) out.push_back(&c);
    }
    return out;
}

std::vector<Params> params_of(const std::vector<FluidCase*>& cases) {
    std::vector<Params> out;
    for (const FluidCase* c : cases) out.push_back(c->p);
    return out;
}

void store_params(const std::vector<FluidCase>& cases, FitState& state) {
    for (const FluidCase& c : cases) {
        state.params[c.fluid->code] = c.p;
        if (!c.trains) state.untrained.insert(c.fluid->code);
        state.guards[c.fluid->code] = guard_rows(c);
    }
}

}  // namespace fit
