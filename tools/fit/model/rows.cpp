#include "model/rows.h"

#include <algorithm>
#include <cmath>

#include "eos/constants.h"
#include "fluid/reference.h"
#include "model/phase.h"

namespace fit {

double eval_density(const Eval& e, const Fluid& f, const Params& p) {
    if (e.eta > 0) return eta_density(f, p, e.eta, e.T);
    if (e.at_critical) return (p.dc > 0 ? p.dc : 1.0) * f.Dc;
    return e.D;
}

void row_terms(const Row& row, const TermSet& set, const Fluid& f, const Params& p, double* out) {
    std::fill(out, out + set.size(), 0.0);
    for (int k = 0; k < row.ne; ++k) {
        const Eval& e = row.e[k];
        const double D = eval_density(e, f, p);
        const bool moving = e.eta > 0 || e.at_critical;
        PairWeights w = e.a;
        if (moving)
            for (int q = 0; q < PAIRS; ++q) w[q] *= std::pow(D, PAIR_DEL[q]);
        set.add_values(D, e.T, w, out);
    }
    if (!row.pressure_form) return;
    const double reduced = eval_density(row.e[0], f, p) / f.Dc;
    for (size_t t = 0; t < set.size(); ++t) out[t] *= reduced;
}

// Densities that follow the parameters (at a packing fraction, the critical density) carry the
// factors D^k of their derivatives themselves.
double row_hard_body(const Row& row, const Fluid& f, const Params& p) {
    double sum = 0.0;
    for (int k = 0; k < row.ne; ++k) {
        const Eval& e = row.e[k];
        const double D = eval_density(e, f, p);
        const bool moving = e.eta > 0 || e.at_critical;
        for (int q = 0; q < PAIRS; ++q) {
            if (e.a[q] == 0.0) continue;
            double factor = e.a[q];
            if (moving) factor *= std::pow(D, PAIR_DEL[q]);
            sum += factor * hard_body_value(f, p, D, e.T, PAIR_DEL[q], PAIR_TAU[q]);
        }
    }
    if (!row.pressure_form) return sum;
    const double reduced = eval_density(row.e[0], f, p) / f.Dc;
    return reduced * (sum + 1.0);
}

double row_value(const Row& row, const Eos& eos, const Fluid& f, const Params& p) {
    double sum = 0.0;
    for (int k = 0; k < row.ne; ++k) {
        const Eval& e = row.e[k];
        const double D = eval_density(e, f, p);
        PairWeights w = e.a;
        if (e.eta > 0 || e.at_critical)
            for (int q = 0; q < PAIRS; ++q) w[q] *= std::pow(D, PAIR_DEL[q]);
        sum += eos.sum(D, e.T, w);
    }
    if (row.attraction_only) return sum - row_hard_body(row, f, p);
    if (!row.pressure_form) return sum;
    return eval_density(row.e[0], f, p) / f.Dc * (sum + 1.0);
}

double row_scale(const Row& row, double excess, double hb) {
    if (!row.active(excess)) return 0.0;
    return row.attraction_only ? 1.0 / (row.sigma * std::max(std::fabs(hb), 1e-3))
                               : 1.0 / row.sigma;
}

namespace {

// A row of one state: the combination a of derivative pairs at (D, T).
Row state_row(double D, double T, const PairWeights& a, double target, double sigma, RowKind kind) {
    Row r;
    r.e[0].D = D;
    r.e[0].T = T;
    r.e[0].a = a;
    r.target = target;
    r.sigma = sigma;
    r.kind = kind;
    return r;
}

constexpr double kCvSigma = 0.01;      // of cv
constexpr double kSlopeSigma = 0.015;  // of (dp/dD)/(R T) and (dp/dT)/(D R)
constexpr double kHvapSigma = 0.005;   // of the enthalpy of vaporisation

}  // namespace

bool near_critical(const Fluid& f, const PvtPoint& s) {
    const double tr = s.T / f.Tc, pr = s.p / f.pc;
    return std::fabs(tr - 1.0) < 0.06 && pr > 0.3 && pr < 3;
}

namespace {

// Caloric rows of one single-phase state: the residual isochoric heat capacity, and the reduced
// slopes of the pressure X = (dp/dD)/(R T) and Y = (dp/dT)/(D R) that the reference speed of
// sound and cp give with cv (w^2 = (cp/cv) X R T/M, cp - cv = R Y^2/X). All three are linear
// in the coefficients.
void add_caloric_rows(const Fluid& f, const PvtPoint& s, std::vector<Row>& rows) {
    if (!s.has_caloric() || near_critical(f, s) || !(s.cp > s.cv)) return;
    const double R = GAS_CONSTANT, D = s.D, T = s.T;
    // the program's cv = cp0 - R + R CVR, with its own R and the reference's cp0
    rows.push_back(state_row(D, T, {0, 0, -2.0 * T, 0, 0, 0, -T * T},
                             (s.cv - reference_cp0(f, T) + R) / R, kCvSigma * s.cv / R,
                             RowKind::pvt_cv));
    const double X = s.w * s.w * (s.cv / s.cp) * (f.M / 1000.0) / (R * T);
    rows.push_back(state_row(D, T, {0, 2.0 * D, 0, D * D, 0, 0, 0}, X - 1.0, kSlopeSigma * X,
                             RowKind::pvt_dpdd));
    const double Y = std::sqrt((s.cp - s.cv) * X / R);
    rows.push_back(
        state_row(D, T, {0, D, 0, 0, 0, D * T, 0}, Y - 1.0, kSlopeSigma * Y, RowKind::pvt_dpdt));
}

// Z at every single-phase state, weighted like a density error at given pressure (the slope
// d(DZ)/dD estimated from the neighbouring states of the same isotherm); T dF/dT and F where
// the data come from an equation of state; the caloric rows.
void add_single_phase_rows(const Fluid& f, std::vector<Row>& rows) {
    const double rscale = f.R / GAS_CONSTANT;  // the program's pressure is D R T Z with its own R
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
        rows.push_back(state_row(s.D, s.T, {0, s.D, 0, 0, 0, 0, 0}, z * rscale - 1.0,
                                 std::hypot(sD * slope, sP * z), RowKind::pvt_z));
        if (s.helmholtz) {  // measured states (T, D, p only) have no energy rows
            rows.push_back(state_row(s.D, s.T, {0, 0, s.T, 0, 0, 0, 0}, s.TFT,
                                     5e-3 + 0.01 * std::fabs(s.TFT), RowKind::pvt_u));
            rows.push_back(state_row(s.D, s.T, {1.0, 0, 0, 0, 0, 0, 0}, s.F,
                                     2e-3 + 0.005 * std::fabs(s.F), RowKind::pvt_f));
        }
        add_caloric_rows(f, s, rows);
    }
}

// The uncertainty of the saturation rows: 5e-4 in Z (or in g/(R T)), three times that above
// 0.95 Tc, where the reference data are less certain and the equation's critical region starts.
constexpr double kSaturationSigma = 5e-4;
double saturation_weight(double tr) {
    return tr > 0.95 ? 3.0 : 1.0;
}

// At every saturation point below 0.985 Tc: both saturated densities at the saturation
// pressure, equal Gibbs energy and the enthalpy of vaporisation.
void add_saturation_rows(const Fluid& f, std::vector<Row>& rows) {
    for (size_t i = 0; i < f.sat.size(); ++i) {
        const SatPoint& s = f.sat[i];
        const double tr = s.T / f.Tc;
        if (tr > 0.985) continue;
        const double w = saturation_weight(tr);
        const double zl = s.ps * 1000.0 / (s.Dliq * GAS_CONSTANT * s.T);
        const double zv = s.ps * 1000.0 / (s.Dvap * GAS_CONSTANT * s.T);
        rows.push_back(state_row(s.Dliq, s.T, {0, s.Dliq, 0, 0, 0, 0, 0}, zl - 1.0,
                                 kSaturationSigma * w, RowKind::sat_liq));
        rows.push_back(state_row(s.Dvap, s.T, {0, s.Dvap, 0, 0, 0, 0, 0}, zv - 1.0,
                                 kSaturationSigma * w, RowKind::sat_vap));
        // F' + Z' + ln D' = F'' + Z'' + ln D'', with Z', Z'' of the saturation state
        Row g =
            state_row(s.Dliq, s.T, {1.0, 0, 0, 0, 0, 0, 0}, std::log(s.Dvap / s.Dliq) - (zl - zv),
                      kSaturationSigma * w, RowKind::sat_gibbs);
        g.e[1] = state_row(s.Dvap, s.T, {-1.0, 0, 0, 0, 0, 0, 0}, 0, 1, RowKind::sat_gibbs).e[0];
        g.ne = 2;
        rows.push_back(g);
        // h'' - h' = R T [(Z'' - Z') + T F_T' - T F_T'']
        const double hvap = reference_hvap(f, i) / (GAS_CONSTANT * s.T);
        Row h = state_row(s.Dliq, s.T, {0, 0, s.T, 0, 0, 0, 0}, hvap - (zv - zl),
                          kHvapSigma * hvap * w, RowKind::sat_hvap);
        h.e[1] = state_row(s.Dvap, s.T, {0, 0, -s.T, 0, 0, 0, 0}, 0, 1, RowKind::sat_hvap).e[0];
        h.ne = 2;
        rows.push_back(h);
    }
}

// Critical point: dp/dD = 0 and d2p/dD2 = 0 at the reference Tc, and p = pc there. The density
// is the fitted equation's own critical density (a per-fluid parameter): the table's critical
// point is that of the equation, and a mean-field equation fitted to the saturation data cannot
// also meet the reference critical density.
void add_critical_rows(const Fluid& f, double crit_scale, std::vector<Row>& rows) {
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
    const double zc = f.pc * 1000.0 / (f.Dc * GAS_CONSTANT * T);
    c.target = zc;
    c.sigma = 1e-3 * zc * crit_scale;
    c.kind = RowKind::crit_z;
    rows.push_back(c);
}

}  // namespace

