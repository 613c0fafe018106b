#include "fitter.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>

#include "basis.h"
#include "eos/eos.h"
#include "parallel.h"
#include "phase.h"

namespace fit {

namespace {

Log g_log;

}  // namespace

bool g_verbose_check = false;
bool g_deterministic = false;

namespace {

constexpr int NP = 6;  // per-fluid parameters: t, d, alpha, q2, dp, dc
constexpr double kLower[NP] = {0.55, 0.9, 0.9, 0.0, 0.0, 0.6};
constexpr double kUpper[NP] = {1.6, 1.8, 4.0, 60.0, 200.0, 1.6};

void to_array(const Params& p, double* v) {
    v[0] = p.t;
    v[1] = p.d;
    v[2] = p.alpha;
    v[3] = p.q2;
    v[4] = p.dp;
    v[5] = p.dc;
}

Params from_array(const double* v) {
    Params p;
    p.t = v[0];
    p.d = v[1];
    p.alpha = v[2];
    p.q2 = v[3];
    p.dp = v[4];
    p.dc = v[5];
    return p;
}

}  // namespace

Params clamp_to_bounds(const Params& p, unsigned free) {
    double v[NP];
    to_array(p, v);
    for (int k = 0; k < NP; ++k)
        if (free & (1u << k)) v[k] = std::clamp(v[k], kLower[k], kUpper[k]);
    return from_array(v);
}

void set_log(Log log) {
    g_log = std::move(log);
}

void log_line(const std::string& text) {
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    if (g_log) g_log(text);
}

void fixed_part(const FluidCase& c, const Model& model, int skip, std::vector<double>& fixed,
                std::vector<double>& scale) {
    const size_t n = c.rows.size();
    fixed.assign(n, 0.0);
    scale.assign(n, 0.0);
    std::vector<double> values;
    for (size_t r = 0; r < n; ++r) {
        const Row& row = c.rows[r];
        const double hb = row_hard_body(row, *c.fluid, c.p);
        double sum = row.attraction_only ? 0.0 : hb - row.target;
        double skipped = 0.0;
        for (int s = 0; s < 3; ++s) {
            const auto& terms = model.terms[s];
            values.resize(terms.size());
            row_terms(row, terms, *c.fluid, c.p, values.data());
            double part = 0.0;
            for (size_t t = 0; t < terms.size(); ++t) part += model.coeff[s][t] * values[t];
            (s == skip ? skipped : sum) += part;
        }
        fixed[r] = sum;
        // a bound that the whole model meets takes no part
        scale[r] = !row.active(sum + skipped) ? 0.0
                   : row.attraction_only      ? 1.0 / (row.sigma * std::max(std::fabs(hb), 1e-3))
                                              : 1.0 / row.sigma;
    }
}

LinearSystem build_system(const std::vector<FluidCase*>& cases, const Model& model, SetKind set,
                          const std::vector<Term>& terms) {
    size_t rows = 0;
    for (const FluidCase* c : cases) rows += c->rows.size();
    LinearSystem sys;
    sys.A.resize(static_cast<Eigen::Index>(rows), static_cast<Eigen::Index>(terms.size()));
    sys.b.resize(static_cast<Eigen::Index>(rows));
    std::vector<Eigen::Index> first(cases.size(), 0);
    for (size_t i = 1; i < cases.size(); ++i)
        first[i] = first[i - 1] + static_cast<Eigen::Index>(cases[i - 1]->rows.size());
    parallel_for(cases.size(), [&](size_t i) {
        const FluidCase* c = cases[i];
        std::vector<double> fixed, scale, values(terms.size());
        fixed_part(*c, model, static_cast<int>(set), fixed, scale);
        Eigen::Index at = first[i];
        for (size_t r = 0; r < c->rows.size(); ++r, ++at) {
            sys.b(at) = -fixed[r] * scale[r];
            row_terms(c->rows[r], terms, *c->fluid, c->p, values.data());
            for (size_t t = 0; t < terms.size(); ++t)
                sys.A(at, static_cast<Eigen::Index>(t)) = values[t] * scale[r];
        }
    });
    return sys;
}

Eigen::VectorXd solve_linear(const Eigen::MatrixXd& A, const Eigen::VectorXd& b) {
    const Eigen::Index n = A.cols();
    Eigen::VectorXd norm(n);
    for (Eigen::Index j = 0; j < n; ++j) norm(j) = std::max(A.col(j).norm(), 1e-300);
    Eigen::MatrixXd As = A * norm.cwiseInverse().asDiagonal();
    Eigen::MatrixXd N = As.transpose() * As;
    N.diagonal().array() += 1e-12;
    Eigen::VectorXd x = N.ldlt().solve(As.transpose() * b);
    // one step of iterative refinement against the normal-equation rounding
    Eigen::VectorXd r = b - As * x;
    x += N.ldlt().solve(As.transpose() * r);
    return x.cwiseQuotient(norm);
}

namespace {

// Orthonormal basis of the selected columns (modified Gram-Schmidt, twice).
Eigen::MatrixXd orthonormal(const Eigen::MatrixXd& A, const std::vector<int>& cols) {
    Eigen::MatrixXd Q(A.rows(), static_cast<Eigen::Index>(cols.size()));
    Eigen::Index k = 0;
    for (int c : cols) {
        Eigen::VectorXd v = A.col(c);
        for (int pass = 0; pass < 2; ++pass)
            for (Eigen::Index i = 0; i < k; ++i) v -= Q.col(i) * Q.col(i).dot(v);
        const double nv = v.norm();
        Q.col(k) = nv > 0 ? Eigen::VectorXd(v / nv) : Eigen::VectorXd(v);
        ++k;
    }
    return Q;
}

// Best column to add to the span of Q for the residual r: maximal (a.r)^2 / |a_perp|^2.
int best_candidate(const Eigen::MatrixXd& A, const Eigen::MatrixXd& Q, const Eigen::VectorXd& r,
                   const Eigen::VectorXd& col_norm2, const std::vector<int>& exclude,
                   double* gain) {
    const Eigen::VectorXd ar = A.transpose() * r;
    Eigen::VectorXd proj2 = Eigen::VectorXd::Zero(A.cols());
    if (Q.cols() > 0) {
        const Eigen::MatrixXd P = Q.transpose() * A;
        proj2 = P.colwise().squaredNorm().transpose();
    }
    int best = -1;
    double best_gain = 0.0;
    for (Eigen::Index j = 0; j < A.cols(); ++j) {
        if (std::find(exclude.begin(), exclude.end(), static_cast<int>(j)) != exclude.end())
            continue;
        const double perp = col_norm2(j) - proj2(j);
        if (!(perp > 1e-9 * col_norm2(j)) || col_norm2(j) <= 0) continue;
        const double g = ar(j) * ar(j) / perp;
        if (g > best_gain) {
            best_gain = g;
            best = static_cast<int>(j);
        }
    }
    if (gain) *gain = best_gain;
    return best;
}

}  // namespace

std::vector<int> greedy_select(const Eigen::MatrixXd& A, const Eigen::VectorXd& b, int count,
                               std::vector<int> start) {
    const Eigen::VectorXd col_norm2 = A.colwise().squaredNorm().transpose();
    std::vector<int> selected = std::move(start);
    while (static_cast<int>(selected.size()) < count) {
        const Eigen::MatrixXd Q = orthonormal(A, selected);
        const Eigen::VectorXd r = b - Q * (Q.transpose() * b);
        double gain = 0;
        const int best = best_candidate(A, Q, r, col_norm2, selected, &gain);
        if (best < 0) break;
        selected.push_back(best);
    }
    return selected;
}

namespace {

// The selection's projections, from which the effect of leaving out any one selected column is
// found without a new factorisation: with S = Q R (Q orthonormal), the part of column s that
// the other selected columns do not span is u_s = Q R^-T e_s / |R^-T e_s|, and leaving column s
// out takes u_s off the span.
struct Projections {
    Eigen::MatrixXd P;      // Q^T A
    Eigen::MatrixXd V;      // u_s . a_j for every selected s (rows) and column j
    Eigen::VectorXd ub;     // u_s . b
    Eigen::VectorXd ar;     // a_j . r with r the residual of b on the whole selection
    Eigen::VectorXd proj2;  // |Q^T a_j|^2
};

Projections projections(const Eigen::MatrixXd& A, const Eigen::VectorXd& b,
                        const std::vector<int>& selected) {
    const Eigen::Index k = static_cast<Eigen::Index>(selected.size());
    const Eigen::MatrixXd Q = orthonormal(A, selected);
    Projections pr;
    pr.P = Q.transpose() * A;
    Eigen::MatrixXd R(k, k);
    for (Eigen::Index c = 0; c < k; ++c) R.col(c) = pr.P.col(selected[static_cast<size_t>(c)]);
    // W = R^-T with unit columns
    Eigen::MatrixXd W = R.transpose().fullPivLu().solve(Eigen::MatrixXd::Identity(k, k));
    for (Eigen::Index c = 0; c < k; ++c) {
        const double n = W.col(c).norm();
        if (n > 0) W.col(c) /= n;
    }
    pr.V = W.transpose() * pr.P;
    const Eigen::VectorXd qb = Q.transpose() * b;
    pr.ub = W.transpose() * qb;
    pr.ar = A.transpose() * (b - Q * qb);
    pr.proj2 = pr.P.colwise().squaredNorm().transpose();
    return pr;
}

}  // namespace

int exchange_pass(const Eigen::MatrixXd& A, const Eigen::VectorXd& b, std::vector<int>& selected) {
    const Eigen::VectorXd col_norm2 = A.colwise().squaredNorm().transpose();
    int exchanges = 0;
    Projections pr = projections(A, b, selected);
    for (size_t s = 0; s < selected.size(); ++s) {
        const Eigen::Index si = static_cast<Eigen::Index>(s);
        // each candidate's gain against the residual of b without column s
        auto gain_of = [&](Eigen::Index j) {
            const double v = pr.V(si, j);
            const double arj = pr.ar(j) + pr.ub(si) * v;
            const double perp = col_norm2(j) - (pr.proj2(j) - v * v);
            if (!(perp > 1e-9 * col_norm2(j)) || col_norm2(j) <= 0) return -1.0;
            return arj * arj / perp;
        };
        const double own = std::max(gain_of(selected[s]), 0.0);
        int best = -1;
        double best_gain = 0.0;
        for (Eigen::Index j = 0; j < A.cols(); ++j) {
            if (std::find(selected.begin(), selected.end(), static_cast<int>(j)) != selected.end())
                continue;
            const double g = gain_of(j);
            if (g > best_gain) {
                best_gain = g;
                best = static_cast<int>(j);
            }
        }
        if (best >= 0 && best_gain > own * (1.0 + 1e-9) &&
            best_gain - own > 1e-12 * b.squaredNorm()) {
            selected[s] = best;
            ++exchanges;
            pr = projections(A, b, selected);
        }
    }
    return exchanges;
}

namespace {

class FluidCost : public ceres::CostFunction {
  public:
    FluidCost(FluidCase* c, const Model* model, SetKind set, bool fit_coeff)
        : case_(c), model_(model), set_(static_cast<int>(set)), fit_coeff_(fit_coeff) {
        set_num_residuals(static_cast<int>(c->rows.size()));
        if (fit_coeff)
            mutable_parameter_block_sizes()->push_back(static_cast<int>(model->terms[set_].size()));
        mutable_parameter_block_sizes()->push_back(NP);
    }

