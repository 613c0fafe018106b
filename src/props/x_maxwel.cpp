#include <cmath>

#include "platform/erraus.h"
#include "platform/status_codes.h"
#include "props/maxwel_passes.h"
#include "props/props.h"
#include "props/saturation_pair.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

constexpr std::string_view kTag = "x_maxwel";

// Limits of the loops that have none of their own: a start point that cannot be pushed onto
// its branch, or passes that do not converge, end the call as a failure near Tc.
constexpr int32_t kMaxPushes = 2000;
constexpr int32_t kMaxPasses = 500;
constexpr int32_t kPassesNearTc = 300;  // within the integer kelvin of Tc

// Steps and tolerance, held in single precision (float literals, widened).
constexpr double kRaise = 1.01f;
constexpr double kLower = 0.99f;
constexpr double kConverged = 1e-6f;

// Reducing values of the module, set at every entry.
thread_local double Tr = 0.0;
thread_local double Dr = 0.0;
// Set when a property evaluation inside the passes failed; the passes then end (the report is
// made only if the saturated pair cannot be found otherwise).
thread_local bool evaluation_failed = false;
thread_local int32_t failed_status = STATUS_OK;

// The new reduced densities of the last pass; a correction that cannot improve on its density
// keeps the value it had.
thread_local double rl_new = 0.0;
thread_local double rv_new = 0.0;

