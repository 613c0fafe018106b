#include "solve/selection.h"

#include <algorithm>

#include "solve/joint_fit.h"
#include "solve/parallel.h"

namespace fit {

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

LinearSystem build_system(const std::vector<FluidCase*>& cases, const Model& model, SetKind set,
                          const std::vector<Term>& terms, int threads) {
    size_t rows = 0;
    for (const FluidCase* c : cases) rows += c->rows.size();
    LinearSystem sys;
    sys.A.resize(static_cast<Eigen::Index>(rows), static_cast<Eigen::Index>(terms.size()));
    sys.b.resize(static_cast<Eigen::Index>(rows));
    std::vector<Eigen::Index> first(cases.size(), 0);
    for (size_t i = 1; i < cases.size(); ++i)
        first[i] = first[i - 1] + static_cast<Eigen::Index>(cases[i - 1]->rows.size());
    parallel_for(threads, cases.size(), [&](size_t i) {
        const FluidCase* c = cases[i];
        std::vector<double> fixed, scale, values(terms.size());
        const TermSet bank_set(terms, *c->fluid, c->p);
        fixed_part(*c, model, static_cast<int>(set), fixed, scale);
        Eigen::Index at = first[i];
        for (size_t r = 0; r < c->rows.size(); ++r, ++at) {
            sys.b(at) = -fixed[r] * scale[r];
            row_terms(c->rows[r], bank_set, *c->fluid, c->p, values.data());
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

// Takes the selected candidates as the set's terms, with their least-squares coefficients.
void use_selection(const LinearSystem& sys, const std::vector<int>& selected,
                   const std::vector<Term>& bank, Model& model, SetKind set) {
    const int s = static_cast<int>(set);
    Eigen::MatrixXd As(sys.A.rows(), static_cast<Eigen::Index>(selected.size()));
    for (size_t k = 0; k < selected.size(); ++k)
        As.col(static_cast<Eigen::Index>(k)) = sys.A.col(selected[k]);
    const Eigen::VectorXd c = solve_linear(As, sys.b);
    model.terms[s].clear();
    for (int k : selected) model.terms[s].push_back(bank[k]);
    model.coeff[s].assign(c.data(), c.data() + c.size());
}

// Indexes of the set's current terms in the bank (terms outside the bank are dropped).
std::vector<int> current_selection(const Model& model, SetKind set, const std::vector<Term>& bank) {
    const int s = static_cast<int>(set);
    std::vector<int> selected;
    for (const Term& t : model.terms[s]) {
        const auto it = std::find(bank.begin(), bank.end(), t);
        if (it != bank.end()) selected.push_back(static_cast<int>(it - bank.begin()));
    }
    return selected;
}

}  // namespace fit