    bool Evaluate(double const* const* parameters, double* residuals,
                  double** jacobians) const override {
        const std::vector<Term>& terms = model_->terms[set_];
        const size_t nt = terms.size();
        const double* coeff = fit_coeff_ ? parameters[0] : model_->coeff[set_].data();
        const double* pv = parameters[fit_coeff_ ? 1 : 0];
        const size_t nr = case_->rows.size();
        std::vector<double> basis;
        if (!residual(pv, coeff, residuals,
                      jacobians && fit_coeff_ && jacobians[0] ? &basis : nullptr))
            return false;
        if (!jacobians) return true;
        if (fit_coeff_ && jacobians[0]) {
            for (size_t r = 0; r < nr; ++r)
                for (size_t t = 0; t < nt; ++t) jacobians[0][r * nt + t] = basis[r * nt + t];
        }
        double* jp = jacobians[fit_coeff_ ? 1 : 0];
        if (jp) {
            std::vector<double> plus(nr), minus(nr);
            for (int k = 0; k < NP; ++k) {
                if (!(case_->free & (1u << k))) {
                    for (size_t r = 0; r < nr; ++r) jp[r * NP + k] = 0.0;
                    continue;
                }
                double v[NP];
                std::copy(pv, pv + NP, v);
                const double h = 1e-6 * std::max(std::fabs(pv[k]), 0.1);
                v[k] = pv[k] + h;
                if (!residual(v, coeff, plus.data(), nullptr)) return false;
                v[k] = pv[k] - h;
                if (!residual(v, coeff, minus.data(), nullptr)) return false;
                for (size_t r = 0; r < nr; ++r) jp[r * NP + k] = (plus[r] - minus[r]) / (2 * h);
            }
        }
        return true;
    }

