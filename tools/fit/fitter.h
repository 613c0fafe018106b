// Joint fit of a universal term set and the per-fluid parameters.
#pragma once

#include <Eigen/Dense>
#include <functional>
#include <string>
#include <vector>

#include "model.h"

namespace fit {

// Which per-fluid parameters a fit may move (bits of Params in the order t, d, alpha, q2, dp,
// dc).
enum ParamBits : unsigned { P_T = 1, P_D = 2, P_ALPHA = 4, P_Q2 = 8, P_DP = 16, P_DC = 32 };

struct FluidCase {
    const Fluid* fluid = nullptr;
    Params p;
    unsigned free = P_T | P_D | P_ALPHA;
    bool trains = true;     // takes part in fitting its class's coefficient set
    std::vector<Row> rows;  // data, barrier and guard rows
};

// Weighted linear system of the rows of some fluids: columns are the given terms (coefficient
// 1), b the part of each row target that the terms have to supply.
struct LinearSystem {
    Eigen::MatrixXd A;
    Eigen::VectorXd b;
};

// Value of every row of a fluid with all terms of the model except those of set `skip`, plus
// the hard body, and the row scale 1/sigma.
void fixed_part(const FluidCase& c, const Model& model, int skip, std::vector<double>& fixed,
                std::vector<double>& scale);

LinearSystem build_system(const std::vector<FluidCase*>& cases, const Model& model, SetKind set,
                          const std::vector<Term>& terms);

// Weighted least squares with column scaling and a tiny ridge.
Eigen::VectorXd solve_linear(const Eigen::MatrixXd& A, const Eigen::VectorXd& b);

// Greedy forward selection of `count` columns of A (orthogonal matching), starting from
// `start` (indexes into the columns, may be empty).
std::vector<int> greedy_select(const Eigen::MatrixXd& A, const Eigen::VectorXd& b, int count,
                               std::vector<int> start);

// One exchange pass: each selected column in turn is replaced by the best candidate when that
// lowers the residual. Returns the number of exchanges made.
int exchange_pass(const Eigen::MatrixXd& A, const Eigen::VectorXd& b, std::vector<int>& selected);

// Joint nonlinear least squares of the set's coefficients (when fit_coeff) and the free
// per-fluid parameters. Returns the final cost.
double joint_fit(std::vector<FluidCase*>& cases, Model& model, SetKind set, bool fit_coeff,
                 int max_iterations);

// The parameters with the free ones moved into the bounds of the fit (a start value outside
// them would fail the fit).
Params clamp_to_bounds(const Params& p, unsigned free);

// Sum of squared weighted residuals of the cases under the model.
double total_cost(const std::vector<FluidCase*>& cases, const Model& model);

// Checks the physics of one fluid under the model: sign of p and dp/dD on isotherms from 0.5 to
// 3 Tc up to a packing fraction of 0.6, and the single van der Waals loop below Tc. Adds guard
// rows at the offending states when add_rows is set. Returns the number of offending states.
int physics_check(FluidCase& c, const Model& model, bool add_rows);

extern bool g_verbose_check;  // physics_check logs every offending state
// Joint fits of the coefficients on one thread, so that a refit gives the same digits on
// every run (the solver's sums over fluids would otherwise follow the threads' order).
extern bool g_deterministic;

using Log = std::function<void(const std::string&)>;
void set_log(Log log);
void log_line(const std::string& text);

}  // namespace fit

namespace fit {
// Sum of squared weighted residuals of one fluid per row kind (indexed by RowKind).
std::vector<double> cost_by_kind(const FluidCase& c, const Model& model);
}  // namespace fit
