#include "eos/eos.h"
#include "eos/term_sweep.h"

void term_sweep::derivative_set(const Prepared& p, const double& D, const double& T,
                                FresDeriv& set) {
    if (derivatives(p, D, T, set)) return;
    set = FresDeriv{};
    X_R_FRES(D, T, 0, 0, set.F00);
    X_R_FRES(D, T, 0, 1, set.F01);
    X_R_FRES(D, T, 0, 2, set.F02);
    X_R_FRES(D, T, 1, 0, set.F10);
    X_R_FRES(D, T, 1, 1, set.F11);
    X_R_FRES(D, T, 2, 0, set.F20);
    X_R_FRES(D, T, 3, 0, set.F30);
}

// The seven derivatives of FRES_DERIV at (D, T) by one sweep over the terms of the loaded
// substance. Where the sweep does not take the state (input below the lowest density or
// temperature, the hard-body term refusing it, a value that is not finite), the seven X_R_FRES
// calls give the values and write their records exactly as they would for single requests.
void X_R_FDERIV(const double& D, const double& T, FresDeriv& set) {
    term_sweep::derivative_set(term_sweep::current(), D, T, set);
}