  private:
    bool residual(const double* pv, const double* coeff, double* out,
                  std::vector<double>* basis) const {
        const Params p = from_array(pv);
        const Fluid& f = *case_->fluid;
        const std::vector<Term>& terms = model_->terms[set_];
        const size_t nt = terms.size();
        if (basis) basis->assign(case_->rows.size() * nt, 0.0);
        std::vector<double> values;
        for (size_t r = 0; r < case_->rows.size(); ++r) {
            const Row& row = case_->rows[r];
            const double hb = row_hard_body(row, f, p);
            double sum = row.attraction_only ? 0.0 : hb - row.target;
            for (int s = 0; s < 3; ++s) {
                const auto& ts = model_->terms[s];
                const double* cs = s == set_ ? coeff : model_->coeff[s].data();
                values.resize(ts.size());
                row_terms(row, ts, f, p, values.data());
                for (size_t t = 0; t < ts.size(); ++t) {
                    sum += cs[t] * values[t];
                    if (basis && s == set_) (*basis)[r * nt + t] = values[t];
                }
            }
            const double scale = !row.active(sum) ? 0.0
                                 : row.attraction_only
                                     ? 1.0 / (row.sigma * std::max(std::fabs(hb), 1e-3))
                                     : 1.0 / row.sigma;
            out[r] = sum * scale;
            if (basis)
                for (size_t t = 0; t < nt; ++t) (*basis)[r * nt + t] *= scale;
            if (!std::isfinite(out[r])) return false;
        }
        return true;
    }

