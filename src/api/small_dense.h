// Dense linear algebra of the few unknowns of the mixture solvers (a dozen at most): a linear
// solve and the smallest eigenpair of a symmetric matrix. Matrices are row-major, n x n.
#pragma once

#include <cstddef>
#include <vector>

namespace xalt1::detail {

// Solves A x = b by Gaussian elimination with partial pivoting; b becomes x. False where A is
// singular to round-off.
bool solve_dense(std::vector<double> A, std::vector<double>& b);

// The smallest eigenvalue of the symmetric matrix A and its eigenvector (unit length), by
// cyclic Jacobi rotations. False where the rotations do not settle.
bool smallest_eigenpair(std::vector<double> A, std::size_t n, double& value,
                        std::vector<double>& vector);

}  // namespace xalt1::detail
