#include "api/mixture_envelope.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "api/small_dense.h"
#include "api/solve_support.h"
#include "api/xalt1.h"

namespace xalt1::detail {

namespace {

constexpr double kLowestPressure = 0.1;  // MPa
constexpr int kNewtonSteps = 12;
constexpr int kMaxPoints = 400;
constexpr int kMaxRetries = 12;
constexpr double kSolved = 1e-11;  // the largest residual of a solved point
// The largest change of a step in ln T, ln p and ln K, and the first step in ln p.
constexpr double kStepT = 0.04, kStepP = 0.25, kStepK = 0.25, kFirstStep = 0.1;
constexpr double kShortestStep = 0.1;  // of the largest, after a converged step
// A step over the critical point starts from ln K within kCrossingFrom of 0 (the interpolated
// critical point's accuracy) and lands at least kCrossing from it.
constexpr double kCrossingFrom = 0.03, kCrossing = 0.02;

// A converged point: X = (ln K_1 .. ln K_n, ln T, ln p), the tangent dX/ds oriented along the
// curve, the densities of the feed and the incipient phase, and whether the feed is the liquid.
struct Node {
    std::vector<double> X, tangent;
    double Dz = 0, Dw = 0;
    bool bubble = true;
    int iterations = 0;
};

// The density of pressure p from a nearby density D of the same phase: Newton steps of at most
// a fifth of D, which must settle within a factor 1.5 of the start on a stable state; else the
// branch's root from scratch.
bool phase_density(const MixtureModel& m, const double* x, double T, double p, bool liquid,
                   double& D) {
    if (D > 0.0) {
        double Dk = D;
        for (int k = 0; k < 30; ++k) {
            double pk = 0, slope = 0;
            if (!m.pressure(x, T, Dk, pk, slope) || !(slope > 0.0)) break;
            const double step = std::clamp((pk - p) / slope, -0.2 * Dk, 0.2 * Dk);
            Dk -= step;
            if (std::fabs(std::log(Dk / D)) > std::log(1.5)) break;
            if (std::fabs(step) <= 1e-13 * Dk) {
                D = Dk;
                return true;
            }
        }
    }
    return mixture_density(m, x, T, p, liquid, D);
}

// The equations of the curve at X with the unknown `spec` held, and their Jacobian.
class Curve {
  public:
    Curve(const MixtureModel& m, const std::vector<double>& z) : m_(m), z_(z), n_(z.size()) {}
    std::size_t size() const { return n_ + 2; }
    std::size_t lnT() const { return n_; }
    std::size_t lnp() const { return n_ + 1; }
    std::size_t held_row() const { return n_ + 1; }  // the equation of the held unknown
    double largest_step(std::size_t i) const {
        return i == lnT() ? kStepT : i == lnp() ? kStepP : kStepK;
    }
    // Whether ln K_i is an unknown that may be held (a component of the feed).
    bool holds(std::size_t i) const { return i >= n_ || z_[i] > 0.0; }
    std::vector<double> incipient(const std::vector<double>& X) const {
        std::vector<double> w(n_);
        double sum = 0;
        for (std::size_t i = 0; i < n_; ++i) sum += (w[i] = z_[i] * std::exp(X[i]));
        for (double& v : w) v /= sum;
        return w;
    }
    // Newton steps from `start` (densities from its Dz, Dw) with X[spec] held. On success the
    // node carries the solution, its densities and its tangent (not yet oriented).
    bool converge(Node start, std::size_t spec, Node& out, int& steps) const;