    FluidCase* case_;
    const Model* model_;
    int set_;
    bool fit_coeff_;
};

}  // namespace

double joint_fit(std::vector<FluidCase*>& cases, Model& model, SetKind set, bool fit_coeff,
                 int max_iterations) {
    const int s = static_cast<int>(set);
    ceres::Problem::Options popt;
    ceres::Problem problem(popt);
    std::vector<std::array<double, NP>> values(cases.size());
    std::vector<double> coeff = model.coeff[s];
    if (fit_coeff && coeff.empty()) fit_coeff = false;
    for (size_t i = 0; i < cases.size(); ++i) {
        to_array(cases[i]->p, values[i].data());
        auto* cost = new FluidCost(cases[i], &model, set, fit_coeff);
        if (fit_coeff)
            problem.AddResidualBlock(cost, nullptr, coeff.data(), values[i].data());
        else
            problem.AddResidualBlock(cost, nullptr, values[i].data());
        std::vector<int> constant;
        for (int k = 0; k < NP; ++k)
            if (!(cases[i]->free & (1u << k))) constant.push_back(k);
        if (constant.size() == NP) {
            problem.SetParameterBlockConstant(values[i].data());
        } else {
            if (!constant.empty())
                problem.SetManifold(values[i].data(), new ceres::SubsetManifold(NP, constant));
            for (int k = 0; k < NP; ++k) {
                if (!(cases[i]->free & (1u << k))) continue;
                problem.SetParameterLowerBound(values[i].data(), k, kLower[k]);
                problem.SetParameterUpperBound(values[i].data(), k, kUpper[k]);
            }
        }
    }
    ceres::Solver::Options opt;
    opt.linear_solver_type = ceres::DENSE_QR;
    opt.max_num_iterations = max_iterations;
    opt.num_threads = fit_coeff && !g_deterministic ? fit_threads() : 1;
    opt.logging_type = ceres::SILENT;
    opt.function_tolerance = 1e-10;
    opt.parameter_tolerance = 1e-12;
    ceres::Solver::Summary summary;
    ceres::Solve(opt, &problem, &summary);
    for (size_t i = 0; i < cases.size(); ++i) cases[i]->p = from_array(values[i].data());
    if (fit_coeff) model.coeff[s] = coeff;
    char buf[160];
    std::snprintf(buf, sizeof buf, "  joint fit: cost %.6g -> %.6g, %d iterations",
                  summary.initial_cost, summary.final_cost,
                  static_cast<int>(summary.iterations.size()));
    if (fit_coeff) log_line(buf);
    return summary.final_cost;
}

double total_cost(const std::vector<FluidCase*>& cases, const Model& model) {
    double sum = 0.0;
    std::vector<double> fixed, scale;
    for (const FluidCase* c : cases) {
        fixed_part(*c, model, -1, fixed, scale);
        for (size_t r = 0; r < fixed.size(); ++r) sum += std::pow(fixed[r] * scale[r], 2);
    }
    return 0.5 * sum;
}

namespace {

// Reference saturated densities at T, interpolated in the table; below its first temperature
// the liquid is extrapolated linearly in T and the vapour linearly in 1/T (in ln D, as the
// Clausius-Clapeyron equation has it). Negative above the table.
double interp_sat(const Fluid& f, double T, bool liquid) {
    const auto& s = f.sat;
    if (s.size() < 2 || T > s.back().T) return -1.0;
    size_t i = 1;
    while (i + 1 < s.size() && s[i].T < T) ++i;
    const bool below = T < s[0].T;
    auto x = [&](double t) { return below && !liquid ? 1.0 / t : t; };
    const double w = (x(T) - x(s[i - 1].T)) / (x(s[i].T) - x(s[i - 1].T));
    const double a = liquid ? s[i - 1].Dliq : std::log(s[i - 1].Dvap);
    const double b = liquid ? s[i].Dliq : std::log(s[i].Dvap);
    const double v = a + w * (b - a);
    return liquid ? v : std::exp(v);
}

// Second virial coefficient of a simple fluid in the form B pc/(R Tc) = f0(T/Tc) (Tsonopoulos),
// and its slope in T/Tc: a weak guide where the data of a fluid end.
double simple_virial(double tr) {
    return 0.1445 - 0.330 / tr - 0.1385 / (tr * tr) - 0.0121 / (tr * tr * tr) -
           0.000607 / std::pow(tr, 8);
}

double simple_virial_slope(double tr) {
    return 0.330 / (tr * tr) + 2 * 0.1385 / std::pow(tr, 3) + 3 * 0.0121 / std::pow(tr, 4) +
           8 * 0.000607 / std::pow(tr, 9);
}

Row guard(double D, double T, std::array<double, PAIRS> a, double target, double sigma, int bound) {
    Row r;
    r.bound = bound;
    r.e[0].D = D;
    r.e[0].T = T;
    r.e[0].a = a;
    r.target = target;
    r.sigma = sigma;
    r.kind = RowKind::guard;
    return r;
}

// (dp/dD)/(R T) = target, and Z = target.
Row slope_guard(double D, double T, double target, double sigma, int bound) {
    return guard(D, T, {0, 2 * D, 0, D * D, 0, 0, 0}, target - 1.0, sigma, bound);
}

Row pressure_guard(double D, double T, double target, double sigma) {
    return guard(D, T, {0, D, 0, 0, 0, 0, 0}, target - 1.0, sigma, 1);
}

// Guard rows a fluid collects at most over the rounds of a fit.
constexpr size_t kMaxGuardRows = 1000;

// Uncertainty of a guard row for a violation of the given size.
double gentle(double gap) {
    return std::max(0.02, 0.1 * std::fabs(gap));
}

// Density at which dF/dD stands for the second virial coefficient.
double virial_density(const Fluid& f) {
    return 1e-7 * f.Dc;
}

struct Isotherm {
    const Fluid& f;
    const Eos& eos;
    double tr, T;
    bool verbose;
    int bad = 0;
    std::vector<Row> rows;

