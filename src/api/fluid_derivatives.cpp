// Derivatives of a loaded fluid's states, its saturation slopes, the saturation series alone and
// the raw derivatives of the residual Helmholtz energy, in the fluid's units.
#include <cmath>
#include <limits>

#include "api/fluid_impl.h"
#include "api/solve_support.h"
#include "eos/eos.h"
#include "platform/status_codes.h"

namespace xalt1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

detail::Var var_of(Variable v) {
    return static_cast<detail::Var>(v);
}

std::string partial_text(Variable of, Variable wrt, Variable c) {
    return "(d" + std::string(variable_name(of)) + "/d" + std::string(variable_name(wrt)) +
           ") at constant " + std::string(variable_name(c));
}

}  // namespace

double Fluid::Impl::derivative_of(const detail::Found& found, const Derivative& d,
                                  std::string& why) const {
    const bool mixture = found.kind == detail::Found::Kind::mixture;
    detail::Jets jets;
    if (mixture && d.second) {
        why = "a second derivative of a two-phase state is not offered";
        return kNaN;
    }
    if (mixture) {
        jets = detail::mixture(found.pair, found.x, offsets);
    } else if (!d.second) {
        jets = detail::first_order(found.point, offsets);
    } else if (!detail::second_order(found.point, offsets, jets)) {
        why = "the equation gives no third derivatives at the state";
        return kNaN;
    }
    const detail::Var of = var_of(d.of), wrt = var_of(d.wrt), c = var_of(d.constant);
    double value = 0.0, scale = factor.of(of) / factor.of(wrt);
    if (d.second) {
        value = detail::second_derivative(jets, of, wrt, c, var_of(d.wrt2), var_of(d.constant2));
        scale /= factor.of(var_of(d.wrt2));
    } else {
        value = detail::first_derivative(jets, of, wrt, c);
    }
    if (std::isfinite(value)) return value * scale;
    why = partial_text(d.of, d.wrt, d.constant) + (d.second ? " differentiated again" : "") +
          " is not defined at the state: the quantities held and varied do not fix it" +
          (mixture ? " (two-phase: T and p are tied by the saturation curve)" : "");
    return kNaN;
}

double Fluid::derivative(const Derivative& d, Input input, double first, double second,
                         PhaseChoice phase) const {
    const Impl& m = *impl_;
    const detail::Found found = m.find(input, first, second, phase);
    detail::CallScope scope(m.records, m.id);
    std::string why;
    const double value = m.derivative_of(found, d, why);
    if (why.empty()) return value;
    m.fail(ErrorKind::not_a_state, Impl::Asked{input, first, second}, why);
}

SaturationSlopes Fluid::saturation_slopes(SaturationBy by, double value) const {
    const Impl& m = *impl_;
    const bool by_T = by == SaturationBy::T;
    const detail::SatPair pair =
        m.saturated(Impl::Asked{Input::TD, value, 0.0, true, by_T}, by, value);
    const detail::SaturationSlopes sl = detail::saturation_slopes(pair, m.offsets);
    const UnitFactors& f = m.factor;
    using detail::Var;
    const auto liq = [&](Var v) { return sl.liquid[static_cast<std::size_t>(v)] * f.of(v); };
    const auto vap = [&](Var v) { return sl.vapour[static_cast<std::size_t>(v)] * f.of(v); };
    SaturationSlopes out;
    out.T = pair.liq.T;
    out.ps = pair.vap.props.p * f.p;
    out.dps_dT = sl.dps_dT * f.p;
    out.dT_dp = 1.0 / out.dps_dT;
    out.dDl_dT = liq(Var::D);
    out.dDv_dT = vap(Var::D);
    out.dhl_dT = liq(Var::h);
    out.dhv_dT = vap(Var::h);
    out.dsl_dT = liq(Var::s);
    out.dsv_dT = vap(Var::s);
    out.dul_dT = liq(Var::u);
    out.duv_dT = vap(Var::u);
    out.dvl_dT = liq(Var::v);
    out.dvv_dT = vap(Var::v);
    const double r = out.dT_dp;
    out.dDl_dp = out.dDl_dT * r;
    out.dDv_dp = out.dDv_dT * r;
    out.dhl_dp = out.dhl_dT * r;
    out.dhv_dp = out.dhv_dT * r;
    out.dsl_dp = out.dsl_dT * r;
    out.dsv_dp = out.dsv_dT * r;
    out.dul_dp = out.dul_dT * r;
    out.duv_dp = out.duv_dT * r;
    out.dvl_dp = out.dvl_dT * r;
    out.dvv_dp = out.dvv_dT * r;
    return out;
}

SeriesPoint Fluid::saturation_series(SaturationBy by, double value) const {
    const Impl& m = *impl_;
    const bool by_T = by == SaturationBy::T;
    const Impl::Asked asked{Input::TD, value, 0.0, true, by_T};
    const double v = m.checked(asked, by_T ? detail::Given::T : detail::Given::p, value);
    const detail::SaturationCurve& c = m.curve;
    if (by_T && !(v < c.Tc()))
        m.fail(ErrorKind::out_of_range, asked, "no saturation at or above Tc");
    if (!by_T && !(v >= c.p_low() && v < c.p_high()))
        m.fail(ErrorKind::out_of_range, asked,
               "the saturation pressure lies in [" + detail::text(c.p_low() * m.factor.p) + ", " +
                   detail::text(c.p_high() * m.factor.p) + ")");
    SeriesPoint out;
    out.T = by_T ? v : c.temperature_of(v);
    c.at(out.T, out.p, out.Dl, out.Dv);
    if (!by_T) out.p = v;
    out.p *= m.factor.p;
    out.Dl *= m.factor.D;
    out.Dv *= m.factor.D;
    return out;
}

Residual Fluid::residual(double T, double D) const {
    const Impl& m = *impl_;
    const Impl::Asked asked{Input::TD, T, D};
    if (!(T > 0.0) || !(D > 0.0) || !std::isfinite(T) || !std::isfinite(D))
        m.fail(ErrorKind::bad_input, asked, "T and D must be positive finite numbers");
    const double Dm = D / m.factor.D;
    detail::CallScope scope(m.records, m.id);
    FresDeriv F;
    int32_t status = STATUS_OK;
    X_R_FDERIV(Dm, T, F, status);
    if (status != STATUS_OK)
        m.fail(ErrorKind::out_of_range, asked, "the equation does not give a state there");
    Residual r;
    r.tau = m.info.Tc / T;
    r.delta = Dm / m.info.Dc;
    r.alphar = F.F00;
    r.delta_d = Dm * F.F10;
    r.tau_t = -T * F.F01;
    r.delta2_dd = Dm * Dm * F.F20;
    r.tau2_tt = T * T * F.F02 + 2.0 * T * F.F01;
    r.delta_tau_dt = -Dm * T * F.F11;
    r.delta3_ddd = Dm * Dm * Dm * F.F30;
    return r;
}

}  // namespace xalt1