  private:
    bool equations(const std::vector<double>& X, std::size_t spec, Node& at, std::vector<double>& F,
                   std::vector<double>& J) const;
    const MixtureModel& m_;
    const std::vector<double>& z_;
    std::size_t n_;
};

bool Curve::equations(const std::vector<double>& X, std::size_t spec, Node& at,
                      std::vector<double>& F, std::vector<double>& J) const {
    const std::size_t n = n_, size = n + 2;
    const double T = std::exp(X[lnT()]), p = std::exp(X[lnp()]);
    std::vector<double> w(n);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += (w[i] = z_[i] * std::exp(X[i]));
    const std::vector<double> x = incipient(X);
    FugacitySlopes feed, other;
    if (!phase_density(m_, z_.data(), T, p, at.bubble, at.Dz) ||
        !phase_density(m_, x.data(), T, p, !at.bubble, at.Dw) ||
        !m_.fugacity_slopes(z_.data(), T, at.Dz, feed) ||
        !m_.fugacity_slopes(x.data(), T, at.Dw, other))
        return false;
    F.assign(size, 0.0);
    J.assign(size * size, 0.0);
    double spread = 0;
    for (std::size_t i = 0; i < n; ++i) {
        F[i] = X[i] + other.ln_phi[i] - feed.ln_phi[i];
        for (std::size_t j = 0; j < n; ++j)
            J[i * size + j] = (i == j ? 1.0 : 0.0) + other.dn[i * n + j] * x[j];
        J[i * size + lnT()] = T * (other.dT[i] - feed.dT[i]);
        J[i * size + lnp()] = p * (other.dp[i] - feed.dp[i]);
        J[n * size + i] = w[i];
        if (z_[i] > 0.0) spread = std::max(spread, std::fabs(X[i]));
    }
    F[n] = sum - 1.0;
    J[held_row() * size + spec] = 1.0;  // X[spec] stays as it starts: F = 0
    // The trivial solution, the feed itself, is no point of the curve.
    return !(spread < 1e-6 && std::fabs(std::log(at.Dz / at.Dw)) < 1e-4);
}

bool Curve::converge(Node at, std::size_t spec, Node& out, int& steps) const {
    const std::size_t size = n_ + 2;
    std::vector<double> F, J;
    for (int k = 0; k < kNewtonSteps; ++k) {
        ++steps;
        at.bubble = at.Dz > at.Dw;  // the phases' densities tell which branch each is on
        if (!equations(at.X, spec, at, F, J)) return false;
        double residual = 0;
        for (double f : F) residual = std::max(residual, std::fabs(f));
        if (residual < kSolved) {
            std::vector<double> t(size, 0.0);
            t[held_row()] = 1.0;  // J t = e: the change of X per unit change of X[spec]
            if (!solve_dense(J, t)) return false;
            out = at;
            out.tangent = t;
            out.iterations = k + 1;
            out.bubble = at.Dz > at.Dw;
            return true;
        }
        std::vector<double> dX(F.size());
        for (std::size_t i = 0; i < size; ++i) dX[i] = -F[i];
        if (!solve_dense(J, dX)) return false;
        double scale = 1.0;  // Newton steps limited as the continuation's steps are
        for (std::size_t i = 0; i < size; ++i) {
            const double limit = largest_step(i);
            scale = std::min(scale, 2.0 * limit / std::max(std::fabs(dX[i]), 1e-300));
        }
        for (std::size_t i = 0; i < size; ++i) at.X[i] += scale * dX[i];
    }
    return false;
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0;
    for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// The start of the step from `last` (and `before`, if any) to X[spec] = S: a cubic through the
// two points in S with their slopes dX/dS, or the tangent line from the last alone; the
// densities linear in S.
Node predict(const Node& last, const Node* before, std::size_t spec, double S) {
    Node next = last;
    const double S1 = last.X[spec], t1 = last.tangent[spec];
    for (std::size_t i = 0; i < next.X.size(); ++i)
        next.X[i] = last.X[i] + (S - S1) * last.tangent[i] / t1;
    if (before == nullptr) return next;
    const double S0 = before->X[spec], t0 = before->tangent[spec], H = S1 - S0;
    if (!(t0 * t1 > 0.0) || !(std::fabs(H) > 1e-12) || !((S - S0) / H > 0.0)) return next;
    const double u = (S - S0) / H, u2 = u * u, u3 = u2 * u;
    const double h00 = 2 * u3 - 3 * u2 + 1, h10 = u3 - 2 * u2 + u, h01 = -2 * u3 + 3 * u2,
                 h11 = u3 - u2;
    for (std::size_t i = 0; i < next.X.size(); ++i)
        next.X[i] = h00 * before->X[i] + h10 * H * before->tangent[i] / t0 + h01 * last.X[i] +
                    h11 * H * last.tangent[i] / t1;
    const auto line = [u](double a, double b) {
        return std::exp(std::log(a) + u * std::log(b / a));
    };
    next.Dz = line(before->Dz, last.Dz);
    next.Dw = line(before->Dw, last.Dw);
    return next;
}

// The largest step (in the held unknown) whose tangent-line change of every unknown stays
// within the limits.
double capped(const Curve& curve, const Node& last, std::size_t spec, double h) {
    for (std::size_t i = 0; i < last.X.size(); ++i) {
        const double limit = curve.largest_step(i);
        const double change = std::fabs(h * last.tangent[i] / last.tangent[spec]);
        if (change > limit) h *= limit / change;
    }
    return h;
}

// The unknown that changes fastest along the tangent.
std::size_t fastest(const Curve& curve, const std::vector<double>& tangent) {
    std::size_t best = curve.lnp();
    for (std::size_t i = 0; i < tangent.size(); ++i)
        if (curve.holds(i) && std::fabs(tangent[i]) > std::fabs(tangent[best])) best = i;
    return best;
}

EnvelopePoint point_of(const Curve& curve, const Node& node) {
    EnvelopePoint pt;
    pt.T = std::exp(node.X[curve.lnT()]);
    pt.p = std::exp(node.X[curve.lnp()]);
    pt.Dliq = node.bubble ? node.Dz : node.Dw;
    pt.Dvap = node.bubble ? node.Dw : node.Dz;
    pt.incipient = curve.incipient(node.X);
    pt.bubble = node.bubble;
    return pt;
}

// The critical point between two nodes on either side of it: the cubic through them in the
// ln K that changes most, at ln K = 0.
EnvelopePoint critical_between(const Curve& curve, const Node& a, const Node& b,
                               const std::vector<double>& z) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < z.size(); ++i)
        if (curve.holds(i) && std::fabs(b.X[i] - a.X[i]) > std::fabs(b.X[k] - a.X[k])) k = i;
    if (!(a.X[k] * b.X[k] < 0.0))
        fail(ErrorKind::no_solution,
             "phase envelope: the phases' densities cross where ln K does not pass 0");
    const Node at = predict(b, &a, k, 0.0);
    EnvelopePoint pt = point_of(curve, at);
    pt.Dliq = pt.Dvap = std::sqrt(at.Dz * at.Dw);
    pt.incipient = z;
    return pt;
}

// The point between the consecutive nodes a and b where the unknown `along` is extreme along
// the curve, by Illinois steps in the unknown that changes most between them and monotonically
// (its tangent of one sign), each a solved point started from the cubic through a and b. The
// node a itself where no unknown qualifies.
EnvelopePoint extremum_between(const Curve& curve, const Node& a, const Node& b, std::size_t along,
                               int& steps) {
    std::size_t held = along;
    for (std::size_t i = 0; i < a.X.size(); ++i)
        if (i != along && curve.holds(i) && a.tangent[i] * b.tangent[i] > 0.0 &&
            (held == along || std::fabs(b.X[i] - a.X[i]) > std::fabs(b.X[held] - a.X[held])))
            held = i;
    if (held == along) return point_of(curve, a);
    const auto slope = [along, held](const Node& node) {
        return node.tangent[along] / node.tangent[held];
    };
    Node at = a;
    // In y = X[held] - a.X[held] + 1, so that the bracket's width is relative to 1.
    const auto f = [&](double y) {
        const double S = y - 1.0 + a.X[held];
        if (!curve.converge(predict(b, &a, held, S), held, at, steps))
            fail(ErrorKind::no_solution, "phase envelope: an extreme point does not converge");
        return slope(at);
    };
    double ya = 1.0, yb = 1.0 + b.X[held] - a.X[held], fa = slope(a), fb = slope(b);
    if (ya > yb) std::swap(ya, yb), std::swap(fa, fb);
    f(illinois(f, ya, yb, fa, fb, 1e-9));
    return point_of(curve, at);
}

// The point of the curve where the unknown `along` (ln p or ln T) is largest: between the node
// of the largest value and the neighbour across which the tangent's `along` changes sign; the
// node itself where there is none (the largest value at an end).
EnvelopePoint extremum(const Curve& curve, const std::vector<Node>& nodes, std::size_t along,
                       int& steps) {
    std::size_t top = 0;
    for (std::size_t i = 1; i < nodes.size(); ++i)
        if (nodes[i].X[along] > nodes[top].X[along]) top = i;
    const auto turns = [&](std::size_t i) {
        return nodes[i].tangent[along] * nodes[i + 1].tangent[along] <= 0.0;
    };
    if (top > 0 && turns(top - 1))
        return extremum_between(curve, nodes[top - 1], nodes[top], along, steps);
    if (top + 1 < nodes.size() && turns(top))
        return extremum_between(curve, nodes[top], nodes[top + 1], along, steps);
    return point_of(curve, nodes[top]);
}

// Whether the holding of ln K is about to reach 0 with this target: then the step is taken over
// the critical point to the mirror value (or, from far away, half the way first).
double over_critical(double S_last, double S) {
    if (S * S_last > 0.0 && std::fabs(S) >= 0.5 * std::fabs(S_last)) return S;
    if (std::fabs(S_last) > kCrossingFrom) return 0.5 * S_last;
    return -std::copysign(std::max(std::fabs(S_last), kCrossing), S_last);
}

// The node of a split: the feed the liquid (bubble) or the vapour, ln K_i = ln phi_i of the
// feed - ln phi_i of the other phase (ln(w_i / z_i), also for a component absent from both).
bool node_of(const MixtureModel& m, const PhaseSplit& s, bool bubble, Node& node) {
    const std::size_t n = s.x.size();
    std::vector<double> phi_l(n), phi_v(n);
    if (!m.ln_fugacity_coefficients(s.x.data(), s.T, s.Dliq, phi_l.data()) ||
        !m.ln_fugacity_coefficients(s.y.data(), s.T, s.Dvap, phi_v.data()))
        return false;
    node.X.resize(n + 2);
    for (std::size_t i = 0; i < n; ++i) node.X[i] = (bubble ? 1 : -1) * (phi_l[i] - phi_v[i]);
    node.X[n] = std::log(s.T);
    node.X[n + 1] = std::log(s.p);
    node.Dz = bubble ? s.Dliq : s.Dvap;
    node.Dw = bubble ? s.Dvap : s.Dliq;
    node.bubble = bubble;
    return true;
}

// The start: the bubble point at the lowest pressure, or at the highest Tmin of the components
// where that pressure's bubble point is colder.
Node first_node(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                const std::vector<double>& z) {
    double Tlow = 0;
    for (std::size_t i = 0; i < z.size(); ++i)
        if (z[i] > 0.0) Tlow = std::max(Tlow, pure[i].Tmin);
    PhaseSplit s = bubble_at_p(m, pure, z, kLowestPressure);
    if (s.T < Tlow) s = bubble_at_T(m, pure, z, Tlow);
    Node node;
    if (!node_of(m, s, true, node))
        fail(ErrorKind::no_solution, "phase envelope: the first bubble point cannot be evaluated");
    return node;
}

// Whether a converged step stayed on the branch it started from: no unknown further from its
// prediction than a step may move it (a step that lands far away has jumped to another part
// of the curve with the same value of the held unknown).
bool near_prediction(const Curve& curve, const Node& predicted, const Node& solved) {
    for (std::size_t i = 0; i < solved.X.size(); ++i) {
        const double limit = curve.largest_step(i);
        if (std::fabs(solved.X[i] - predicted.X[i]) > limit) return false;
    }
    return true;
}

void check_feed(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                const std::vector<double>& z) {
    double sum = 0;
    int present = 0;
    for (double v : z) {
        if (!(v >= 0.0)) fail(ErrorKind::bad_input, "a mole fraction is negative or not a number");
        sum += v;
        present += v > 0.0;
    }
    if (z.size() != m.size() || pure.size() != m.size() || std::fabs(sum - 1.0) > 1e-9)
        fail(ErrorKind::bad_input, "the mole fractions must be one per component, summing to 1");
    if (present < 2)
        fail(ErrorKind::bad_input, "a phase envelope needs two components or more in the feed");
}

}  // namespace

