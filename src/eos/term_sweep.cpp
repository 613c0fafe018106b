#include "eos/term_sweep.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "eos/hard_body.h"
#include "eos/powers.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace term_sweep {

namespace {

constexpr double kLowestTemperature = 9.999999974752427e-07;  // 1e-6 in single precision
constexpr double kLowestDensity = 1.0000000116860974e-07;     // 1e-7 in single precision
constexpr double kPolarGate = 9.999999974752427e-07;          // 1e-6 in single precision
constexpr double kPolarTemperatureScale = 1.13;

// The records as they were when the terms were last prepared. Compared are the members that
// the evaluation depends on (the equation's constants, the reference state, the ideal-gas terms
// in use and the terms of the sets in use), bitwise, so that a NaN compares equal to itself
// and -0 differs from +0. The critical point, the reference enthalpy and entropy and the molar
// mass are read afresh by every evaluation and need no comparison.
SubstConst seen_subst;
EosCoeff seen_coeff;
bool seen = false;
Prepared prepared;

template <typename V>
bool same_bits(const V& a, const V& b) {
    return std::memcmp(&a, &b, sizeof(V)) == 0;
}

template <typename V, std::size_t N>
bool same_first(const std::array<V, N>& a, const std::array<V, N>& b, int32_t count) {
    return std::memcmp(a.data(), b.data(), sizeof(V) * static_cast<std::size_t>(count)) == 0;
}

bool same_attraction(const AttractionSet& a, const AttractionSet& b) {
    if (a.i4_nz != b.i4_nz) return false;
    const int32_t n = std::clamp(a.i4_nz, 0, 40);
    return same_first(a.c, b.c, n) && same_first(a.m, b.m, n) && same_first(a.n, b.n, n) &&
           same_first(a.j, b.j, n) && same_first(a.l, b.l, n);
}

bool same_polar(const PolarSet& a, const PolarSet& b) {
    if (a.i4_nz != b.i4_nz) return false;
    const int32_t n = std::clamp(a.i4_nz, 0, 40);
    return same_first(a.c, b.c, n) && same_first(a.n, b.n, n) && same_first(a.m, b.m, n) &&
           same_first(a.k, b.k, n) && same_first(a.o, b.o, n);
}

bool same_substance(const SubstConst& a, const SubstConst& b) {
    if (!same_bits(a.D0, b.D0) || !same_bits(a.T0, b.T0) || !same_bits(a.Alpha, b.Alpha) ||
        !same_bits(a.Q2, b.Q2) || !same_bits(a.Dp, b.Dp) || !same_bits(a.Dref, b.Dref) ||
        !same_bits(a.Tref, b.Tref) || a.i4_ncp0 != b.i4_ncp0)
        return false;
    // The ideal-gas routine sums the terms up to the low 16 bits of the count, at most 20.
    const int32_t n = std::clamp<int32_t>(static_cast<int16_t>(a.i4_ncp0), 0, 20);
    return same_first(a.E, b.E, n) && same_first(a.K, b.K, n) && same_first(a.K2, b.K2, n);
}

bool records_changed() {
    if (!seen || !same_substance(seen_subst, SUBST_CONST) ||
        !same_attraction(seen_coeff.Fa, EOS_COEFF.Fa))
        return true;
    // A polar set out of use (its parameter at or below the gate, unchanged) does not count.
    if (SUBST_CONST.Q2 > kPolarGate && !same_polar(seen_coeff.Fq, EOS_COEFF.Fq)) return true;
    if (SUBST_CONST.Dp > kPolarGate && !same_polar(seen_coeff.Fd, EOS_COEFF.Fd)) return true;
    return false;
}

bool in_table(int32_t e) {
    return e >= kLowestExponent && e <= kHighestExponent;
}

// Integer exponents whose doubled value indexes the half-power tables.
bool in_halved_table(int32_t e) {
    return e >= kLowestExponent / 2 && e <= kHighestExponent / 2;
}

// Index of the exponential group of attraction exponent l or polar factor o, added when new.
int32_t group_of(Prepared& p, int32_t l, int32_t o) {
    for (int32_t g = 2; g < p.groups; ++g)
        if (p.group[g].l == l && p.group[g].o == o) return g;
    Group& grp = p.group[p.groups];
    grp = Group{};
    grp.l = l;
    grp.o = o;
    if (l != 0) {
        grp.g1 = -1.0;
        grp.g4 = 1.0;
        grp.g8 = -1.0;
    } else {
        const double dO = o;
        grp.g1 = -2.0 * dO;
        grp.g4 = 4.0 * dO * dO;
        grp.g8 = -8.0 * dO * dO * dO;
    }
    return p.groups++;
}

void set_weights(Term& t, double a0, double a2, double a3, double a5, double a6, double a7,
                 double tn) {
    t.w[0] = Pair{1.0, a0};
    t.w[1] = Pair{a2, a3};
    t.w[2] = Pair{a5, a6};
    t.w[3] = Pair{a7, tn};
    t.w[4] = Pair{tn * (tn - 1.0), tn * a0};
}

void widen(int32_t& lo, int32_t& hi, int32_t e) {
    lo = std::min(lo, e);
    hi = std::max(hi, e);
}

void add_attraction_terms(Prepared& p, const AttractionSet& set) {
    const int32_t count = std::clamp(set.i4_nz, 0, 40);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t m = set.m[i], n = set.n[i], j = set.j[i], l = set.l[i];
        if (!in_table(n) || !in_halved_table(m) || !in_halved_table(l)) {
            p.usable = false;
            return;
        }
        Term& t = p.terms[p.count++];
        const double dm = m, dl = l;
        t.coef = set.c[i] * int_power(p.Alpha, j);
        const double tn = n / 2.0;
        set_weights(t, dm, dm * (dm - 1.0), -(2.0 * dm + dl - 1.0), dm * (dm - 1.0) * (dm - 2.0),
                    -(dm * (dm - 1.0) + dm * (dl + dm - 2.0) + (dl + dm - 1.0) * (dl + dm - 2.0)),
                    3.0 * (dl + dm - 1.0), tn);
        t.t_index = n - kLowestExponent;
        t.d_index = 2 * m - kLowestExponent;
        t.group = (l != 0) ? group_of(p, l, 0) : 0;
        widen(p.att_t_lo, p.att_t_hi, n);
        widen(p.d_lo, p.d_hi, 2 * m);
        if (l != 0) widen(p.d_lo, p.d_hi, 2 * l);
    }
}

