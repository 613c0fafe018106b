#include <cmath>

#include "props/saturation_pair.h"
#include "substance/subst_const.h"

// Start density of the saturated liquid, mol/dm3: a generic correlation in 1 - T/Tc.
double RSIEDE(const double& T) {
    const double Dr = SUBST_CONST.Dc;
    const double theta = 1.0 - T / SUBST_CONST.Tc;
    return Dr *
           (1.0 + 2.2197545f * std::pow(theta, 0.33333334f) -
            2.4271793f * std::pow(theta, 0.6666667f) + 9.229691f * std::pow(theta, 1.0) -
            11.075602f * std::pow(theta, 1.3333334f) + 5.062491f * std::pow(theta, 1.6666666f));
}

// Start density of the saturated vapour, mol/dm3.
double RTAU(const double& T) {
    const double Dr = SUBST_CONST.Dc;
    const double theta = 1.0 - T / SUBST_CONST.Tc;
    return Dr *
           std::exp(-3.3157916f * std::pow(theta, 0.33333334f) +
                    18.752176f * std::pow(theta, 0.6666667f) - 102.723274f * std::pow(theta, 1.0) +
                    211.47919f * std::pow(theta, 1.3333334f) -
                    195.90804f * std::pow(theta, 1.6666666f) + 51.53246f * std::pow(theta, 2.0));
}
