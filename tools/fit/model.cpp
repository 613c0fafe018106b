#include "model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace fit {

double T0_of(const Fluid& f, const Params& p) {
    return p.t * f.Tc;
}

double D0_of(const Fluid& f, const Params& p) {
    return p.d * f.Dc;
}

double eta_density(const Fluid& f, const Params& p, double eta, double T) {
    const double a1 = A1_HARD_BODY;
    const double a2 = A2_HARD_BODY;
    const double S = a2 + (1.0 - a2) * std::pow(T / T0_of(f, p), a1);
    return eta * D0_of(f, p) * S / PACKING;
}

double term_value(const Term& term, const Fluid& f, const Params& p, double D, double T, int del,
                  int tau) {
    const double D0 = D0_of(f, p);
    const double T0 = T0_of(f, p);
    const double one = 1.0;
    double out = 0.0;
    const int32_t i4_del = del;
    const int32_t i4_tau = tau;
    if (term.set == SetKind::Fa) {
        const int32_t m = term.e[0], n = term.e[1], j = term.e[2], l = term.e[3];
        I4_X_RFA(D, D0, T, T0, p.alpha, one, m, n, j, l, i4_del, i4_tau, out);
    } else {
        const double P = term.set == SetKind::Fq ? p.q2 : p.dp;
        if (P <= 0.0) return 0.0;
        const int32_t n = term.e[0], m = term.e[1], k = term.e[2], o = term.e[3];
        I4_X_RFQ(D, D0, T, T0, P, one, n, m, k, o, i4_del, i4_tau, out);
    }
    return out;
}

double hard_body_value(const Fluid& f, const Params& p, double D, double T, int del, int tau) {
    double out = 0.0;
    const int32_t i4_del = del;
    const int32_t i4_tau = tau;
    I4_X_RFH(D, D0_of(f, p), T, T0_of(f, p), p.alpha, A1_HARD_BODY, A2_HARD_BODY, i4_del, i4_tau,
             out);
    return out;
}

double eval_density(const Eval& e, const Fluid& f, const Params& p) {
    if (e.eta > 0) return eta_density(f, p, e.eta, e.T);
    if (e.at_critical) return (p.dc > 0 ? p.dc : 1.0) * f.Dc;
    return e.D;
}

namespace {

// Sum of the row's evaluations; densities that follow the parameters carry the factors D^k
// of their derivatives themselves.
template <class Fn>
double row_sum(const Row& row, const Fluid& f, const Params& p, bool hard_body, Fn value) {
    double sum = 0.0;
    for (int k = 0; k < row.ne; ++k) {
        const Eval& e = row.e[k];
        const double D = eval_density(e, f, p);
        const bool moving = e.eta > 0 || e.at_critical;
        for (int q = 0; q < PAIRS; ++q) {
            if (e.a[q] == 0.0) continue;
            double factor = e.a[q];
            if (moving) factor *= std::pow(D, PAIR_DEL[q]);
            sum += factor * value(D, e.T, PAIR_DEL[q], PAIR_TAU[q]);
        }
    }
    if (!row.pressure_form) return sum;
    const double reduced = eval_density(row.e[0], f, p) / f.Dc;
    return reduced * (sum + (hard_body ? 1.0 : 0.0));
}

}  // namespace

double row_term(const Row& row, const Term& term, const Fluid& f, const Params& p) {
    return row_sum(row, f, p, false, [&](double D, double T, int del, int tau) {
        return term_value(term, f, p, D, T, del, tau);
    });
}

double row_hard_body(const Row& row, const Fluid& f, const Params& p) {
    return row_sum(row, f, p, true, [&](double D, double T, int del, int tau) {
        return hard_body_value(f, p, D, T, del, tau);
    });
}

namespace {

Eval z_eval(double D, double T) {  // Z - 1 = D dF/dD
    Eval e;
    e.D = D;
    e.T = T;
    e.a[1] = D;
    return e;
}

Eval f_eval(double D, double T, double sign) {  // F
    Eval e;
    e.D = D;
    e.T = T;
    e.a[0] = sign;
    return e;
}

}  // namespace

double crit_scale = 0.3;

