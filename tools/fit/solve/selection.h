// The term selection: the weighted linear system of the rows in the coefficients of candidate
// terms, greedy forward selection (orthogonal matching) and exchange passes.
#pragma once

#include <Eigen/Dense>
#include <vector>

#include "solve/cases.h"

namespace fit {

// Weighted linear system of the rows of some fluids: columns are the given terms (coefficient
// 1), b the part of each row target that the terms have to supply.
struct LinearSystem {
    Eigen::MatrixXd A;
    Eigen::VectorXd b;
};

// The candidates of a set: every attraction term has a density power m >= 1 and every polar
// term m/2 >= 1 (a finite second virial coefficient); the polar parameter's power k/4 is at
// least 1, so that a polar set switches on smoothly from a parameter of 0 (off).
std::vector<Term> candidate_bank(SetKind set);

// The system of the cases' rows in the given terms of the set, the other sets' terms fixed;
// the fluids' rows are built on `threads` threads.
LinearSystem build_system(const std::vector<FluidCase*>& cases, const Model& model, SetKind set,
                          const std::vector<Term>& terms, int threads = 1);

// Weighted least squares with column scaling and a tiny ridge.
Eigen::VectorXd solve_linear(const Eigen::MatrixXd& A, const Eigen::VectorXd& b);

// Greedy forward selection of `count` columns of A (orthogonal matching), starting from
// `start` (indexes into the columns, may be empty).
std::vector<int> greedy_select(const Eigen::MatrixXd& A, const Eigen::VectorXd& b, int count,
                               std::vector<int> start);

// One exchange pass: each selected column in turn is replaced by the best candidate when that
// lowers the residual. Returns the number of exchanges made.
int exchange_pass(const Eigen::MatrixXd& A, const Eigen::VectorXd& b, std::vector<int>& selected);

// Takes the selected candidates as the set's terms, with their least-squares coefficients.
void use_selection(const LinearSystem& sys, const std::vector<int>& selected,
                   const std::vector<Term>& bank, Model& model, SetKind set);
// Indexes of the set's current terms in the bank (terms outside the bank are dropped).
std::vector<int> current_selection(const Model& model, SetKind set, const std::vector<Term>& bank);

}  // namespace fit
