#include "eos/eos.h"
#include "eos/term_forms.h"
#include "platform/status_codes.h"

// One polar term F = c tau^(n/2) x^(m/2) P^(k/4) exp(-o x^2), with x = D/D0 and
// tau = T/(1.13 T0), and its derivatives in D and T, from the term's shape. P is the quadrupole
// parameter Q2 for the quadrupolar set and the dipole parameter Dp for the dipolar set. An
// unsupported derivative pair returns 1 and leaves r8_f unchanged.
int32_t I4_X_RFQ(const double& D, const double& D0, const double& T, const double& T0,
                 const double& P, const double& c, const int32_t& n, const int32_t& m,
                 const int32_t& k, const int32_t& o, const int32_t& i4_del, const int32_t& i4_tau,
                 double& r8_f) {
    if (!supported_pair(i4_del, i4_tau)) return STATUS_UNSUPPORTED_PAIR;
    const term_forms::Shape shape = term_forms::polar(c, P, n, m, k, o);
    r8_f = term_forms::term_derivative(shape, D, D0, T, T0, i4_del, i4_tau);
    return STATUS_OK;
}
