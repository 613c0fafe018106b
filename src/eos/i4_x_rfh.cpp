#include <cmath>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "platform/status_codes.h"

namespace {

double pick(const FresDeriv& h, int32_t i4_del, int32_t i4_tau) {
    if (i4_tau == 0) {
        const double by_del[4] = {h.F00, h.F10, h.F20, h.F30};
        return by_del[i4_del];
    }
    if (i4_del == 1) return h.F11;
    return i4_tau == 1 ? h.F01 : h.F02;
}

}  // namespace

// Hard-convex-body contribution to F and its derivatives in D and T. The size factor
// S = A2 + (1 - A2) (T/T0)^A1 shrinks the molecules with rising temperature; the packing
// fraction is eta = 0.1617 (D/D0) / S, and every branch is the chain rule through eta.
//
// The term exists only for T/T0 > 0 (real power) and eta < 1 (logarithm and poles at eta = 1).
// Outside that range, or when the value would not be finite, the state is refused with
// STATUS_OUT_OF_RANGE and r8_f = 0, so that no NaN or infinity leaves the term; the residual
// sum reports it on its hard-body record path, and the range rule lets callers refuse such
// states before they evaluate them. An unsupported pair returns STATUS_UNSUPPORTED_PAIR with
// r8_f = 0.
int32_t I4_X_RFH(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const float& A1, const float& A2, const int32_t& i4_del,
                 const int32_t& i4_tau, double& r8_f) {
    r8_f = 0.0;
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;
    hard_body::State s;
    if (!hard_body::state(D, D0, T, T0, A1, A2, s)) return STATUS_OUT_OF_RANGE;
    FresDeriv h;
    hard_body::derivatives(s, Alpha, h);
    const double value = pick(h, i4_del, i4_tau);
    if (!std::isfinite(value)) return STATUS_OUT_OF_RANGE;
    r8_f = value;
    return STATUS_OK;
}
