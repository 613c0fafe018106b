#include "api/jets.h"

#include <cmath>
#include <limits>

#include "eos/constants.h"
#include "eos/eos.h"
#include "eos/ideal_gas.h"
#include "platform/status_codes.h"

namespace xalt1::detail {

namespace {

constexpr double R = GAS_CONSTANT;
// p v in J/mol from p in MPa and D in mol/dm3.
constexpr double kPV = 1000.0;

// The pressure and heat-capacity derivatives that every jet is made of.
struct Core {
    double T = 0, D = 0, p = 0, h = 0, s = 0;
    double p_T = 0, p_D = 0, cv = 0;
    double p_TT = 0, p_TD = 0, p_DD = 0, cv_T = 0, cv_D = 0;
};

Jets jets_of(const Core& c) {
    const double T = c.T, D = c.D, D2 = D * D, D3 = D2 * D;
    Jets j;
    j[Var::T] = {T, 1, 0, 0, 0, 0};
    j[Var::D] = {D, 0, 1, 0, 0, 0};
    j[Var::v] = {1.0 / D, 0, -1.0 / D2, 0, 0, 2.0 / D3};
    j[Var::p] = {c.p, c.p_T, c.p_D, c.p_TT, c.p_TD, c.p_DD};
    j[Var::s] = {c.s,
                 c.cv / T,
                 -kPV * c.p_T / D2,
                 c.cv_T / T - c.cv / (T * T),
                 -kPV * c.p_TT / D2,
                 -kPV * (c.p_TD / D2 - 2.0 * c.p_T / D3)};
    const Jet pv = {kPV * c.p / D,
                    kPV * c.p_T / D,
                    kPV * (c.p_D / D - c.p / D2),
                    kPV * c.p_TT / D,
                    kPV * (c.p_TD / D - c.p_T / D2),
                    kPV * (c.p_DD / D - 2.0 * c.p_D / D2 + 2.0 * c.p / D3)};
    const Jet u = {
        c.h - pv.v, c.cv,   kPV * (c.p - T * c.p_T) / D2,
        c.cv_T,     c.cv_D, kPV * ((c.p_D - T * c.p_TD) / D2 - 2.0 * (c.p - T * c.p_T) / D3)};
    const Jet& s = j[Var::s];
    const Jet f = {u.v - T * s.v, -s.v, kPV * c.p / D2,
                   -s.T,          -s.D, kPV * (c.p_D / D2 - 2.0 * c.p / D3)};
    const auto sum = [](const Jet& a, const Jet& b) {
        return Jet{a.v + b.v, a.T + b.T, a.D + b.D, a.TT + b.TT, a.TD + b.TD, a.DD + b.DD};
    };
    j[Var::u] = u;
    j[Var::h] = sum(u, pv);
    j[Var::f] = f;
    j[Var::g] = sum(f, pv);
    return j;
}

Core first_core(const Point& pt, const Offsets& off) {
    const Values v = values_of(pt, off);
    Core c;
    c.T = v.T;
    c.D = v.D;
    c.p = v.p;
    c.h = v.h;
    c.s = v.s;
    c.p_T = pt.props.dpdT;
    c.p_D = pt.props.dpdD;
    c.cv = pt.props.cv;
    c.p_DD = pt.props.d2pdD2;
    return c;
}

// (A_T C_D - A_D C_T) and its partials in T and D.
Jet cross(const Jet& a, const Jet& c) {
    Jet n;
    n.v = a.T * c.D - a.D * c.T;
    n.T = a.TT * c.D + a.T * c.TD - a.TD * c.T - a.D * c.TT;
    n.D = a.TD * c.D + a.T * c.DD - a.DD * c.T - a.D * c.TD;
    return n;
}

}  // namespace

Values values_of(const Point& pt, const Offsets& off) {
    return {pt.T, pt.D, pt.props.p, pt.props.h + off.dh, pt.props.s + off.ds};
}

Jets first_order(const Point& pt, const Offsets& off) {
    return jets_of(first_core(pt, off));
}

bool second_order(const Point& pt, const Offsets& off, Jets& jets) {
    const double T = pt.T, D = pt.D;
    FresDeriv F;
    FresThird F3;
    int32_t status = STATUS_OK;
    X_R_FDERIV(D, T, F, status);
    double c0 = 0, h0 = 0, s0 = 0;
    if (status != STATUS_OK || !residual_third_derivatives(D, T, F3) ||
        ideal_gas::sums(T, ideal_gas::Form::exact, false, c0, h0, s0) != STATUS_OK)
        return false;
    const double k = R / 1000.0, c1 = ideal_gas::cp0_slope(T);
    Core c = first_core(pt, off);
    c.p_TD = k * (1.0 + 2.0 * D * F.F10 + D * D * F.F20 + 2.0 * D * T * F.F11 + D * D * T * F3.F21);
    c.p_TT = k * D * D * (2.0 * F.F11 + T * F3.F12);
    c.cv_T = R * c1 - R * (2.0 * F.F01 + 4.0 * T * F.F02 + T * T * F3.F03);
    c.cv_D = -R * T * (2.0 * F.F11 + T * F3.F12);
    jets = jets_of(c);
    for (const Jet& q : jets.q)
        for (double x : {q.v, q.T, q.D, q.TT, q.TD, q.DD})
            if (!std::isfinite(x)) return false;
    return true;
}

SaturationSlopes saturation_slopes(const SatPair& pair, const Offsets& off) {
    const Jets l = first_order(pair.liq, off), v = first_order(pair.vap, off);
    SaturationSlopes out;
    out.dps_dT = (v[Var::s].v - l[Var::s].v) / (v[Var::v].v - l[Var::v].v) / kPV;
    const double dDl = (out.dps_dT - l[Var::p].T) / l[Var::p].D;
    const double dDv = (out.dps_dT - v[Var::p].T) / v[Var::p].D;
    for (std::size_t k = 0; k < kVarCount; ++k) {
        out.liquid[k] = l.q[k].T + l.q[k].D * dDl;
        out.vapour[k] = v.q[k].T + v.q[k].D * dDv;
    }
    return out;
}

Jets mixture(const SatPair& pair, double x, const Offsets& off) {
    const Jets l = first_order(pair.liq, off), g = first_order(pair.vap, off);
    const SaturationSlopes slopes = saturation_slopes(pair, off);
    const std::size_t iv = static_cast<std::size_t>(Var::v);
    const double span = g.q[iv].v - l.q[iv].v;
    const double dspan = slopes.vapour[iv] - slopes.liquid[iv];
    const double dv = slopes.liquid[iv] + x * dspan;  // d v'/dT + x d(v'' - v')/dT
    const double vol = l.q[iv].v + x * span;
    Jets j;
    for (std::size_t k = 0; k < kVarCount; ++k) {
        const double jump = g.q[k].v - l.q[k].v;
        Jet& q = j.q[k];
        q.v = l.q[k].v + x * jump;
        // At constant v the fraction moves with T as the volumes of the pair do.
        q.T = slopes.liquid[k] + x * (slopes.vapour[k] - slopes.liquid[k]) - jump / span * dv;
        q.D = -vol * vol * jump / span;
    }
    j[Var::T] = {l[Var::T].v, 1, 0, 0, 0, 0};
    j[Var::v] = {vol, 0, -vol * vol, 0, 0, 0};
    j[Var::D] = {1.0 / vol, 0, 1, 0, 0, 0};
    j[Var::p] = {g[Var::p].v, slopes.dps_dT, 0, 0, 0, 0};
    return j;
}

double first_derivative(const Jets& j, Var of, Var wrt, Var c) {
    const Jet &a = j[of], &b = j[wrt], &k = j[c];
    const double den = b.T * k.D - b.D * k.T;
    if (den == 0.0 || !std::isfinite(den)) return std::numeric_limits<double>::quiet_NaN();
    return (a.T * k.D - a.D * k.T) / den;
}

double second_derivative(const Jets& j, Var of, Var wrt1, Var c1, Var wrt2, Var c2) {
    const Jet n = cross(j[of], j[c1]), m = cross(j[wrt1], j[c1]);
    const Jet &w = j[wrt2], &k = j[c2];
    const double den = w.T * k.D - w.D * k.T;
    if (m.v == 0.0 || den == 0.0 || !std::isfinite(m.v) || !std::isfinite(den))
        return std::numeric_limits<double>::quiet_NaN();
    // The first derivative n/m as a quantity of its own: its partials in T and D.
    const double q_T = (n.T * m.v - n.v * m.T) / (m.v * m.v);
    const double q_D = (n.D * m.v - n.v * m.D) / (m.v * m.v);
    return (q_T * k.D - q_D * k.T) / den;
}

}  // namespace xalt1::detail
