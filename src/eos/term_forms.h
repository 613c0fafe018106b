// The forms of the terms of the residual Helmholtz energy F = a_res/(R T): the one home of each
// term's formulas and of the gates (the fixed constants are in eos/constants.h). The term functions
// (I4_X_RFA, I4_X_RFQ, I4_X_RFH), the residual sum (X_R_FRES) and the one-sweep evaluation
// (term_sweep) all derive from here, so that a term is changed or added here alone.
#pragma once

#include <cmath>
#include <cstdint>

#include "eos/constants.h"
#include "eos/eos.h"
#include "eos/powers.h"

// ---- Gates -------------------------------------------------------------------------------------

// The input check of X_R_FRES: strict less-than tests against the lowest temperature and
// density, so that a NaN passes.
inline bool input_accepted(double D, double T) {
    return !(T < LOWEST_TEMPERATURE || D < LOWEST_DENSITY);
}

// A polar set takes part only when its parameter exceeds the gate (zero or negative: off).
inline bool polar_set_on(double P) {
    return P > POLAR_GATE;
}

// The derivative pairs (order in D, order in T) that every term function offers:
// (0,0), (1,0), (2,0), (3,0), (0,1), (0,2), (1,1).
inline bool supported_pair(int32_t i4_del, int32_t i4_tau) {
    return (i4_tau == 0 && i4_del >= 0 && i4_del <= 3) ||
           (i4_del == 0 && i4_tau >= 1 && i4_tau <= 2) || (i4_del == 1 && i4_tau == 1);
}

