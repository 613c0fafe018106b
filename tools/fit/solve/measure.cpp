#include "solve/measure.h"

#include <algorithm>
#include <cmath>

#include "fluid/reference.h"
#include "model/phase.h"
#include "model/program.h"
#include "model/rows.h"
#include "solve/physics_check.h"

namespace fit {

namespace {

// The saturation figures over 0.5-0.95 Tc, ps also below (for the rank); the saturation curve
// over the whole table.
void measure_saturation(const Eos& eos, const Fluid& f, const SaturationSolver& solver,
                        FluidAccuracy& a) {
    for (size_t i = 0; i < f.sat.size(); ++i) {
        const SatPoint& s = f.sat[i];
        const double tr = s.T / f.Tc;
        double ps = 0, Dl = s.Dliq, Dv = s.Dvap;
        const bool ok = solver(eos, s.T, ps, Dl, Dv);
        if (tr < 0.5 - 1e-9 || tr > 0.95 + 1e-9) {
            if (!ok) continue;
            a.curve.push_back({tr, Dl / f.Dc, Dv / f.Dc, 100 * (ps / s.ps - 1)});
            if (tr < 0.5) add(a.ps_below, 100 * (ps / s.ps - 1));
            continue;
        }
        if (!ok) {
            ++a.sat_failures;
            continue;
        }
        const double dps = 100 * (ps / s.ps - 1), dl = 100 * (Dl / s.Dliq - 1),
                     dv = 100 * (Dv / s.Dvap - 1);
        add(a.stat(Measure::saturation_pressure), dps);
        add(a.stat(Measure::saturated_liquid), dl);
        add(a.stat(Measure::saturated_vapour), dv);
        add(a.stat(Measure::vaporisation_enthalpy),
            100 * (vaporisation_enthalpy(eos, s.T, Dl, Dv) / reference_hvap(f, i) - 1));
        a.sat_dev.push_back({tr, dps, dl, dv});
        a.curve.push_back({tr, Dl / f.Dc, Dv / f.Dc, dps});
    }
}

// The density at the reference (T, p) and there cp and w, outside the critical region.
void measure_single_phase(const Eos& eos, const Fluid& f, FluidAccuracy& a) {
    for (const PvtPoint& s : f.pvt) {
        const double tr = s.T / f.Tc, pr = s.p / f.pc;
        const bool critical = tr > 0.94 && tr < 1.06 && pr > 0.5 && pr < 2.0;
        double D = 0;
        if (!density_at(eos, s.T, s.p, s.D, D)) {
            ++a.density_failures;
            continue;
        }
        a.pvt_dev.push_back({tr, 100 * (D / s.D - 1)});
        if (critical) continue;
        add(a.stat(Measure::density), 100 * (D / s.D - 1));
        if (!s.has_caloric()) continue;
        const Caloric c = caloric_at(eos, D, s.T, reference_cp0(f, s.T), f.M);
        add(a.stat(Measure::isobaric_heat), 100 * (c.cp / s.cp - 1));
        add(a.stat(Measure::sound_speed), 100 * (c.w / s.w - 1));
    }
}

// The figures measured by their own rows: the deviation of each row's value by the equation
// from its target, relative to the target.
void measure_rows(const Eos& eos, const Fluid& f, const Params& p, FluidAccuracy& a) {
    std::vector<Row> rows;
    for (int k = 0; k < FIGURE_COUNT; ++k) {
        if (FIGURES[k].measure != Measure::rows) continue;
        if (rows.empty()) rows = data_rows(f, 1.0);
        for (const Row& r : rows)
            if ((FIGURES[k].rows & row_bits({r.kind})) && r.target != 0.0)
                add(a.figure[k], 100 * (row_value(r, eos, f, p) - r.target) / std::fabs(r.target));
    }
}

}  // namespace

bool own_saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap) {
    return saturation(eos, T, ps, Dliq, Dvap);
}

bool program_saturation(const Eos&, double T, double& ps, double& Dliq, double& Dvap) {
    return maxwel_saturation(T, ps, Dliq, Dvap);
}

FluidAccuracy measure(const Eos& eos, const Model& model, const Entry& e,
                      const SaturationSolver& solver, bool verbose) {
    const Fluid& f = *e.fluid;
    FluidAccuracy a;
    a.code = f.code;
    a.cls = f.cls;
    measure_saturation(eos, f, solver, a);
    measure_single_phase(eos, f, a);
    measure_rows(eos, f, e.p, a);
    FluidCase c;
    c.fluid = &f;
    c.p = e.p;
    a.guard_states = physics_check(c, model, false, verbose);
    a.dTc = 100 * (e.Tc / f.Tc - 1);
    a.dpc = 100 * (e.Pc / f.pc - 1);
    a.dDc = 100 * (e.Dc / f.Dc - 1);
    return a;
}

FluidAccuracy measure_entry(const Model& model, const Entry& e, const SaturationSolver& solver,
                            bool verbose) {
    load_entry(model, e);
    FluidAccuracy a = measure(Eos::program(), model, e, solver, verbose);
    a.sat_conflicts = saturation_conflicts(std::max(e.fluid->Ttriple, PHYSICS_CHECK.lowest * e.Tc));
    return a;
}

FluidAccuracy model_figures(const Model& model, const Fluid& f, const Params& p, bool verbose) {
    Entry e;
    e.fluid = &f;
    e.p = p;
    e.Tc = f.Tc;
    e.Dc = f.Dc;
    e.Pc = f.pc;
    const Eos eos = Eos::of(model, f, p);
    double Tc, Dc, Pc;
    if (critical_point(eos, f.Tc, f.Dc, Tc, Dc, Pc)) {
        e.Tc = Tc;
        e.Dc = Dc;
        e.Pc = Pc;
    }
    return measure(eos, model, e, own_saturation, verbose);
}

}  // namespace fit
