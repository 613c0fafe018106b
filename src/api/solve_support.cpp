#include "api/solve_support.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "eos/ideal_gas.h"

namespace xalt1::detail {

[[noreturn]] void fail(ErrorKind kind, const std::string& why) {
    throw Error(kind, why);
}

std::string text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

std::string exact_text(double v) {
    char buf[64];
    const double size = std::fabs(v);
    const bool fixed = size >= 1e-5 && size < 1e16;
    const auto end = fixed ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr
                           : std::to_chars(buf, buf + sizeof buf, v).ptr;
    return std::string(buf, end);
}

double inside(double lo, double hi) {
    if (!std::isfinite(hi)) return 2.0 * lo;
    if (lo <= 0.0) return 0.1 * hi;
    return hi > 4.0 * lo ? std::sqrt(lo * hi) : 0.5 * (lo + hi);
}

namespace {

// The one search of a density of pressure P at T on a branch, in (lo, hi). With `metastable`
// the unstable part of the isotherm lies on the side of the critical density (below a liquid
// root), a root must be stable, and a bracket that closes without one fails.
Point branch_root(double T, double P, Branch branch, double lo, double hi, double D,
                  bool metastable) {
    const bool liquid = branch == Branch::liquid;
    Point pt;
    for (int k = 0; k < kMaxSteps; ++k) {
        if (!(D > lo && D < hi)) D = inside(lo, hi);
        if (!evaluate(T, D, pt)) {
            hi = D;
            continue;
        }
        const double p = pt.props.p, slope = pt.props.dpdD;
        const bool stable = slope > 0.0;
        if ((stable || !metastable) && std::fabs(p - P) <= kPressureMet * P) return pt;
        const bool left = liquid ? p < P || (metastable && !stable) : stable && p < P;
        (left ? lo : hi) = D;
        double next = std::nan("");
        if (stable && !liquid && p > 0.0)
            next = D * std::exp(-std::log(p / P) * p / (D * slope));
        else if (stable)
            next = std::min(D - (p - P) / slope, kLiquidGrowth * D);
        const bool closed = std::isfinite(hi) && hi - lo <= kDensityClosed * hi;
        if ((stable || !metastable) && std::fabs(next - D) <= kDensityClosed * D) return pt;
        if (closed && !metastable) return pt;
        if (closed) break;
        D = next;
    }
    if (metastable)
        fail(ErrorKind::no_solution, std::string("no ") + (liquid ? "liquid" : "vapour") +
                                         " state of pressure " + text(P) + " MPa at " + text(T) +
                                         " K: beyond the spinodal of that branch");
    fail(ErrorKind::no_solution, "no density of pressure " + text(P) + " MPa at " + text(T) + " K");
}

}  // namespace

Point density_root(double T, double P, Branch branch, double lo, double hi, double D) {
    return branch_root(T, P, branch, lo, hi, D, false);
}

// ---- Saturation ------------------------------------------------------------------------------

SatPair pair_T(const FluidCore& fc, double T) {
    SatPair pair;
    if (!pair_at_T(*fc.curve, T, pair))
        fail(ErrorKind::no_solution, "no saturated pair at " + text(T) + " K");
    return pair;
}

SatPair pair_p(const FluidCore& fc, double P) {
    SatPair pair;
    if (!pair_at_p(*fc.curve, P, pair))
        fail(ErrorKind::no_solution, "no saturated pair at " + text(P) + " MPa");
    return pair;
}

Found single(const Point& pt) {
    Found f;
    f.point = pt;
    return f;
}

Found on_pair(const SatPair& pair, double x) {
    Found f;
    f.pair = pair;
    f.x = x;
    if (x == 0.0) {
        f.kind = Found::Kind::saturated_liquid;
        f.point = pair.liq;
    } else if (x == 1.0) {
        f.kind = Found::Kind::saturated_vapour;
        f.point = pair.vap;
    } else {
        f.kind = Found::Kind::mixture;
    }
    return f;
}

Found on_pair_found(const SatPair& pair, double x) {
    const double vl = 1.0 / pair.liq.D, vv = 1.0 / pair.vap.D;
    if (x <= kFractionResolved || x * (vv - vl) <= kOnPair * vl) return on_pair(pair, 0.0);
    if (1.0 - x <= kFractionResolved || (1.0 - x) * (vv - vl) <= kOnPair * vv)
        return on_pair(pair, 1.0);
    return on_pair(pair, x);
}

double fraction_of_density(const SatPair& pair, double D) {
    const double x = (1.0 / D - 1.0 / pair.liq.D) / (1.0 / pair.vap.D - 1.0 / pair.liq.D);
    return std::clamp(x, 0.0, 1.0);
}

Point branch_density(const FluidCore& fc, double T, double P, Branch branch, double D) {
    const SaturationCurve& curve = *fc.curve;
    if (!(T < curve.Tc_equation())) {
        const double start = D > 0.0 ? D : std::min(1000.0 * P / (GAS_CONSTANT * T), fc.Dc);
        return density_root(T, P, Branch::liquid, 0.0, kInfinity, start);
    }
    const bool liquid = branch == Branch::liquid;
    return branch_root(T, P, branch, liquid ? curve.Dc() : 0.0, liquid ? kInfinity : curve.Dc(), D,
                       true);
}

bool on_liquid_branch(const FluidCore& fc, const Point& pt) {
    return pt.D >= fc.curve->Dc();
}

void check_branch(const FluidCore& fc, const Point& pt, PhaseChoice phase) {
    if (!(pt.props.dpdD > 0.0))
        fail(ErrorKind::no_solution,
             "the state lies in the unstable part of the isotherm (dp/dD not positive), beyond "
             "the spinodal");
    if (!(pt.T < fc.curve->Tc_equation())) return;
    const bool liquid = on_liquid_branch(fc, pt);
    if (liquid != (phase == PhaseChoice::liquid))
        fail(ErrorKind::no_solution, std::string("the state lies on the ") +
                                         (liquid ? "liquid" : "vapour") + " branch, not the " +
                                         (liquid ? "vapour" : "liquid") + " branch asked for");
}

namespace {

struct IdealAt {
    double c0 = 0, h0 = 0, s0 = 0;
};

IdealAt ideal_at(double T) {
    IdealAt v;
    ideal_gas::sums(T, ideal_gas::Form::exact, false, v.c0, v.h0, v.s0);
    return v;
}

}  // namespace

bool set_ideal_gas(FluidCore& fc) {
    const double T = fc.Tc, D = 1e-6 * fc.Dc;
    Point pt;
    if (!evaluate(T, D, pt)) return false;
    const IdealAt v = ideal_at(T);
    fc.ideal_h = pt.props.h - GAS_CONSTANT * v.h0;
    fc.ideal_s = pt.props.s - GAS_CONSTANT * v.s0 + GAS_CONSTANT * std::log(D * T);
    return true;
}

// Newton steps on T for a residual of the ideal gas at T, rising with T, kept in [Tlow, Thigh]
// and to a factor 2 a step.
template <typename Residual>
double ideal_root(const FluidCore& fc, Residual&& residual, double Tlow, double Thigh) {
    double T = std::clamp(fc.Tc, Tlow, Thigh);
    for (int k = 0; k < 30; ++k) {
        const auto [f, slope] = residual(T, ideal_at(T));
        if (!(slope > 0.0)) break;
        const double next =
            std::clamp(T - f / slope, std::max(Tlow, 0.5 * T), std::min(Thigh, 2.0 * T));
        if (std::fabs(next - T) <= 1e-10 * T) return next;
        T = next;
    }
    return T;
}

double ideal_temperature(const FluidCore& fc, double P, Var var, double value, double Tlow,
                         double Thigh) {
    constexpr double R = GAS_CONSTANT;
    const double u = var == Var::u ? 1.0 : 0.0;  // u = h - R T
    const auto residual = [&](double T, const IdealAt& v) {
        if (var == Var::s)
            return std::pair{fc.ideal_s + R * v.s0 - R * std::log(1000.0 * P / R) - value,
                             R * v.c0 / T};
        return std::pair{fc.ideal_h + R * v.h0 - u * R * T - value, R * (v.c0 - u)};
    };
    return ideal_root(fc, residual, Tlow, Thigh);
}

double ideal_temperature_at_density(const FluidCore& fc, double D, Var var, double value,
                                    double Tlow, double Thigh) {
    if (var != Var::s) return ideal_temperature(fc, 1.0, var, value, Tlow, Thigh);
    constexpr double R = GAS_CONSTANT;
    const auto residual = [&](double T, const IdealAt& v) {
        return std::pair{fc.ideal_s + R * v.s0 - R * std::log(D * T) - value, R * (v.c0 - 1.0) / T};
    };
    return ideal_root(fc, residual, Tlow, Thigh);
}

double ideal_density(const FluidCore& fc, double T, double s) {
    const IdealAt v = ideal_at(T);
    constexpr double R = GAS_CONSTANT;
    return std::exp((fc.ideal_s + R * v.s0 - s) / R) / T;
}

bool in_range(const FluidCore& fc, double T) {
    return T >= fc.Tmin * (1.0 - kOnPair) && T <= fc.Tmax * (1.0 + kOnPair);
}

std::optional<double> fraction_on(const SatPair& pair, double D) {
    const double v = 1.0 / D, vl = 1.0 / pair.liq.D, vv = 1.0 / pair.vap.D;
    if (v < vl * (1.0 - kFractionResolved) || v > vv * (1.0 + kFractionResolved))
        return std::nullopt;
    return std::clamp((v - vl) / (vv - vl), 0.0, 1.0);
}

Var var_of(Given g) {
    switch (g) {
        case Given::T:
            return Var::T;
        case Given::p:
            return Var::p;
        case Given::D:
            return Var::D;
        case Given::h:
            return Var::h;
        case Given::s:
            return Var::s;
        default:
            return Var::u;
    }
}

namespace {

// The value of a quantity from T, the pressure and one phase's density, enthalpy and entropy.
double from_phase(double T, double p, double D, double h, double s, Var v) {
    switch (v) {
        case Var::T:
            return T;
        case Var::p:
            return p;
        case Var::D:
            return D;
        case Var::v:
            return 1.0 / D;
        case Var::h:
            return h;
        case Var::s:
            return s;
        case Var::u:
            return h - 1000.0 * p / D;
        case Var::g:
            return h - T * s;
        case Var::f:
            break;
    }
    return h - 1000.0 * p / D - T * s;
}

}  // namespace

double quantity(const Point& pt, Var v) {
    return from_phase(pt.T, pt.props.p, pt.D, pt.props.h, pt.props.s, v);
}

double quantity_liquid(const ExactPair& e, Var v) {
    return from_phase(0.0, e.ps, e.Dl, e.hl, e.sl, v);
}

double quantity_vapour(const ExactPair& e, Var v) {
    return from_phase(0.0, e.ps, e.Dv, e.hv, e.sv, v);
}

}  // namespace xalt1::detail