// ---- Attraction and polar terms ----------------------------------------------------------------
//
// Both kinds are terms of one shape, with delta = D/D0:
//   F = c P theta^(n/2) delta^d psi,   theta = T/(scale T0),   psi = exp(-b delta^L)
//   attraction  c (T/T0)^(n/2) (D/D0)^m Alpha^j exp(-delta^l)   (no exponential for l = 0)
//   polar       c (T/(1.13 T0))^(n/2) (D/D0)^(m/2) P^(k/4) exp(-o delta^2)
// With the density variable z = sigma delta^L of the exponential (z = l delta^l for attraction
// terms, delta^2 for polar terms, 0 for attraction terms without exponential) and kappa its
// factor (D dpsi/dD = -kappa z psi: 1 for attraction terms, 2 o for polar terms), every
// derivative is the term's value times a polynomial in z:
//   D dF/dD        = F (a0 + g1 z)
//   D^2 d2F/dD2    = F (a2 + a3 z + g4 z^2)
//   D^3 d3F/dD3    = F (a5 + a6 z + a7 z^2 + g8 z^3)
//   T dF/dT        = F t,   T^2 d2F/dT2 = F t (t - 1),   D T d2F/dD dT = F t (a0 + g1 z)
// The a's and t belong to the term; g1 = -kappa, g4 = kappa^2, g8 = -kappa^3 belong to its
// exponential (0 without one), so that terms sharing an exponential can be summed before z is
// applied. A new kind of term is a new shape below; the term functions and the sweep take any.
namespace term_forms {

// Temperature scales of the reduced temperature: T0, and 1.13 T0 for the polar terms.
constexpr double TEMPERATURE_SCALES[] = {1.0, POLAR_TEMPERATURE_SCALE};
constexpr int32_t SCALE_COUNT = 2;

struct Shape {
    double c = 0;          // coefficient
    double parameter = 1;  // power of the substance parameter (Alpha^j, P^(k/4))
    int32_t n = 0;         // temperature exponent, in halves
    int32_t scale = 0;     // index into TEMPERATURE_SCALES
    int32_t d = 0;         // density exponent: delta^d, or delta^(d/2) with d_halves
    bool d_halves = false;
    int32_t L = 0;     // density exponent inside the exponential
    double b = 0;      // factor inside the exponential; 0: no exponential
    double sigma = 0;  // z = sigma delta^L
    double kappa = 0;  // b L / sigma
};

// Attraction term c, m, n, j, l of the set Fa with the shape parameter Alpha.
inline Shape attraction(double c, double Alpha, int32_t m, int32_t n, int32_t j, int32_t l) {
    return {.c = c,
            .parameter = int_power(Alpha, j),
            .n = n,
            .scale = 0,
            .d = m,
            .L = l,
            .b = l != 0 ? 1.0 : 0.0,
            .sigma = static_cast<double>(l),
            .kappa = 1.0};
}

// Polar term c, n, m, k, o of the set Fq or Fd with the polar parameter P (Q2 or Dp).
inline Shape polar(double c, double P, int32_t n, int32_t m, int32_t k, int32_t o) {
    return {.c = c,
            .parameter = quarter_power(P, k),
            .n = n,
            .scale = 1,
            .d = m,
            .d_halves = true,
            .L = 2,
            .b = static_cast<double>(o),
            .sigma = 1.0,
            .kappa = 2.0 * o};
}

// The coefficients of the polynomials, with d the density exponent and t the temperature
// exponent of the term.
inline double density_exponent(const Shape& s) {
    return s.d_halves ? s.d / 2.0 : s.d;
}
inline double temperature_exponent(const Shape& s) {
    return s.n / 2.0;
}
inline double coefficient_a2(double d) {
    return d * (d - 1.0);
}
inline double coefficient_a3(double d, double L, double kappa) {
    return -(2.0 * d + L - 1.0) * kappa;
}
inline double coefficient_a5(double d) {
    return d * (d - 1.0) * (d - 2.0);
}
inline double coefficient_a6(double d, double L, double kappa) {
    return -(d * (d - 1.0) + d * (L + d - 2.0) + (L + d - 1.0) * (L + d - 2.0)) * kappa;
}
inline double coefficient_a7(double d, double L, double kappa) {
    return 3.0 * (L + d - 1.0) * kappa * kappa;
}

struct Polynomials {
    double a0 = 0, a2 = 0, a3 = 0, a5 = 0, a6 = 0, a7 = 0;
    double t = 0;
};

struct Exponential {
    double g1 = 0, g4 = 0, g8 = 0;
};

// All coefficients of a term at once (the sweep prepares them once per substance).
inline Polynomials polynomials(const Shape& s) {
    const double d = density_exponent(s), L = s.L, k = s.kappa;
    return {d,
            coefficient_a2(d),
            coefficient_a3(d, L, k),
            coefficient_a5(d),
            coefficient_a6(d, L, k),
            coefficient_a7(d, L, k),
            temperature_exponent(s)};
}

inline Exponential exponential(const Shape& s) {
    if (s.b == 0.0) return {};
    const double k = s.kappa;
    return {-k, k * k, -k * k * k};
}

// The exponential factor psi = exp(-b delta^L) and z = sigma delta^L from delta^L.
inline double exponential_factor(const Shape& s, double delta_L) {
    return s.b != 0.0 ? std::exp(-s.b * delta_L) : 1.0;
}
inline double density_variable(const Shape& s, double delta_L) {
    return s.sigma * delta_L;
}

// The (i4_del, i4_tau) derivative of one term of value F at (D, T) and density variable z; the
// pair must be supported. Only the coefficients of the pair are formed.
inline double derivative(const Shape& s, double F, double z, double D, double T, int32_t i4_del,
                         int32_t i4_tau) {
    const double d = density_exponent(s), L = s.L, k = s.kappa, t = temperature_exponent(s);
    const Exponential e = exponential(s);
    if (i4_tau == 0) {
        switch (i4_del) {
            case 0:
                return F;
            case 1:
                return F * (d + e.g1 * z) / D;
            case 2:
                return F * (coefficient_a2(d) + z * (coefficient_a3(d, L, k) + e.g4 * z)) / (D * D);
            default:
                return F *
                       (coefficient_a5(d) +
                        z * (coefficient_a6(d, L, k) + z * (coefficient_a7(d, L, k) + e.g8 * z))) /
                       (D * D * D);
        }
    }
    if (i4_del == 1) return F * (d + e.g1 * z) / D * t / T;
    if (i4_tau == 1) return F * t / T;
    return F * t * (t - 1.0) / (T * T);
}

// The value F of one term at (D, T), with the reducing constants D0, T0, and its density
// variable z: what derivative() takes.
struct Value {
    double F = 0, z = 0;
};
// The same from the powers of the state: theta^(n/2), delta^d (delta^(d/2) with d_halves),
// delta^L and psi = exponential_factor(s, delta^L); terms evaluated at one state may share them.
inline Value value_from_powers(const Shape& s, double theta_n, double delta_d, double delta_L,
                               double psi) {
    return {s.c * theta_n * delta_d * s.parameter * psi, density_variable(s, delta_L)};
}
inline Value term_value(const Shape& s, double D, double D0, double T, double T0) {
    const double theta = T / (TEMPERATURE_SCALES[s.scale] * T0);
    const double delta = D / D0;
    const double delta_L = s.L != 0 ? int_power(delta, s.L) : 0.0;
    const double delta_d = s.d_halves ? half_power(delta, s.d) : int_power(delta, s.d);
    return value_from_powers(s, half_power(theta, s.n), delta_d, delta_L,
                             exponential_factor(s, delta_L));
}

// The (i4_del, i4_tau) derivative of one term at (D, T), with the reducing constants D0, T0.
inline double term_derivative(const Shape& s, double D, double D0, double T, double T0,
                              int32_t i4_del, int32_t i4_tau) {
    const Value v = term_value(s, D, D0, T, T0);
    return derivative(s, v.F, v.z, D, T, i4_del, i4_tau);
}

}  // namespace term_forms

