#include <cmath>

#include "platform/status_codes.h"
#include "props/props.h"
#include "props/saturation_pair.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

// A pair is accepted when a Newton step on its two conditions (equal pressure, equal Gibbs
// energy) would move neither density by more than this share of it: the pairs of X_MAXWEL's
// passes, converged to a relative 1e-6, stay within it.
constexpr double kLargestCorrection = 1e-5;
// The pressures of the two densities meet ps within this share of ps, or within the pressure
// step of one unit in the last place of the liquid density (a stiff liquid at low pressure).
constexpr double kPressureMiss = 1e-4;
constexpr double kLiquidResolution = 2e-15;

bool state_at(const double& D, const double& T, TdProps& state) {
    int32_t status = STATUS_OK;
    X_TD_DAT(true, D, T, -1.0f, status);
    state = TD_PROPS;
    return status == STATUS_OK;
}

// The Newton step (dl, dv) of the pair that makes pressures and Gibbs energies equal to first
// order: with w = dp(vapour), (w - (pl - pv))/Dl - w/Dv = -(gl - gv)/1000.
bool small_correction(double Dl, double Dv, const TdProps& l, const TdProps& v) {
    const double dp = l.p - v.p;
    const double dg = l.g - v.g;
    const double w = (dp / Dl - dg / 1000.0) / (1.0 / Dl - 1.0 / Dv);
    const double dv = w / v.dpdD;
    const double dl = (w - dp) / l.dpdD;
    return std::fabs(dl) <= kLargestCorrection * Dl && std::fabs(dv) <= kLargestCorrection * Dv;
}

bool pressure_met(double ps, const TdProps& state, double resolution) {
    return std::fabs(state.p - ps) <= kPressureMiss * ps + resolution;
}

// A loop lies between the two densities: dp/dD < 0 at their midpoint or at one of the quarter
// points (two states on the same branch, however close in pressure and Gibbs energy, have none).
bool loop_between(double Dl, double Dv, const double& T) {
    TdProps state;
    for (double share : {0.5, 0.25, 0.75}) {
        if (!state_at(Dv + share * (Dl - Dv), T, state)) return false;
        if (state.dpdD < 0.0) return true;
    }
    return false;
}

bool is_pair(const double& T, const double& ps, const double& Dliq, const double& Dvap) {
    const SubstConst& sc = SUBST_CONST;
    if (!(T > 0.0 && T < sc.Tc) || !(ps > 0.0 && ps < sc.Pc) || !(Dvap > 0.0 && Dliq > Dvap))
        return false;
    TdProps l, v;
    if (!state_at(Dliq, T, l) || !state_at(Dvap, T, v)) return false;
    if (!(l.dpdD > 0.0) || !(v.dpdD > 0.0)) return false;
    const double liquid_resolution = kLiquidResolution * Dliq * l.dpdD;
    if (!pressure_met(ps, l, liquid_resolution) || !pressure_met(ps, v, 0.0)) return false;
    return small_correction(Dliq, Dvap, l, v) && loop_between(Dliq, Dvap, T);
}

}  // namespace

void X_SAT_CHECK(const double& T, const double& ps, const double& Dliq, const double& Dvap,
                 bool& l_pair) {
    const TdProps kept = TD_PROPS;
    l_pair = is_pair(T, ps, Dliq, Dvap);
    TD_PROPS = kept;
}
