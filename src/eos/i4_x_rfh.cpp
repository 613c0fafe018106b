#include <cmath>

#include "eos/derivative_pair.h"
#include "eos/eos.h"
#include "eos/hard_body.h"
#include "platform/status_codes.h"

// Hard-convex-body contribution to F and its derivatives in D and T. The size factor
// S = A2 + (1 - A2) (T/T0)^A1 shrinks the molecules with rising temperature; the packing
// fraction is eta = 0.1617 (D/D0) / S, and every branch is the chain rule through eta.
//
// The term exists only for T/T0 > 0 (real power) and eta < 1 (logarithm and poles at eta = 1).
// Outside that range, or when the value would not be finite, the state is refused with
// STATUS_OUT_OF_RANGE and r8_f = 0, so that no NaN or infinity leaves the term; the residual
// sum reports it on its hard-body record path, and X_R_INRANGE lets callers refuse such states
// before they evaluate them. An unsupported pair returns STATUS_UNSUPPORTED_PAIR with r8_f = 0.
int32_t I4_X_RFH(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const float& A1, const float& A2, const int32_t& i4_del,
                 const int32_t& i4_tau, double& r8_f) {
    r8_f = 0.0;
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;

    const double a1 = A1;
    const double a2 = A2;
    const double theta = T / T0;
    if (!(theta > 0.0) || !std::isfinite(theta)) return STATUS_OUT_OF_RANGE;
    const double theta_a1 = std::pow(theta, a1);
    const double S = a2 + (1.0 - a2) * theta_a1;
    const double eta_D = hard_body::kPacking / (D0 * S);  // d eta / dD; eta is proportional to D
    const double eta = eta_D * D;
    if (!(eta < 1.0) || !std::isfinite(eta)) return STATUS_OUT_OF_RANGE;
    const double y = 1.0 - eta;
    const double r = 1.0 / y;

    double value = 0.0;
    if (i4_tau == 0) {
        switch (i4_del) {
            case 0:
                value = hard_body::f0(Alpha, eta, y, r);
                break;
            case 1:
                value = hard_body::f1(Alpha, eta, r) * eta_D;
                break;
            case 2:
                value = hard_body::f2(Alpha, eta, r) * eta_D * eta_D;
                break;
            default:
                value = hard_body::f3(Alpha, eta, r) * eta_D * eta_D * eta_D;
                break;
        }
    } else {
        // S_T = dS/dT; eta_T = -eta S_T / S.
        const double S_T = (1.0 - a2) * a1 * theta_a1 / T;
        const double g = S_T / S;
        const double eta_T = -eta * g;
        if (i4_tau == 1 && i4_del == 0) {
            value = hard_body::f1(Alpha, eta, r) * eta_T;
        } else if (i4_del == 1) {
            // d(eta_T)/dD = eta_T / D = -eta_D S_T / S
            value = hard_body::f2(Alpha, eta, r) * eta_D * eta_T -
                    hard_body::f1(Alpha, eta, r) * eta_D * g;
        } else {
            const double S_TT = (1.0 - a2) * a1 * (a1 - 1.0) * theta_a1 / (T * T);
            const double eta_TT = -eta * (S_TT / S - 2.0 * g * g);
            value = hard_body::f2(Alpha, eta, r) * eta_T * eta_T +
                    hard_body::f1(Alpha, eta, r) * eta_TT;
        }
    }
    if (!std::isfinite(value)) return STATUS_OUT_OF_RANGE;
    r8_f = value;
    return STATUS_OK;
}
