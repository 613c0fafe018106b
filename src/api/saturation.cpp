#include "api/saturation.h"

#include <algorithm>
#include <cmath>

#include "api/jets.h"
#include "eos/constants.h"
#include "platform/status_codes.h"
#include "props/saturation_pair.h"
#include "substance/subst_const.h"

namespace xalt1::detail {

namespace {

// Pieces whose last two coefficients stay below this (in ln ps, ln D', ln D'') are taken; a
// piece is halved at most kMaxDepth times.
constexpr double kSeriesTolerance = 1e-10;
constexpr int kMaxDepth = 6;
constexpr double kNarrowest = 0.02;
// The first pieces in t, from the critical point down.
constexpr double kPieceEnds[] = {0.0, 0.1, 0.3, 0.6};
// A Newton step this small (relative) leaves an error of its square: the pair is found.
constexpr double kStepSettled = 1e-8;
constexpr int kMaxNewtonSteps = 12;
// Lowest temperature search: relative width of the last bracket.
constexpr int kLowestSearchSteps = 14;
// A pair of the series whose first Newton step is below this (relative) is taken with that step
// made to first order, without evaluating the equation again.
constexpr double kSeriesPairAccepted = 1e-10;
constexpr double kGas = GAS_CONSTANT;

double t_of(double T, double Tc) {
    return std::sqrt(std::max(0.0, 1.0 - T / Tc));
}

double T_of(double t, double Tc) {
    return Tc * (1.0 - t * t);
}

// The exact pair of the program at T (no report).
bool exact_pair(double T, ExactPair& e, int& solves, long& evaluations) {
    int32_t status = STATUS_OK;
    ++solves;
    X_SAT_PAIR(T, e.ps, e.Dl, e.Dv, status);
    evaluations += SAT_PAIR_EVALUATIONS;
    return status == STATUS_OK && e.ps > 0.0 && e.Dv > 0.0 && e.Dl > e.Dv;
}

// A state of a stable branch: evaluated, with pressure rising with density.
bool stable(double T, double D, Point& pt) {
    return D > 0.0 && std::isfinite(D) && evaluate(T, D, pt) && pt.props.dpdD > 0.0;
}

bool settled(double step, double value) {
    return std::fabs(step) <= kStepSettled * std::fabs(value);
}

// Newton steps on equal pressure and equal Gibbs energy at fixed T, from the pair's start;
// with dg/dD = 1000 dp/dD / D at constant T the 2x2 system solves in closed form. A first step
// below `accepted` (relative) leaves the start as it is: it is the pair to that accuracy.
// A state moved by (dT, dD) to first order, its values carried along by their partials (the
// error is of the order of the square of the move, below the round-off for moves of 1e-10):
// p, dp/dD, dp/dT, h, s, u, f and g.
void move(Point& pt, double dT, double dD) {
    const Jets j = first_order(pt, {});
    const auto moved = [&](Var v) { return j[v].v + j[v].T * dT + j[v].D * dD; };
    StateProperties& r = pt.props;
    r.p = moved(Var::p);
    r.h = moved(Var::h);
    r.s = moved(Var::s);
    r.u = moved(Var::u);
    r.f = moved(Var::f);
    r.g = moved(Var::g);
    r.dpdD += r.d2pdD2 * dD;
    pt.T += dT;
    pt.D += dD;
}

bool newton_at_T(SatPair& pair, double accepted = 0.0) {
    const double T = pair.liq.T;
    for (int k = 0; k < kMaxNewtonSteps; ++k) {
        const Point& l = pair.liq;
        const Point& v = pair.vap;
        const double F1 = l.props.p - v.props.p, F2 = l.props.g - v.props.g;
        const double span = 1.0 / l.D - 1.0 / v.D;
        const double dl = (F1 / v.D - F2 / 1000.0) / (l.props.dpdD * span);
        const double dv = (F1 / l.D - F2 / 1000.0) / (v.props.dpdD * span);
        if (k == 0 && std::fabs(dl) <= accepted * l.D && std::fabs(dv) <= accepted * v.D) {
            move(pair.liq, 0.0, dl);
            move(pair.vap, 0.0, dv);
            return true;
        }
        SatPair next;
        if (!stable(T, l.D + dl, next.liq) || !stable(T, v.D + dv, next.vap) ||
            !(next.liq.D > next.vap.D))
            return false;
        const bool last = settled(dl, l.D) && settled(dv, v.D);
        pair = next;
        if (last) return true;
    }
    return false;
}

void keep_pair(const SatPair& pair, ExactPair& e) {
    e = {pair.vap.props.p, pair.liq.D,       pair.vap.D,      pair.liq.props.h,
         pair.vap.props.h, pair.liq.props.s, pair.vap.props.s};
}

// Newton steps from the densities (Dl, Dv) at T; false where they do not settle. With
// `start_is_pair` (the program's own pair) that pair is kept as it is where they do not, and
// only a start the equation refuses is false.
bool newton_from(double T, double Dl, double Dv, ExactPair& e, long& evaluations,
                 bool start_is_pair) {
    SatPair pair;
    const uint64_t before = thread_evaluations();
    const bool evaluated = evaluate(T, Dl, pair.liq) && evaluate(T, Dv, pair.vap);
    const SatPair start = pair;
    const bool settled = evaluated && newton_at_T(pair);
    evaluations += static_cast<long>(thread_evaluations() - before);
    const double ps = e.ps;
    if (settled) keep_pair(pair, e);
    if (settled || !evaluated || !start_is_pair) return settled;
    keep_pair(start, e);
    e.ps = ps;
    return true;
}

}  // namespace

// ---- The series ------------------------------------------------------------------------------

double SaturationCurve::series(const Piece& p, int k, double t) const {
    const double x = (2.0 * t - p.a - p.b) / (p.b - p.a);
    const std::array<double, kNodes>& c = p.c[k];
    double b1 = 0.0, b2 = 0.0;
    for (int j = kNodes - 1; j >= 1; --j) {
        const double b0 = 2.0 * x * b1 - b2 + c[j];
        b2 = b1;
        b1 = b0;
    }
    return x * b1 - b2 + c[0];
}

const SaturationCurve::Piece& SaturationCurve::piece_of(double t) const {
    for (const Piece& p : pieces_)
        if (t <= p.b) return p;
    return pieces_.back();
}

// The piece [a, b] from the exact pairs at its Chebyshev nodes; halved where its series does
// not settle within the tolerance or a node has no pair. Next to the critical point the pairs
// themselves carry the round-off of a vanishing loop, so pieces narrower than kNarrowest are
// taken as they come (the Newton steps of a call make up for it).
bool SaturationCurve::fit_piece(double a, double b, int depth) {
    std::array<std::array<double, kNodes>, kSeries> y{};
    bool solved = true, regular = true;
    for (int k = 0; k < kNodes && solved; ++k) {
        const double t = 0.5 * (a + b) + 0.5 * (b - a) * std::cos(M_PI * (k + 0.5) / kNodes);
        ExactPair e;
        bool direct = true;
        solved = node_pair(T_of(t, Tc_series_), e, direct);
        regular = regular && direct;
        const double values[kSeries] = {
            std::log(e.ps), std::log(e.Dl), std::log(e.Dv), e.hl, e.hv, e.sl, e.sv};
        for (int q = 0; q < kSeries; ++q) y[q][k] = values[q];
    }
    const std::size_t kept = pieces_.size();
    const auto halve = [&] {
        const double m = 0.5 * (a + b);
        if (fit_piece(a, m, depth + 1) && fit_piece(m, b, depth + 1)) return true;
        pieces_.resize(kept);
        return false;
    };
    if (!solved) return depth < kMaxDepth && halve();
    Piece p;
    p.a = a;
    p.b = b;
    p.regular = regular;
    // The tails of h and s count relative to R Tc and R, those of the logarithms as they are.
    const double scale[kSeries] = {1, 1, 1, kGas * Tc_, kGas * Tc_, kGas, kGas};
    double tail = 0.0;
    for (int q = 0; q < kSeries; ++q) {
        for (int j = 0; j < kNodes; ++j) {
            double sum = 0.0;
            for (int k = 0; k < kNodes; ++k)
                sum += y[q][k] * std::cos(M_PI * j * (k + 0.5) / kNodes);
            p.c[q][j] = (j == 0 ? 1.0 : 2.0) * sum / kNodes;
        }
        tail = std::max({tail, std::fabs(p.c[q][kNodes - 1]) / scale[q],
                         std::fabs(p.c[q][kNodes - 2]) / scale[q]});
    }
    if (tail > kSeriesTolerance && depth < kMaxDepth && b - a > kNarrowest && halve()) return true;
    pieces_.push_back(p);
    return true;
}

// The pair of a node, exact to its last digits: the program's direct solve of the isotherm,
// then the Newton steps that a call takes from a start anyway. Where the direct solve gives up
// (a band of isotherms whose spinodal search runs out of evaluations), Newton steps from the
// pair of the nearest node found so far.
bool SaturationCurve::node_pair(double T, ExactPair& e, bool& direct) {
    direct = exact_pair(T, e, solves_, evaluations_);
    if (direct) {
        if (!newton_from(T, e.Dl, e.Dv, e, evaluations_, true)) return false;
    } else {
        const Node* near = nullptr;
        for (const Node& n : nodes_)
            if (near == nullptr || std::fabs(n.T - T) < std::fabs(near->T - T)) near = &n;
        if (near == nullptr || !newton_from(T, near->Dl, near->Dv, e, evaluations_, false))
            return false;
    }
    nodes_.push_back({T, e.Dl, e.Dv});
    return true;
}

bool SaturationCurve::build(double T_low) {
    Tc_ = SUBST_CONST.Tc;
    pieces_.clear();
    nodes_.clear();
    solves_ = 0;
    evaluations_ = 0;
    if (!(Tc_ > 0.0) || !(T_low > 0.0) || !(T_low < Tc_)) return false;
    // The lowest temperature with a pair: T_low itself, else the edge between T_low and the
    // first of 0.5, 0.7 and 0.9 Tc that has one.
    ExactPair e;
    double low = T_low;
    if (!exact_pair(low, e, solves_, evaluations_)) {
        double high = 0.0;
        for (double r : {0.5, 0.7, 0.9}) {
            if (r * Tc_ > T_low && exact_pair(r * Tc_, e, solves_, evaluations_)) {
                high = r * Tc_;
                break;
            }
        }
        if (high == 0.0) return false;
        for (int k = 0; k < kLowestSearchSteps; ++k) {
            const double mid = 0.5 * (low + high);
            (exact_pair(mid, e, solves_, evaluations_) ? high : low) = mid;
        }
        low = high;
    }
    Tmin_ = low;
    Tc_series_ = equation_Tc();
    const double t_max = t_of(Tmin_, Tc_series_);
    for (std::size_t k = 0; k + 1 <= std::size(kPieceEnds); ++k) {
        const double a = kPieceEnds[k];
        if (a >= t_max) break;
        const double b = k + 1 < std::size(kPieceEnds) ? std::min(kPieceEnds[k + 1], t_max) : t_max;
        if (!fit_piece(a, b, 0)) return false;
    }
    p_low_ = std::exp(ln_ps(t_max));
    const Piece& top = piece_of(0.0);
    Dc_series_ = std::exp(0.5 * (series(top, 1, 0.0) + series(top, 2, 0.0)));
    p_high_ = std::exp(ln_ps(t_of(std::min(Tc_, Tc_series_), Tc_series_)));
    return true;
}

void SaturationCurve::raise_Tmin(double T) {
    Tmin_ = T;
    p_low_ = std::exp(ln_ps(t_of(Tmin_, Tc_series_)));
}

// The critical temperature of the equation itself, which the table's Tc meets to its printed
// digits only: (D' - D'')^2 falls linearly to zero there. From the pairs at 1 - T/Tc = 1e-7
// and 1e-6; the table's Tc where they are not found.
double SaturationCurve::equation_Tc() {
    ExactPair a, b;
    const double Ta = Tc_ * (1.0 - 1e-7), Tb = Tc_ * (1.0 - 1e-6);
    bool direct = true;
    if (!node_pair(Ta, a, direct) || !node_pair(Tb, b, direct)) return Tc_;
    const double qa = (a.Dl - a.Dv) * (a.Dl - a.Dv), qb = (b.Dl - b.Dv) * (b.Dl - b.Dv);
    const double Tc = Ta + qa * (Ta - Tb) / (qb - qa);
    return std::fabs(Tc / Tc_ - 1.0) < 1e-6 ? Tc : Tc_;
}

ExactPair SaturationCurve::saturated(double T) const {
    const double t = t_of(T, Tc_series_);
    const Piece& p = piece_of(t);
    return {std::exp(series(p, 0, t)),
            std::exp(series(p, 1, t)),
            std::exp(series(p, 2, t)),
            series(p, 3, t),
            series(p, 4, t),
            series(p, 5, t),
            series(p, 6, t)};
}

void SaturationCurve::at(double T, double& ps, double& Dl, double& Dv) const {
    const double t = t_of(T, Tc_series_);
    const Piece& p = piece_of(t);
    ps = std::exp(series(p, 0, t));
    Dl = std::exp(series(p, 1, t));
    Dv = std::exp(series(p, 2, t));
}

bool SaturationCurve::regular(double T) const {
    return piece_of(t_of(T, Tc_series_)).regular;
}

void SaturationCurve::densities_at(double T, double& Dl, double& Dv) const {
    const double t = t_of(T, Tc_series_);
    const Piece& p = piece_of(t);
    Dl = std::exp(series(p, 1, t));
    Dv = std::exp(series(p, 2, t));
}

// ln ps falls as t rises: the piece that holds ln P, then regula falsi (Illinois) on its series
// until ln ps meets ln P to 1e-14 (a start for the Newton steps, which make it exact).
double SaturationCurve::temperature_of(double P) const {
    const double y = std::log(P);
    const double t_max = t_of(Tmin_, Tc_series_);
    if (ln_ps(0.0) - y <= 0.0) return T_of(0.0, Tc_series_);
    if (ln_ps(t_max) - y >= 0.0) return T_of(t_max, Tc_series_);
    const Piece* piece = &pieces_.back();
    for (const Piece& p : pieces_) {
        if (series(p, 0, std::min(p.b, t_max)) - y <= 0.0) {
            piece = &p;
            break;
        }
    }
    double a = piece->a, b = std::min(piece->b, t_max);
    double fa = series(*piece, 0, a) - y, fb = series(*piece, 0, b) - y;
    int side = 0;
    for (int k = 0; k < 100; ++k) {
        const double t = (a * fb - b * fa) / (fb - fa);
        const double f = series(*piece, 0, t) - y;
        if (std::fabs(f) <= 1e-14 || b - a <= 1e-16) return T_of(t, Tc_series_);
        if (f > 0.0) {
            a = t;
            fa = f;
            if (side == 1) fb *= 0.5;
            side = 1;
        } else {
            b = t;
            fb = f;
            if (side == -1) fa *= 0.5;
            side = -1;
        }
    }
    return T_of(0.5 * (a + b), Tc_series_);
}

// ---- Exact pairs -----------------------------------------------------------------------------

namespace {

// Newton steps on p' = P, p'' = P and equal Gibbs energy in (T, D', D''). Eliminating the
// densities leaves dT = (-(g' - g'') + 1000 ((p' - P)/D' - (p'' - P)/D'')) / (s'' - s')
// (the constant of the reference state that s carries and g does not cancels in s'' - s').
bool newton_at_p(double P, SatPair& pair, double accepted = 0.0) {
    for (int k = 0; k < kMaxNewtonSteps; ++k) {
        const Point& l = pair.liq;
        const Point& v = pair.vap;
        const double F1 = l.props.p - P, F2 = v.props.p - P, F3 = l.props.g - v.props.g;
        const double dT = (-F3 + 1000.0 * (F1 / l.D - F2 / v.D)) / (v.props.s - l.props.s);
        const double dl = (-F1 - l.props.dpdT * dT) / l.props.dpdD;
        const double dv = (-F2 - v.props.dpdT * dT) / v.props.dpdD;
        if (k == 0 && std::fabs(dT) <= accepted * l.T && std::fabs(dl) <= accepted * l.D &&
            std::fabs(dv) <= accepted * v.D) {
            move(pair.liq, dT, dl);
            move(pair.vap, dT, dv);
            return true;
        }
        const double T = l.T + dT;
        SatPair next;
        if (!(T > 0.0) || !stable(T, l.D + dl, next.liq) || !stable(T, v.D + dv, next.vap) ||
            !(next.liq.D > next.vap.D))
            return false;
        const bool last = settled(dT, l.T) && settled(dl, l.D) && settled(dv, v.D);
        pair = next;
        if (last) return true;
    }
    return false;
}

bool start_at(const SaturationCurve& curve, double T, SatPair& pair) {
    double ps = 0, Dl = 0, Dv = 0;
    curve.at(T, ps, Dl, Dv);
    return stable(T, Dl, pair.liq) && stable(T, Dv, pair.vap);
}

}  // namespace

// The program's own solve of the isotherm, made exact by the Newton steps where they settle.
bool exact_at_T(double T, SatPair& pair) {
    ExactPair e;
    int solves = 0;
    long evaluations = 0;
    if (!exact_pair(T, e, solves, evaluations)) return false;
    if (evaluate(T, e.Dl, pair.liq) && evaluate(T, e.Dv, pair.vap) && newton_at_T(pair))
        return true;
    return evaluate(T, e.Dl, pair.liq) && evaluate(T, e.Dv, pair.vap);
}

bool pair_at_T(const SaturationCurve& curve, double T, SatPair& pair) {
    if (!(T >= curve.Tmin()) || !(T < curve.Tc())) return false;
    if (curve.regular(T) && start_at(curve, T, pair) && newton_at_T(pair, kSeriesPairAccepted))
        return true;
    return exact_at_T(T, pair);
}

bool pair_at_p(const SaturationCurve& curve, double P, SatPair& pair) {
    if (!(P >= curve.p_low()) || !(P < curve.p_high())) return false;
    double T = curve.temperature_of(P);
    if (curve.regular(T) && start_at(curve, T, pair) && newton_at_p(P, pair, kSeriesPairAccepted))
        return true;
    // Where the steps in (T, D', D'') do not settle: pairs at T, T moved by the slope of the
    // saturation pressure, dps/dT = (h'' - h') / (T (1/D'' - 1/D')) (Clapeyron).
    for (int k = 0; k < kMaxNewtonSteps; ++k) {
        if (!pair_at_T(curve, T, pair)) return false;
        const StateProperties& l = pair.liq.props;
        const StateProperties& v = pair.vap.props;
        const double slope = (v.h - l.h) / (T * (1.0 / pair.vap.D - 1.0 / pair.liq.D)) / 1000.0;
        const double dT = -(v.p - P) / slope;
        if (settled(dT, T)) return pair_at_T(curve, T + dT, pair);
        T = std::clamp(T + dT, curve.Tmin(), 0.5 * (T + curve.Tc()));
    }
    return false;
}

}  // namespace xalt1::detail
