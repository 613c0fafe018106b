#include <cmath>

#include "eos/eos.h"
#include "eos/hard_body.h"
#include "eos/ideal_gas.h"
#include "platform/status_codes.h"
#include "substance/subst_const.h"

// A state is inside the equation's range when D and T are finite and positive, the hard-body
// term accepts it (T/T0 > 0, packing fraction below 1) and the ideal-gas part is defined and
// finite at T. For D, T > 0 the attraction and polar terms have no singularity (only absurd
// states can make them overflow). Writes nothing.
bool X_R_INRANGE(const double& D, const double& T) {
    if (!std::isfinite(D) || !std::isfinite(T) || !(D > 0.0) || !(T > 0.0)) return false;
    const int32_t del = 0;
    const int32_t tau = 0;
    double f = 0.0;
    if (I4_X_RFH(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha, A1_HARD_BODY,
                 A2_HARD_BODY, del, tau, f) != STATUS_OK)
        return false;
    double cp0 = 0.0, h0 = 0.0, s0 = 0.0;
    const int32_t count = ideal_gas::term_count();
    for (int32_t i = 0; i < count; ++i) {
        const double theta = SUBST_CONST.K2[i];
        if (!ideal_gas::is_planck_einstein(theta)) {
            ideal_gas::add_power(SUBST_CONST.K[i], SUBST_CONST.E[i], T, cp0, h0, s0);
        } else if (theta > 0.0) {
            ideal_gas::add_planck_einstein(SUBST_CONST.K[i], theta, T, cp0, h0, s0);
        } else {
            return false;
        }
    }
    return std::isfinite(cp0) && std::isfinite(h0) && std::isfinite(s0);
}
