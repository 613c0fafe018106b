#include "eos/eos.h"
#include "eos/term_sweep.h"

// F21, F12 and F03 at (D, T) for the loaded substance: one sweep over its terms.
bool residual_third_derivatives(const double& D, const double& T, FresThird& set) {
    return term_sweep::third_derivatives(term_sweep::current(), D, T, set);
}
