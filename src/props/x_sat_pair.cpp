#include <algorithm>
#include <array>
#include <cmath>

#include "eos/constants.h"
#include "platform/status_codes.h"
#include "props/props.h"
#include "props/saturation_pair.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

constexpr double R = GAS_CONSTANT;

// Limits of one solve: its property evaluations and the steps of each root search.
constexpr int32_t kMaxEvaluations = 200;
constexpr int32_t kMaxSteps = 60;
// A step this small relative to its density ends a spinodal search.
constexpr double kSettled = 1e-10;
// The state kept as the end of a stable branch lies at most this close to its spinodal.
constexpr double kNextToEdge = 1e-6;
// Where dp/dD rises on the way towards the loop (a dip that stays positive), a spinodal search
// steps on by this share of Dc.
constexpr double kRisingStep = 0.05;
// The saturation pressure of a wide loop is settled when its Newton step in ln P is this small.
constexpr double kPressureSettled = 1e-13;
// Closeness of the density of a given pressure (see met()).
constexpr double kPressureMet = 1e-13;
constexpr double kClosed = 1e-15;
// Loops narrower than this share of Dc (between the spinodals) are solved on a model of the
// isotherm: there the Gibbs energies of the two phases differ by little more than their
// round-off, while the pressures over the loop still carry about ten significant digits.
constexpr double kNarrowLoop = 0.05;

// One state of the isotherm.
struct Point {
    double D = 0.0, p = 0.0, dpdD = 0.0, d2pdD2 = 0.0, g = 0.0;
};

// The isotherm of the current solve and the evaluations it has made.
struct Isotherm {
    double T = 0.0;
    int32_t evaluations = 0;
    bool exhausted = false;
};

thread_local Isotherm iso;

// One silent evaluation at D; false where the equation refuses the state or the evaluations
// have run out.
bool at(double D, Point& pt) {
    if (!(D > 0.0) || !std::isfinite(D)) return false;
    if (iso.evaluations >= kMaxEvaluations) {
        iso.exhausted = true;
        return false;
    }
    ++iso.evaluations;
    int32_t status = STATUS_OK;
    X_TD_DAT(true, D, iso.T, -1.0f, status);
    if (status != STATUS_OK) return false;
    pt = {D, TD_PROPS.p, TD_PROPS.dpdD, TD_PROPS.d2pdD2, TD_PROPS.g};
    return true;
}

// A density of a given pressure is found when its pressure meets P within a relative
// kPressureMet, or when its Newton step has closed to a relative kClosed (the round-off of a
// stiff liquid at low pressures).
bool met(const Point& pt, double P, double newton) {
    return std::fabs(pt.p - P) <= kPressureMet * P || std::fabs(newton - pt.D) <= kClosed * pt.D;
}

// ---- Spinodals -------------------------------------------------------------------------------

// Ends a spinodal search that has found the spinodal at Ds: `edge` becomes a state with
// dp/dD > 0 next to it (within a relative 1e-9 to 1e-6), on the branch's side.
bool finish_at(double Ds, int direction, Point& edge) {
    if (std::fabs(edge.D - Ds) <= kNextToEdge * Ds) return true;
    Point pt;
    for (double shift = 1e-9; shift <= kNextToEdge; shift *= 10.0) {
        if (at(Ds * (1.0 - direction * shift), pt) && pt.dpdD > 0.0) {
            edge = pt;
            return true;
        }
    }
    return false;
}

// The next density of a spinodal search that has not yet passed the spinodal: a Newton step on
// dp/dD where dp/dD falls in the search's direction (never more than halfway to Dc at once),
// else a step of kRisingStep * Dc over the dip; 0 once the search has run past `limit`.
double approach(const Point& edge, int direction, double limit) {
    const double Dc = SUBST_CONST.Dc;
    const double way = std::max(std::fabs(Dc - edge.D), 0.1 * edge.D);
    if (direction * edge.d2pdD2 < 0.0) {
        const double newton = edge.D - edge.dpdD / edge.d2pdD2;
        return direction > 0 ? std::min(newton, edge.D + 0.5 * way)
                             : std::max(newton, edge.D - 0.5 * way);
    }
    if (direction * (edge.D - limit) >= 0.0) return 0.0;
    return edge.D + direction * kRisingStep * Dc;
}