    // p_mpa: the pressure of the state where it is known (negative: not shown)
    void offend(const Row& row, const char* what, double D, double value, double p_mpa = -1) {
        ++bad;
        if (rows.size() < 40 && bad % 2 == 1) rows.push_back(row);
        if (!verbose) return;
        char b[200];
        std::snprintf(b, sizeof b, "    %s T/Tc %.3f D/Dc %.4g %s %.4g", f.code.c_str(), tr,
                      D / f.Dc, what, value);
        std::string text = b;
        if (p_mpa >= 0) {
            std::snprintf(b, sizeof b, " at %.4g MPa", p_mpa);
            text += b;
        }
        log_line(text);
    }

    // B increasing with T over the whole range (one sign change, the Boyle temperature), and
    // negative at low temperatures.
    void check_virial() {
        const double D = virial_density(f);
        const double scale = R_PROGRAM / (1000.0 * f.pc);  // B in dm3/mol per B pc/(R Tc)
        const double slope = eos.pair(1, 1, D, T);
        const double want = 0.5 * simple_virial_slope(tr) * scale;
        if (!(slope > 0))
            offend(guard(D, T, {0, 0, 0, 0, 0, 1, 0}, want, 0.1 * want, 1), "dB/dT", D, slope);
        const double B = eos.pair(1, 0, D, T);
        const double simple = simple_virial(tr) * f.Tc * scale;
        if (tr <= 0.6 && !(B < 0))
            offend(guard(D, T, {0, 1, 0, 0, 0, 0, 0}, 0.2 * simple, 0.1 * std::fabs(simple), -1),
                   "B", D, B);
    }