void add_polar_terms(Prepared& p, const PolarSet& set, double P) {
    const int32_t count = std::clamp(set.i4_nz, 0, 40);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t n = set.n[i], m = set.m[i], k = set.k[i], o = set.o[i];
        if (!in_table(n) || !in_table(m)) {
            p.usable = false;
            return;
        }
        Term& t = p.terms[p.count++];
        const double q = m / 2.0, dO = o;
        t.coef = set.c[i] * quarter_power(P, k);
        const double tn = n / 2.0;
        set_weights(t, q, q * (q - 1.0), -2.0 * dO * (2.0 * q + 1.0), q * (q - 1.0) * (q - 2.0),
                    -6.0 * dO * q * q, 12.0 * dO * dO * (q + 1.0), tn);
        t.t_index = kTableSize + n - kLowestExponent;
        t.d_index = m - kLowestExponent;
        t.group = (o != 0) ? group_of(p, 0, o) : 1;
        widen(p.pol_t_lo, p.pol_t_hi, n);
        widen(p.d_lo, p.d_hi, m);
    }
}

void prepare(Prepared& p) {
    const SubstConst& sc = SUBST_CONST;
    const uint64_t generation = p.generation + 1;
    p = Prepared{};
    p.generation = generation;
    p.usable = true;
    p.D0 = sc.D0;
    p.T0 = sc.T0;
    p.Alpha = sc.Alpha;
    p.groups = 2;
    p.group[0] = Group{};
    p.group[1] = Group{};
    p.d_lo = 0;
    p.d_hi = 4;  // delta and delta^2 are always needed
    add_attraction_terms(p, EOS_COEFF.Fa);
    if (p.usable && sc.Q2 > kPolarGate) add_polar_terms(p, EOS_COEFF.Fq, sc.Q2);
    if (p.usable && sc.Dp > kPolarGate) add_polar_terms(p, EOS_COEFF.Fd, sc.Dp);
    // Terms sorted by group (in their order within a group), and the groups' ranges.
    std::stable_sort(p.terms.begin(), p.terms.begin() + p.count,
                     [](const Term& a, const Term& b) { return a.group < b.group; });
    for (int32_t g = 0; g < p.groups; ++g) p.group[g].first = p.group[g].end = 0;
    for (int32_t i = 0; i < p.count; ++i) {
        Group& grp = p.group[p.terms[i].group];
        if (grp.end == 0) grp.first = i;
        grp.end = i + 1;
    }
}

