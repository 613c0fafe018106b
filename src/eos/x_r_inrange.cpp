#include <cmath>

#include "eos/eos.h"
#include "eos/ideal_gas.h"
#include "eos/term_forms.h"
#include "platform/status_codes.h"
#include "substance/subst_const.h"

// The residual part takes a state when D and T are finite and positive and the hard-body term
// accepts it (T/T0 > 0, packing fraction below 1, a finite value). For D, T > 0 the attraction
// and polar terms have no singularity (only absurd states can make them overflow).
bool residual_in_range(const double& D, const double& T) {
    if (!std::isfinite(D) || !std::isfinite(T) || !(D > 0.0) || !(T > 0.0)) return false;
    const int32_t del = 0;
    const int32_t tau = 0;
    double f = 0.0;
    return I4_X_RFH(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha, A1_HARD_BODY,
                    A2_HARD_BODY, del, tau, f) == STATUS_OK;
}

// The whole equation takes a state when the residual part does and the ideal-gas part is
// defined and finite at T. Writes nothing.
bool X_R_INRANGE(const double& D, const double& T) {
    if (!residual_in_range(D, T)) return false;
    double cp0 = 0.0, h0 = 0.0, s0 = 0.0;
    return ideal_gas::sums(T, ideal_gas::Form::exact, false, cp0, h0, s0) == STATUS_OK;
}
