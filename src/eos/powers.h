// Powers with integer, half-integer and quarter-integer exponents, built by multiplication and
// square roots instead of a general real power.
#pragma once

#include <cmath>
#include <cstdint>

// x^n for an integer n, by repeated squaring.
inline double int_power(double x, int32_t n) {
    uint32_t e = n < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(n)) : static_cast<uint32_t>(n);
    double result = 1.0;
    double base = x;
    while (e != 0) {
        if (e & 1u) result *= base;
        base *= base;
        e >>= 1;
    }
    return n < 0 ? 1.0 / result : result;
}

// x^(n/2) for x > 0.
inline double half_power(double x, int32_t n) {
    return (n % 2 == 0) ? int_power(x, n / 2) : int_power(std::sqrt(x), n);
}

// x^(n/4) for x > 0.
inline double quarter_power(double x, int32_t n) {
    if (n % 4 == 0) return int_power(x, n / 4);
    if (n % 2 == 0) return int_power(std::sqrt(x), n / 2);
    return int_power(std::sqrt(std::sqrt(x)), n);
}
