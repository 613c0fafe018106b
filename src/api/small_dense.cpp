#include "api/small_dense.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace xalt1::detail {

bool solve_dense(std::vector<double> A, std::vector<double>& b) {
    const std::size_t n = b.size();
    double scale = 0;
    for (double a : A) scale = std::max(scale, std::fabs(a));
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::fabs(A[r * n + c]) > std::fabs(A[pivot * n + c])) pivot = r;
        if (!(std::fabs(A[pivot * n + c]) > 1e-14 * scale)) return false;
        if (pivot != c) {
            for (std::size_t k = 0; k < n; ++k) std::swap(A[c * n + k], A[pivot * n + k]);
            std::swap(b[c], b[pivot]);
        }
        for (std::size_t r = c + 1; r < n; ++r) {
            const double f = A[r * n + c] / A[c * n + c];
            for (std::size_t k = c; k < n; ++k) A[r * n + k] -= f * A[c * n + k];
            b[r] -= f * b[c];
        }
    }
    for (std::size_t c = n; c-- > 0;) {
        double sum = b[c];
        for (std::size_t k = c + 1; k < n; ++k) sum -= A[c * n + k] * b[k];
        b[c] = sum / A[c * n + c];
    }
    for (double v : b)
        if (!std::isfinite(v)) return false;
    return true;
}

bool smallest_eigenpair(std::vector<double> A, std::size_t n, double& value,
                        std::vector<double>& vector) {
    std::vector<double> V(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) V[i * n + i] = 1.0;
    constexpr int kSweeps = 50;
    bool settled = false;
    for (int sweep = 0; sweep < kSweeps && !settled; ++sweep) {
        double off = 0, diagonal = 0;
        for (std::size_t i = 0; i < n; ++i) {
            diagonal += A[i * n + i] * A[i * n + i];
            for (std::size_t j = i + 1; j < n; ++j) off += A[i * n + j] * A[i * n + j];
        }
        settled = off <= 1e-30 * diagonal;
        for (std::size_t p = 0; p < n && !settled; ++p)
            for (std::size_t q = p + 1; q < n; ++q) {
                const double apq = A[p * n + q];
                if (apq == 0.0) continue;
                // The rotation that zeroes A[p][q]: tan of its angle the smaller root.
                const double theta = (A[q * n + q] - A[p * n + p]) / (2.0 * apq);
                const double t = std::fabs(theta) > 1e100
                                     ? 0.5 / theta
                                     : (theta >= 0 ? 1.0 : -1.0) /
                                           (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
                for (std::size_t k = 0; k < n; ++k) {  // columns p and q
                    const double akp = A[k * n + p], akq = A[k * n + q];
                    A[k * n + p] = c * akp - s * akq;
                    A[k * n + q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < n; ++k) {  // rows p and q
                    const double apk = A[p * n + k], aqk = A[q * n + k];
                    A[p * n + k] = c * apk - s * aqk;
                    A[q * n + k] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const double vkp = V[k * n + p], vkq = V[k * n + q];
                    V[k * n + p] = c * vkp - s * vkq;
                    V[k * n + q] = s * vkp + c * vkq;
                }
            }
    }
    if (!settled) return false;
    std::size_t smallest = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (A[i * n + i] < A[smallest * n + smallest]) smallest = i;
    value = A[smallest * n + smallest];
    vector.resize(n);
    for (std::size_t k = 0; k < n; ++k) vector[k] = V[k * n + smallest];
    return std::isfinite(value);
}

}  // namespace xalt1::detail
