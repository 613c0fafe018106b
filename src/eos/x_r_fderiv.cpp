#include "eos/eos.h"
#include "eos/term_sweep.h"
#include "platform/status_codes.h"

void term_sweep::derivative_set(const Prepared& p, const double& D, const double& T, FresDeriv& set,
                                int32_t& status) {
    status = STATUS_OK;
    if (derivatives(p, D, T, set)) return;
    set = FresDeriv{};
    if (!residual_in_range(D, T)) {
        status = STATUS_OUT_OF_RANGE;
        return;
    }
    X_R_FRES(D, T, 0, 0, set.F00);
    X_R_FRES(D, T, 0, 1, set.F01);
    X_R_FRES(D, T, 0, 2, set.F02);
    X_R_FRES(D, T, 1, 0, set.F10);
    X_R_FRES(D, T, 1, 1, set.F11);
    X_R_FRES(D, T, 2, 0, set.F20);
    X_R_FRES(D, T, 3, 0, set.F30);
}

// The seven derivatives of FRES_DERIV at (D, T): by one sweep over the terms of the loaded
// substance, else (input below the lowest density or temperature, a value that is not finite,
// terms the sweep cannot take) by the seven X_R_FRES calls, which write their records exactly
// as they would for single requests. A state outside the range of the residual part (D or T
// not finite and positive, or refused by the hard-body term) is refused with
// STATUS_OUT_OF_RANGE, all seven 0 and nothing written.
void X_R_FDERIV(const double& D, const double& T, FresDeriv& set, int32_t& status) {
    term_sweep::derivative_set(term_sweep::current(), D, T, set, status);
}