// The row builders of each kind of target, in the order of the rows.
std::vector<Row> data_rows(const Fluid& f, double crit_scale) {
    std::vector<Row> rows;
    add_single_phase_rows(f, rows);
    add_saturation_rows(f, rows);
    add_critical_rows(f, crit_scale, rows);
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

Row guard_row(double D, double T, const PairWeights& a, double target, double sigma, int bound) {
    Row r = state_row(D, T, a, target, sigma, RowKind::guard);
    r.bound = bound;
    return r;
}

double liquid_row_sigma(double T_over_Tc, double slope) {
    const double X = std::isfinite(slope) && slope > 0 ? slope : 0.0;
    return saturation_weight(T_over_Tc) * std::hypot(kSaturationSigma, LIQUID_DENSITY_SIGMA * X);
}

void weigh_saturated_liquid(std::vector<Row>& rows, const Fluid& f, const Eos& eos) {
    for (Row& r : rows) {
        if (r.kind != RowKind::sat_liq) continue;
        const double T = r.e[0].T;
        r.sigma = liquid_row_sigma(T / f.Tc, phase_state(eos, r.e[0].D, T).dpdd);
    }
}

void apply_weights(std::vector<Row>& rows, const Weights& w) {
    for (Row& r : rows) r.sigma /= weight_factor(r.kind, w);
}

}  // namespace fit