// One silent evaluation at the reduced density r; the first failure of a call is kept.
void evaluate(const double& T, const double& r) {
    const bool silent = true;
    const double D = Dr * r;
    const float x = -1.0f;
    int32_t status = STATUS_OK;
    X_TD_DAT(silent, D, T, x, status);
    if (status != STATUS_OK && !evaluation_failed) {
        evaluation_failed = true;
        failed_status = status;
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
    return 0.1f * Dr * TD_PROPS.dpdD;
}

// Gibbs energy at the reduced density r.
double GGESMAX(const double& T, const double& r) {
    evaluate(T, r);
    return TD_PROPS.g;
}

// Central difference of the Gibbs energy with respect to the reduced density.
double DGDDMAX(const double& T, const double& r) {
    const double D = Dr * r;
    const double delta = 1e-7f * D;
    const double up = (D + delta) / Dr;
    const double down = (D - delta) / Dr;
    return Dr * (GGESMAX(T, up) - GGESMAX(T, down)) / (2.0 * delta);
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

// How the passes ended.
enum class Passes { converged, not_converged, evaluation_failed };

// The liquid start onto the stiff liquid branch, the vapour start onto the stable one (each
// loop by steps of 1 %); false when a start cannot be pushed there within kMaxPushes steps.
bool push_starts(const double& T, double& rl, double& rv) {
    int32_t pushes = 0;
    while (DPDDMAX(T, rl) <= 10.0 && !evaluation_failed && ++pushes <= kMaxPushes) rl *= kRaise;
    while (PGESMAX(T, rl) <= 0.0 && !evaluation_failed && ++pushes <= kMaxPushes) rl *= kRaise;
    while (PGESMAX(T, rl) >= 100.0 && !evaluation_failed && ++pushes <= kMaxPushes) rl *= kLower;
    while (DGDDMAX(T, rv) <= 0.0 && !evaluation_failed && ++pushes <= kMaxPushes) rv *= kLower;
    return pushes <= kMaxPushes;
}

// The liquid moved to the pressure pv of the vapour: the parabola of p through rl and rl +- h,
// into rl_new (which keeps its value when the vertex lies inside the fitted interval). P0 is the
// pressure at rl.
void correct_liquid(const double& T, double rl, double h, double pv, double& P0) {
    P0 = PGESMAX(T, rl);
    const double Pm = PGESMAX(T, rl - h);
    const double Pp = PGESMAX(T, rl + h);
    const Parabola pl = fit(rl, h, P0, Pm, Pp, pv);
    if (pl.discriminant < 0.0) {
        rl_new = std::sqrt(pl.vertex * pl.vertex);
    } else if (pl.vertex < rl - h) {
        rl_new = pl.vertex + std::sqrt(pl.discriminant);
    } else if (pl.vertex > rl + h) {
        rl_new = pl.vertex - std::sqrt(pl.discriminant);
    }
}

// The vapour moved to the Gibbs energy gl of the corrected liquid: the parabola of g through rv
// and rv +- h, into rv_new (kept likewise; below 1e-10 it becomes 0.9 rv). G0 is the Gibbs
// energy at rv.
void correct_vapour(const double& T, double rv, double h, double gl, double& G0) {
    G0 = GGESMAX(T, rv);
    const double Gm = GGESMAX(T, rv - h);
    const double Gp = GGESMAX(T, rv + h);
    if (evaluation_failed) return;
    const Parabola pg = fit(rv, h, G0, Gm, Gp, gl);
    if (pg.discriminant < 0.0) {
        rv_new = std::sqrt(pg.vertex * pg.vertex);
    } else if (pg.vertex > rv + h) {
        rv_new = pg.vertex - std::sqrt(pg.discriminant);
    } else if (pg.vertex < rv - h) {
        rv_new = pg.vertex + std::sqrt(pg.discriminant);
    }
    if (rv_new < 1e-10f) rv_new = 0.9f * rv;
}

// The passes of the Maxwell construction at T (0 < T < Tr): start densities from the generic
// correlations, pushed onto the stable branches, then passes that move the liquid to the
// pressure of the vapour and the vapour to the Gibbs energy of the liquid, each by a local
// parabola, until pressures, Gibbs energies and both densities agree to a relative 1e-6. They
// give up where a start cannot be pushed onto its branch, after 300 passes when T shares its
// integer kelvin with Tc (kMaxPasses otherwise), or at a refused evaluation.
Passes maxwell_passes(const double& T, double& ps, double& Dliq, double& Dvap) {
    double rv = RTAU(T) / Dr;
    double rl = RSIEDE(T) / Dr;
    const bool pushed = push_starts(T, rl, rv);
    if (evaluation_failed) return Passes::evaluation_failed;
    if (!pushed) return Passes::not_converged;

    const double q = 1e-4f * std::pow(100.0, std::pow(T / Tr, 4));
    const double k = rv < 0.01f ? 1000.0 : 1.0;
    // A correction that falls into its last case keeps the density it started the pass with.
    rl_new = rl;
    rv_new = rv;
    const bool within_kelvin_of_tc = std::trunc(T) == std::trunc(Tr);
    for (int32_t counter = 1;; ++counter) {
        MAXWEL_PASSES = counter;
        const double pv = PGESMAX(T, rv);
        double P0 = 0.0, G0 = 0.0;
        correct_liquid(T, rl, q * rl, pv, P0);
        const double gl = GGESMAX(T, rl_new);
        correct_vapour(T, rv, q * rv * k, gl, G0);
        if (evaluation_failed) return Passes::evaluation_failed;

        const double dv = std::fabs(rv_new - rv) / rv_new;
        const double dl = std::fabs(rl_new - rl) / rl_new;
        const double dg = std::fabs(G0 - gl) / std::fabs(gl);
        const double dp = std::fabs(pv - P0) / std::fabs(P0);
        if (dp <= kConverged && dl <= kConverged && dg <= kConverged && dv <= kConverged) {
            Dvap = rv_new * Dr;
            Dliq = rl_new * Dr;
            ps = pv;
            return Passes::converged;
        }
        rv = rv_new;
        rl = rl_new;
        if ((counter > kPassesNearTc && within_kelvin_of_tc) || counter >= kMaxPasses)
            return Passes::not_converged;
    }
}

}  // namespace

thread_local constinit int32_t MAXWEL_PASSES = 0;

// Saturation pressure ps and saturated densities Dliq, Dvap at T. The passes of the Maxwell
// construction come first; their pair is taken when it is one (X_SAT_CHECK). Where they do not
// converge, or converge to a false pair (both densities on one branch, a vapour stuck at its
// spinodal, a liquid below the vapour), the pair comes from X_SAT_PAIR, which solves the
// isotherm's loop directly. Outputs are written only on success.
// Failures, each with no outputs written: T not below Tc (or not positive), or neither way
// finds a pair: "Error at the calculation in the near of Tc" and status 99; where the passes
// met a state outside the range of the equation, "Error in the Routine x_td_dat" with its
// status instead, which the call hands back.
void X_MAXWEL(const double& T, double& ps, double& Dliq, double& Dvap, int32_t& status) {
    Tr = SUBST_CONST.Tc;
    Dr = SUBST_CONST.Dc;
    MAXWEL_PASSES = 0;
    SAT_PAIR_EVALUATIONS = 0;
    evaluation_failed = false;
    failed_status = STATUS_OK;
    if (!(T > 0.0) || !(T < Tr) || !(Dr > 0.0)) {
        fail_near_tc(status);
        return;
    }
    double p = 0.0, l = 0.0, v = 0.0;
    const Passes passes = maxwell_passes(T, p, l, v);
    bool pair = false;
    if (passes == Passes::converged) X_SAT_CHECK(T, p, l, v, pair);
    if (!pair) {
        int32_t solved = STATUS_OK;
        X_SAT_PAIR(T, p, l, v, solved);
        pair = solved == STATUS_OK;
    }
    if (pair) {
        ps = p;
        Dliq = l;
        Dvap = v;
    } else if (passes == Passes::evaluation_failed) {
        ERRAUS(kTag, "Error in the Routine x_td_dat", failed_status);
        status = failed_status;
    } else {
        fail_near_tc(status);
    }
}
