#include "eos/term_sweep.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "eos/powers.h"
#include "eos/term_forms.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace term_sweep {

namespace {

// The records as they were when the terms were last prepared. Compared are the members that
// the evaluation depends on (the equation's constants, the reference state, the ideal-gas terms
// in use and the terms of the sets in use), bitwise, so that a NaN compares equal to itself
// and -0 differs from +0. The critical point, the reference enthalpy and entropy and the molar
// mass are read afresh by every evaluation and need no comparison.
thread_local SubstConst seen_subst;
thread_local EosCoeff seen_coeff;
thread_local bool seen = false;
thread_local Prepared prepared;

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

// The records with the substance parameters D0, T0, Alpha, Q2 and Dp of `from`.
SubstConst with_parameters(SubstConst records, const SubstConst& from) {
    records.D0 = from.D0;
    records.T0 = from.T0;
    records.Alpha = from.Alpha;
    records.Q2 = from.Q2;
    records.Dp = from.Dp;
    return records;
}

bool records_changed(const SubstConst& against) {
    if (!seen || !same_substance(against, SUBST_CONST) ||
        !same_attraction(seen_coeff.Fa, EOS_COEFF.Fa))
        return true;
    // A polar set out of use (its parameter at or below the gate, unchanged) does not count.
    if (polar_set_on(SUBST_CONST.Q2) && !same_polar(seen_coeff.Fq, EOS_COEFF.Fq)) return true;
    if (polar_set_on(SUBST_CONST.Dp) && !same_polar(seen_coeff.Fd, EOS_COEFF.Fd)) return true;
    return false;
}

bool in_table(int32_t e) {
    return e >= kLowestExponent && e <= kHighestExponent;
}

// Integer exponents whose doubled value indexes the half-power tables.
bool in_halved_table(int32_t e) {
    return e >= kLowestExponent / 2 && e <= kHighestExponent / 2;
}

// Index of the exponential group of a term, added when new. Terms without exponential share
// group 0 (z = 0) or group 1 (z = delta^2) by their density variable.
int32_t group_of(Prepared& p, const term_forms::Shape& s) {
    if (s.b == 0.0) return s.L == 0 ? 0 : 1;
    for (int32_t g = 2; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        if (grp.L == s.L && grp.b == s.b && grp.sigma == s.sigma) return g;
    }
    Group& grp = p.group[p.groups];
    grp = Group{};
    grp.L = s.L;
    grp.b = s.b;
    grp.sigma = s.sigma;
    grp.e = term_forms::exponential(s);
    return p.groups++;
}

void set_weights(Term& t, const term_forms::Polynomials& p) {
    t.w[0] = Pair{1.0, p.a0};
    t.w[1] = Pair{p.a2, p.a3};
    t.w[2] = Pair{p.a5, p.a6};
    t.w[3] = Pair{p.a7, p.t};
    t.w[4] = Pair{p.t * (p.t - 1.0), p.t * p.a0};
}

void widen(int32_t& lo, int32_t& hi, int32_t e) {
    lo = std::min(lo, e);
    hi = std::max(hi, e);
}

// The power of its substance parameter that a term's coefficient carries, as the term's shape
// forms it.
double parameter_power(const Term& t, const SubstConst& sc) {
    if (t.parameter == 0) return int_power(sc.Alpha, t.power);
    return quarter_power(t.parameter == 1 ? sc.Q2 : sc.Dp, t.power);
}

// Adds one term; false (terms not usable) when its exponents lie beyond the tables.
bool add_term(Prepared& p, const term_forms::Shape& s, int32_t parameter, int32_t power) {
    const bool d_fits = s.d_halves ? in_table(s.d) : in_halved_table(s.d);
    if (!in_table(s.n) || !d_fits || !in_halved_table(s.L)) return false;
    const int32_t d = s.d_halves ? s.d : 2 * s.d;  // in halves
    Term& t = p.terms[p.count++];
    t.coef = s.c * s.parameter;
    t.c = s.c;
    t.parameter = parameter;
    t.power = power;
    set_weights(t, term_forms::polynomials(s));
    t.t_index = s.scale * kTableSize + s.n - kLowestExponent;
    t.d_index = d - kLowestExponent;
    t.group = group_of(p, s);
    widen(p.t_lo[s.scale], p.t_hi[s.scale], s.n);
    widen(p.d_lo, p.d_hi, d);
    widen(p.d_lo, p.d_hi, 2 * s.L);
    return true;
}

void add_attraction_terms(Prepared& p, const AttractionSet& set) {
    const int32_t count = std::clamp(set.i4_nz, 0, 40);
    for (int32_t i = 0; i < count && p.usable; ++i)
        p.usable = add_term(
            p, term_forms::attraction(set.c[i], p.Alpha, set.m[i], set.n[i], set.j[i], set.l[i]), 0,
            set.j[i]);
}

void add_polar_terms(Prepared& p, const PolarSet& set, double P, int32_t parameter) {
    const int32_t count = std::clamp(set.i4_nz, 0, 40);
    for (int32_t i = 0; i < count && p.usable; ++i)
        p.usable =
            add_term(p, term_forms::polar(set.c[i], P, set.n[i], set.m[i], set.k[i], set.o[i]),
                     parameter, set.k[i]);
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
    p.group[1].L = 2;
    p.group[1].sigma = 1.0;
    p.d_lo = 0;
    p.d_hi = 4;  // delta and delta^2 are always needed
    add_attraction_terms(p, EOS_COEFF.Fa);
    if (p.usable && polar_set_on(sc.Q2)) add_polar_terms(p, EOS_COEFF.Fq, sc.Q2, 1);
    if (p.usable && polar_set_on(sc.Dp)) add_polar_terms(p, EOS_COEFF.Fd, sc.Dp, 2);
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
    double tpow[term_forms::SCALE_COUNT * kTableSize];  // per scale: (T/(scale T0))^(n/2)
    double dpow[kTableSize];                            // (D/D0)^(e/2)
    double psi[kMaxGroups];                             // exponential factor of each group
    double z[kMaxGroups];                               // density variable of each group
};

void fill_tables(const Prepared& p, double D, double T, StateTables& s) {
    for (int32_t k = 0; k < term_forms::SCALE_COUNT; ++k)
        half_powers(T / (term_forms::TEMPERATURE_SCALES[k] * p.T0), p.t_lo[k], p.t_hi[k],
                    s.tpow + k * kTableSize);
    half_powers(D / p.D0, p.d_lo, p.d_hi, s.dpow);
    const double* d = s.dpow - kLowestExponent;
    // The two groups without exponential: z = 0 and z = delta^2.
    s.psi[0] = s.psi[1] = 1.0;
    s.z[0] = 0.0;
    s.z[1] = d[4];
    for (int32_t g = 2; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        const double delta_L = d[2 * grp.L];
        s.psi[g] = std::exp(-grp.b * delta_L);
        s.z[g] = grp.sigma * delta_L;
    }
}

bool finite(const FresDeriv& f) {
    return std::isfinite(f.F00) && std::isfinite(f.F10) && std::isfinite(f.F20) &&
           std::isfinite(f.F30) && std::isfinite(f.F01) && std::isfinite(f.F02) &&
           std::isfinite(f.F11);
}

}  // namespace