namespace {
constexpr double kCvSigma = 0.01;      // of cv
constexpr double kSlopeSigma = 0.015;  // of (dp/dD)/(R T) and (dp/dT)/(D R)
constexpr double kHvapSigma = 0.005;   // of the enthalpy of vaporisation
}  // namespace

bool near_critical(const Fluid& f, const PvtPoint& s) {
    const double tr = s.T / f.Tc, pr = s.p / f.pc;
    return std::fabs(tr - 1.0) < 0.06 && pr > 0.3 && pr < 3;
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
    double sum = 0.0;
    for (const IdealTerm& t : f.ideal) {
        if (t.K2 > 0) {
            const double x = t.K2 / T, e = std::exp(-x);
            sum += t.K * x * x * e / ((1.0 - e) * (1.0 - e));
        } else {
            sum += t.K * std::pow(T, t.E);
        }
    }
    return f.R * sum;
}

namespace {

// Caloric rows of one single-phase state: the residual isochoric heat capacity, and the reduced
// slopes of the pressure X = (dp/dD)/(R T) and Y = (dp/dT)/(D R) that the reference speed of
// sound and cp give with cv (w^2 = (cp/cv) X R T/M, cp - cv = R Y^2/X). All three are linear
// in the coefficients.
void add_caloric_rows(const Fluid& f, const PvtPoint& s, std::vector<Row>& rows) {
    if (!s.has_caloric() || near_critical(f, s) || !(s.cp > s.cv)) return;
    const double R = R_PROGRAM;
    Row cv;
    cv.e[0].D = s.D;
    cv.e[0].T = s.T;
    cv.e[0].a[2] = -2.0 * s.T;
    cv.e[0].a[6] = -s.T * s.T;
    // the program's cv = cp0 - R + R CVR, with its own R and the reference's cp0
    cv.target = (s.cv - reference_cp0(f, s.T) + R) / R;
    cv.sigma = kCvSigma * s.cv / R;
    cv.kind = RowKind::pvt_cv;
    rows.push_back(cv);
    const double X = s.w * s.w * (s.cv / s.cp) * (f.M / 1000.0) / (R * s.T);
    Row dd;
    dd.e[0].D = s.D;
    dd.e[0].T = s.T;
    dd.e[0].a[1] = 2.0 * s.D;
    dd.e[0].a[3] = s.D * s.D;
    dd.target = X - 1.0;
    dd.sigma = kSlopeSigma * X;
    dd.kind = RowKind::pvt_dpdd;
    rows.push_back(dd);
    const double Y = std::sqrt((s.cp - s.cv) * X / R);
    Row dt;
    dt.e[0].D = s.D;
    dt.e[0].T = s.T;
    dt.e[0].a[1] = s.D;
    dt.e[0].a[5] = s.D * s.T;
    dt.target = Y - 1.0;
    dt.sigma = kSlopeSigma * Y;
    dt.kind = RowKind::pvt_dpdt;
    rows.push_back(dt);
}

}  // namespace