// ---- Hard-body term ----------------------------------------------------------------------------
//
// With a = Alpha, the size factor S = A2 + (1 - A2) (T/T0)^A1 and the packing fraction
// eta = 0.1617 (D/D0) / S, y = 1 - eta and r = 1/y:
//   F(eta) = (a^2 - 1) ln y + [(a^2 + 3a) eta - 3a eta^2] / y^2
// and every derivative in D and T is the chain rule through eta.
namespace hard_body {

inline double f0(double a, double eta, double y, double r) {
    const double numerator = (a * a + 3.0 * a) * eta - 3.0 * a * eta * eta;
    return (a * a - 1.0) * std::log(y) + numerator * r * r;
}

inline double f1(double a, double eta, double r) {
    const double b = a * a + 3.0 * a;
    const double numerator = b * eta - 3.0 * a * eta * eta;
    return r * ((1.0 - a * a) + r * ((b - 6.0 * a * eta) + 2.0 * numerator * r));
}

inline double f2(double a, double eta, double r) {
    const double r2 = r * r;
    return r2 * ((1.0 - a * a) - 6.0 * a +
                 r * (4.0 * a * (a + 3.0 - 6.0 * eta) + 6.0 * a * eta * (a + 3.0 - 3.0 * eta) * r));
}

inline double f3(double a, double eta, double r) {
    const double r3 = r * r * r;
    return r3 *
           (2.0 * (1.0 - a * a) - 36.0 * a +
            r * (18.0 * a * (a + 3.0 - 6.0 * eta) + 24.0 * a * eta * (a + 3.0 - 3.0 * eta) * r));
}

// The packing fraction of one state and its derivatives in D (eta is proportional to D) and T.
struct State {
    double eta = 0, y = 0, r = 0;
    double eta_D = 0;  // d eta / dD
    double g = 0;      // S_T / S, so that d(eta_T)/dD = -eta_D g
    double eta_T = 0, eta_TT = 0;
};

// The size factor S = A2 + (1 - A2) (T/T0)^A1 from (T/T0)^A1.
inline double size_factor(double theta_a1, double a2) {
    return a2 + (1.0 - a2) * theta_a1;
}

// The density at which the packing fraction is eta at T: the inverse of packing() below.
inline double density_at_packing(double eta, double D0, double T, double T0, double a1, double a2) {
    return eta * D0 * size_factor(std::pow(T / T0, a1), a2) / PACKING;
}

// The packing fraction at (D, T) with the constants A1 and A2 (the caller passes A1_HARD_BODY
// and A2_HARD_BODY, widened); false outside the term (T/T0 not positive or not finite, packing
// fraction not below 1 or not finite). `theta_a1` and `S` are kept for the temperature
// derivatives.
inline bool packing(double D, double D0, double T, double T0, double a1, double a2, State& s,
                    double& theta_a1, double& S) {
    const double theta = T / T0;
    if (!(theta > 0.0) || !std::isfinite(theta)) return false;
    theta_a1 = std::pow(theta, a1);
    S = size_factor(theta_a1, a2);
    s.eta_D = PACKING / (D0 * S);
    s.eta = s.eta_D * D;
    if (!(s.eta < 1.0) || !std::isfinite(s.eta)) return false;
    s.y = 1.0 - s.eta;
    s.r = 1.0 / s.y;
    return true;
}

// The state (D, T) for the term with its temperature derivatives; false outside the term.
inline bool state(double D, double D0, double T, double T0, double a1, double a2, State& s) {
    double theta_a1 = 0.0, S = 0.0;
    if (!packing(D, D0, T, T0, a1, a2, s, theta_a1, S)) return false;
    const double S_T = (1.0 - a2) * a1 * theta_a1 / T;
    const double S_TT = (1.0 - a2) * a1 * (a1 - 1.0) * theta_a1 / (T * T);
    s.g = S_T / S;
    s.eta_T = -s.eta * s.g;
    s.eta_TT = -s.eta * (S_TT / S - 2.0 * s.g * s.g);
    return true;
}

// All seven derivatives of the term at a state.
inline void derivatives(const State& s, double Alpha, FresDeriv& h) {
    const double f1v = f1(Alpha, s.eta, s.r);
    const double f2v = f2(Alpha, s.eta, s.r);
    h.F00 = f0(Alpha, s.eta, s.y, s.r);
    h.F10 = f1v * s.eta_D;
    h.F20 = f2v * s.eta_D * s.eta_D;
    h.F30 = f3(Alpha, s.eta, s.r) * s.eta_D * s.eta_D * s.eta_D;
    h.F01 = f1v * s.eta_T;
    h.F11 = f2v * s.eta_D * s.eta_T - f1v * s.eta_D * s.g;
    h.F02 = f2v * s.eta_T * s.eta_T + f1v * s.eta_TT;
}

// The third derivatives that FRES_DERIV leaves out, with eta = D k(T), k = PACKING/(D0 S),
// g = S_T/S (dk/dT = -k g), and k2, eta_TTT the second derivative of k and the third of eta
// in T from those of the size factor:
//   F21 = f3 k^2 eta_T - 2 f2 k^2 g
//   F12 = f3 k eta_T^2 - 2 f2 k g eta_T + f2 k eta_TT + f1 k2
//   F03 = f3 eta_T^3 + 3 f2 eta_T eta_TT + f1 eta_TTT
inline bool third_derivatives(double D, double D0, double T, double T0, double a1, double a2,
                              double Alpha, FresThird& h) {
    State s;
    double theta_a1 = 0.0, S = 0.0;
    if (!packing(D, D0, T, T0, a1, a2, s, theta_a1, S) || !state(D, D0, T, T0, a1, a2, s))
        return false;
    const double S1 = (1.0 - a2) * a1 * theta_a1 / (T * S);
    const double S2 = S1 * (a1 - 1.0) / T;
    const double S3 = S2 * (a1 - 2.0) / T;
    const double k = s.eta_D, kk = k * k;
    const double k2 = k * (2.0 * S1 * S1 - S2);
    const double eta_TTT = s.eta * (-6.0 * S1 * S1 * S1 + 6.0 * S1 * S2 - S3);
    const double f1v = f1(Alpha, s.eta, s.r), f2v = f2(Alpha, s.eta, s.r);
    const double f3v = f3(Alpha, s.eta, s.r);
    h.F21 = f3v * kk * s.eta_T - 2.0 * f2v * kk * s.g;
    h.F12 =
        f3v * k * s.eta_T * s.eta_T - 2.0 * f2v * k * s.g * s.eta_T + f2v * k * s.eta_TT + f1v * k2;
    h.F03 = f3v * s.eta_T * s.eta_T * s.eta_T + 3.0 * f2v * s.eta_T * s.eta_TT + f1v * eta_TTT;
    return true;
}

}  // namespace hard_body
