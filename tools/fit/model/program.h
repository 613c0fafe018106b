// The bridge to the program's shared records: every write into SUBST_CONST and EOS_COEFF (and
// into the program's console streams) that the fitting tool makes goes through here, and so do
// the program's routines that work on the loaded fluid. One thread only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/entry.h"
#include "model/terms.h"
#include "substance/subst_const.h"

namespace fit {

// Loads the model and a fluid with the given parameters, so that the program computes this
// fluid; the ideal-gas terms and the reference state are left as they are.
void load_equation(const Model& model, const Fluid& f, const Params& p);
// Loads a table entry exactly as the table gives it.
void load_entry(const Model& model, const Entry& e);

// The coefficient sets of the given table lines, each read by the program's line parser
// (X_RCOEFF) as the loader reads it. `bad` is the index of the first line that does not read,
// or lines.size().
Model read_coefficient_lines(const std::vector<std::string>& lines, size_t& bad);
// The constants of one entry's constants lines, read by the program's parser (X_RCONST); `bad`
// as above.
SubstConst read_constants_lines(const std::vector<std::string>& lines, size_t& bad);

// Saturation of the loaded fluid at T by the program's routine X_MAXWEL; false when it fails or
// gives no two distinct phases.
bool maxwel_saturation(double T, double& ps, double& Dliq, double& Dvap);
// Internal energy, enthalpy and entropy of the loaded fluid at (D, T), by the property routine.
bool program_caloric(double D, double T, double& u, double& h, double& s);
// The number of temperatures where X_MAXWEL and the direct solve on the outermost branches
// (X_SAT_PAIR) give different pairs for the loaded fluid: a second branch of the isotherm holds
// an unreal phase there. Scanned every CONFLICT_STEP Tc from `lowest` up to CONFLICT_EVEN_UP_TO
// Tc, where second pairs sit in bands a few hundredths of Tc wide (a perfluoropentane entry:
// 0.366-0.381 Tc and 0.356 Tc), and at CONFLICT_NEAR_TC temperatures closing in on Tc (1 - 1e-6).
int saturation_conflicts(double lowest);
// The scan's grid and the relative difference up to which two pairs count as the same (the
// accuracy report states them).
constexpr double CONFLICT_STEP = 0.005, CONFLICT_EVEN_UP_TO = 0.95;
constexpr int CONFLICT_NEAR_TC = 15;
constexpr double SAME_SATURATION = 1e-4;

// Lets the program's error reports run unattended: the console reads empty lines and writes
// nowhere, so a report's wait for Enter returns at once.
void unattended_console();

}  // namespace fit