// The prepared terms for new substance parameters alone (a mixture's one fluid at another
// composition): the same terms with their coefficients formed anew, under a new generation.
void refresh_parameters(Prepared& p) {
    const SubstConst& sc = SUBST_CONST;
    ++p.generation;
    p.D0 = sc.D0;
    p.T0 = sc.T0;
    p.Alpha = sc.Alpha;
    for (int32_t i = 0; i < p.count; ++i)
        p.terms[i].coef = p.terms[i].c * parameter_power(p.terms[i], sc);
}

const Prepared& current() {
    if (!records_changed(seen_subst)) return prepared;
    // Only the parameters differ, and the polar sets in use are the same: the terms stay.
    const bool same_sets = seen && polar_set_on(seen_subst.Q2) == polar_set_on(SUBST_CONST.Q2) &&
                           polar_set_on(seen_subst.Dp) == polar_set_on(SUBST_CONST.Dp);
    if (same_sets && prepared.usable &&
        !records_changed(with_parameters(seen_subst, SUBST_CONST))) {
        seen_subst = with_parameters(seen_subst, SUBST_CONST);
        refresh_parameters(prepared);
        return prepared;
    }
    seen_subst = SUBST_CONST;
    seen_coeff = EOS_COEFF;
    seen = true;
    prepare(prepared);
    return prepared;
}

void forget() {
    seen = false;
}