std::vector<Row> data_rows(const Fluid& f) {
    std::vector<Row> rows;
    const double rscale = f.R / R_PROGRAM;  // program pressure = D R_PROGRAM T Z
    // Single-phase states. The Z rows are weighted like density errors at given pressure,
    // using the slope d(DZ)/dD estimated from the neighbouring states of the same isotherm.
    const size_t n = f.pvt.size();
    for (size_t i = 0; i < n; ++i) {
        const PvtPoint& s = f.pvt[i];
        const double z = (1.0 + s.ZM1);
        double slope = 0.0;
        int count = 0;
        for (size_t k : {i - 1, i + 1}) {
            if (k >= n) continue;
            const PvtPoint& o = f.pvt[k];
            if (o.T != s.T || o.phase != s.phase) continue;
            const double zo = 1.0 + o.ZM1;
            slope += (o.D * zo - s.D * z) / (o.D - s.D);
            ++count;
        }
        slope = count > 0 ? std::max(slope / count, 0.02) : 1.0;
        const bool critical = near_critical(f, s);
        const double sD = critical ? 5e-3 : 1e-3;
        const double sP = critical ? 5e-3 : 1e-3;
        Row r;
        r.e[0] = z_eval(s.D, s.T);
        r.target = z * rscale - 1.0;
        r.sigma = std::hypot(sD * slope, sP * z);
        r.kind = RowKind::pvt_z;
        rows.push_back(r);
        if (s.helmholtz) {  // measured states (T, D, p only) have no energy rows
            Row u;
            u.e[0].D = s.D;
            u.e[0].T = s.T;
            u.e[0].a[2] = s.T;
            u.target = s.TFT;
            u.sigma = 5e-3 + 0.01 * std::fabs(s.TFT);
            u.kind = RowKind::pvt_u;
            rows.push_back(u);
            Row fr;
            fr.e[0].D = s.D;
            fr.e[0].T = s.T;
            fr.e[0].a[0] = 1.0;
            fr.target = s.F;
            fr.sigma = 2e-3 + 0.005 * std::fabs(s.F);
            fr.kind = RowKind::pvt_f;
            rows.push_back(fr);
        }
        add_caloric_rows(f, s, rows);
    }
    // Saturation: both saturated densities at the saturation pressure, and equal Gibbs energy.
    for (size_t i = 0; i < f.sat.size(); ++i) {
        const SatPoint& s = f.sat[i];
        const double tr = s.T / f.Tc;
        if (tr > 0.985) continue;
        const double w = tr > 0.95 ? 3.0 : 1.0;
        const double zl = s.ps * 1000.0 / (s.Dliq * R_PROGRAM * s.T);
        const double zv = s.ps * 1000.0 / (s.Dvap * R_PROGRAM * s.T);
        Row l;
        l.e[0] = z_eval(s.Dliq, s.T);
        l.target = zl - 1.0;
        l.sigma = 5e-4 * w;
        l.kind = RowKind::sat_liq;
        rows.push_back(l);
        Row v;
        v.e[0] = z_eval(s.Dvap, s.T);
        v.target = zv - 1.0;
        v.sigma = 5e-4 * w;
        v.kind = RowKind::sat_vap;
        rows.push_back(v);
        Row g;
        g.e[0] = f_eval(s.Dliq, s.T, 1.0);
        g.e[1] = f_eval(s.Dvap, s.T, -1.0);
        g.ne = 2;
        // F' + Z' + ln D' = F'' + Z'' + ln D'', with Z', Z'' of the saturation state
        g.target = std::log(s.Dvap / s.Dliq) - (zl - zv);
        g.sigma = 5e-4 * w;
        g.kind = RowKind::sat_gibbs;
        rows.push_back(g);
        // h'' - h' = R T [(Z'' - Z') + T F_T' - T F_T'']
        Row h;
        h.e[0].D = s.Dliq;
        h.e[0].T = s.T;
        h.e[0].a[2] = s.T;
        h.e[1].D = s.Dvap;
        h.e[1].T = s.T;
        h.e[1].a[2] = -s.T;
        h.ne = 2;
        const double hvap = reference_hvap(f, i) / (R_PROGRAM * s.T);
        h.target = hvap - (zv - zl);
        h.sigma = kHvapSigma * hvap * w;
        h.kind = RowKind::sat_hvap;
        rows.push_back(h);
    }
    // Critical point: dp/dD = 0 and d2p/dD2 = 0 at the reference Tc, and p = pc there. The
    // density is the fitted equation's own critical density (a per-fluid parameter): the
    // table's critical point is that of the equation, and a mean-field equation fitted to the
    // saturation data cannot also meet the reference critical density.
    {
        const double T = f.Tc;
        Row a;
        a.e[0].at_critical = true;
        a.e[0].T = T;
        a.e[0].a[1] = 2;
        a.e[0].a[3] = 1;
        a.target = -1.0;
        a.sigma = 1e-3 * crit_scale;
        a.kind = RowKind::crit_dp;
        rows.push_back(a);
        Row b = a;
        b.e[0].a[1] = 2;
        b.e[0].a[3] = 4;
        b.e[0].a[4] = 1;
        b.target = 0.0;
        b.sigma = 3e-3 * crit_scale;
        b.kind = RowKind::crit_d2p;
        rows.push_back(b);
        Row c;
        c.e[0].at_critical = true;
        c.e[0].T = T;
        c.e[0].a[1] = 1;  // times D: Z - 1
        c.pressure_form = true;
        const double zc = f.pc * 1000.0 / (f.Dc * R_PROGRAM * T);
        c.target = zc;
        c.sigma = 1e-3 * zc * crit_scale;
        c.kind = RowKind::crit_z;
        rows.push_back(c);
    }
    return rows;
}

