// The equation of state: residual Helmholtz energy F = a_res/(R T) with its derivatives in
// density D (mol/dm3) and temperature T (K), term by term, and the ideal-gas part.
#pragma once

#include <cstdint>

// The (i4_del, i4_tau) derivative of F of the loaded substance at (D, T). Failures are written
// to the status file and not returned; callers test the range rule first.
void X_R_FRES(const double& D, const double& T, const int32_t& i4_del, const int32_t& i4_tau,
              double& r8_f);

// The derivative set FRES_DERIV of one state: F and its derivatives, named by their orders in
// D and T ("Fres", "1.AnD", "2.AnDD", third density derivative, "1.AnT", "2.AnTT", "2.AnDT").
struct FresDeriv {
    double F00 = 0, F10 = 0, F20 = 0, F30 = 0, F01 = 0, F02 = 0, F11 = 0;
};

// All seven derivatives of FRES_DERIV at (D, T): the program's one evaluation path. One sweep
// over the terms, else the seven X_R_FRES calls in the order (0,0), (0,1), (0,2), (1,0), (1,1),
// (2,0), (3,0), which write their records; the two agree up to rounding. A state outside the
// range of the residual part (residual_in_range) is refused with STATUS_OUT_OF_RANGE, all seven
// 0 and nothing written.
void X_R_FDERIV(const double& D, const double& T, FresDeriv& set, int32_t& status);

// The derivatives of F at (D, T) in the substance parameters Alpha, Q2 and Dp, for mixtures,
// whose parameters vary with the composition.
struct FresParam {
    double F_Alpha = 0, F_Q2 = 0, F_Dp = 0;
};
void X_R_FPARAM(const double& D, const double& T, FresParam& set, int32_t& status);

// The same with their slopes in D, in T and in the parameter itself (d2F/dAlpha2, ...), for
// the slopes of the fugacity coefficients. Each parameter enters terms of its own (Alpha the
// hard-body and attraction terms, Q2 and Dp their polar sets): the crossed second derivatives
// among the three vanish.
struct FresParamSlopes {
    FresParam F, by_D, by_T, by_itself;
};
void X_R_FPARAM_SLOPES(const double& D, const double& T, FresParamSlopes& set, int32_t& status);

// The third derivatives of F that FRES_DERIV leaves out (its third in D is F30): d3F/dD2 dT,
// d3F/dD dT2 and d3F/dT3. They make the second derivatives of the properties.
struct FresThird {
    double F21 = 0, F12 = 0, F03 = 0;
};

// The three at (D, T) by one sweep over the terms of the loaded substance; false (all three 0)
// for a state outside the range of the residual part or values that are not finite.
bool residual_third_derivatives(const double& D, const double& T, FresThird& set);

// Hard-body term. Status 0 done, 1 unsupported derivative pair, 98 (STATUS_OUT_OF_RANGE) state
// outside the term (T/T0 not positive or packing fraction not below 1); r8_f = 0 on failure.
int32_t I4_X_RFH(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const float& A1, const float& A2, const int32_t& i4_del,
                 const int32_t& i4_tau, double& r8_f);

// One attraction term c * theta^(n/2) * delta^m * Alpha^j * exp(-delta^l) (no exponential for
// l = 0). Status 0 done, 1 unsupported derivative pair (r8_f unchanged).
int32_t I4_X_RFA(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const double& c, const int32_t& m, const int32_t& n,
                 const int32_t& j, const int32_t& l, const int32_t& i4_del, const int32_t& i4_tau,
                 double& r8_f);

// One polar term c * tau^(n/2) * x^(m/2) * P^(k/4) * exp(-o x^2), tau = T/(1.13 T0); note n
// before m. Status 0 done, 1 unsupported derivative pair (r8_f unchanged).
int32_t I4_X_RFQ(const double& D, const double& D0, const double& T, const double& T0,
                 const double& P, const double& c, const int32_t& n, const int32_t& m,
                 const int32_t& k, const int32_t& o, const int32_t& i4_del, const int32_t& i4_tau,
                 double& r8_f);

// Ideal-gas heat capacity cp0/R with its enthalpy (h0/R, K) and entropy (s0/R) integrals.
// Status 0, or 98 (STATUS_OUT_OF_RANGE) with all three 0 for T not positive or not finite, a
// negative characteristic temperature, or sums that overflow.
void X_R_CPID(const double& T, double& cp0, double& h0, double& s0, int32_t& status);

// The range rule of the equation, in two parts. The residual part takes (D, T) when both are
// finite and positive and the hard-body term accepts the state (T/T0 > 0, packing fraction
// below 1); the whole equation when, besides, the ideal-gas part is finite at T. Callers refuse
// states outside before they evaluate them; both write nothing.
bool residual_in_range(const double& D, const double& T);
bool X_R_INRANGE(const double& D, const double& T);
