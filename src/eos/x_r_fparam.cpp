#include <algorithm>
#include <cmath>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "platform/status_codes.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace {

// Sum of the terms of a polar set, each times its power of P (k/4) over P.
double polar_slope(const PolarSet& set, double P, double D, double T) {
    if (!polar_set_on(P)) return 0.0;
    const SubstConst& sc = SUBST_CONST;
    double sum = 0.0;
    for (int32_t i = 0; i < std::clamp(set.i4_nz, 0, 40); ++i) {
        const auto shape = term_forms::polar(set.c[i], P, set.n[i], set.m[i], set.k[i], set.o[i]);
        sum += term_forms::term_value(shape, D, sc.D0, T, sc.T0).F * (set.k[i] / 4.0) / P;
    }
    return sum;
}

}  // namespace

// The derivatives of F of the loaded substance at (D, T) in its parameters Alpha, Q2 and Dp
// (D0 and T0 enter F through D/D0 and T/T0 alone, so that dF/dD0 = -(D/D0) dF/dD and
// dF/dT0 = -(T/T0) dF/dT). An attraction term is a power Alpha^j of the shape parameter, a
// polar term a power P^(k/4) of its parameter (a set out of use contributes nothing), and the
// hard-body term F(eta) = (a^2 - 1) ln y + [(a^2 + 3a) eta - 3a eta^2] / y^2 has
// dF/da = 2a ln y + [(2a + 3) eta - 3 eta^2] / y^2. A state outside the hard-body term (packing
// fraction at or above 1) is refused with STATUS_OUT_OF_RANGE and all three 0.
void X_R_FPARAM(const double& D, const double& T, FresParam& set, int32_t& status) {
    set = FresParam{};
    const SubstConst& sc = SUBST_CONST;
    hard_body::State s;
    if (!input_accepted(D, T) ||
        !hard_body::state(D, sc.D0, T, sc.T0, A1_HARD_BODY, A2_HARD_BODY, s)) {
        status = STATUS_OUT_OF_RANGE;
        return;
    }
    const double a = sc.Alpha;
    double alpha =
        2.0 * a * std::log(s.y) + ((2.0 * a + 3.0) * s.eta - 3.0 * s.eta * s.eta) * s.r * s.r;
    const AttractionSet& fa = EOS_COEFF.Fa;
    for (int32_t i = 0; i < std::clamp(fa.i4_nz, 0, 40); ++i) {
        const auto shape = term_forms::attraction(fa.c[i], a, fa.m[i], fa.n[i], fa.j[i], fa.l[i]);
        alpha += term_forms::term_value(shape, D, sc.D0, T, sc.T0).F * fa.j[i] / a;
    }
    set.F_Alpha = alpha;
    set.F_Q2 = polar_slope(EOS_COEFF.Fq, sc.Q2, D, T);
    set.F_Dp = polar_slope(EOS_COEFF.Fd, sc.Dp, D, T);
    status = std::isfinite(set.F_Alpha + set.F_Q2 + set.F_Dp) ? STATUS_OK : STATUS_OUT_OF_RANGE;
}