// The spinodal that bounds a stable branch, searched from a state on that branch towards the
// loop (direction +1 from the vapour, -1 from the liquid): coming from outside the loop, the
// first density where dp/dD falls to zero. Newton steps on dp/dD, bisection once a density past
// the spinodal is known. The start is moved away from the loop (vapour: by tenths, liquid: by
// 5 %) until dp/dD > 0; `outer` is that first state on the branch, `edge` the state with dp/dD > 0
// found next to the spinodal. False when no spinodal lies before `limit` (no loop).
bool spinodal(double start, int direction, double limit, Point& edge, Point& outer) {
    Point pt;
    double D = start;
    for (int32_t k = 0; !(at(D, pt) && pt.dpdD > 0.0); ++k) {
        if (iso.exhausted || k == kMaxSteps) return false;
        D *= direction > 0 ? 0.1 : 1.05;
    }
    outer = pt;
    edge = pt;
    Point last = pt;
    double beyond = 0.0;  // a density past the spinodal, 0 while none is known
    for (int32_t step = 0; step < kMaxSteps; ++step) {
        double next = 0.0;
        if (beyond > 0.0) {
            next = last.D - last.dpdD / last.d2pdD2;
            if (!(std::fmin(edge.D, beyond) < next && next < std::fmax(edge.D, beyond)))
                next = 0.5 * (edge.D + beyond);
        } else {
            next = approach(edge, direction, limit);
            if (next == 0.0) return false;
        }
        // A negligible step, or a refused state (on the way to the loop the equation refuses
        // only the state where dp/dD vanishes exactly, as cp does not exist there): the
        // spinodal is found.
        if (std::fabs(next - last.D) <= kSettled * next || !at(next, pt))
            return !iso.exhausted && finish_at(next, direction, edge);
        last = pt;
        if (pt.dpdD > 0.0) {
            edge = pt;
        } else {
            beyond = next;
        }
        if (beyond > 0.0 && std::fabs(beyond - edge.D) <= kSettled * edge.D) return true;
    }
    return false;
}

// ---- Densities of a pressure on the two branches ---------------------------------------------

// The density of pressure P on the stable vapour branch (0, top.D], where p rises with D:
// Newton steps on ln p over ln D (exact for the ideal gas), bisection where a step leaves the
// bracket. `v` holds the start on entry (used when it lies on the branch).
bool vapour_root(double P, const Point& top, Point& v) {
    double lo = 0.0, hi = top.D;  // p(lo) < P <= p(hi)
    double D = v.D > 0.0 && v.D < hi ? v.D : std::min(1000.0 * P / (R * iso.T), 0.5 * hi);
    Point pt;
    for (int32_t step = 0; step < kMaxSteps; ++step) {
        if (!at(D, pt)) return false;
        double newton = -1.0;
        if (pt.p > 0.0 && pt.dpdD > 0.0)
            newton = D * std::exp(-std::log(pt.p / P) * pt.p / (D * pt.dpdD));
        if (met(pt, P, newton)) {
            v = pt;
            return true;
        }
        (pt.p < P ? lo : hi) = D;
        D = newton > lo && newton < hi ? newton : (lo > 0.0 ? 0.5 * (lo + hi) : 0.5 * hi);
        if (hi - lo <= kClosed * hi) {
            v = pt;
            return true;
        }
    }
    return false;
}

// The density of pressure P on the stable liquid branch [bottom.D, close packing): Newton
// steps, at most doubling the density, bisection where a step leaves the bracket; a density the
// equation refuses lies beyond the branch. `l` holds the start on entry (used when it lies on
// the branch), `outer` is the start otherwise.
bool liquid_root(double P, const Point& bottom, const Point& outer, Point& l) {
    double lo = bottom.D, hi = HUGE_VAL;  // p(lo) <= P < p(hi)
    double D = l.D > lo ? l.D : outer.D;
    Point pt;
    for (int32_t step = 0; step < kMaxSteps; ++step) {
        if (!at(D, pt)) {
            if (iso.exhausted || !(D < hi)) return false;
            hi = D;
            D = 0.5 * (lo + hi);
            continue;
        }
        const double newton = pt.dpdD > 0.0 ? D - (pt.p - P) / pt.dpdD : -1.0;
        if (met(pt, P, newton)) {
            l = pt;
            return true;
        }
        (pt.p < P ? lo : hi) = D;
        const double next = std::min(newton, 2.0 * D);
        D = next > lo && next < hi ? next : (std::isfinite(hi) ? 0.5 * (lo + hi) : 2.0 * D);
        if (hi - lo <= kClosed * lo) {
            l = pt;
            return true;
        }
    }
    return false;
}

// ---- Equal Gibbs energy ----------------------------------------------------------------------

