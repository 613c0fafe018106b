#include "model/terms.h"

#include <cmath>
#include <cstdio>

#include "eos/constants.h"
#include "eos/eos.h"
#include "eos/term_forms.h"

namespace fit {

double T0_of(const Fluid& f, const Params& p) {
    return p.t * f.Tc;
}

double D0_of(const Fluid& f, const Params& p) {
    return p.d * f.Dc;
}

double eta_density(const Fluid& f, const Params& p, double eta, double T) {
    return hard_body::density_at_packing(eta, D0_of(f, p), T, T0_of(f, p), A1_HARD_BODY,
                                         A2_HARD_BODY);
}

namespace {

constexpr int kMaxPower = 24;

// Integer powers x^k for k in [-kMaxPower, kMaxPower] by repeated multiplication; exponents
// beyond the table fall back to std::pow.
class Powers {
  public:
    explicit Powers(double x) : x_(x) {
        up_[0] = 1.0;
        down_[0] = 1.0;
        const double inv = 1.0 / x;
        for (int k = 1; k <= kMaxPower; ++k) {
            up_[k] = up_[k - 1] * x;
            down_[k] = down_[k - 1] * inv;
        }
    }
    double operator()(int k) const {
        if (k >= 0 && k <= kMaxPower) return up_[k];
        if (k < 0 && -k <= kMaxPower) return down_[-k];
        return std::pow(x_, k);
    }

  private:
    double x_;
    std::array<double, kMaxPower + 1> up_{}, down_{};
};

// The weighted sum of the derivative pairs of one attraction term of value F (coefficient 1),
// over the pairs whose weight is not zero.
double attraction_pairs(double F, double m, double l, double u, double t, double D, double T,
                        const PairWeights& w) {
    double sum = w[0];
    if (w[1] != 0.0 || w[5] != 0.0) sum += (w[1] + w[5] * t / T) * (m - u) / D;
    if (w[2] != 0.0) sum += w[2] * t / T;
    if (w[3] != 0.0) sum += w[3] / (D * D) * (m * (m - 1.0) - 2.0 * m * u + u * u - (l - 1.0) * u);
    if (w[4] != 0.0) {
        const double lm1 = l + m - 1.0, lm2 = l + m - 2.0;
        sum += w[4] / (D * D * D) *
               (m * (m - 1.0) * (m - 2.0) - u * (m * (m - 1.0) + m * (l + m - 2.0) + lm1 * lm2) +
                3.0 * lm1 * u * u - u * u * u);
    }
    if (w[6] != 0.0) sum += w[6] * t * (t - 1.0) / (T * T);
    return F * sum;
}

// The same for one polar term.
double polar_pairs(double F, double q, double o, double t, double D, double D0, double T,
                   const PairWeights& w) {
    const double D02 = D0 * D0;
    double sum = w[0];
    if (w[1] != 0.0 || w[5] != 0.0) sum += (w[1] + w[5] * t / T) * (q / D - 2.0 * o * D / D02);
    if (w[2] != 0.0) sum += w[2] * t / T;
    if (w[3] != 0.0)
        sum += w[3] * (q * (q - 1.0) / (D * D) - 2.0 * o * (2.0 * q + 1.0) / D02 +
                       4.0 * o * o * D * D / (D02 * D02));
    if (w[4] != 0.0)
        sum += w[4] * (q * (q - 1.0) * (q - 2.0) / (D * D * D) - 6.0 * o * q * q / (D * D02) +
                       12.0 * o * o * (q + 1.0) * D / (D02 * D02) -
                       8.0 * o * o * o * D * D * D / (D02 * D02 * D02));
    if (w[6] != 0.0) sum += w[6] * t * (t - 1.0) / (T * T);
    return F * sum;
}

// Calls fn(t, value) for every term t with its weighted sum of derivative pairs at (D, T).
template <class Fn>
void each_term_value(const std::vector<Term>& terms, const Fluid& f, const Params& p, double D,
                     double T, const PairWeights& w, Fn fn) {
    if (terms.empty()) return;
    const double D0 = D0_of(f, p), T0 = T0_of(f, p);
    if (terms.front().set == SetKind::Fa) {
        const double delta = D / D0;
        const Powers th(std::sqrt(T / T0)), de(delta), al(p.alpha);
        constexpr int kPsi = 8;  // exponentials exp(-delta^l) kept for l below this
        double psi[kPsi];
        for (int l = 0; l < kPsi; ++l) psi[l] = l == 0 ? 1.0 : std::exp(-de(l));
        for (size_t i = 0; i < terms.size(); ++i) {
            const auto& e = terms[i].e;  // m, n, j, l
            const int l = e[3];
            const double dl = l != 0 ? de(l) : 0.0;
            const double ps = l >= 0 && l < kPsi ? psi[l] : std::exp(-dl);
            const double F = th(e[1]) * de(e[0]) * al(e[2]) * ps;
            fn(i, attraction_pairs(F, e[0], l, l * dl, e[1] / 2.0, D, T, w));
        }
        return;
    }
    const double P = terms.front().set == SetKind::Fq ? p.q2 : p.dp;
    if (!polar_set_on(P)) return;
    const double x = D / D0;
    const Powers ta(std::sqrt(T / (POLAR_TEMPERATURE_SCALE * T0))), sx(std::sqrt(x)),
        pq(std::sqrt(std::sqrt(P)));
    const double x2 = x * x;
    double psi[4];
    for (int o = 0; o < 4; ++o) psi[o] = std::exp(-o * x2);
    for (size_t i = 0; i < terms.size(); ++i) {
        const auto& e = terms[i].e;  // n, m, k, o
        const int o = e[3];
        const double F =
            ta(e[0]) * sx(e[1]) * pq(e[2]) * (o >= 0 && o < 4 ? psi[o] : std::exp(-o * x2));
        fn(i, polar_pairs(F, e[1] / 2.0, o, e[0] / 2.0, D, D0, T, w));
    }
}

}  // namespace

void add_term_values(const std::vector<Term>& terms, const Fluid& f, const Params& p, double D,
                     double T, const PairWeights& w, double* out) {
    each_term_value(terms, f, p, D, T, w, [out](size_t i, double v) { out[i] += v; });
}

void add_set_value(const std::vector<Term>& terms, const std::vector<double>& coeff, const Fluid& f,
                   const Params& p, double D, double T, const PairWeights& w, double& total) {
    each_term_value(terms, f, p, D, T, w, [&](size_t i, double v) { total += coeff[i] * v; });
}

double hard_body_value(const Fluid& f, const Params& p, double D, double T, int del, int tau) {
    double out = 0.0;
    const int32_t i4_del = del;
    const int32_t i4_tau = tau;
    I4_X_RFH(D, D0_of(f, p), T, T0_of(f, p), p.alpha, A1_HARD_BODY, A2_HARD_BODY, i4_del, i4_tau,
             out);
    return out;
}

std::string term_text(const Term& t) {
    char buf[96];
    if (t.set == SetKind::Fa)
        std::snprintf(buf, sizeof buf, "Fa m=%d n=%d j=%d l=%d", t.e[0], t.e[1], t.e[2], t.e[3]);
    else
        std::snprintf(buf, sizeof buf, "%s n=%d m=%d k=%d o=%d", set_name(t.set), t.e[0], t.e[1],
                      t.e[2], t.e[3]);
    return buf;
}

}  // namespace fit
