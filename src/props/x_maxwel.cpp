#include <cmath>

#include "platform/erraus.h"
#include "platform/status_codes.h"
#include "props/maxwel_passes.h"
#include "props/props.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

constexpr std::string_view kTag = "x_maxwel";

// Limits of the loops that have none of their own: a start point that cannot be pushed onto
// its branch, or passes that do not converge, end the call as a failure near Tc.
constexpr int32_t kMaxPushes = 2000;
constexpr int32_t kMaxPasses = 500;
constexpr int32_t kPassesNearTc = 300;  // within the integer kelvin of Tc

constexpr double kRaise = 1.0099999904632568;         // 1.01 in single precision
constexpr double kLower = 0.9900000095367432;         // 0.99 in single precision
constexpr double kConverged = 9.999999974752427e-07;  // 1e-6 in single precision

// Reducing values of the module, set at every entry.
double Tr = 0.0;
double Dr = 0.0;
// Set when a property evaluation inside the module failed; the call then ends.
bool evaluation_failed = false;
int32_t failed_status = STATUS_OK;

// The new reduced densities of the last pass; a correction that cannot improve on its density
// keeps the value it had.
double rl_new = 0.0;
double rv_new = 0.0;

// One silent evaluation at the reduced density r. A failure is reported once per call.
void evaluate(const double& T, const double& r) {
    const bool silent = true;
    const double D = Dr * r;
    const float x = -1.0f;
    int32_t status = STATUS_OK;
    X_TD_DAT(silent, D, T, x, status);
    if (status != STATUS_OK && !evaluation_failed) {
        evaluation_failed = true;
        failed_status = status;
        ERRAUS(kTag, "Error in the Routine x_td_dat", status);
    }
}

// Pressure at the reduced density r.
double PGESMAX(const double& T, const double& r) {
    evaluate(T, r);
    return TD_PROPS.p;
}

// One tenth of the derivative of the pressure with respect to the reduced density.
double DPDDMAX(const double& T, const double& r) {
    evaluate(T, r);
    return 0.10000000149011612 * Dr * TD_PROPS.dpdD;
}

// Gibbs energy at the reduced density r.
double GGESMAX(const double& T, const double& r) {
    evaluate(T, r);
    return TD_PROPS.g;
}

// Central difference of the Gibbs energy with respect to the reduced density.
double DGDDMAX(const double& T, const double& r) {
    const double D = Dr * r;
    const double delta = 1.0000000116860974e-07 * D;  // 1e-7 in single precision
    const double up = (D + delta) / Dr;
    const double down = (D - delta) / Dr;
    return Dr * (GGESMAX(T, up) - GGESMAX(T, down)) / (2.0 * delta);
}

// Start density of the saturated liquid, mol/dm3.
double RSIEDE(const double& T) {
    const double theta = 1.0 - T / Tr;
    return Dr * (1.0 + 2.219754457473755 * std::pow(theta, 0.3333333432674408) -
                 2.4271793365478516 * std::pow(theta, 0.6666666865348816) +
                 9.229690551757812 * std::pow(theta, 1.0) -
                 11.075601577758789 * std::pow(theta, 1.3333333730697632) +
                 5.062490940093994 * std::pow(theta, 1.6666666269302368));
}

// Start density of the saturated vapour, mol/dm3.
double RTAU(const double& T) {
    const double theta = 1.0 - T / Tr;
    return Dr * std::exp(-3.315791606903076 * std::pow(theta, 0.3333333432674408) +
                         18.75217628479004 * std::pow(theta, 0.6666666865348816) -
                         102.72327423095703 * std::pow(theta, 1.0) +
                         211.47918701171875 * std::pow(theta, 1.3333333730697632) -
                         195.9080352783203 * std::pow(theta, 1.6666666269302368) +
                         51.5324592590332 * std::pow(theta, 2.0));
}

// Parabola through (r - h, v_minus), (r, v0), (r + h, v_plus): its vertex and the discriminant
// of the root where it takes the value `target`.
struct Parabola {
    double vertex;
    double discriminant;
};

Parabola fit(double r, double h, double v0, double v_minus, double v_plus, double target) {
    const double t0 = r / h;
    const double A1 = (v_plus - v_minus) / 2.0;
    const double A2 = (v_plus - 2.0 * v0 + v_minus) / 2.0;
    const double gamma = v0 - t0 * A1 + t0 * t0 * A2;
    const double beta = (A1 - 2.0 * t0 * A2) / h;
    const double alpha = A2 / (h * h);
    const double vertex = -beta / (2.0 * alpha);
    return {vertex, vertex * vertex - (gamma - target) / alpha};
}

// Ends the call as a failure near the critical point.
void fail_near_tc(int32_t& status) {
    ERRAUS(kTag, "Error at the calculation in the near of Tc", 0);
    status = STATUS_NEAR_CRITICAL;
}

}  // namespace

int32_t MAXWEL_PASSES = 0;

