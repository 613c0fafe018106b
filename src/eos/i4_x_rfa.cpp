#include "eos/eos.h"
#include "eos/term_forms.h"
#include "platform/status_codes.h"

// One attraction term F = c theta^(n/2) delta^m Alpha^j exp(-delta^l) (no exponential when
// l = 0), with delta = D/D0 and theta = T/T0, and its derivatives in D and T, from the term's
// shape. An unsupported derivative pair returns 1 and leaves r8_f unchanged.
int32_t I4_X_RFA(const double& D, const double& D0, const double& T, const double& T0,
                 const double& Alpha, const double& c, const int32_t& m, const int32_t& n,
                 const int32_t& j, const int32_t& l, const int32_t& i4_del, const int32_t& i4_tau,
                 double& r8_f) {
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;
    const term_forms::Shape shape = term_forms::attraction(c, Alpha, m, n, j, l);
    r8_f = term_forms::term_derivative(shape, D, D0, T, T0, i4_del, i4_tau);
    return STATUS_OK;
}
