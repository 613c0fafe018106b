#include <cmath>

#include "eos/derivative_pair.h"
#include "eos/eos.h"
#include "main/status_codes.h"

namespace {

constexpr double kPacking = 0.1617;  // packing fraction per reduced density at size factor 1

// The term as a function of the packing fraction eta, and its first three eta-derivatives.
struct EtaDerivatives {
    double f0, f1, f2, f3;
};

EtaDerivatives eta_derivatives(double a, double eta, int32_t highest) {
    const double y = 1.0 - eta;
    const double b = a * a + 3.0 * a;
    const double numerator = b * eta - 3.0 * a * eta * eta;
    EtaDerivatives d{};
    d.f0 = (a * a - 1.0) * std::log(y) + numerator / (y * y);
    if (highest >= 1)
        d.f1 = (1.0 - a * a) / y + (b - 6.0 * a * eta) / (y * y) + 2.0 * numerator / (y * y * y);
    if (highest >= 2)
        d.f2 = (1.0 - a * a) / (y * y) - 6.0 * a / (y * y) +
               4.0 * a * (a + 3.0 - 6.0 * eta) / (y * y * y) +
               6.0 * a * eta * (a + 3.0 - 3.0 * eta) / (y * y * y * y);
    if (highest >= 3)
        d.f3 = 2.0 * (1.0 - a * a) / (y * y * y) - 36.0 * a / (y * y * y) +
               18.0 * a * (a + 3.0 - 6.0 * eta) / (y * y * y * y) +
               24.0 * a * eta * (a + 3.0 - 3.0 * eta) / (y * y * y * y * y);
    return d;
}

}  // namespace

// Hard-convex-body contribution to F and its derivatives in D and T. The size factor
// S = A2 + (1 - A2) (T/T0)^A1 shrinks the molecules with rising temperature; the packing
// fraction is eta = 0.1617 (D/D0) / S.
// Outside the term's range (T/T0 not positive, or eta not below 1) the term refuses the state
// with STATUS_OUT_OF_RANGE and r8_f = 0, so that no NaN or infinity leaves it.
int32_t I4_X_RFH(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const float& A1, const float& A2, const int32_t& i4_del,
                 const int32_t& i4_tau, double& r8_f) {
    r8_f = 0.0;
    const int32_t order = i4_del + i4_tau;
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;

    const double a1 = A1;
    const double a2 = A2;
    const double theta = T / T0;
    if (!(theta > 0.0) || !std::isfinite(theta)) return STATUS_OUT_OF_RANGE;
    const double theta_a1 = std::pow(theta, a1);
    const double S = a2 + (1.0 - a2) * theta_a1;
    const double eta = kPacking * (D / D0) / S;
    if (!(eta < 1.0) || !std::isfinite(eta)) return STATUS_OUT_OF_RANGE;

    const EtaDerivatives F = eta_derivatives(Alpha, eta, order);
    if (i4_tau == 0) {
        const double eta_D = eta / D;
        switch (i4_del) {
            case 0:
                r8_f = F.f0;
                break;
            case 1:
                r8_f = F.f1 * eta_D;
                break;
            case 2:
                r8_f = F.f2 * eta_D * eta_D;
                break;
            default:
                r8_f = F.f3 * eta_D * eta_D * eta_D;
                break;
        }
        return STATUS_OK;
    }
    const double S_T = (1.0 - a2) * a1 * theta_a1 / T;
    const double eta_T = -eta * S_T / S;
    if (i4_del == 1) {
        const double eta_D = eta / D;
        r8_f = F.f2 * eta_D * eta_T + F.f1 * eta_T / D;
    } else if (i4_tau == 1) {
        r8_f = F.f1 * eta_T;
    } else {
        const double S_TT = (1.0 - a2) * a1 * (a1 - 1.0) * theta_a1 / (T * T);
        const double eta_TT = -eta * (S_TT / S - 2.0 * S_T * S_T / (S * S));
        r8_f = F.f2 * eta_T * eta_T + F.f1 * eta_TT;
    }
    return STATUS_OK;
}
