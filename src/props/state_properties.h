// The properties of one state as a pure function of the equation's derivatives there: no files,
// no shared records, so that the property routine and the fitting tool compute them alike.
#pragma once

#include "eos/eos.h"
#include "substance/subst_const.h"

// Ideal-gas values at one temperature: cp0/R, h0/R (K) and s0/R, as X_R_CPID gives them.
struct IdealGasValues {
    double c0 = 0.0, h0 = 0.0, s0 = 0.0;
};

// The equation at the caloric reference state (Dref, Tref) of the substance: the residual values
// F(1,0), F(0,1), F(0,0) and the ideal-gas values at Tref.
struct ReferenceValues {
    double F10r = 0.0, F01r = 0.0, F00r = 0.0;
    IdealGasValues ideal;
};

// Units as in TD_PROPS: MPa, J/mol, J/(mol K); w in m/s.
struct StateProperties {
    double p = 0.0, dpdD = 0.0, d2pdD2 = 0.0;
    double f = 0.0, g = 0.0, u = 0.0, h = 0.0, s = 0.0, cp = 0.0, cv = 0.0;
    double w = 0.0;  // speed of sound; 0 where cp/cv dp/dD is not positive or MolWt not known
    // Intermediate values that the trace shows.
    double Uref = 0.0, Fref = 0.0, f_id = 0.0;
};

// The properties at (D, T) from the residual derivatives F there, the ideal-gas values at T and
// the reference values, with the constants Tref, Dref, Href, Sref, Tc and MolWt of `sc`. Near
// the critical point (dp/dD and d2p/dD2 both at most 1e-6 and T within 0.2 K of Tc) the
// denominator of cp vanishes and cp is `previous_cp`. With Dref = 0 the ideal-gas parts of s
// and f are taken as 0 (the caller reports it).
StateProperties state_properties(const SubstConst& sc, const ReferenceValues& ref, const double& D,
                                 const double& T, const FresDeriv& F, const IdealGasValues& ideal,
                                 const double& previous_cp);
