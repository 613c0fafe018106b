#include "model/phase.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "eos/constants.h"
#include "eos/eos.h"
#include "props/state_properties.h"

namespace fit {

namespace {

// The residual derivative pairs (order in D, order in T) at (D, T) that a property needs, by
// the equation in use; the others stay 0.
FresDeriv residual(const Eos& eos, double D, double T,
                   std::initializer_list<std::pair<int, int>> pairs) {
    unsigned mask = 0;
    for (const auto& [del, tau] : pairs) mask |= pair_bit(del, tau);
    const PairValues values = eos.pairs(D, T, mask);
    FresDeriv F;
    for (const auto& [del, tau] : pairs) {
        const int q = pair_index(del, tau);
        const double v = q < PAIRS ? values[q] : 0.0;
        if (tau == 0) (del == 0 ? F.F00 : del == 1 ? F.F10 : del == 2 ? F.F20 : F.F30) = v;
        if (tau == 1) (del == 0 ? F.F01 : F.F11) = v;
        if (tau == 2) F.F02 = v;
    }
    return F;
}

// The properties at (D, T) by the property routine's formulas, with cp0 = c0 R and the
// reference at the ideal gas of 1 mol/dm3 and T (at equal T, g and h differ from the program's
// by a constant: g/(R T) = ln D + F + Z - 1, h = R T (Z - 1 - T dF/dT)). No previous state and
// no critical temperature (0): the near-critical rule is off.
StateProperties properties(const FresDeriv& F, double D, double T, double c0, double molar_mass) {
    SubstConst at_T;
    at_T.Dref = 1.0;
    at_T.Tref = T;
    at_T.MolWt = molar_mass;
    const IdealGasValues ideal{c0, 0.0, 0.0};
    ReferenceValues ref;
    ref.ideal = ideal;
    return state_properties(at_T, ref, D, T, F, ideal, 0.0);
}

}  // namespace

PhaseState phase_state(const Eos& eos, double D, double T) {
    const FresDeriv F = residual(eos, D, T, {{0, 0}, {1, 0}, {2, 0}});
    const StateProperties props = properties(F, D, T, 0.0, 0.0);
    PhaseState s;
    s.z1 = D * F.F10;
    s.p = props.p;
    s.dpdd = props.dpdD_RT;
    s.g = props.g / (GAS_CONSTANT * T);
    return s;
}

double pressure(const Eos& eos, double D, double T) {
    return phase_state(eos, D, T).p;
}

bool saturation(const Eos& eos, double T, double& ps, double& Dliq, double& Dvap) {
    double Dl = Dliq, Dv = Dvap;
    for (int it = 0; it < 200; ++it) {
        const PhaseState l = phase_state(eos, Dl, T);
        const PhaseState v = phase_state(eos, Dv, T);
        if (!std::isfinite(l.p) || !std::isfinite(v.p)) return false;
        // unknowns ln Dl, ln Dv; equations (p_l - p_v)/(R T) and g_l - g_v
        const double RT = GAS_CONSTANT * T / 1000.0;
        const double e1 = (l.p - v.p) / RT;
        const double e2 = l.g - v.g;
        const double a11 = Dl * l.dpdd, a12 = -Dv * v.dpdd;
        const double a21 = l.dpdd, a22 = -v.dpdd;  // d g / d ln D = dpdd
        const double det = a11 * a22 - a12 * a21;
        if (det == 0 || !std::isfinite(det)) return false;
        double x1 = -(e1 * a22 - e2 * a12) / det;
        double x2 = -(a11 * e2 - a21 * e1) / det;
        const double cap = 0.2;
        const double big = std::max(std::fabs(x1), std::fabs(x2));
        if (big > cap) {
            x1 *= cap / big;
            x2 *= cap / big;
        }
        Dl *= std::exp(x1);
        Dv *= std::exp(x2);
        if (std::fabs(x1) < 1e-13 && std::fabs(x2) < 1e-13) break;
    }
    const PhaseState l = phase_state(eos, Dl, T);
    const PhaseState v = phase_state(eos, Dv, T);
    if (!(Dl > Dv * 1.0001) || l.dpdd <= 0 || v.dpdd <= 0) return false;
    // the liquid pressure of a state far below the normal boiling point carries a rounding
    // error of about 1e-13 MPa: an absolute 1e-12 MPa is met there
    if (std::fabs(l.p - v.p) > 1e-8 * std::fabs(v.p) + 1e-12 || std::fabs(l.g - v.g) > 1e-9)
        return false;
    ps = v.p;
    Dliq = Dl;
    Dvap = Dv;
    return true;
}

namespace {

// Smallest (dp/dD)/(RT) over densities around Dguess at T, and where it lies.
double min_slope(const Eos& eos, double T, double Dlo, double Dhi, double& Dat) {
    const int N = 60;
    double best = 1e300;
    int bi = 0;
    std::vector<double> v(N + 1);
    for (int i = 0; i <= N; ++i) {
        const double D = Dlo + (Dhi - Dlo) * i / N;
        v[i] = phase_state(eos, D, T).dpdd;
        if (v[i] < best) {
            best = v[i];
            bi = i;
        }
    }
    double a = Dlo + (Dhi - Dlo) * std::max(bi - 1, 0) / N;
    double b = Dlo + (Dhi - Dlo) * std::min(bi + 1, N) / N;
    const double gr = 0.5 * (std::sqrt(5.0) - 1.0);
    double c = b - gr * (b - a), d = a + gr * (b - a);
    double fc = phase_state(eos, c, T).dpdd, fd = phase_state(eos, d, T).dpdd;
    for (int it = 0; it < 80 && (b - a) > 1e-12 * b; ++it) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - gr * (b - a);
            fc = phase_state(eos, c, T).dpdd;
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + gr * (b - a);
            fd = phase_state(eos, d, T).dpdd;
        }
    }
    Dat = 0.5 * (a + b);
    return phase_state(eos, Dat, T).dpdd;
}

}  // namespace

