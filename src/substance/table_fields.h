// Number fields of the substance table: integers and reals read from the first w characters of
// a table word, with blanks ignored, an all-blank field reading as 0 and four implied decimal
// places for a real written without a decimal point and without an exponent.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/fixed_text.h"

// Integer field of the given width: an optional sign and decimal digits. Returns 0, or
// STATUS_BAD_NUMBER when the field holds anything else (value then unchanged).
int32_t read_int_field(std::string_view word, int32_t width, int32_t& value);

// Real field of the given width: an optional sign, digits with an optional decimal point, and an
// optional exponent (E, e, D or d with an optional sign, or a sign alone, then digits). Returns
// 0, or STATUS_BAD_NUMBER when the field does not fit that form or its value is not finite
// (value then unchanged).
int32_t read_real_field(std::string_view word, int32_t width, double& value);

template <std::size_t N>
int32_t read_int_field(const Text<N>& word, int32_t width, int32_t& value) {
    return read_int_field(view(word), width, value);
}

template <std::size_t N>
int32_t read_real_field(const Text<N>& word, int32_t width, double& value) {
    return read_real_field(view(word), width, value);
}

// Takes the next word out of a work line: left-justifies the line, copies its first word (at
// most 20 characters) with its length, and blanks the word out of the line.
void next_word(Text<80>& line, Text<20>& word, int32_t& length);
