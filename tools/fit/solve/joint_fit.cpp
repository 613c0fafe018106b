#include "solve/joint_fit.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"

namespace fit {

void fixed_part(const FluidCase& c, const Model& model, int skip, std::vector<double>& fixed,
                std::vector<double>& scale) {
    const size_t n = c.rows.size();
    fixed.assign(n, 0.0);
    scale.assign(n, 0.0);
    std::vector<double> values;
    const std::vector<TermSet> sets = term_sets(model, *c.fluid, c.p);
    for (size_t r = 0; r < n; ++r) {
        const Row& row = c.rows[r];
        const double hb = row_hard_body(row, *c.fluid, c.p);
        double sum = row.attraction_only ? 0.0 : hb - row.target;
        double skipped = 0.0;
        for (int s = 0; s < SET_COUNT; ++s) {
            const auto& terms = model.terms[s];
            values.resize(terms.size());
            row_terms(row, sets[s], *c.fluid, c.p, values.data());
            double part = 0.0;
            for (size_t t = 0; t < terms.size(); ++t) part += model.coeff[s][t] * values[t];
            (s == skip ? skipped : sum) += part;
        }
        fixed[r] = sum;
        // a bound that the whole model meets takes no part
        scale[r] = row_scale(row, sum + skipped, hb);
    }
}

namespace {

class FluidCost : public ceres::CostFunction {
  public:
    FluidCost(FluidCase* c, const Model* model, SetKind set, bool fit_coeff)
        : case_(c), model_(model), set_(static_cast<int>(set)), fit_coeff_(fit_coeff) {
        set_num_residuals(static_cast<int>(c->rows.size()));
        if (fit_coeff)
            mutable_parameter_block_sizes()->push_back(static_cast<int>(model->terms[set_].size()));
        mutable_parameter_block_sizes()->push_back(PARAM_COUNT);
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
            for (int k = 0; k < PARAM_COUNT; ++k) {
                if (!(case_->free & (1u << k))) {
                    for (size_t r = 0; r < nr; ++r) jp[r * PARAM_COUNT + k] = 0.0;
                    continue;
                }
                double v[PARAM_COUNT];
                std::copy(pv, pv + PARAM_COUNT, v);
                const double h = 1e-6 * std::max(std::fabs(pv[k]), 0.1);
                v[k] = pv[k] + h;
                if (!residual(v, coeff, plus.data(), nullptr)) return false;
                v[k] = pv[k] - h;
                if (!residual(v, coeff, minus.data(), nullptr)) return false;
                for (size_t r = 0; r < nr; ++r)
                    jp[r * PARAM_COUNT + k] = (plus[r] - minus[r]) / (2 * h);
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
        const std::vector<TermSet> sets = term_sets(*model_, f, p);
        for (size_t r = 0; r < case_->rows.size(); ++r) {
            const Row& row = case_->rows[r];
            const double hb = row_hard_body(row, f, p);
            double sum = row.attraction_only ? 0.0 : hb - row.target;
            for (int s = 0; s < 3; ++s) {
                const auto& ts = model_->terms[s];
                const double* cs = s == set_ ? coeff : model_->coeff[s].data();
                values.resize(ts.size());
                row_terms(row, sets[s], f, p, values.data());
                for (size_t t = 0; t < ts.size(); ++t) {
                    sum += cs[t] * values[t];
                    if (basis && s == set_) (*basis)[r * nt + t] = values[t];
                }
            }
            const double scale = row_scale(row, sum, hb);
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
                 int max_iterations, int threads) {
    const int s = static_cast<int>(set);
    ceres::Problem::Options popt;
    ceres::Problem problem(popt);
    std::vector<ParamArray> values(cases.size());
    std::vector<double> coeff = model.coeff[s];
    if (fit_coeff && coeff.empty()) fit_coeff = false;
    for (size_t i = 0; i < cases.size(); ++i) {
        values[i] = to_array(cases[i]->p);
        auto* cost = new FluidCost(cases[i], &model, set, fit_coeff);
        if (fit_coeff)
            problem.AddResidualBlock(cost, nullptr, coeff.data(), values[i].data());
        else
            problem.AddResidualBlock(cost, nullptr, values[i].data());
        std::vector<int> constant;
        for (int k = 0; k < PARAM_COUNT; ++k)
            if (!(cases[i]->free & (1u << k))) constant.push_back(k);
        if (constant.size() == PARAM_COUNT) {
            problem.SetParameterBlockConstant(values[i].data());
        } else {
            if (!constant.empty())
                problem.SetManifold(values[i].data(),
                                    new ceres::SubsetManifold(PARAM_COUNT, constant));
            for (int k = 0; k < PARAM_COUNT; ++k) {
                if (!(cases[i]->free & (1u << k))) continue;
                problem.SetParameterLowerBound(values[i].data(), k, PARAM_LOWER[k]);
                problem.SetParameterUpperBound(values[i].data(), k, PARAM_UPPER[k]);
            }
        }
    }
    ceres::Solver::Options opt;
    opt.linear_solver_type = ceres::DENSE_QR;
    opt.max_num_iterations = max_iterations;
    opt.num_threads = fit_coeff ? threads : 1;
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

void fit_weighted(FluidCase& c, const Model& model, const Weights& w) {
    FluidCase weighted = c;
    apply_weights(weighted.rows, w);
    std::vector<FluidCase*> one{&weighted};
    Model m = model;
    joint_fit(one, m, SetKind::Fa, false, 60);
    c.p = weighted.p;
}

std::vector<double> cost_by_kind(const FluidCase& c, const Model& model) {
    std::vector<double> out(ROW_KINDS, 0.0), fixed, scale;
    fixed_part(c, model, -1, fixed, scale);
    for (size_t r = 0; r < fixed.size(); ++r)
        out[static_cast<int>(c.rows[r].kind)] += std::pow(fixed[r] * scale[r], 2);
    return out;
}

}  // namespace fit