// Saturation pressure ps and saturated densities Dliq, Dvap at T by the Maxwell construction:
// start densities from generic correlations, pushed onto the stable branches, then passes that
// move the liquid to the pressure of the vapour and the vapour to the Gibbs energy of the
// liquid, each by a local parabola, until pressures, Gibbs energies and both densities agree to
// a relative 1e-6. Outputs are written only on success.
// Failures, each with no outputs written: T not below Tc (or not positive), a start point that
// cannot be pushed onto its branch, too many passes (300 when T shares its integer kelvin with
// Tc, kMaxPasses otherwise): "Error at the calculation in the near of Tc" and status 99. A
// property evaluation outside the range of the equation: "Error in the Routine x_td_dat" with
// its status, which the call hands back.
void X_MAXWEL(const double& T, double& ps, double& Dliq, double& Dvap, int32_t& status) {
    Tr = SUBST_CONST.Tc;
    Dr = SUBST_CONST.Dc;
    MAXWEL_PASSES = 0;
    evaluation_failed = false;
    failed_status = STATUS_OK;
    auto failed = [&]() {
        if (evaluation_failed) status = failed_status;
        return evaluation_failed;
    };
    if (!(T > 0.0) || !(T < Tr) || !(Dr > 0.0)) {
        fail_near_tc(status);
        return;
    }

    double rv = RTAU(T) / Dr;
    double rl = RSIEDE(T) / Dr;

    // The liquid start onto the stiff liquid branch, the vapour start onto the stable one.
    int32_t pushes = 0;
    while (DPDDMAX(T, rl) <= 10.0 && !failed() && ++pushes <= kMaxPushes) rl *= kRaise;
    while (PGESMAX(T, rl) <= 0.0 && !failed() && ++pushes <= kMaxPushes) rl *= kRaise;
    while (PGESMAX(T, rl) >= 100.0 && !failed() && ++pushes <= kMaxPushes) rl *= kLower;
    while (DGDDMAX(T, rv) <= 0.0 && !failed() && ++pushes <= kMaxPushes) rv *= kLower;
    if (failed()) return;
    if (pushes > kMaxPushes) {
        fail_near_tc(status);
        return;
    }

    const double q = 9.999999747378752e-05 * std::pow(100.0, std::pow(T / Tr, 4));
    const double k = rv < 0.009999999776482582 ? 1000.0 : 1.0;

    // A correction that falls into its last case keeps the density it started the pass with.
    rl_new = rl;
    rv_new = rv;
    int32_t counter = 0;
    const bool within_kelvin_of_tc = std::trunc(T) == std::trunc(Tr);
    for (;;) {
        ++counter;
        MAXWEL_PASSES = counter;
        const double pv = PGESMAX(T, rv);

        // Liquid: to the pressure of the vapour.
        double h = q * rl;
        const double P0 = PGESMAX(T, rl);
        const double Pm = PGESMAX(T, rl - h);
        const double Pp = PGESMAX(T, rl + h);
        Parabola pl = fit(rl, h, P0, Pm, Pp, pv);
        if (pl.discriminant < 0.0) {
            rl_new = std::sqrt(pl.vertex * pl.vertex);
        } else if (pl.vertex < rl - h) {
            rl_new = pl.vertex + std::sqrt(pl.discriminant);
        } else if (pl.vertex > rl + h) {
            rl_new = pl.vertex - std::sqrt(pl.discriminant);
        }
        const double gl = GGESMAX(T, rl_new);

        // Vapour: to the Gibbs energy of the corrected liquid.
        h = q * rv * k;
        const double G0 = GGESMAX(T, rv);
        const double Gm = GGESMAX(T, rv - h);
        const double Gp = GGESMAX(T, rv + h);
        if (failed()) return;
        Parabola pg = fit(rv, h, G0, Gm, Gp, gl);
        if (pg.discriminant < 0.0) {
            rv_new = std::sqrt(pg.vertex * pg.vertex);
        } else if (pg.vertex > rv + h) {
            rv_new = pg.vertex - std::sqrt(pg.discriminant);
        } else if (pg.vertex < rv - h) {
            rv_new = pg.vertex + std::sqrt(pg.discriminant);
        }
        if (rv_new < 1.000000013351432e-10) rv_new = 0.8999999761581421 * rv;

        const double dv = std::fabs(rv_new - rv) / rv_new;
        const double dl = std::fabs(rl_new - rl) / rl_new;
        const double dg = std::fabs(G0 - gl) / std::fabs(gl);
        const double dp = std::fabs(pv - P0) / std::fabs(P0);
        if (dp <= kConverged && dl <= kConverged && dg <= kConverged && dv <= kConverged) {
            Dvap = rv_new * Dr;
            Dliq = rl_new * Dr;
            ps = pv;
            return;
        }
        rv = rv_new;
        rl = rl_new;
        if ((counter > kPassesNearTc && within_kelvin_of_tc) || counter >= kMaxPasses) {
            fail_near_tc(status);
            return;
        }
    }
}
