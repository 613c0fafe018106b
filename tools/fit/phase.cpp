#include "phase.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "eos/eos.h"
#include "model.h"
#include "props/state_properties.h"

namespace fit {

// Pressure, its slope and the Gibbs energy by the property routine's formulas from the
// residual derivatives at (D, T). At equal T the ideal-gas part changes g only through ln D, so
// g is taken relative to the ideal gas at 1 mol/dm3 and T: g/(R T) = ln D + F + Z - 1.
PhaseState phase_state(double D, double T) {
    PhaseState s;
    FresDeriv F;
    int32_t status = 0;
    X_R_FDERIV(D, T, F, status);
    if (status != 0) {
        s.p = s.z1 = s.dpdd = s.g = std::nan("");
        return s;
    }
    SubstConst ideal_gas_at_T = SUBST_CONST;
    ideal_gas_at_T.Dref = 1.0;
    ideal_gas_at_T.Tref = T;
    ideal_gas_at_T.Href = ideal_gas_at_T.Sref = 0.0;
    const StateProperties props =
        state_properties(ideal_gas_at_T, ReferenceValues{}, D, T, F, IdealGasValues{}, 0.0);
    const double RT = R_PROGRAM * T / 1000.0;
    s.p = props.p;
    s.z1 = D * F.F10;
    s.dpdd = props.dpdD / RT;
    s.g = props.g / (R_PROGRAM * T);
    return s;
}

double pressure(double D, double T) {
    return phase_state(D, T).p;
}

bool saturation(double T, double& ps, double& Dliq, double& Dvap) {
    double Dl = Dliq, Dv = Dvap;
    for (int it = 0; it < 200; ++it) {
        const PhaseState l = phase_state(Dl, T);
        const PhaseState v = phase_state(Dv, T);
        if (!std::isfinite(l.p) || !std::isfinite(v.p)) return false;
        // unknowns ln Dl, ln Dv; equations (p_l - p_v)/(R T) and g_l - g_v
        const double RT = R_PROGRAM * T / 1000.0;
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
    const PhaseState l = phase_state(Dl, T);
    const PhaseState v = phase_state(Dv, T);
    if (!(Dl > Dv * 1.0001) || l.dpdd <= 0 || v.dpdd <= 0) return false;
    if (std::fabs(l.p - v.p) > 1e-8 * std::fabs(v.p) + 1e-14 || std::fabs(l.g - v.g) > 1e-9)
        return false;
    ps = v.p;
    Dliq = Dl;
    Dvap = Dv;
    return true;
}

namespace {

// Smallest (dp/dD)/(RT) over densities around Dguess at T, and where it lies.
double min_slope(double T, double Dlo, double Dhi, double& Dat) {
    const int N = 60;
    double best = 1e300;
    int bi = 0;
    std::vector<double> v(N + 1);
    for (int i = 0; i <= N; ++i) {
        const double D = Dlo + (Dhi - Dlo) * i / N;
        v[i] = phase_state(D, T).dpdd;
        if (v[i] < best) {
            best = v[i];
            bi = i;
        }
    }
    double a = Dlo + (Dhi - Dlo) * std::max(bi - 1, 0) / N;
    double b = Dlo + (Dhi - Dlo) * std::min(bi + 1, N) / N;
    const double gr = 0.5 * (std::sqrt(5.0) - 1.0);
    double c = b - gr * (b - a), d = a + gr * (b - a);
    double fc = phase_state(c, T).dpdd, fd = phase_state(d, T).dpdd;
    for (int it = 0; it < 80 && (b - a) > 1e-12 * b; ++it) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - gr * (b - a);
            fc = phase_state(c, T).dpdd;
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + gr * (b - a);
            fd = phase_state(d, T).dpdd;
        }
    }
    Dat = 0.5 * (a + b);
    return phase_state(Dat, T).dpdd;
}

}  // namespace

bool critical_point(double Tguess, double Dguess, double& Tc, double& Dc, double& pc) {
    const double Dlo = 0.4 * Dguess, Dhi = 2.2 * Dguess;
    double Ta = 0.7 * Tguess, Tb = 1.4 * Tguess, Dat = Dguess;
    if (min_slope(Ta, Dlo, Dhi, Dat) >= 0 || min_slope(Tb, Dlo, Dhi, Dat) <= 0) return false;
    for (int it = 0; it < 100 && (Tb - Ta) > 1e-11 * Tb; ++it) {
        const double Tm = 0.5 * (Ta + Tb);
        if (min_slope(Tm, Dlo, Dhi, Dat) < 0)
            Ta = Tm;
        else
            Tb = Tm;
    }
    Tc = 0.5 * (Ta + Tb);
    min_slope(Tc, Dlo, Dhi, Dat);
    Dc = Dat;
    pc = pressure(Dc, Tc);
    return std::isfinite(pc);
}

bool saturation_temperature(double p, double Tlow, double Thigh, double Dl_guess, double Dv_guess,
                            double& T, double& Dliq, double& Dvap) {
    double a = Tlow, b = Thigh;
    double Dl = Dl_guess, Dv = Dv_guess;
    for (int it = 0; it < 100 && (b - a) > 1e-10 * b; ++it) {
        const double m = 0.5 * (a + b);
        double ps, l = Dl, v = Dv;
        if (!saturation(m, ps, l, v)) return false;
        Dl = l;
        Dv = v;
        if (ps < p)
            a = m;
        else
            b = m;
    }
    T = 0.5 * (a + b);
    double ps;
    Dliq = Dl;
    Dvap = Dv;
    return saturation(T, ps, Dliq, Dvap);
}

}  // namespace fit
