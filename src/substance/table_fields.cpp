#include "substance/table_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/text_helpers.h"

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The first width characters of the word without their blanks.
std::string field_without_blanks(std::string_view word, int32_t width) {
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    std::string field;
    for (char c : word.substr(0, std::min(w, word.size())))
        if (c != ' ') field += c;
    return field;
}

}  // namespace

int32_t read_int_field(std::string_view word, int32_t width, int32_t& value) {
    const std::string field = field_without_blanks(word, width);
    if (field.empty()) {
        value = 0;
        return STATUS_OK;
    }
    // the integer grammar of free-format input: optional sign, digits, within 32 bits
    if (!parse_fortran_int(field, value)) return STATUS_BAD_NUMBER;
    return STATUS_OK;
}

int32_t read_real_field(std::string_view word, int32_t width, double& value) {
    const std::string field = field_without_blanks(word, width);
    if (field.empty()) {
        value = 0.0;
        return STATUS_OK;
    }
    // Mantissa: sign, digits, optional point, digits; at least one digit in all.
    std::string sign;
    std::string digits;  // all mantissa digits, the point left out
    std::size_t int_digits = 0;
    bool has_point = false;
    std::size_t i = 0;
    if (field[i] == '+' || field[i] == '-') sign = field[i++];
    while (i < field.size() && is_digit(field[i])) digits += field[i++];
    int_digits = digits.size();
    if (i < field.size() && field[i] == '.') {
        has_point = true;
        ++i;
        while (i < field.size() && is_digit(field[i])) digits += field[i++];
    }
    if (digits.empty()) return STATUS_BAD_NUMBER;
    // Exponent: a letter E/e/D/d with an optional sign, or a sign alone; then digits.
    std::string exponent;
    if (i < field.size()) {
        const char c = field[i];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
            ++i;
            if (i < field.size() && (field[i] == '+' || field[i] == '-')) exponent += field[i++];
        } else if (c == '+' || c == '-') {
            exponent += field[i++];
        } else {
            return STATUS_BAD_NUMBER;
        }
        std::size_t exp_digits = 0;
        while (i < field.size() && is_digit(field[i])) exponent += field[i++], ++exp_digits;
        if (exp_digits == 0 || i != field.size()) return STATUS_BAD_NUMBER;
    }
    // Without a point and without an exponent the last four digits are the fraction.
    if (!has_point && exponent.empty()) {
        if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
        int_digits = digits.size() - 4;
    }
    std::string normal = sign + digits.substr(0, int_digits) + "." + digits.substr(int_digits);
    if (!exponent.empty()) normal += "e" + exponent;
    const double v = std::strtod(normal.c_str(), nullptr);
    if (!std::isfinite(v)) return STATUS_BAD_NUMBER;
    value = v;
    return STATUS_OK;
}

void next_word(Text<80>& line, Text<20>& word, int32_t& length) {
    I4_CLEFT(line);
    I4_CSTR(line, word, length);
    blank_first(line, static_cast<std::size_t>(length));
}