Envelope phase_envelope(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                        const std::vector<double>& z) {
    check_feed(m, pure, z);
    const Curve curve(m, z);
    Envelope env;
    std::vector<Node> nodes(1);
    if (!curve.converge(first_node(m, pure, z), curve.lnp(), nodes[0], env.newton_steps))
        fail(ErrorKind::no_solution, "phase envelope: the first bubble point does not converge");
    if (nodes[0].tangent[curve.lnp()] < 0.0)
        for (double& t : nodes[0].tangent) t = -t;
    const double lnp_end = nodes[0].X[curve.lnp()];
    std::size_t spec = fastest(curve, nodes[0].tangent);
    double h = kFirstStep * std::fabs(nodes[0].tangent[spec] / nodes[0].tangent[curve.lnp()]);
    bool crossed = false, last_step = false;
    int failures = 0;
    while (!last_step) {
        if (nodes.size() >= kMaxPoints)
            fail(ErrorKind::no_solution, "phase envelope: the curve does not close in " +
                                             std::to_string(kMaxPoints) + " points");
        const Node& last = nodes.back();
        const Node* before = nodes.size() > 1 ? &nodes[nodes.size() - 2] : nullptr;
        h = capped(curve, last, spec, h);
        double S = last.X[spec] + std::copysign(h, last.tangent[spec]);
        if (spec < z.size()) S = over_critical(last.X[spec], S);
        std::size_t held = spec;
        const double lnp_next = last.X[curve.lnp()] +
                                (S - last.X[spec]) * last.tangent[curve.lnp()] / last.tangent[spec];
        if (lnp_next < lnp_end) {
            if (!crossed)
                fail(ErrorKind::no_solution,
                     "phase envelope: the curve turns down before its critical point");
            held = curve.lnp();
            S = lnp_end;
            last_step = true;
        }
        Node next;
        const Node predicted = predict(last, before, held, S);
        if (!curve.converge(predicted, held, next, env.newton_steps) ||
            !near_prediction(curve, predicted, next)) {
            if (++failures > kMaxRetries)
                fail(
                    ErrorKind::no_solution,
                    "phase envelope: lost the curve at T = " + text(std::exp(last.X[curve.lnT()])) +
                        " K, p = " + text(std::exp(last.X[curve.lnp()])) + " MPa");
            h *= 0.5;
            last_step = false;
            continue;
        }
        failures = 0;
        if (dot(next.tangent, last.tangent) < 0.0)
            for (double& t : next.tangent) t = -t;
        if (next.bubble != last.bubble) {
            if (!crossed) env.critical = critical_between(curve, last, next, z);
            crossed = true;
        }
        const double moved = std::fabs(next.X[spec] - last.X[spec]);
        h = next.iterations <= 3 ? 1.5 * moved : next.iterations >= 6 ? 0.6 * moved : moved;
        nodes.push_back(next);
        const std::size_t new_spec = fastest(curve, next.tangent);
        h *= std::fabs(next.tangent[new_spec] / next.tangent[spec]);
        spec = new_spec;
        // Slow convergence shortens the steps only so far: shorter ones would not converge
        // faster where the Jacobian itself is the limit.
        h = std::max(h, kShortestStep * curve.largest_step(spec));
    }
    if (!crossed) fail(ErrorKind::no_solution, "phase envelope: no critical point on the curve");
    for (const Node& node : nodes) env.points.push_back(point_of(curve, node));
    env.cricondenbar = extremum(curve, nodes, curve.lnp(), env.newton_steps);
    env.cricondentherm = extremum(curve, nodes, curve.lnT(), env.newton_steps);
    return env;
}

bool split_near(const MixtureModel& m, const std::vector<double>& z, const PhaseSplit& near,
                bool bubble, bool hold_T, double value, PhaseSplit& out) {
    const Curve curve(m, z);
    Node start, solved;
    int steps = 0;
    if (!node_of(m, near, bubble, start)) return false;
    const std::size_t held = hold_T ? curve.lnT() : curve.lnp();
    start.X[held] = std::log(value);
    if (!curve.converge(start, held, solved, steps) || solved.bubble != bubble) return false;
    const EnvelopePoint pt = point_of(curve, solved);
    out = PhaseSplit{pt.T,    pt.p, bubble ? z : pt.incipient, bubble ? pt.incipient : z, pt.Dliq,
                     pt.Dvap, steps};
    return true;
}

}  // namespace xalt1::detail
