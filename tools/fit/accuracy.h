// Deviations of the table's equation from the reference data.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "phase.h"
#include "table.h"

namespace fit {

struct Stat {
    double sum = 0, max = 0;
    int n = 0;
    double avg() const { return n > 0 ? sum / n : 0.0; }
};

// Adds one deviation (%) to a statistic; a value that is not finite is left out.
void add(Stat& s, double v);

struct FluidAccuracy {
    std::string code;
    FluidClass cls = FluidClass::nonpolar;
    Stat ps, dliq, dvap, p, d;
    Stat cp, w, hvap;  // at given (T, p) outside the critical region; hvap over 0.5-0.95 Tc
    int sat_failures = 0, density_failures = 0;
    // temperatures where X_MAXWEL and the direct solve on the outermost branches differ
    int sat_conflicts = 0;
    int guard_states = 0;  // offending states of the physics check
    double dTc = 0, dpc = 0, dDc = 0;
    std::vector<std::array<double, 4>> sat_dev;  // T/Tc, % ps, % D', % D''
    std::vector<std::array<double, 4>> curve;    // T/Tc, D'/Dc, D''/Dc, % ps
    std::vector<std::array<double, 2>> pvt_dev;  // T/Tc, % D
};

// Saturation at T: ps, Dliq, Dvap (the densities come in as start values).
using SaturationSolver =
    std::function<bool(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap)>;

bool own_saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap);
// The program's own saturation routine X_MAXWEL (start values and equation ignored: the program
// computes the entry loaded into its shared records).
bool program_saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap);

// Lets the program's error reports run unattended: the console reads empty lines and writes
// nowhere, so a report's wait for Enter returns at once.
void unattended_console();

// The figures of one entry: its equation through eos (the program, with the entry loaded, or the
// model for the entry's parameters), saturation by the given solver.
FluidAccuracy measure(const Eos& eos, const Model& model, const Entry& e,
                      const SaturationSolver& solver);
// The temperatures, of 15 from `lowest` to Tc (1 - 1e-6), where the program's X_MAXWEL and its
// direct solve on the outermost branches (X_SAT_PAIR) give different pairs for the loaded entry:
// a second branch of the isotherm holds an unreal phase there.
int saturation_conflicts(double lowest);
// measure() for a table entry through the program: loads the entry, then measures, with the
// saturation consistency scan from max(Ttriple, 0.3 Tc).
FluidAccuracy measure_entry(const Model& model, const Entry& e, const SaturationSolver& solver);

// Accuracy targets. Nonpolar, quadrupolar and dipolar fluids: AAD ps, D', D'', single-phase D,
// cp, speed of sound, enthalpy of vaporisation, and the critical point. Hydrogen-bonding fluids
// are shipped when they meet looser saturation and density bounds.
struct Targets {
    double ps = 0.5, dliq = 0.3, dvap = 1.0, d = 1.0, cp = 2.0, w = 2.0, hvap = 1.0, Tc = 0.3,
           pc = 2.0;
};
const Targets& targets_for(FluidClass cls);
// The figures that miss their targets, as texts ("ps 0.61 %"); empty when all are met.
std::vector<std::string> missed_targets(const FluidAccuracy& a);
bool meets(const FluidAccuracy& a);
// Why a fluid stays out of the shipped table, as texts: for a hydrogen-bonding fluid the
// figures that miss its own bounds; for any other fluid the failed solves, the figures beyond
// the bounds of use (twice to four times its targets) and the offending states of its physics
// check. Empty when the fluid is shipped.
std::vector<std::string> left_out_reasons(const FluidAccuracy& a);
// Whether a fluid goes into the shipped table: when nothing keeps it out. The others are left
// out, their figures stated.
bool shipped(const FluidAccuracy& a);
// "met", or the missed targets' figures joined by commas.
std::string targets_text(const FluidAccuracy& a);

// The per-fluid table of the accuracy report: its header lines and one fluid's row.
std::string accuracy_header();
std::string accuracy_row(const FluidAccuracy& a);

// Writes accuracy.md and its plots into the folder: the figures of every entry (fluids that miss
// their bounds are listed as left out of the table), and the codes of the fluids for which no
// entry could be made; `reference` names the folder of the reference data.
void write_report(const std::string& folder, const std::vector<Entry>& entries,
                  const std::vector<FluidAccuracy>& acc, const std::vector<std::string>& no_entry,
                  const std::string& solver_name, const std::string& reference);

}  // namespace fit
