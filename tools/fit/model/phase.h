// Phase equilibrium, critical point and caloric values of one fluid's equation, evaluated
// through an Eos (the program's shared records, or a model's terms directly), with the
// property routine's formulas (props/state_properties.h).
#pragma once

#include "model/eos.h"

namespace fit {

struct PhaseState {
    double p;     // MPa
    double z1;    // Z - 1
    double dpdd;  // (dp/dD)/(R T)
    double g;     // g/(R T) relative to the ideal gas at 1 mol/dm3 and T: ln D + F + Z - 1
};

PhaseState phase_state(const Eos& eos, double D, double T);
double pressure(const Eos& eos, double D, double T);

// Saturation at T from start densities; false when it does not converge to two distinct phases.
bool saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap);

// Critical point of the equation, searched around (Tguess, Dguess).
bool critical_point(const Eos& eos, double Tguess, double Dguess, double& Tc, double& Dc,
                    double& pc);

// Stable density at (T, p) by Newton steps in ln D from a start density; false when the
// isotherm turns unstable on the way or the pressure is not met.
bool density_at(const Eos& eos, double T, double p, double start, double& D);

// Heat capacities (J/(mol K)) and speed of sound (m/s) at (D, T), with the ideal-gas cp0 given.
struct Caloric {
    double cv = 0, cp = 0, w = 0;
};
Caloric caloric_at(const Eos& eos, double D, double T, double cp0, double molar_mass);

// Enthalpy of vaporisation (J/mol) of a saturated pair at T.
double vaporisation_enthalpy(const Eos& eos, double T, double Dliq, double Dvap);

}  // namespace fit
