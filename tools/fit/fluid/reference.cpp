#include "fluid/reference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "eos/ideal_gas.h"

namespace fit {

namespace {

// Index i of the pair (i - 1, i) of saturation points that brackets T: the first point at or
// above T, the second point below the table, the last point above it.
size_t bracket(const std::vector<SatPoint>& s, double T) {
    size_t i = 1;
    while (i + 1 < s.size() && s[i].T < T) ++i;
    return i;
}

double linear(double a, double b, double w) {
    return a + w * (b - a);
}

double logarithmic(double a, double b, double w) {
    return std::exp(std::log(a) + w * (std::log(b) - std::log(a)));
}

}  // namespace

SatPoint interpolated_saturation(const Fluid& f, double T) {
    const auto& s = f.sat;
    const size_t i = bracket(s, T);
    const double w = (T - s[i - 1].T) / (s[i].T - s[i - 1].T);
    return {T, logarithmic(s[i - 1].ps, s[i].ps, w), linear(s[i - 1].Dliq, s[i].Dliq, w),
            logarithmic(s[i - 1].Dvap, s[i].Dvap, w)};
}

SatPoint extrapolated_saturation(const Fluid& f, double T) {
    const SatPoint& a = f.sat[0];
    const SatPoint& b = f.sat[1];
    const double w = (T - a.T) / (b.T - a.T);
    const double w_inverse = (1.0 / T - 1.0 / a.T) / (1.0 / b.T - 1.0 / a.T);
    return {T, logarithmic(a.ps, b.ps, w_inverse), linear(a.Dliq, b.Dliq, w),
            logarithmic(a.Dvap, b.Dvap, w_inverse)};
}

namespace {

// Slope d(ln ps)/dT at saturation point i: derivative of the polynomial through the five
// nearest points of the table.
double ln_ps_slope(const std::vector<SatPoint>& sat, size_t i) {
    const size_t n = sat.size();
    if (n < 2) return 0.0;
    const size_t w = std::min<size_t>(5, n);
    size_t first = i >= w / 2 ? i - w / 2 : 0;
    first = std::min(first, n - w);
    const double x0 = sat[i].T;
    double slope = 0.0;
    for (size_t k = first; k < first + w; ++k) {
        double lk = 0.0;  // derivative of the k-th Lagrange basis polynomial at x0
        if (k == i) {
            for (size_t m = first; m < first + w; ++m)
                if (m != i) lk += 1.0 / (x0 - sat[m].T);
        } else {
            lk = 1.0 / (sat[k].T - sat[i].T);
            for (size_t m = first; m < first + w; ++m)
                if (m != k && m != i) lk *= (x0 - sat[m].T) / (sat[k].T - sat[m].T);
        }
        slope += std::log(sat[k].ps) * lk;
    }
    return slope;
}

}  // namespace

double reference_hvap(const Fluid& f, size_t i) {
    const SatPoint& s = f.sat[i];
    // MPa dm3/mol = kJ/mol
    return 1000.0 * s.T * (1.0 / s.Dvap - 1.0 / s.Dliq) * s.ps * ln_ps_slope(f.sat, i);
}

double reference_cp0(const Fluid& f, double T) {
    const auto term = [&](int32_t i) {
        const IdealTerm& t = f.ideal[static_cast<size_t>(i)];
        return ideal_gas::Term{t.E, t.K, t.K2};
    };
    double cp0 = 0.0, h0 = 0.0, s0 = 0.0;
    ideal_gas::sum_terms(static_cast<int32_t>(f.ideal.size()), term, T, ideal_gas::Form::exact, cp0,
                         h0, s0, [](int32_t, double, double, double) {});
    return f.R * cp0;
}

double acentric_factor(const Fluid& f) {
    const double ps = interpolated_saturation(f, 0.7 * f.Tc).ps;
    return std::clamp(-std::log10(ps / f.pc) - 1.0, -0.3, 1.5);
}

}  // namespace fit