    // p and dp/dD positive and cv positive in the stable fluid (up to the pressure limit of the
    // data), and one van der Waals loop inside the reference two-phase region.
    void check_densities(const Params& p, double Dv, double Dl) {
        const int N = 300;
        const double Dmax = eta_density(f, p, 0.6, T), Dmin = 1e-4 * f.Dc;
        const double plimit = 1.5 * std::max(f.pmax, f.pc);
        std::vector<double> Ds(N), dp(N), z(N);
        for (int i = 0; i < N; ++i) {
            Ds[i] = Dmin * std::pow(Dmax / Dmin, static_cast<double>(i) / (N - 1));
            const double f10 = eos.pair(1, 0, Ds[i], T), f20 = eos.pair(2, 0, Ds[i], T);
            z[i] = 1.0 + Ds[i] * f10;
            dp[i] = 1.0 + 2.0 * Ds[i] * f10 + Ds[i] * Ds[i] * f20;
        }
        const bool sub = tr < 1.0;
        auto inside = [&](double D) { return sub && D > Dv && D < Dl; };
        double min_dp = 0;
        int first_neg = -1, last_neg = -1;
        for (int i = 0; i < N; ++i)
            if (inside(Ds[i])) {
                min_dp = std::min(min_dp, dp[i]);
                if (dp[i] <= 0) {
                    if (first_neg < 0) first_neg = i;
                    last_neg = i;
                }
            }
        const double cv0 = reference_cp0(f, T) - f.R;
        for (int i = 0; i < N; ++i) {
            const double D = Ds[i];
            const double p_mpa = D * R_PROGRAM * T * z[i] / 1000.0;
            if (inside(D)) {
                if (first_neg >= 0 && i > first_neg && i < last_neg && dp[i] > 0)
                    offend(slope_guard(D, T, -0.05 * std::fabs(min_dp),
                                       0.005 * std::fabs(min_dp) + 0.005, -1),
                           "dp/dD (second loop)", D, dp[i]);
                continue;
            }
            const bool liquid = !sub || D >= Dl;
            if (liquid && p_mpa > plimit) break;
            // the stiff liquid: a density error of the equation moves p at the reference
            // boundary a lot, so its first states are passed over
            if (sub && D >= Dl && D < Dl * 1.003) continue;
            // a gross violation is pulled back gently over several rounds, not at once, so
            // that it does not swamp the data
            if (dp[i] <= 0) {
                const double want = liquid && sub ? 1.0 : 0.3;
                offend(slope_guard(D, T, want, gentle(want - dp[i]), 1), "dp/dD", D, dp[i], p_mpa);
            } else if (z[i] <= 0 && liquid) {
                offend(pressure_guard(D, T, 0.3, gentle(0.3 - z[i])), "Z", D, z[i]);
            } else if (i % 10 == 0 && T <= f.Tmax) {
                // (beyond the reference's upper temperature its cp0 correlation does not hold)
                const double cvr = -2.0 * T * eos.pair(0, 1, D, T) - T * T * eos.pair(0, 2, D, T);
                const double cv = cv0 + R_PROGRAM * cvr;
                if (!(cv > 0))
                    offend(guard(D, T, {0, 0, -2 * T, 0, 0, 0, -T * T}, -0.5 * cv0 / R_PROGRAM,
                                 0.02 * cv0 / R_PROGRAM, 1),
                           "cv", D, cv, p_mpa);
            }
        }
    }
};

}  // namespace

int physics_check(FluidCase& c, const Model& model, bool add_rows) {
    const Fluid& f = *c.fluid;
    const Eos eos(model, f, c.p);
    int bad = 0;
    std::vector<double> trs;
    const double tlow = std::max(f.Ttriple / f.Tc, 0.3);
    for (double tr = tlow; tr < 0.95; tr += 0.04) trs.push_back(tr);
    for (double tr : {0.96, 0.98, 1.02, 1.1, 1.3, 1.6, 2.0, 2.5, 3.0}) trs.push_back(tr);
    for (double tr : trs) {
        Isotherm iso{f, eos, tr, tr * f.Tc, g_verbose_check, 0, {}};
        iso.check_virial();
        double Dv = -1, Dl = -1;
        if (tr < 1.0) {
            Dv = interp_sat(f, iso.T, false);
            Dl = interp_sat(f, iso.T, true);
            // Below the reference table its extrapolated boundary is uncertain against the
            // stiff liquid: the equation's own saturated pair stands for it where found.
            double ps = 0, l = Dl, v = Dv;
            if (!f.sat.empty() && iso.T < f.sat.front().T && Dv > 0 &&
                saturation(eos, iso.T, ps, l, v)) {
                Dl = l;
                Dv = v;
            }
        }
        if (tr >= 1.0 || Dv > 0) iso.check_densities(c.p, Dv, Dl);
        bad += iso.bad;
        const size_t guards = static_cast<size_t>(std::count_if(
            c.rows.begin(), c.rows.end(), [](const Row& r) { return r.kind == RowKind::guard; }));
        if (add_rows && guards < kMaxGuardRows)
            c.rows.insert(c.rows.end(), iso.rows.begin(), iso.rows.end());
    }
    return bad;
}

}  // namespace fit

namespace fit {
std::vector<double> cost_by_kind(const FluidCase& c, const Model& model) {
    std::vector<double> out(ROW_KINDS, 0.0), fixed, scale;
    fixed_part(c, model, -1, fixed, scale);
    for (size_t r = 0; r < fixed.size(); ++r)
        out[static_cast<int>(c.rows[r].kind)] += std::pow(fixed[r] * scale[r], 2);
    return out;
}
}  // namespace fit