// table[e - kLowestExponent] = x^(e/2) for e in [lo, hi] (x > 0): integer powers by repeated
// multiplication with x or 1/x, half-integer ones as their neighbour times sqrt(x).
void half_powers(double x, int32_t lo, int32_t hi, double* table) {
    double* at = table - kLowestExponent;  // at[e] is the power e/2
    const double s = std::sqrt(x);
    at[0] = 1.0;
    for (int32_t e = 2; e <= hi; e += 2) at[e] = at[e - 2] * x;
    for (int32_t e = 1; e <= hi; e += 2) at[e] = at[e - 1] * s;
    if (lo < 0) {
        const double inv = 1.0 / x;
        const double inv_s = 1.0 / s;
        for (int32_t e = -2; e >= lo; e -= 2) at[e] = at[e + 2] * inv;
        for (int32_t e = -1; e >= lo; e -= 2) at[e] = at[e + 1] * inv_s;
    }
}

// Everything of one state that the terms share.
struct StateTables {
    double tpow[2 * kTableSize];  // attraction: (T/T0)^(n/2); polar: (T/(1.13 T0))^(n/2)
    double dpow[kTableSize];      // (D/D0)^(e/2)
    double psi[kMaxGroups];       // exponential factor of each group
    double z[kMaxGroups];         // density variable of each group
};

void fill_tables(const Prepared& p, double D, double T, StateTables& s) {
    const double delta = D / p.D0;
    half_powers(T / p.T0, p.att_t_lo, p.att_t_hi, s.tpow);
    half_powers(T / (kPolarTemperatureScale * p.T0), p.pol_t_lo, p.pol_t_hi, s.tpow + kTableSize);
    half_powers(delta, p.d_lo, p.d_hi, s.dpow);
    const double* d = s.dpow - kLowestExponent;
    const double delta2 = d[4];
    s.psi[0] = 1.0;
    s.z[0] = 0.0;
    s.psi[1] = 1.0;
    s.z[1] = delta2;
    for (int32_t g = 2; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        if (grp.l != 0) {
            const double delta_l = d[2 * grp.l];
            s.psi[g] = std::exp(-delta_l);
            s.z[g] = grp.l * delta_l;
        } else {
            s.psi[g] = std::exp(-grp.o * delta2);
            s.z[g] = delta2;
        }
    }
}

// The hard-body term and its seven derivatives (the same chain rule through the packing fraction
// as the term function); false where the term refuses the state.
bool hard_body_set(const Prepared& p, double D, double T, FresDeriv& h) {
    const double a1 = A1_HARD_BODY;
    const double a2 = A2_HARD_BODY;
    const double Alpha = p.Alpha;
    const double theta = T / p.T0;
    if (!(theta > 0.0) || !std::isfinite(theta)) return false;
    const double theta_a1 = std::pow(theta, a1);
    const double S = a2 + (1.0 - a2) * theta_a1;
    const double eta_D = hard_body::kPacking / (p.D0 * S);
    const double eta = eta_D * D;
    if (!(eta < 1.0) || !std::isfinite(eta)) return false;
    const double y = 1.0 - eta;
    const double r = 1.0 / y;
    const double f1 = hard_body::f1(Alpha, eta, r);
    const double f2 = hard_body::f2(Alpha, eta, r);
    const double S_T = (1.0 - a2) * a1 * theta_a1 / T;
    const double g = S_T / S;
    const double eta_T = -eta * g;
    const double S_TT = (1.0 - a2) * a1 * (a1 - 1.0) * theta_a1 / (T * T);
    const double eta_TT = -eta * (S_TT / S - 2.0 * g * g);
    h.F00 = hard_body::f0(Alpha, eta, y, r);
    h.F10 = f1 * eta_D;
    h.F20 = f2 * eta_D * eta_D;
    h.F30 = hard_body::f3(Alpha, eta, r) * eta_D * eta_D * eta_D;
    h.F01 = f1 * eta_T;
    h.F11 = f2 * eta_D * eta_T - f1 * eta_D * g;
    h.F02 = f2 * eta_T * eta_T + f1 * eta_TT;
    return true;
}

