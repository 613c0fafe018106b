// The figures of a fluid's equation (policy/figures.h), measured at the reference states: the
// saturation over 0.5-0.95 Tc, the single-phase density, cp and speed of sound at the reference
// (T, p), the critical point, and the physics check.
#pragma once

#include <functional>

#include "model/entry.h"
#include "model/eos.h"
#include "policy/figures.h"

namespace fit {

// Saturation at T: ps, Dliq, Dvap (the densities come in as start values).
using SaturationSolver =
    std::function<bool(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap)>;

// The tool's own saturation solver on the given equation.
bool own_saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap);
// The program's saturation routine X_MAXWEL (start values and equation ignored: the program
// computes the entry loaded into its shared records).
bool program_saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap);

// The figures of one entry: its equation through eos (the program, with the entry loaded, or the
// model for the entry's parameters), saturation by the given solver; the physics check by the
// model.
FluidAccuracy measure(const Eos& eos, const Model& model, const Entry& e,
                      const SaturationSolver& solver, bool verbose = false);
// measure() for a table entry through the program: loads the entry, then measures, with the
// saturation consistency scan from max(Ttriple, 0.3 Tc).
FluidAccuracy measure_entry(const Model& model, const Entry& e, const SaturationSolver& solver,
                            bool verbose = false);
// The figures of a fluid under the model with the given parameters, by the model and the tool's
// own solver, its critical point being that of the equation.
FluidAccuracy model_figures(const Model& model, const Fluid& f, const Params& p,
                            bool verbose = false);

}  // namespace fit