bool critical_point(const Eos& eos, double Tguess, double Dguess, double& Tc, double& Dc,
                    double& pc) {
    const double Dlo = 0.4 * Dguess, Dhi = 2.2 * Dguess;
    double Ta = 0.7 * Tguess, Tb = 1.4 * Tguess, Dat = Dguess;
    if (min_slope(eos, Ta, Dlo, Dhi, Dat) >= 0 || min_slope(eos, Tb, Dlo, Dhi, Dat) <= 0)
        return false;
    for (int it = 0; it < 100 && (Tb - Ta) > 1e-11 * Tb; ++it) {
        const double Tm = 0.5 * (Ta + Tb);
        if (min_slope(eos, Tm, Dlo, Dhi, Dat) < 0)
            Ta = Tm;
        else
            Tb = Tm;
    }
    Tc = 0.5 * (Ta + Tb);
    min_slope(eos, Tc, Dlo, Dhi, Dat);
    Dc = Dat;
    pc = pressure(eos, Dc, Tc);
    return std::isfinite(pc);
}

bool density_at(const Eos& eos, double T, double p, double start, double& D) {
    double x = std::log(start);
    for (int it = 0; it < 100; ++it) {
        const double Dn = std::exp(x);
        const PhaseState s = phase_state(eos, Dn, T);
        if (!std::isfinite(s.p) || s.dpdd <= 0) return false;
        const double dp_dlnD = Dn * GAS_CONSTANT * T / 1000.0 * s.dpdd;
        double step = (p - s.p) / dp_dlnD;
        step = std::clamp(step, -0.1, 0.1);
        x += step;
        if (std::fabs(step) < 1e-13) break;
    }
    D = std::exp(x);
    return std::fabs(pressure(eos, D, T) / p - 1.0) < 1e-9;
}

Caloric caloric_at(const Eos& eos, double D, double T, double cp0, double molar_mass) {
    const FresDeriv F = residual(eos, D, T, {{1, 0}, {2, 0}, {0, 1}, {0, 2}, {1, 1}});
    const StateProperties props = properties(F, D, T, cp0 / GAS_CONSTANT, molar_mass);
    Caloric c;
    c.cv = props.cv;
    c.cp = props.cp;
    c.w = props.w > 0.0 ? props.w : std::nan("");  // no speed of sound: left out of the figures
    return c;
}

double vaporisation_enthalpy(const Eos& eos, double T, double Dliq, double Dvap) {
    const FresDeriv Fl = residual(eos, Dliq, T, {{1, 0}, {0, 1}});
    const FresDeriv Fv = residual(eos, Dvap, T, {{1, 0}, {0, 1}});
    return properties(Fv, Dvap, T, 0.0, 0.0).h - properties(Fl, Dliq, T, 0.0, 0.0).h;
}

}  // namespace fit
