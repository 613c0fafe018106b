// The critical point of a mixture by Heidemann and Khalil's conditions, in Michelsen's nesting:
// at a trial density the temperature where the smallest eigenvalue of B vanishes (the stability
// limit), and the density where the cubic form vanishes there.
#include <algorithm>
#include <cmath>
#include <string>

#include "api/mixture_envelope.h"
#include "api/small_dense.h"
#include "api/solve_support.h"
#include "api/xalt1.h"

namespace xalt1::detail {

namespace {

// The residual chemical potentials mu_i / RT = ln phi_i + ln Z of the amounts n in the volume
// V at T.
bool residual_potentials(const MixtureModel& m, const std::vector<double>& n, double T, double V,
                         std::vector<double>& out) {
    double N = 0;
    for (double v : n) N += v;
    std::vector<double> x(n.size());
    for (std::size_t i = 0; i < n.size(); ++i) x[i] = n[i] / N;
    const double D = N / V;
    double p = 0, dpdD = 0;
    out.resize(n.size());
    if (!m.ln_fugacity_coefficients(x.data(), T, D, out.data()) ||
        !m.pressure(x.data(), T, D, p, dpdD))
        return false;
    const double lnZ = std::log(p / (D * R * T / 1000.0));
    for (double& v : out) v += lnZ;
    return std::isfinite(lnZ);
}

// ln f_i - ln(R T / V): ln n_i + mu_i / RT.
bool ln_fugacities(const MixtureModel& m, const std::vector<double>& n, double T, double V,
                   std::vector<double>& out) {
    if (!residual_potentials(m, n, T, V, out)) return false;
    for (std::size_t i = 0; i < n.size(); ++i)
        if (n[i] > 0.0) out[i] += std::log(n[i]);
    return true;
}

// The cubic form along dn_i = sqrt(z_i) u_i: the second difference of sum dn_i ln f_i(n + e dn)
// at constant T and V (one mole in 1/D).
bool cubic_form(const MixtureModel& m, const std::vector<double>& z, double T, double D,
                const std::vector<double>& u, double& C) {
    const std::size_t n = z.size();
    std::vector<double> dn(n);
    double reach = 0;  // the largest relative change of an amount per unit e
    for (std::size_t i = 0; i < n; ++i) {
        dn[i] = std::sqrt(z[i]) * u[i];
        if (z[i] > 0.0) reach = std::max(reach, std::fabs(dn[i]) / z[i]);
    }
    const double e = 1e-3 / std::max(reach, 1.0);
    std::vector<double> lf[3];
    for (int k = 0; k < 3; ++k) {
        std::vector<double> amounts(n);
        for (std::size_t i = 0; i < n; ++i) amounts[i] = z[i] + (k - 1) * e * dn[i];
        if (!ln_fugacities(m, amounts, T, 1.0 / D, lf[k])) return false;
    }
    C = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (z[i] > 0.0) C += dn[i] * (lf[0][i] - 2.0 * lf[1][i] + lf[2][i]) / (e * e);
    return std::isfinite(C);
}

// B_ij = delta_ij + sqrt(z_i z_j) N d(mu_i / RT)/dn_j at constant T and V (the ideal part
// delta_ij / z_i of N d ln f_i / dn_j taken out): central differences in each amount present.
bool stability_matrix(const MixtureModel& m, const std::vector<double>& z, double T, double D,
                      std::vector<double>& B) {
    const std::size_t n = z.size();
    B.assign(n * n, 0.0);
    std::vector<double> up, down;
    for (std::size_t j = 0; j < n; ++j) {
        if (z[j] > 0.0) {
            const double h = 1e-5 * std::max(z[j], 1e-3);
            std::vector<double> amounts = z;
            amounts[j] = z[j] + h;
            if (!residual_potentials(m, amounts, T, 1.0 / D, up)) return false;
            amounts[j] = z[j] - h;
            if (!residual_potentials(m, amounts, T, 1.0 / D, down)) return false;
            for (std::size_t i = 0; i < n; ++i)
                B[i * n + j] = std::sqrt(z[i] * z[j]) * (up[i] - down[i]) / (2.0 * h);
        }
        B[j * n + j] += 1.0;
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < i; ++j)  // symmetric but for the differences' round-off
            B[i * n + j] = B[j * n + i] = 0.5 * (B[i * n + j] + B[j * n + i]);
    return true;
}

bool smallest_eigenvalue(const MixtureModel& m, const std::vector<double>& z, double T, double D,
                         double& value, std::vector<double>& u) {
    std::vector<double> B;
    return stability_matrix(m, z, T, D, B) && smallest_eigenpair(B, z.size(), value, u);
}

constexpr int kBracketSteps = 60;

// The temperature of the stability limit at the density D (the smallest eigenvalue 0), from
// the start T: stepped down while the mixture is stable there, up while not (by steps growing
// from 0.2 %), then Illinois.
// A state the equation refuses counts as unstable (it lies in the loop of negative pressure).
bool stability_limit(const MixtureModel& m, const std::vector<double>& z, double D, double& T) {
    std::vector<double> u;
    const auto eigenvalue = [&](double lnT) {
        double value = 0;
        return smallest_eigenvalue(m, z, std::exp(lnT), D, value, u) ? value : -1.0;
    };
    double a = std::log(T), fa = eigenvalue(a), b = a, fb = fa;
    double step = fa > 0.0 ? -0.002 : 0.002;  // doubled up to 0.064 (in ln T)
    for (int k = 0; k < kBracketSteps && (fa > 0.0) == (fb > 0.0); ++k) {
        a = b, fa = fb;
        b += step;
        fb = eigenvalue(b);
        if (std::fabs(step) < 0.06) step *= 2.0;
    }
    if ((fa > 0.0) == (fb > 0.0)) return false;
    if (a > b) std::swap(a, b), std::swap(fa, fb);
    T = std::exp(illinois(eigenvalue, a, b, fa, fb, 1e-11));
    double value = 0;
    return smallest_eigenvalue(m, z, T, D, value, u) && std::fabs(value) < 1e-7;
}

// The cubic form at the stability limit of the density exp(lnD), its eigenvector turned to the
// side of `reference` (the form changes sign with it).
struct OnLimit {
    bool ok = false;
    double T = 0, C = 0;
    std::vector<double> u;
};

OnLimit on_limit(const MixtureModel& m, const std::vector<double>& z, double lnD, double T,
                 const std::vector<double>& reference) {
    OnLimit at;
    at.T = T;
    const double D = std::exp(lnD);
    double value = 0;
    if (!stability_limit(m, z, D, at.T) || !smallest_eigenvalue(m, z, at.T, D, value, at.u))
        return at;
    double side = 0;
    for (std::size_t i = 0; i < z.size(); ++i) side += at.u[i] * reference[i];
    if (side < 0.0)
        for (double& v : at.u) v = -v;
    at.ok = cubic_form(m, z, at.T, D, at.u, at.C);
    return at;
}

void check_composition(const MixtureModel& m, const std::vector<double>& z) {
    double sum = 0;
    for (double v : z) {
        if (!(v >= 0.0)) fail(ErrorKind::bad_input, "a mole fraction is negative or not a number");
        sum += v;
    }
    if (z.size() != m.size() || std::fabs(sum - 1.0) > 1e-9)
        fail(ErrorKind::bad_input, "the mole fractions must be one per component, summing to 1");
}

}  // namespace

bool critical_conditions(const MixtureModel& m, const std::vector<double>& z, double T, double D,
                         CriticalConditions& out) {
    return smallest_eigenvalue(m, z, T, D, out.smallest_eigenvalue, out.eigenvector) &&
           cubic_form(m, z, T, D, out.eigenvector, out.cubic_form);
}

CriticalState mixture_critical(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                               const std::vector<double>& z) {
    check_composition(m, z);
    // The start: mole-fraction means of the critical temperatures and volumes (these from a
    // critical compressibility factor of 0.29).
    double T = 0, V = 0;
    for (std::size_t i = 0; i < z.size(); ++i) {
        T += z[i] * pure[i].Tc;
        V += z[i] * 0.29 * R * pure[i].Tc / 1000.0 / pure[i].pc;
    }
    OnLimit a = on_limit(m, z, -std::log(V), T, std::vector<double>(z.size(), 0.0));
    if (!a.ok) fail(ErrorKind::no_solution, "critical point: no stability limit near the start");
    // The eigenvector's sign fixed by its largest entry, then kept by continuity.
    const auto larger = [](double x, double y) { return std::fabs(x) < std::fabs(y); };
    if (*std::max_element(a.u.begin(), a.u.end(), larger) < 0.0) {
        for (double& v : a.u) v = -v;
        a.C = -a.C;
    }
    double lnDa = -std::log(V), lnDb = lnDa + 0.05;
    OnLimit b = on_limit(m, z, lnDb, a.T, a.u);
    // Secant steps in ln D (at most 0.2 each) until the cubic form changes sign.
    for (int k = 0; k < kBracketSteps && b.ok && (a.C > 0.0) == (b.C > 0.0); ++k) {
        const double step = std::clamp(-b.C * (lnDb - lnDa) / (b.C - a.C), -0.2, 0.2);
        lnDa = lnDb, a = b;
        lnDb += std::isfinite(step) ? step : 0.05;
        b = on_limit(m, z, lnDb, a.T, a.u);
    }
    if (!b.ok || (a.C > 0.0) == (b.C > 0.0))
        fail(ErrorKind::no_solution, "critical point: the cubic form does not change sign");
    if (lnDa > lnDb) std::swap(lnDa, lnDb), std::swap(a, b);
    double T_last = a.T;
    std::vector<double> u_last = a.u;
    bool lost = false;
    const auto cubic = [&](double lnD) {
        const OnLimit at = on_limit(m, z, lnD, T_last, u_last);
        if (!at.ok) {
            lost = true;
            return 0.0;
        }
        T_last = at.T;
        u_last = at.u;
        return at.C;
    };
    const double lnD = illinois(cubic, lnDa, lnDb, a.C, b.C, 1e-9);
    CriticalState c;
    c.D = std::exp(lnD);
    const OnLimit at = on_limit(m, z, lnD, T_last, u_last);
    double dpdD = 0;
    if (lost || !at.ok || !m.pressure(z.data(), at.T, c.D, c.p, dpdD))
        fail(ErrorKind::no_solution, "critical point: the stability limit is lost");
    c.T = at.T;
    return c;
}

}  // namespace xalt1::detail