// The pair on a wide loop: the pressure P (as ln P) where the liquid and vapour densities of P
// have equal Gibbs energy. The difference falls as P rises, with slope
// d(gl - gv)/d ln P = 1000 P (1/Dl - 1/Dv); Newton steps on it, bisection where a step leaves
// the bracket between the pressures of the two spinodals (or zero, where the liquid spinodal
// lies at negative pressure).
bool solve_by_gibbs(const Point& sv, const Point& sl, const Point& outer, Point& v, Point& l) {
    double y_hi = std::log(sv.p);
    double y_lo = sl.p > 0.0 ? std::log(sl.p) : -HUGE_VAL;
    // Start: the ideal-gas pressure of the generic vapour density, inside the bracket.
    double y = std::log(RTAU(iso.T) * R * iso.T / 1000.0);
    if (!(y > y_lo && y < y_hi)) y = std::isfinite(y_lo) ? 0.5 * (y_lo + y_hi) : y_hi - 1.0;
    for (int32_t step = 0; step < kMaxSteps; ++step) {
        const double P = std::exp(y);
        if (!vapour_root(P, sv, v) || !liquid_root(P, sl, outer, l)) return false;
        const double difference = l.g - v.g;
        const double slope = 1000.0 * P * (1.0 / l.D - 1.0 / v.D);
        if (difference > 0.0) {
            y_lo = y;
        } else {
            y_hi = y;
        }
        const double newton = y - difference / slope;
        if (std::fabs(newton - y) <= kPressureSettled || y_hi - y_lo <= kPressureSettled)
            return true;
        y = newton > y_lo && newton < y_hi ? newton
                                           : (std::isfinite(y_lo) ? 0.5 * (y_lo + y_hi) : y - 2.0);
    }
    return false;
}

// ---- Equal areas on a model of a narrow loop -------------------------------------------------

// The isotherm over a narrow loop as the polynomial through the pressures and slopes at five
// densities (Hermite interpolation, degree 9), in x = (D - Dm)/h.
struct LoopModel {
    static constexpr int kTerms = 10;
    double Dm = 0.0, h = 1.0, p0 = 0.0;
    std::array<double, kTerms> z{};  // nodes, each twice
    std::array<double, kTerms> c{};  // coefficients of the Newton form

    double x_of(double D) const { return (D - Dm) / h; }
    double D_of(double x) const { return Dm + h * x; }
    double p(double x) const {
        double value = c[kTerms - 1];
        for (int j = kTerms - 2; j >= 0; --j) value = value * (x - z[j]) + c[j];
        return p0 + value;
    }
};

LoopModel model_of(const std::array<Point, 5>& nodes, double Dm, double h) {
    LoopModel m;
    m.Dm = Dm;
    m.h = h;
    m.p0 = nodes[2].p;
    std::array<double, LoopModel::kTerms> q{};
    for (int i = 0; i < LoopModel::kTerms; ++i) {
        m.z[i] = m.x_of(nodes[i / 2].D);
        q[i] = nodes[i / 2].p - m.p0;
    }
    m.c[0] = q[0];
    // Divided differences, column by column; a doubled node takes the slope.
    for (int j = 1; j < LoopModel::kTerms; ++j) {
        for (int i = LoopModel::kTerms - 1; i >= j; --i) {
            const double dz = m.z[i] - m.z[i - j];
            q[i] = j == 1 && dz == 0.0 ? nodes[i / 2].dpdD * h : (q[i] - q[i - 1]) / dz;
        }
        m.c[j] = q[j];
    }
    return m;
}

// The model is searched up to this many half-widths from the middle of the loop.
constexpr double kReach = 3.0;

// The x in [a, b] where the model, rising from a to b, takes the pressure P.
double model_root(const LoopModel& m, double P, double a, double b) {
    for (int k = 0; k < 200 && b - a > 1e-15 * (std::fabs(a) + std::fabs(b)); ++k) {
        const double mid = 0.5 * (a + b);
        if (m.p(mid) < P) {
            a = mid;
        } else {
            b = mid;
        }
    }
    return 0.5 * (a + b);
}

// The equal-area integral of the model between its two densities of pressure P,
// gl - gv = 1000 * integral of (p - P)/D^2 dD from Dv to Dl (10-point Gauss-Legendre), with
// the densities; its derivative in P is 1/Dl - 1/Dv (p = P at both ends).
struct Area {
    double value = 0.0, xv = 0.0, xl = 0.0;
};

