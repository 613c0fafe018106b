#include <cmath>

#include "eos/derivative_pair.h"
#include "eos/eos.h"
#include "eos/powers.h"
#include "platform/status_codes.h"

namespace {
constexpr double kTemperatureScale = 1.13;  // polar terms are reduced by 1.13 T0
}

// One polar term F = c tau^(n/2) x^(m/2) P^(k/4) exp(-o x^2), with x = D/D0 and
// tau = T/(1.13 T0), and its derivatives in D and T. P is the quadrupole parameter Q2 for the
// quadrupolar set and the dipole parameter Dp for the dipolar set.
// An unsupported derivative pair returns 1 and leaves r8_f unchanged.
int32_t I4_X_RFQ(const double& D, const double& D0, const double& T, const double& T0,
                 const double& P, const double& c, const int32_t& n, const int32_t& m,
                 const int32_t& k, const int32_t& o, const int32_t& i4_del, const int32_t& i4_tau,
                 double& r8_f) {
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;

    const double x = D / D0;
    const double tau = T / (kTemperatureScale * T0);
    const double t = n / 2.0;
    const double q = m / 2.0;
    const double dO = o;
    const double F = c * half_power(tau, n) * half_power(x, m) * quarter_power(P, k) *
                     (o != 0 ? std::exp(-dO * x * x) : 1.0);
    const double D02 = D0 * D0;

    if (i4_tau == 0) {
        switch (i4_del) {
            case 0:
                r8_f = F;
                break;
            case 1:
                r8_f = F * (q / D - 2.0 * dO * D / D02);
                break;
            case 2:
                r8_f = F * (q * (q - 1.0) / (D * D) - 2.0 * dO * (2.0 * q + 1.0) / D02 +
                            4.0 * dO * dO * D * D / (D02 * D02));
                break;
            default:
                r8_f = F * (q * (q - 1.0) * (q - 2.0) / (D * D * D) - 6.0 * dO * q * q / (D * D02) +
                            12.0 * dO * dO * (q + 1.0) * D / (D02 * D02) -
                            8.0 * dO * dO * dO * D * D * D / (D02 * D02 * D02));
                break;
        }
    } else if (i4_del == 1) {
        r8_f = F * (q / D - 2.0 * dO * D / D02) * t / T;
    } else if (i4_tau == 1) {
        r8_f = F * t / T;
    } else {
        r8_f = F * t * (t - 1.0) / (T * T);
    }
    return STATUS_OK;
}
