#include "platform/number_edit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The exact decimal expansion of a positive finite value as 0.S x 10^X: the digit string S
// (first digit non-zero) and the exponent X. 800 significant digits hold every double exactly.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal exact_decimal(double magnitude) {
    char buffer[900];
    std::snprintf(buffer, sizeof buffer, "%.799e", magnitude);
    const std::string text(buffer);
    const std::size_t e_pos = text.find('e');
    Decimal result;
    result.digits.reserve(800);
    for (std::size_t i = 0; i < e_pos; ++i) {
        if (text[i] != '.') result.digits.push_back(text[i]);
    }
    while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
    result.exponent = std::atoi(text.c_str() + e_pos + 1) + 1;
    return result;
}

// The magnitude times 10^shift, rounded to an integer (halves away from zero), as a decimal
// string without leading zeros ("0" when it rounds to zero).
std::string round_scaled(const Decimal& value, int shift) {
    const int integer_digits = value.exponent + shift;
    const int n = static_cast<int>(value.digits.size());
    if (integer_digits < 0) return "0";
    if (integer_digits == 0) return value.digits[0] >= '5' ? "1" : "0";
    std::string integer;
    integer.reserve(static_cast<std::size_t>(integer_digits) + 1);
    for (int i = 0; i < integer_digits; ++i) integer.push_back(i < n ? value.digits[i] : '0');
    const bool round_up = integer_digits < n && value.digits[integer_digits] >= '5';
    if (round_up) {
        int i = integer_digits - 1;
        while (i >= 0 && integer[i] == '9') integer[i--] = '0';
        if (i >= 0) {
            ++integer[i];
        } else {
            integer.insert(integer.begin(), '1');
        }
    }
    return integer;
}

std::string asterisks(int w) {
    return std::string(static_cast<std::size_t>(w > 0 ? w : 0), '*');
}

std::string right_aligned(const std::string& text, int w) {
    return std::string(static_cast<std::size_t>(w) - text.size(), ' ') + text;
}

std::string zero_padded(const std::string& digits, int width) {
    return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

// The magnitude rounded to d significant digits: the d mantissa digits and the exponent X of
// 0.mantissa x 10^X. Zero gives d zeros and exponent 0.
Decimal significant(double magnitude, int d) {
    Decimal rounded;
    if (magnitude == 0.0) {
        rounded.digits.assign(static_cast<std::size_t>(d), '0');
        return rounded;
    }
    const Decimal exact = exact_decimal(magnitude);
    rounded.digits = round_scaled(exact, d - exact.exponent);
    rounded.exponent = exact.exponent;
    if (static_cast<int>(rounded.digits.size()) > d) {  // carried into a new leading digit
        rounded.digits.resize(static_cast<std::size_t>(d));
        ++rounded.exponent;
    }
    return rounded;
}

}  // namespace

std::string edit_F(double value, int w, int d) {
    if (!std::isfinite(value) || w <= 0 || d < 0) return asterisks(w);
    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);
    std::string scaled = "0";
    if (magnitude != 0.0) scaled = round_scaled(exact_decimal(magnitude), d);
    if (static_cast<int>(scaled.size()) < d) {
        scaled.insert(0, static_cast<std::size_t>(d) - scaled.size(), '0');
    }
    std::string integer_part = scaled.substr(0, scaled.size() - static_cast<std::size_t>(d));
    const std::string fraction = scaled.substr(integer_part.size());
    // A value below 1 has an optional "0" before the point (kept when there is room, and
    // always when there are no decimals).
    const bool zero_optional = integer_part.empty() && d > 0;
    if (integer_part.empty()) integer_part.push_back('0');
    const bool drop_zero =
        zero_optional &&
        static_cast<int>(integer_part.size() + fraction.size()) + 1 + (negative ? 1 : 0) > w;
    std::string text;
    if (negative) text += '-';
    if (!drop_zero) text += integer_part;
    text += '.';
    text += fraction;
    if (static_cast<int>(text.size()) > w) return asterisks(w);
    return right_aligned(text, w);
}

std::string edit_E(double value, int w, int d, int e) {
    if (!std::isfinite(value) || w <= 0 || d <= 0) return asterisks(w);
    const bool negative = value < 0.0;
    const Decimal rounded = significant(std::fabs(value), d);
    const int exponent = rounded.exponent;
    // With Ee the exponent has a sign and e digits after the "E"; without it two digits, or
    // three digits in place of the "E" when two do not suffice.
    const std::string exponent_digits = std::to_string(std::abs(exponent));
    const std::string exponent_sign = exponent < 0 ? "-" : "+";
    std::string exponent_text;
    if (e > 0) {
        if (static_cast<int>(exponent_digits.size()) > e) return asterisks(w);
        exponent_text = "E" + exponent_sign + zero_padded(exponent_digits, e);
    } else if (exponent_digits.size() <= 2) {
        exponent_text = "E" + exponent_sign + zero_padded(exponent_digits, 2);
    } else if (exponent_digits.size() == 3) {
        exponent_text = exponent_sign + exponent_digits;
    } else {
        return asterisks(w);
    }
    const std::string sign = negative ? "-" : "";
    std::string text = sign + "0." + rounded.digits + exponent_text;
    if (static_cast<int>(text.size()) > w) text = sign + "." + rounded.digits + exponent_text;
    if (static_cast<int>(text.size()) > w) return asterisks(w);
    return right_aligned(text, w);
}

std::string edit_G(double value, int w, int d, int e) {
    // The fixed form leaves the exponent's room blank: e + 2 columns, or 4 without Ee.
    const int n = e > 0 ? e + 2 : 4;
    if (!std::isfinite(value) || w <= n || d <= 0) return asterisks(w);
    const std::string trailing(static_cast<std::size_t>(n), ' ');
    if (value == 0.0) {
        const std::string fixed = edit_F(0.0, w - n, d - 1);
        if (fixed.find('*') != std::string::npos) return asterisks(w);
        return fixed + trailing;
    }
    // The magnitude rounded to d significant digits decides: 0.1 <= it < 10^d is written in
    // fixed form with d significant digits, anything else in exponent form.
    const int s = significant(std::fabs(value), d).exponent;
    if (s < 0 || s > d) return edit_E(value, w, d, e);
    const std::string fixed = edit_F(value, w - n, d - s);
    if (fixed.find('*') != std::string::npos) return asterisks(w);
    return fixed + trailing;
}
