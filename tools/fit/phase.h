// Phase equilibrium and critical point of the equation as loaded into the program's shared
// records (the residual derivatives by X_R_FDERIV, the properties by the property routine's
// formulas).
#pragma once

namespace fit {

struct PhaseState {
    double p;     // MPa
    double z1;    // Z - 1
    double dpdd;  // (dp/dD)/(R T)
    double g;     // g/(R T) relative to the ideal gas at 1 mol/dm3: ln D + F + Z - 1
};

PhaseState phase_state(double D, double T);
double pressure(double D, double T);

// Saturation at T from start densities; false when it does not converge to two distinct phases.
bool saturation(double T, double& ps, double& Dliq, double& Dvap);

// Critical point of the loaded equation, searched around (Tguess, Dguess).
bool critical_point(double Tguess, double Dguess, double& Tc, double& Dc, double& pc);

// Temperature at which the saturation pressure equals p (between Tlow and Thigh).
bool saturation_temperature(double p, double Tlow, double Thigh, double Dl_guess, double Dv_guess,
                            double& T, double& Dliq, double& Dvap);

}  // namespace fit
