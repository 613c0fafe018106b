#include <cmath>

#include "eos/eos.h"
#include "eos/hard_body.h"
#include "main/status_codes.h"
#include "substance/subst_const.h"

// A state is inside the equation's range when the hard-body term accepts it; the attraction and
// polar terms are finite wherever it does.
bool X_R_INRANGE(const double& D, const double& T) {
    if (!std::isfinite(D) || !std::isfinite(T) || !(D > 0.0) || !(T > 0.0)) return false;
    const int32_t del = 0;
    const int32_t tau = 0;
    double f = 0.0;
    return I4_X_RFH(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha, A1_HARD_BODY,
                    A2_HARD_BODY, del, tau, f) == STATUS_OK;
}