Area area_at(const LoopModel& m, double P, double x_sv, double x_sl) {
    static constexpr double kNodes[5] = {0.1488743389816312, 0.4333953941292472, 0.6794095682990244,
                                         0.8650633666889845, 0.9739065285171717};
    static constexpr double kWeights[5] = {0.2955242247147529, 0.2692667193099963,
                                           0.2190863625159820, 0.1494513491505806,
                                           0.0666713443086881};
    Area a;
    a.xv = model_root(m, P, -kReach, x_sv);
    a.xl = model_root(m, P, x_sl, kReach);
    const double middle = 0.5 * (a.xv + a.xl), half = 0.5 * (a.xl - a.xv);
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
        for (double x : {middle - half * kNodes[i], middle + half * kNodes[i]}) {
            const double D = m.D_of(x);
            sum += kWeights[i] * (m.p(x) - P) / (D * D);
        }
    }
    a.value = sum * half * m.h;
    return a;
}

// The pair on a narrow loop: the model through the spinodals, the midpoint and two densities
// beyond the mean-field coexistence (sqrt(3) times the spinodal half-width from the midpoint),
// its equal-area pressure by bisection, then the two densities of that pressure on the
// isotherm itself.
bool solve_by_area(const Point& sv, const Point& sl, const Point& outer, Point& v, Point& l) {
    const double Dm = 0.5 * (sv.D + sl.D);
    const double h = 0.5 * (sl.D - sv.D);
    std::array<Point, 5> nodes{};
    nodes[1] = sv;
    nodes[3] = sl;
    if (!at(Dm - 2.0 * h, nodes[0]) || !at(Dm, nodes[2]) || !at(Dm + 2.0 * h, nodes[4]))
        return false;
    const LoopModel m = model_of(nodes, Dm, h);
    const double x_sv = m.x_of(sv.D), x_sl = m.x_of(sl.D);
    double P_lo = m.p(x_sl), P_hi = m.p(x_sv);
    if (!(P_lo < P_hi) || !(m.p(-kReach) < P_lo) || !(m.p(kReach) > P_hi)) return false;
    // The area falls as P rises, with slope 1/Dl - 1/Dv: Newton steps from the middle of the
    // pressures of the two spinodals, bisection where a step leaves the bracket.
    double P = 0.5 * (P_lo + P_hi);
    Area a;
    for (int k = 0; k < kMaxSteps; ++k) {
        a = area_at(m, P, x_sv, x_sl);
        (a.value > 0.0 ? P_lo : P_hi) = P;
        const double slope = 1.0 / m.D_of(a.xl) - 1.0 / m.D_of(a.xv);
        const double newton = P - a.value / slope;
        if (std::fabs(newton - P) <= kPressureMet * P) break;
        P = newton > P_lo && newton < P_hi ? newton : 0.5 * (P_lo + P_hi);
    }
    v.D = m.D_of(a.xv);
    l.D = m.D_of(a.xl);
    return vapour_root(P, sv, v) && liquid_root(P, sl, outer, l);
}

// The pair of the isotherm: both spinodals from outside the loop, then equal areas on a
// narrow loop or equal Gibbs energies on a wide one.
bool solve(Point& v, Point& l) {
    const double Dc = SUBST_CONST.Dc;
    Point sv, sl, outer;
    const double liquid_start = std::max(RSIEDE(iso.T), Dc);
    Point dilute;
    if (!spinodal(std::min(RTAU(iso.T), 0.5 * Dc), +1, liquid_start, sv, dilute)) return false;
    if (!spinodal(liquid_start, -1, sv.D, sl, outer)) return false;
    if (!(sv.D < sl.D) || !(sv.p > sl.p)) return false;
    if (sl.D - sv.D < kNarrowLoop * Dc && solve_by_area(sv, sl, outer, v, l)) return true;
    if (iso.exhausted) return false;
    v = Point{};
    l = Point{};
    return solve_by_gibbs(sv, sl, outer, v, l);
}

}  // namespace

thread_local constinit int32_t SAT_PAIR_EVALUATIONS = 0;

void X_SAT_PAIR(const double& T, double& ps, double& Dliq, double& Dvap, int32_t& status) {
    const SubstConst& sc = SUBST_CONST;
    iso = Isotherm{T, 0, false};
    Point v, l;
    const bool solved = T > 0.0 && T < sc.Tc && sc.Dc > 0.0 && solve(v, l);
    SAT_PAIR_EVALUATIONS = iso.evaluations;
    if (!solved || !(l.D > v.D) || !(v.p > 0.0) || !(v.p < sc.Pc)) {
        status = STATUS_NEAR_CRITICAL;
        return;
    }
    ps = v.p;
    Dliq = l.D;
    Dvap = v.D;
}
