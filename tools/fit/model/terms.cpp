#include "model/terms.h"

#include <array>
#include <cmath>
#include <cstdint>
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

// The program's form of one term (coefficient 1) for the fluid's parameters.
term_forms::Shape shape_of(const Term& t, double alpha, double P) {
    const auto& e = t.e;
    if (t.set == SetKind::Fa) return term_forms::attraction(1.0, alpha, e[0], e[1], e[2], e[3]);
    return term_forms::polar(1.0, P, e[0], e[1], e[2], e[3]);
}

// The powers of one state that the terms of a set share, each formed once, by the program's
// power functions, when a term first asks for it: theta^(n/2) per temperature scale, delta^d
// and delta^(d/2), and delta^L with its exponential factor per (L, b).
class StatePowers {
  public:
    StatePowers(double D, double D0, double T, double T0) : delta_(D / D0) {
        for (int k = 0; k < term_forms::SCALE_COUNT; ++k)
            theta_[k] = T / (term_forms::TEMPERATURE_SCALES[k] * T0);
    }

    term_forms::Value value(const term_forms::Shape& s) {
        const double theta = theta_[s.scale];
        const double theta_n =
            cached(theta_n_[s.scale], s.n, [&] { return half_power(theta, s.n); });
        const double delta_d =
            s.d_halves ? cached(delta_half_, s.d, [&] { return half_power(delta_, s.d); })
                       : cached(delta_whole_, s.d, [&] { return int_power(delta_, s.d); });
        const Exponential& e = exponential(s);
        return term_forms::value_from_powers(s, theta_n, delta_d, e.delta_L, e.psi);
    }

  private:
    // Powers of exponents -31..32 are kept.
    static constexpr int32_t kLowest = -31, kSlots = 64;
    struct Table {
        uint64_t known = 0;
        double value[kSlots];
    };
    struct Exponential {
        int32_t L = 0;
        double b = 0, delta_L = 0, psi = 1;
    };
    static constexpr int kExponentials = 8;

    template <class Make>
    static double cached(Table& t, int32_t k, Make make) {
        const int32_t i = k - kLowest;
        if (i < 0 || i >= kSlots) return make();
        const uint64_t bit = uint64_t{1} << i;
        if (!(t.known & bit)) {
            t.value[i] = make();
            t.known |= bit;
        }
        return t.value[i];
    }

    const Exponential& exponential(const term_forms::Shape& s) {
        for (int i = 0; i < count_; ++i)
            if (exponentials_[i].L == s.L && exponentials_[i].b == s.b) return exponentials_[i];
        Exponential e;
        e.L = s.L;
        e.b = s.b;
        e.delta_L = s.L != 0 ? int_power(delta_, s.L) : 0.0;
        e.psi = term_forms::exponential_factor(s, e.delta_L);
        if (count_ == kExponentials) {
            spare_ = e;
            return spare_;
        }
        exponentials_[count_] = e;
        return exponentials_[count_++];
    }

    double delta_;
    double theta_[term_forms::SCALE_COUNT];
    Table theta_n_[term_forms::SCALE_COUNT], delta_whole_, delta_half_;
    Exponential exponentials_[kExponentials], spare_;
    int count_ = 0;
};

// The pairs of nonzero weight.
struct Weighted {
    int pair[PAIRS];
    int count = 0;
    explicit Weighted(const PairWeights& w) {
        for (int q = 0; q < PAIRS; ++q)
            if (w[q] != 0.0) pair[count++] = q;
    }
};

// The weighted sum of the derivative pairs of one term, each pair by the program's term forms.
double weighted_sum(const term_forms::Shape& s, const term_forms::Value& v, double D, double T,
                    const PairWeights& w, const Weighted& pairs) {
    double sum = 0.0;
    for (int k = 0; k < pairs.count; ++k) {
        const int q = pairs.pair[k];
        sum += w[q] * term_forms::derivative(s, v.F, v.z, D, T, PAIR_DEL[q], PAIR_TAU[q]);
    }
    return sum;
}

}  // namespace

TermSet::TermSet(const std::vector<Term>& terms, const Fluid& f, const Params& p)
    : count_(terms.size()), D0_(D0_of(f, p)), T0_(T0_of(f, p)) {
    if (terms.empty()) return;
    const SetKind set = terms.front().set;
    const double P = set == SetKind::Fq ? p.q2 : p.dp;
    if (set != SetKind::Fa && !polar_set_on(P)) return;
    shapes_.reserve(terms.size());
    for (const Term& t : terms) shapes_.push_back(shape_of(t, p.alpha, P));
}

std::vector<TermSet> term_sets(const Model& model, const Fluid& f, const Params& p) {
    std::vector<TermSet> sets;
    for (int s = 0; s < SET_COUNT; ++s) sets.emplace_back(model.terms[s], f, p);
    return sets;
}

// Calls fn(t, shape, value) for every term t at (D, T).
template <class Fn>
void TermSet::each_term(double D, double T, Fn fn) const {
    if (shapes_.empty()) return;
    StatePowers powers(D, D0_, T, T0_);
    for (size_t i = 0; i < shapes_.size(); ++i) fn(i, shapes_[i], powers.value(shapes_[i]));
}

void TermSet::add_values(double D, double T, const PairWeights& w, double* out) const {
    const Weighted pairs(w);
    each_term(D, T, [&](size_t i, const term_forms::Shape& s, const term_forms::Value& v) {
        out[i] += weighted_sum(s, v, D, T, w, pairs);
    });
}

void TermSet::add_value(const std::vector<double>& coeff, double D, double T, const PairWeights& w,
                        double& total) const {
    const Weighted pairs(w);
    each_term(D, T, [&](size_t i, const term_forms::Shape& s, const term_forms::Value& v) {
        total += coeff[i] * weighted_sum(s, v, D, T, w, pairs);
    });
}

void TermSet::add_pairs(const std::vector<double>& coeff, double D, double T, unsigned mask,
                        PairValues& totals) const {
    each_term(D, T, [&](size_t i, const term_forms::Shape& s, const term_forms::Value& v) {
        for (int q = 0; q < PAIRS; ++q)
            if (mask & (1u << q))
                totals[q] +=
                    coeff[i] * term_forms::derivative(s, v.F, v.z, D, T, PAIR_DEL[q], PAIR_TAU[q]);
    });
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