bool derivatives(const Prepared& p, const double& D, const double& T, FresDeriv& out, bool gated) {
    if (!p.usable || (gated && !input_accepted(D, T))) return false;
    hard_body::State body;
    if (!hard_body::state(D, p.D0, T, p.T0, A1_HARD_BODY, A2_HARD_BODY, body)) return false;
    FresDeriv hb;
    hard_body::derivatives(body, p.Alpha, hb);
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
        const term_forms::Exponential& e = grp.e;
        s1 += psi * (W[0] + e.g1 * z * S);
        s2 += psi * (W[1] + z * (W[2] + e.g4 * z * S));
        s3 += psi * (W[3] + z * (W[4] + z * (W[5] + e.g8 * z * S)));
        st += psi * W[6];
        stt += psi * W[7];
        s1t += psi * (W[8] + e.g1 * z * W[6]);
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

// A term f = coef tpow dpow psi that is the power e of its parameter P adds e f / P to dF/dP,
// e f (a0 + g1 z) / (P D) to its slope in D, e f t / (P T) to its slope in T and e (e - 1) f / P^2
// to its slope in P.
bool parameter_slopes(const Prepared& p, const double& D, const double& T, ParameterSlopes& out) {
    out = ParameterSlopes{};
    if (!p.usable) return false;
    const SubstConst& sc = SUBST_CONST;
    const double P[3] = {sc.Alpha, sc.Q2, sc.Dp};
    StateTables s;
    fill_tables(p, D, T, s);
    for (int32_t g = 0; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        double ef[3] = {}, efa0[3] = {}, eft[3] = {}, eef[3] = {};
        for (int32_t i = grp.first; i < grp.end; ++i) {
            const Term& t = p.terms[i];
            const double f = t.coef * s.tpow[t.t_index] * s.dpow[t.d_index];
            const int32_t k = t.parameter;
            const double e = k == 0 ? t.power : 0.25 * t.power;
            ef[k] += e * f;
            efa0[k] += e * f * t.w[0][1];
            eft[k] += e * f * t.w[3][1];
            eef[k] += e * (e - 1.0) * f;
        }
        const double psi = s.psi[g], z = s.z[g];
        for (int k = 0; k < 3; ++k) {
            out.F[k] += psi * ef[k];
            out.by_D[k] += psi * (efa0[k] + grp.e.g1 * z * ef[k]);
            out.by_T[k] += psi * eft[k];
            out.by_itself[k] += psi * eef[k];
        }
    }
    bool finite_all = true;
    for (int k = 0; k < 3; ++k) {
        if (!(P[k] != 0.0)) {  // a parameter of 0 has no terms in use
            out.F[k] = out.by_D[k] = out.by_T[k] = out.by_itself[k] = 0.0;
            continue;
        }
        out.F[k] /= P[k];
        out.by_D[k] /= P[k] * D;
        out.by_T[k] /= P[k] * T;
        out.by_itself[k] /= P[k] * P[k];
        finite_all = finite_all && std::isfinite(out.F[k]) && std::isfinite(out.by_D[k]) &&
                     std::isfinite(out.by_T[k]) && std::isfinite(out.by_itself[k]);
    }
    return finite_all;
}

// With the term weights t, a0, a2, a3 (w[3][1], w[0][1], w[1][0], w[1][1]) every third
// derivative is again the term's value times a polynomial in z:
//   D^2 T F21 = F t (a2 + a3 z + g4 z^2),  D T^2 F12 = F t (t - 1) (a0 + g1 z),
//   T^3 F03 = F t (t - 1) (t - 2).
bool third_derivatives(const Prepared& p, const double& D, const double& T, FresThird& out) {
    out = FresThird{};
    if (!p.usable) return false;
    FresThird hb;
    if (!hard_body::third_derivatives(D, p.D0, T, p.T0, A1_HARD_BODY, A2_HARD_BODY, p.Alpha, hb))
        return false;
    StateTables s;
    fill_tables(p, D, T, s);
    double s21 = 0.0, s12 = 0.0, s03 = 0.0;
    for (int32_t g = 0; g < p.groups; ++g) {
        const Group& grp = p.group[g];
        double ta2 = 0.0, ta3 = 0.0, t1 = 0.0, tta0 = 0.0, tt = 0.0, ttt = 0.0;
        for (int32_t i = grp.first; i < grp.end; ++i) {
            const Term& term = p.terms[i];
            const double f = term.coef * s.tpow[term.t_index] * s.dpow[term.d_index];
            const double t = term.w[3][1], a0 = term.w[0][1];
            const double ft = f * t, ftt = ft * (t - 1.0);
            ta2 += ft * term.w[1][0];
            ta3 += ft * term.w[1][1];
            t1 += ft;
            tta0 += ftt * a0;
            tt += ftt;
            ttt += ftt * (t - 2.0);
        }
        const double psi = s.psi[g], z = s.z[g];
        s21 += psi * (ta2 + z * (ta3 + grp.e.g4 * z * t1));
        s12 += psi * (tta0 + grp.e.g1 * z * tt);
        s03 += psi * ttt;
    }
    out.F21 = s21 / (D * D * T) + hb.F21;
    out.F12 = s12 / (D * T * T) + hb.F12;
    out.F03 = s03 / (T * T * T) + hb.F03;
    if (std::isfinite(out.F21) && std::isfinite(out.F12) && std::isfinite(out.F03)) return true;
    out = FresThird{};
    return false;
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
    hard_body::State body;
    double theta_a1 = 0.0, S = 0.0;
    hard_body::packing(D, p.D0, T, p.T0, A1_HARD_BODY, A2_HARD_BODY, body, theta_a1, S);
    return s0 + hard_body::f0(p.Alpha, body.eta, body.y, body.r);
}

}  // namespace term_sweep
