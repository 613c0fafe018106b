// The properties of one state as a pure function of the equation's derivatives there: no files,
// no shared records, so that the property routine and the fitting tool compute them alike. A
// new property is one more field and one more line here.
#pragma once

#include <cmath>

#include "eos/constants.h"
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
    double dpdD_RT = 0.0;  // dp/dD over R T: 1 + 2 D dF/dD + D^2 d2F/dD2
    double f = 0.0, g = 0.0, u = 0.0, h = 0.0, s = 0.0, cp = 0.0, cv = 0.0;
    double w = 0.0;        // speed of sound; 0 where cp/cv dp/dD is not positive or MolWt not known
    double dpdT = 0.0;     // dp/dT at constant D, MPa/K
    double kappa_T = 0.0;  // isothermal compressibility 1/(D dp/dD), 1/MPa
    double mu_JT = 0.0;    // Joule-Thomson coefficient (T (dv/dT)_p - v)/cp, K/MPa
    // Intermediate values that the trace shows.
    double Uref = 0.0, Fref = 0.0, f_id = 0.0;
};

namespace state_properties_detail {

// Speed of sound from w^2 = cp/cv (dp/drho)_T, with rho = D MolWt in kg/m3 and dp/dD in
// MPa dm3/mol: (dp/drho)_T = 1e6 dpdD / MolWt in m2/s2.
inline double speed_of_sound(const StateProperties& r, double MolWt) {
    const double w2 = r.cp / r.cv * 1.0e6 * r.dpdD / MolWt;
    return (w2 > 0.0 && std::isfinite(w2)) ? std::sqrt(w2) : 0.0;
}

}  // namespace state_properties_detail

// The properties at (D, T) from the residual derivatives F there, the ideal-gas values at T and
// the reference values, with the constants Tref, Dref, Href, Sref, Tc and MolWt of `sc`. Near
// the critical point (dp/dD and d2p/dD2 both at most 1e-6 and T within 0.2 K of Tc) the
// denominator of cp vanishes and cp is `previous_cp`; a NaN there asks for cp from its formula
// all the same. With Dref = 0 the ideal-gas parts of s and f are taken as 0 (the caller reports
// it).
inline StateProperties state_properties(const SubstConst& sc, const ReferenceValues& ref,
                                        const double& D, const double& T, const FresDeriv& F,
                                        const IdealGasValues& ideal, const double& previous_cp) {
    const double c0 = ideal.c0, h0 = ideal.h0, s0 = ideal.s0;
    const double h0r = ref.ideal.h0, s0r = ref.ideal.s0;
    const double F10r = ref.F10r, F01r = ref.F01r, F00r = ref.F00r;
    constexpr double R = GAS_CONSTANT;
    StateProperties r;

    const double RT = R * T / 1000.0;
    r.p = D * RT + D * RT * F.F10 * D;
    r.dpdD_RT = 1.0 + 2.0 * D * F.F10 + D * D * F.F20;
    r.dpdD = RT * r.dpdD_RT;
    r.d2pdD2 = RT * (2.0 * F.F10 + 4.0 * D * F.F20 + D * D * F.F30);
    r.cv = R * (c0 - 1.0) - R * T * (2.0 * F.F01 + T * F.F02);
    // Near the critical point the denominator of cp vanishes: cp keeps its previous value.
    const bool near_critical = r.d2pdD2 <= NEAR_CRITICAL_SLOPE && r.dpdD <= NEAR_CRITICAL_SLOPE &&
                               std::fabs(T - sc.Tc) < NEAR_CRITICAL_SPAN;
    // (dp/dT)_D over D R: 1 + D dF/dD + D T d2F/dD dT.
    const double a = 1.0 + D * F.F10 + D * T * F.F11;
    r.cp = previous_cp;
    if (!near_critical || std::isnan(previous_cp)) r.cp = r.cv + R * a * a / r.dpdD_RT;
    r.dpdT = D * R / 1000.0 * a;

    const double h_id = sc.Href + R * (h0 - h0r);
    const double h_res =
        R * T * (D * F.F10 - T * F.F01) - R * sc.Tref * (sc.Dref * F10r - sc.Tref * F01r);
    r.h = h_id + h_res;

    // ln(D T / (Dref Tref)), shared by the ideal-gas entropy and Helmholtz energy.
    const bool no_dref = sc.Dref == 0.0;
    const double log_ratio = no_dref ? 0.0 : std::log(D * T / (sc.Dref * sc.Tref));
    const double s_id = no_dref ? 0.0 : sc.Sref + R * (s0 - s0r) - R * log_ratio;
    const double s_res = R * (sc.Tref * F01r + F00r) - R * (T * F.F01 + F.F00);
    r.s = s_id + s_res;

    r.Uref = sc.Href - R * sc.Tref;
    const double u_id = r.Uref + R * ((h0 - T) - (h0r - sc.Tref));
    const double u_res = R * sc.Tref * sc.Tref * F01r - R * T * T * F.F01;
    r.u = u_id + u_res;

    // The Helmholtz reference is taken at the current temperature.
    r.Fref = sc.Href - T * sc.Sref;
    r.f_id =
        no_dref ? 0.0 : r.Fref + R * (h0 - h0r) - R * T - R * T * (s0 - s0r) + R * T * log_ratio;
    const double f_res = R * T * F.F00 - R * sc.Tref * F00r;
    r.f = r.f_id + f_res;

    // The residual part of g has no reference correction: g only compares states at equal T.
    r.g = (h_id - T * s_id) + R * T * (F.F00 + D * F.F10);
    r.w = state_properties_detail::speed_of_sound(r, sc.MolWt);
    // v = 1/D in dm3/mol: (dv/dT)_p = dpdT / (D^2 dpdD); dm3 K/J is 1000 K/MPa.
    r.kappa_T = 1.0 / (D * r.dpdD);
    r.mu_JT = 1000.0 * (T * r.dpdT / (D * r.dpdD) - 1.0) / (D * r.cp);
    return r;
}