std::vector<Row> barrier_rows(const Fluid& f) {
    std::vector<Row> rows;
    for (double tr : {0.5, 0.7, 1.0, 1.5, 2.0, 3.0}) {
        for (double eta : {0.55, 0.6, 0.65, 0.7}) {
            Row z;
            z.e[0].eta = eta;
            z.e[0].T = tr * f.Tc;
            z.e[0].a[1] = 1.0;  // times D: Z - 1
            z.attraction_only = true;
            z.sigma = 1.0;
            z.kind = RowKind::barrier_z;
            rows.push_back(z);
            Row dz;
            dz.e[0].eta = eta;
            dz.e[0].T = tr * f.Tc;
            dz.e[0].a[1] = 2.0;  // times D: D dF/dD; a[3] times D^2: D^2 d2F/dD2
            dz.e[0].a[3] = 1.0;
            dz.attraction_only = true;
            dz.sigma = 1.0;
            dz.kind = RowKind::barrier_dz;
            rows.push_back(dz);
        }
    }
    return rows;
}

void load_into_program(const Model& model, const Fluid& f, const Params& p) {
    SUBST_CONST.Tc = f.Tc;
    SUBST_CONST.Dc = f.Dc;
    SUBST_CONST.Pc = f.pc;
    SUBST_CONST.T0 = T0_of(f, p);
    SUBST_CONST.D0 = D0_of(f, p);
    SUBST_CONST.Alpha = p.alpha;
    SUBST_CONST.Q2 = p.q2;
    SUBST_CONST.Dp = p.dp;
    SUBST_CONST.MolWt = f.M;
    const auto& fa = model.terms[0];
    EOS_COEFF.Fa.i4_nz = static_cast<int32_t>(fa.size());
    for (size_t i = 0; i < fa.size(); ++i) {
        EOS_COEFF.Fa.m[i] = fa[i].e[0];
        EOS_COEFF.Fa.n[i] = fa[i].e[1];
        EOS_COEFF.Fa.j[i] = fa[i].e[2];
        EOS_COEFF.Fa.l[i] = fa[i].e[3];
        EOS_COEFF.Fa.c[i] = model.coeff[0][i];
    }
    for (int s = 1; s <= 2; ++s) {
        PolarSet& set = s == 1 ? EOS_COEFF.Fq : EOS_COEFF.Fd;
        const auto& t = model.terms[s];
        set.i4_nz = static_cast<int32_t>(t.size());
        for (size_t i = 0; i < t.size(); ++i) {
            set.n[i] = t[i].e[0];
            set.m[i] = t[i].e[1];
            set.k[i] = t[i].e[2];
            set.o[i] = t[i].e[3];
            set.c[i] = model.coeff[s][i];
        }
    }
}

std::string term_text(const Term& t) {
    char buf[96];
    if (t.set == SetKind::Fa)
        std::snprintf(buf, sizeof buf, "Fa m=%d n=%d j=%d l=%d", t.e[0], t.e[1], t.e[2], t.e[3]);
    else
        std::snprintf(buf, sizeof buf, "%s n=%d m=%d k=%d o=%d", t.set == SetKind::Fq ? "Fq" : "Fd",
                      t.e[0], t.e[1], t.e[2], t.e[3]);
    return buf;
}

std::vector<Term> candidate_bank(SetKind set) {
    std::vector<Term> bank;
    if (set == SetKind::Fa) {
        for (int m = 1; m <= 10; ++m)
            for (int n = -16; n <= 0; ++n)
                for (int j = 0; j <= 2; ++j)
                    for (int l = 0; l <= 4; ++l) bank.push_back({set, {m, n, j, l}});
    } else {
        // Density power m/2 at least 1, so that Z - 1 = B D + ... with a finite second virial
        // coefficient; power of the polar parameter k/4 at least 1, so that a term switches on
        // smoothly from a parameter of 0 (off).
        for (int n = -16; n <= 0; ++n)
            for (int m = 2; m <= 12; ++m)
                for (int k = 4; k <= 8; ++k)
                    for (int o = 0; o <= 2; ++o) bank.push_back({set, {n, m, k, o}});
    }
    return bank;
}

}  // namespace fit
