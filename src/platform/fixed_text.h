// Fixed-width, blank-padded text fields, as every record of the program keeps its text.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

template <std::size_t N>
using Text = std::array<char, N>;

// A field of N blanks.
template <std::size_t N>
Text<N> blank_text() {
    Text<N> t;
    t.fill(' ');
    return t;
}

// The text s in a field of N characters: cut after N characters, blank-padded on the right.
template <std::size_t N>
Text<N> fixed(std::string_view s) {
    Text<N> t = blank_text<N>();
    std::copy_n(s.begin(), std::min(N, s.size()), t.begin());
    return t;
}

template <std::size_t N>
void set_text(Text<N>& t, std::string_view s) {
    t = fixed<N>(s);
}

template <std::size_t N>
std::string_view view(const Text<N>& t) {
    return std::string_view(t.data(), N);
}

// The field without its trailing blanks.
template <std::size_t N>
std::string_view trimmed(const Text<N>& t) {
    std::size_t n = N;
    while (n > 0 && t[n - 1] == ' ') --n;
    return std::string_view(t.data(), n);
}

template <std::size_t N>
bool is_blank(const Text<N>& t) {
    return std::all_of(t.begin(), t.end(), [](char c) { return c == ' '; });
}

// True when the field's first characters are exactly the given prefix.
template <std::size_t N>
bool starts_with(const Text<N>& t, std::string_view prefix) {
    return prefix.size() <= N && view(t).substr(0, prefix.size()) == prefix;
}

// Blanks the first n characters of the field.
template <std::size_t N>
void blank_first(Text<N>& t, std::size_t n) {
    std::fill_n(t.begin(), std::min(n, N), ' ');
}

// Puts text into a formatted line starting at the given column (counted from 1), widening the
// line with blanks as needed; used to lay out records column by column.
inline void place(std::string& line, std::size_t column, std::string_view text) {
    const std::size_t start = column - 1;
    if (line.size() < start + text.size()) line.resize(start + text.size(), ' ');
    line.replace(start, text.size(), text);
}
