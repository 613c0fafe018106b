#include <cmath>

#include "eos/derivative_pair.h"
#include "eos/eos.h"
#include "eos/powers.h"
#include "platform/status_codes.h"

// One attraction term F = c theta^(n/2) delta^m Alpha^j exp(-delta^l) (no exponential when
// l = 0), with delta = D/D0 and theta = T/T0, and its derivatives in D and T.
// An unsupported derivative pair returns 1 and leaves r8_f unchanged.
int32_t I4_X_RFA(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const double& c, const int32_t& m, const int32_t& n,
                 const int32_t& j, const int32_t& l, const int32_t& i4_del, const int32_t& i4_tau,
                 double& r8_f) {
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;

    const double delta = D / D0;
    const double theta = T / T0;
    const double t = n / 2.0;
    const double delta_l = (l != 0) ? int_power(delta, l) : 0.0;
    const double psi = (l != 0) ? std::exp(-delta_l) : 1.0;
    const double F = c * half_power(theta, n) * int_power(delta, m) * int_power(Alpha, j) * psi;
    const double dm = m;
    const double dl = l;
    const double u = (l != 0) ? dl * delta_l : 0.0;

    if (i4_tau == 0) {
        switch (i4_del) {
            case 0:
                r8_f = F;
                break;
            case 1:
                r8_f = F * (dm - u) / D;
                break;
            case 2:
                r8_f = F / (D * D) * (dm * (dm - 1.0) - 2.0 * dm * u + u * u - (dl - 1.0) * u);
                break;
            default: {
                const double lm1 = dl + dm - 1.0;
                const double lm2 = dl + dm - 2.0;
                r8_f = F / (D * D * D) *
                       (dm * (dm - 1.0) * (dm - 2.0) -
                        u * (dm * (dm - 1.0) + dm * (dl + dm - 2.0) + lm1 * lm2) +
                        3.0 * lm1 * u * u - u * u * u);
                break;
            }
        }
    } else if (i4_del == 1) {
        r8_f = F * (dm - u) / D * t / T;
    } else if (i4_tau == 1) {
        r8_f = F * t / T;
    } else {
        r8_f = F * t * (t - 1.0) / (T * T);
    }
    return STATUS_OK;
}
