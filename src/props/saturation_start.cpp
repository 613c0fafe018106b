#include <cmath>

#include "props/saturation_pair.h"
#include "substance/subst_const.h"

// Start density of the saturated liquid, mol/dm3: a generic correlation in 1 - T/Tc.
double RSIEDE(const double& T) {
    const double Dr = SUBST_CONST.Dc;
    const double theta = 1.0 - T / SUBST_CONST.Tc;
    return Dr * (1.0 + 2.219754457473755 * std::pow(theta, 0.3333333432674408) -
                 2.4271793365478516 * std::pow(theta, 0.6666666865348816) +
                 9.229690551757812 * std::pow(theta, 1.0) -
                 11.075601577758789 * std::pow(theta, 1.3333333730697632) +
                 5.062490940093994 * std::pow(theta, 1.6666666269302368));
}

// Start density of the saturated vapour, mol/dm3.
double RTAU(const double& T) {
    const double Dr = SUBST_CONST.Dc;
    const double theta = 1.0 - T / SUBST_CONST.Tc;
    return Dr * std::exp(-3.315791606903076 * std::pow(theta, 0.3333333432674408) +
                         18.75217628479004 * std::pow(theta, 0.6666666865348816) -
                         102.72327423095703 * std::pow(theta, 1.0) +
                         211.47918701171875 * std::pow(theta, 1.3333333730697632) -
                         195.9080352783203 * std::pow(theta, 1.6666666269302368) +
                         51.5324592590332 * std::pow(theta, 2.0));
}