bool finite(const FresDeriv& f) {
    return std::isfinite(f.F00) && std::isfinite(f.F10) && std::isfinite(f.F20) &&
           std::isfinite(f.F30) && std::isfinite(f.F01) && std::isfinite(f.F02) &&
           std::isfinite(f.F11);
}

}  // namespace

const Prepared& current() {
    if (records_changed()) {
        seen_subst = SUBST_CONST;
        seen_coeff = EOS_COEFF;
        seen = true;
        prepare(prepared);
    }
    return prepared;
}

bool derivatives(const Prepared& p, const double& D, const double& T, FresDeriv& out) {
    if (!p.usable || T < kLowestTemperature || D < kLowestDensity) return false;
    FresDeriv hb;
    if (!hard_body_set(p, D, T, hb)) return false;
    StateTables s;
    fill_tables(p, D, T, s);
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0, st = 0.0, stt = 0.0, s1t = 0.0;
    for (int32_t g = 0; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        Pair w0 = {0.0, 0.0}, w1 = w0, w2 = w0, w3 = w0, w4 = w0;
        for (int32_t i = grp.first; i < grp.end; ++i) {
            const Term& t = p.terms[i];
            const double f = t.coef * s.tpow[t.t_index] * s.dpow[t.d_index];
            const Pair ff = {f, f};
            w0 += ff * t.w[0];
            w1 += ff * t.w[1];
            w2 += ff * t.w[2];
            w3 += ff * t.w[3];
            w4 += ff * t.w[4];
        }
        // Sums of f_i and of f_i times a0, a2, a3, a5, a6, a7, t, t (t - 1), t a0.
        const double S = w0[0];
        const double W[9] = {w0[1], w1[0], w1[1], w2[0], w2[1], w3[0], w3[1], w4[0], w4[1]};
        const double psi = s.psi[g];
        const double z = s.z[g];
        s0 += psi * S;
        s1 += psi * (W[0] + grp.g1 * z * S);
        s2 += psi * (W[1] + z * (W[2] + grp.g4 * z * S));
        s3 += psi * (W[3] + z * (W[4] + z * (W[5] + grp.g8 * z * S)));
        st += psi * W[6];
        stt += psi * W[7];
        s1t += psi * (W[8] + grp.g1 * z * W[6]);
    }
    out.F00 = s0 + hb.F00;
    out.F10 = s1 / D + hb.F10;
    out.F20 = s2 / (D * D) + hb.F20;
    out.F30 = s3 / (D * D * D) + hb.F30;
    out.F01 = st / T + hb.F01;
    out.F02 = stt / (T * T) + hb.F02;
    out.F11 = s1t / (D * T) + hb.F11;
    return finite(out);
}

double value(const Prepared& p, const double& D, const double& T) {
    StateTables s;
    fill_tables(p, D, T, s);
    double s0 = 0.0;
    for (int32_t g = 0; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        double S = 0.0;
        for (int32_t i = grp.first; i < grp.end; ++i) {
            const Term& t = p.terms[i];
            S += t.coef * s.tpow[t.t_index] * s.dpow[t.d_index];
        }
        s0 += s.psi[g] * S;
    }
    const double a1 = A1_HARD_BODY;
    const double a2 = A2_HARD_BODY;
    const double S = a2 + (1.0 - a2) * std::pow(T / p.T0, a1);
    const double eta = hard_body::kPacking * (D / p.D0) / S;
    const double y = 1.0 - eta;
    return s0 + hard_body::f0(p.Alpha, eta, y, 1.0 / y);
}

}  // namespace term_sweep
