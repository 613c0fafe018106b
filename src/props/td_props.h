// TD_PROPS: the properties of the last evaluated state and the saved saturated-liquid values.
#pragma once

struct TdProps {
    double p = 0;       // pressure, MPa
    double dpdD = 0;    // dp/dD at constant T, MPa dm3/mol
    double d2pdD2 = 0;  // d2p/dD2 at constant T, MPa dm6/mol2
    double f = 0;       // Helmholtz energy, J/mol
    double g = 0;       // Gibbs energy, J/mol
    double u = 0;       // internal energy, J/mol
    double h = 0;       // enthalpy, J/mol
    double s = 0;       // entropy, J/mol-K
    double cp = 0;      // isobaric heat capacity, J/mol-K
    double cv = 0;      // isochoric heat capacity, J/mol-K
    double f_liq = 0;   // values of the last saturated liquid
    double u_liq = 0;
    double h_liq = 0;
    double s_liq = 0;
    double cp_liq = 0;
    double cv_liq = 0;
};

// One instance per thread, like SUBST_CONST.
extern thread_local constinit TdProps TD_PROPS;
