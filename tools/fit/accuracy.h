// Deviations of the table's equation from the reference data.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

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
    int sat_failures = 0, density_failures = 0;
    int guard_states = 0;  // offending states of the physics check
    double dTc = 0, dpc = 0, dDc = 0;
    std::vector<std::array<double, 4>> sat_dev;  // T/Tc, % ps, % D', % D''
    std::vector<std::array<double, 4>> curve;    // T/Tc, D'/Dc, D''/Dc, % ps
    std::vector<std::array<double, 2>> pvt_dev;  // T/Tc, % D
};

// Saturation at T: ps, Dliq, Dvap (the densities come in as start values).
using SaturationSolver = std::function<bool(double T, double& ps, double& Dliq, double& Dvap)>;

bool own_saturation(double T, double& ps, double& Dliq, double& Dvap);
// The program's own saturation routine X_MAXWEL (start values ignored).
bool program_saturation(double T, double& ps, double& Dliq, double& Dvap);

// Lets the program's error reports run unattended: the console reads empty lines and writes
// nowhere, so a report's wait for Enter returns at once.
void unattended_console();

// Density of the loaded fluid at (T, p) by Newton steps in ln D from `start` (the root on
// the start's side); false when a step meets dp/dD <= 0 or the pressure is not met.
bool density_at(double T, double p, double start, double& D);

FluidAccuracy measure(const Model& model, const Entry& e, const SaturationSolver& solver);

// The per-fluid table of the accuracy report: its header lines and one fluid's row.
std::string accuracy_header();
std::string accuracy_row(const FluidAccuracy& a);

void write_report(const std::string& folder, const std::vector<Fluid>& fluids,
                  const std::vector<Entry>& entries, const Model& model,
                  const SaturationSolver& solver, const std::string& solver_name);

}  // namespace fit
