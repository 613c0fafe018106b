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
// The largest step in ln K is at most the largest |ln K| of the first point: near-azeotropic
// feeds, whose K-values stay close to 1, step in ln K on their own scale.
constexpr double kSmallestStepK = 1e-3;
// A step over the critical point starts from ln K within this fraction of its largest step of 0
// (the interpolated critical point's accuracy).
constexpr double kCrossingFrom = 0.12;
// The nearest a step over the critical point lands to it in ln K (the trivial solution lies
// at 0).
constexpr double kNearestCrossing = 1e-5;

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

// The equations of the curve at X with the unknown `held` kept, and their Jacobian.
class Curve {
  public:
    Curve(const MixtureModel& m, const std::vector<double>& z) : m_(m), z_(z), n_(z.size()) {}
    // The scale of ln K along the curve: the largest |ln K| of a point of it.
    void scale_to(const std::vector<double>& X) {
        double spread = 0;
        for (std::size_t i = 0; i < n_; ++i)
            if (z_[i] > 0.0) spread = std::max(spread, std::fabs(X[i]));
        step_K_ = std::clamp(spread, kSmallestStepK, kStepK);
    }
    std::size_t size() const { return n_ + 2; }
    const std::vector<double>& feed() const { return z_; }
    std::size_t lnT() const { return n_; }
    std::size_t lnp() const { return n_ + 1; }
    std::size_t held_row() const { return n_ + 1; }  // the equation of the held unknown
    double largest_step(std::size_t i) const {
        return i == lnT() ? kStepT : i == lnp() ? kStepP : step_K_;
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
    // Newton steps from `start` (densities from its Dz, Dw) with X[held] kept. On success the
    // node carries the solution, its densities and its tangent (not yet oriented).
    bool converge(Node start, std::size_t held, Node& out, int& steps) const;

  private:
    bool equations(const std::vector<double>& X, std::size_t held, Node& at, std::vector<double>& F,
                   std::vector<double>& J) const;
    const MixtureModel& m_;
    const std::vector<double>& z_;
    std::size_t n_;
    double step_K_ = kStepK;
};

bool Curve::equations(const std::vector<double>& X, std::size_t held, Node& at,
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
    J[held_row() * size + held] = 1.0;  // X[held] stays as it starts: F = 0
    // The trivial solution, the feed itself, is no point of the curve.
    return !(spread < 1e-6 && std::fabs(std::log(at.Dz / at.Dw)) < 1e-4);
}

bool Curve::converge(Node at, std::size_t held, Node& out, int& steps) const {
    const std::size_t size = n_ + 2;
    std::vector<double> F, J;
    for (int k = 0; k < kNewtonSteps; ++k) {
        ++steps;
        at.bubble = at.Dz > at.Dw;  // the phases' densities tell which branch each is on
        if (!equations(at.X, held, at, F, J)) return false;
        double residual = 0;
        for (double f : F) residual = std::max(residual, std::fabs(f));
        if (residual < kSolved) {
            std::vector<double> t(size, 0.0);
            t[held_row()] = 1.0;  // J t = e: the change of X per unit change of X[held]
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

// The start of the step from `last` (and `before`, if any) to X[held] = S: a cubic through the
// two points in S with their slopes dX/dS, or the tangent line from the last alone; the
// densities linear in S.
Node predict(const Node& last, const Node* before, std::size_t held, double S) {
    Node next = last;
    const double S1 = last.X[held], t1 = last.tangent[held];
    for (std::size_t i = 0; i < next.X.size(); ++i)
        next.X[i] = last.X[i] + (S - S1) * last.tangent[i] / t1;
    if (before == nullptr) return next;
    const double S0 = before->X[held], t0 = before->tangent[held], H = S1 - S0;
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
double capped(const Curve& curve, const Node& last, std::size_t held, double h) {
    for (std::size_t i = 0; i < last.X.size(); ++i) {
        const double limit = curve.largest_step(i);
        const double change = std::fabs(h * last.tangent[i] / last.tangent[held]);
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

// The point between the consecutive nodes a and b where the unknown `along` is extreme along
// the curve, by Illinois steps in the unknown that changes most between them and monotonically
// (its tangent of one sign), each a solved point started from the cubic through a and b. The
// result is the highest point in `along` of a, b and the solved ones: the root where the steps
// converge; where a step does not converge (next to the critical point, where both phases are
// nearly one), the best point so far, whose `along` lies within the flat top's change over the
// bracket of the extreme.
EnvelopePoint extremum_between(const Curve& curve, const Node& a, const Node& b, std::size_t along,
                               int& steps) {
    std::size_t held = along;
    for (std::size_t i = 0; i < a.X.size(); ++i)
        if (i != along && curve.holds(i) && a.tangent[i] * b.tangent[i] > 0.0 &&
            (held == along || std::fabs(b.X[i] - a.X[i]) > std::fabs(b.X[held] - a.X[held])))
            held = i;
    Node best = a.X[along] >= b.X[along] ? a : b;
    if (held == along) return point_of(curve, best);
    const auto slope = [along, held](const Node& node) {
        return node.tangent[along] / node.tangent[held];
    };
    bool lost = false;
    // In y = X[held] - a.X[held] + 1, so that the bracket's width is relative to 1.
    const auto f = [&](double y) {
        const Node predicted = predict(b, &a, held, y - 1.0 + a.X[held]);
        Node at;
        if (lost || !curve.converge(predicted, held, at, steps) ||
            !near_prediction(curve, predicted, at)) {
            lost = true;
            return 0.0;  // ends the steps
        }
        if (at.X[along] > best.X[along]) best = at;
        return slope(at);
    };
    double ya = 1.0, yb = 1.0 + b.X[held] - a.X[held], fa = slope(a), fb = slope(b);
    if (ya > yb) std::swap(ya, yb), std::swap(fa, fb);
    f(illinois(f, ya, yb, fa, fb, 1e-9));
    return point_of(curve, best);
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

// The target of a step in a held ln K from S_last toward S: a step that would come within half
// of 0 stops half-way, or, from within the step length h and `near` of 0, goes over the critical
// point to the mirror value, so that the critical point lies between two points equally far
// from it, close enough for its interpolation whatever the scale of ln K along the curve.
double over_critical(double S_last, double S, double h, double near) {
    if (S * S_last > 0.0 && std::fabs(S) >= 0.5 * std::fabs(S_last)) return S;
    if (std::fabs(S_last) > std::min(h, near)) return 0.5 * S_last;
    return -std::copysign(std::max(std::fabs(S_last), kNearestCrossing), S_last);
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

// The bubble point at the lowest pressure, or at the highest Tmin of the components (`Tlow`)
// where that pressure's bubble point is colder or not found while the one at Tlow lies above
// that pressure.
PhaseSplit first_split(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                       const std::vector<double>& z, double Tlow) {
    try {
        const PhaseSplit s = bubble_at_p(m, pure, z, kLowestPressure);
        return s.T < Tlow ? bubble_at_T(m, pure, z, Tlow) : s;
    } catch (const Error& at_p) {
        try {
            const PhaseSplit s = bubble_at_T(m, pure, z, Tlow);
            if (s.p > kLowestPressure) return s;
        } catch (const Error&) {
        }
        fail(ErrorKind::no_solution, "phase envelope: no first bubble point at " +
                                         text(kLowestPressure) + " MPa or at " + text(Tlow) +
                                         " K (" + at_p.what() + ")");
    }
}

// The start: the first split's node.
Node first_node(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                const std::vector<double>& z, double Tlow) {
    if (!(Tlow > 0.0))
        for (std::size_t i = 0; i < z.size(); ++i)
            if (z[i] > 0.0) Tlow = std::max(Tlow, pure[i].Tmin);
    Node node;
    if (!node_of(m, first_split(m, pure, z, Tlow), true, node))
        fail(ErrorKind::no_solution, "phase envelope: the first bubble point cannot be evaluated");
    return node;
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

// The continuation from the first bubble point up the bubble side, over the critical point and
// down the dew side to the first point's pressure: the nodes so far, the unknown held and the
// length of the next step in it.
class Tracer {
  public:
    Tracer(const Curve& curve, Node first, Envelope& env)
        : curve_(curve), env_(env), lnp_end_(first.X[curve.lnp()]) {
        if (first.tangent[curve.lnp()] < 0.0)
            for (double& t : first.tangent) t = -t;
        held_ = fastest(curve, first.tangent);
        h_ = kFirstStep * std::fabs(first.tangent[held_] / first.tangent[curve.lnp()]);
        nodes_.push_back(std::move(first));
    }
    bool closed() const { return closed_; }
    const std::vector<Node>& nodes() const { return nodes_; }
    // One step: a new node, or a shorter step next time. Throws Error (no_solution) where the
    // curve is lost.
    void step();

  private:
    struct Target {
        std::size_t held;
        double S;
        bool last;  // the step down to the first point's pressure
    };
    Target target();
    // Whether the solved node continues the curve: near its prediction, and over the critical
    // point at most once.
    bool continues(const Node& predicted, const Node& next) const {
        return near_prediction(curve_, predicted, next) &&
               (next.bubble == nodes_.back().bubble || !crossed_);
    }
    void accept(Node next, std::size_t held);
    [[noreturn]] void lost() const;

    const Curve& curve_;
    Envelope& env_;
    const double lnp_end_;
    std::vector<Node> nodes_;
    std::size_t held_ = 0;
    double h_ = 0;
    bool crossed_ = false, closed_ = false;
    int failures_ = 0;
};

// The held unknown's value of the next step: h further along the tangent (limited by the
// largest steps, taken over the critical point in ln K), or the first point's pressure where
// the dew side would pass it.
Tracer::Target Tracer::target() {
    const Node& last = nodes_.back();
    h_ = capped(curve_, last, held_, h_);
    double S = last.X[held_] + std::copysign(h_, last.tangent[held_]);
    if (held_ < curve_.lnT())
        S = over_critical(last.X[held_], S, h_, kCrossingFrom * curve_.largest_step(held_));
    const std::size_t lnp = curve_.lnp();
    const double lnp_next =
        last.X[lnp] + (S - last.X[held_]) * last.tangent[lnp] / last.tangent[held_];
    if (lnp_next >= lnp_end_) return {held_, S, false};
    if (!crossed_)
        fail(ErrorKind::no_solution,
             "phase envelope: the curve turns down before its critical point");
    return {lnp, lnp_end_, true};
}

void Tracer::step() {
    if (nodes_.size() >= kMaxPoints)
        fail(ErrorKind::no_solution, "phase envelope: the curve does not close in " +
                                         std::to_string(kMaxPoints) + " points");
    const Target t = target();
    const Node* before = nodes_.size() > 1 ? &nodes_[nodes_.size() - 2] : nullptr;
    const Node predicted = predict(nodes_.back(), before, t.held, t.S);
    Node next;
    if (!curve_.converge(predicted, t.held, next, env_.newton_steps) ||
        !continues(predicted, next)) {
        if (++failures_ > kMaxRetries) lost();
        h_ *= 0.5;
        return;
    }
    failures_ = 0;
    closed_ = t.last;
    accept(std::move(next), t.held);
}

// The solved node appended: its tangent oriented the way the held unknown moved, the critical
// point interpolated where the phases swap, and the next step's unknown and length (longer
// after fast convergence, shorter after slow).
void Tracer::accept(Node next, std::size_t held) {
    const Node& last = nodes_.back();
    if (next.tangent[held] * (next.X[held] - last.X[held]) < 0.0)
        for (double& t : next.tangent) t = -t;
    if (next.bubble != last.bubble) {
        env_.critical = critical_between(curve_, last, next, curve_.feed());
        crossed_ = true;
    }
    const double moved = std::fabs(next.X[held_] - last.X[held_]);
    h_ = next.iterations <= 3 ? 1.5 * moved : next.iterations >= 6 ? 0.6 * moved : moved;
    const std::size_t fastest_now = fastest(curve_, next.tangent);
    h_ *= std::fabs(next.tangent[fastest_now] / next.tangent[held_]);
    held_ = fastest_now;
    // Slow convergence shortens the steps only so far: shorter ones would not converge faster
    // where the Jacobian itself is the limit.
    h_ = std::max(h_, kShortestStep * curve_.largest_step(held_));
    nodes_.push_back(std::move(next));
}

void Tracer::lost() const {
    const Node& last = nodes_.back();
    fail(ErrorKind::no_solution,
         "phase envelope: lost the curve at T = " + text(std::exp(last.X[curve_.lnT()])) +
             " K, p = " + text(std::exp(last.X[curve_.lnp()])) + " MPa");
}

}  // namespace

Envelope phase_envelope(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                        const std::vector<double>& z, double Tlow) {
    check_feed(m, pure, z);
    Curve curve(m, z);
    Envelope env;
    Node first;
    if (!curve.converge(first_node(m, pure, z, Tlow), curve.lnp(), first, env.newton_steps))
        fail(ErrorKind::no_solution, "phase envelope: the first bubble point does not converge");
    curve.scale_to(first.X);
    Tracer tracer(curve, first, env);
    while (!tracer.closed()) tracer.step();
    const std::vector<Node>& nodes = tracer.nodes();
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
