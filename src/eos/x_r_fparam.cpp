#include <algorithm>
#include <cmath>
#include <utility>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "eos/term_sweep.h"
#include "platform/status_codes.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace {

// dF/dP of the terms of one parameter P, with its slopes in D, in T and in P.
struct Slopes {
    double F = 0, D = 0, T = 0, P = 0;
};

// A term that is the power e of its parameter P adds F e/P to dF/dP, the same share of its
// slopes in D and T, and F e (e - 1)/P^2 to d2F/dP2.
void add_term(const term_forms::Shape& shape, double e, double P, double D, double T, Slopes& s) {
    const SubstConst& sc = SUBST_CONST;
    const term_forms::Value v = term_forms::term_value(shape, D, sc.D0, T, sc.T0);
    const double share = e / P;
    s.F += v.F * share;
    s.D += term_forms::derivative(shape, v.F, v.z, D, T, 1, 0) * share;
    s.T += term_forms::derivative(shape, v.F, v.z, D, T, 0, 1) * share;
    s.P += v.F * share * (e - 1.0) / P;
}

// A polar set: each term the power k/4 of P (a set out of use contributes nothing).
Slopes polar_slopes(const PolarSet& set, double P, double D, double T) {
    Slopes s;
    if (!polar_set_on(P)) return s;
    for (int32_t i = 0; i < std::clamp(set.i4_nz, 0, 40); ++i)
        add_term(term_forms::polar(set.c[i], P, set.n[i], set.m[i], set.k[i], set.o[i]),
                 set.k[i] / 4.0, P, D, T, s);
    return s;
}

// The hard-body term's part in the shape parameter a, through the packing fraction eta.
Slopes hard_body_slopes(const hard_body::State& h) {
    const double a = SUBST_CONST.Alpha, eta = h.eta, r = h.r;
    const double b = (2.0 * a + 3.0) * eta - 3.0 * eta * eta;
    const double by_eta = -2.0 * a * r + (2.0 * a + 3.0 - 6.0 * eta) * r * r + 2.0 * b * r * r * r;
    return {2.0 * a * std::log(h.y) + b * r * r, by_eta * h.eta_D, by_eta * h.eta_T,
            2.0 * std::log(h.y) + 2.0 * eta * r * r};
}

// The shape parameter a: the hard-body term and the attraction terms, each the power j of a.
Slopes alpha_slopes(const hard_body::State& h, double D, double T) {
    const double a = SUBST_CONST.Alpha;
    Slopes s = hard_body_slopes(h);
    const AttractionSet& fa = EOS_COEFF.Fa;
    for (int32_t i = 0; i < std::clamp(fa.i4_nz, 0, 40); ++i)
        add_term(term_forms::attraction(fa.c[i], a, fa.m[i], fa.n[i], fa.j[i], fa.l[i]), fa.j[i], a,
                 D, T, s);
    return s;
}

// The terms' parts by one sweep over the prepared terms (the term functions one by one where
// the sweep cannot take the terms), the hard-body term's added to Alpha's.
bool by_sweep(const hard_body::State& h, double D, double T, Slopes& a, Slopes& q, Slopes& d) {
    term_sweep::ParameterSlopes p;
    if (!term_sweep::parameter_slopes(term_sweep::current(), D, T, p)) return false;
    Slopes* into[3] = {&a, &q, &d};
    for (int k = 0; k < 3; ++k) *into[k] = {p.F[k], p.by_D[k], p.by_T[k], p.by_itself[k]};
    const Slopes hb = hard_body_slopes(h);
    a = {a.F + hb.F, a.D + hb.D, a.T + hb.T, a.P + hb.P};
    return true;
}

}  // namespace

// The derivatives of F of the loaded substance at (D, T) in its parameters Alpha, Q2 and Dp,
// with their slopes (D0 and T0 enter F through D/D0 and T/T0 alone, so that dF/dD0 = -(D/D0)
// dF/dD and dF/dT0 = -(T/T0) dF/dT). An attraction term is a power Alpha^j of the shape
// parameter, a polar term a power P^(k/4) of its parameter (a set out of use contributes
// nothing), and the hard-body term F(eta) = (a^2 - 1) ln y + [(a^2 + 3a) eta - 3a eta^2] / y^2
// has dF/da = 2a ln y + [(2a + 3) eta - 3 eta^2] / y^2 and d2F/da2 = 2 ln y + 2 eta / y^2. A
// state outside the hard-body term (packing fraction at or above 1) is refused with
// STATUS_OUT_OF_RANGE and all values 0.
void X_R_FPARAM_SLOPES(const double& D, const double& T, FresParamSlopes& set, int32_t& status) {
    set = FresParamSlopes{};
    const SubstConst& sc = SUBST_CONST;
    hard_body::State h;
    if (!input_accepted(D, T) ||
        !hard_body::state(D, sc.D0, T, sc.T0, A1_HARD_BODY, A2_HARD_BODY, h)) {
        status = STATUS_OUT_OF_RANGE;
        return;
    }
    Slopes a, q, d;
    if (!by_sweep(h, D, T, a, q, d)) {
        a = alpha_slopes(h, D, T);
        q = polar_slopes(EOS_COEFF.Fq, sc.Q2, D, T);
        d = polar_slopes(EOS_COEFF.Fd, sc.Dp, D, T);
    }
    double sum = 0;
    for (auto [into, from] : {std::pair{&FresParamSlopes::F, &Slopes::F},
                              {&FresParamSlopes::by_D, &Slopes::D},
                              {&FresParamSlopes::by_T, &Slopes::T},
                              {&FresParamSlopes::by_itself, &Slopes::P}}) {
        set.*into = {a.*from, q.*from, d.*from};
        sum += a.*from + q.*from + d.*from;
    }
    if (std::isfinite(sum)) {
        status = STATUS_OK;
        return;
    }
    set = FresParamSlopes{};
    status = STATUS_OUT_OF_RANGE;
}

void X_R_FPARAM(const double& D, const double& T, FresParam& set, int32_t& status) {
    FresParamSlopes slopes;
    X_R_FPARAM_SLOPES(D, T, slopes, status);
    set = slopes.F;
}
