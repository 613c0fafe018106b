#include "substance/table_layout.h"

#include <algorithm>

namespace table_layout {

namespace {

constexpr std::string_view kMenuLine = "R-";
constexpr std::string_view kMenuEnd = "##########";
constexpr std::string_view kSectionEnd = "#####";
constexpr std::string_view kCoefficientLines[] = {"Fa-", "Fq-", "Fd-"};
// The menu line's code is looked for from this column on (counted from 0).
constexpr std::size_t kCodeStart = 5;
constexpr std::size_t kMenuCodeWidth = 11;

std::string_view counted(std::string_view line) {
    return line.substr(0, std::min(line.size(), LINE_WIDTH));
}

bool starts(std::string_view line, std::string_view prefix) {
    return counted(line).substr(0, prefix.size()) == prefix;
}

// Character i of the line, a blank beyond its end.
char column(std::string_view line, std::size_t i) {
    return i < line.size() ? line[i] : ' ';
}

std::string padded(std::string_view text, std::size_t width) {
    std::string s(text);
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

}  // namespace

bool is_menu_line(std::string_view line) {
    return starts(line, kMenuLine);
}

bool ends_menu(std::string_view line) {
    return starts(line, kMenuEnd);
}

bool is_coefficient_line(std::string_view line) {
    return std::any_of(std::begin(kCoefficientLines), std::end(kCoefficientLines),
                       [&](std::string_view p) { return starts(line, p); });
}

bool ends_section(std::string_view line) {
    return starts(line, kSectionEnd);
}

std::string_view menu_code(std::string_view line) {
    const std::string_view rest = counted(line).substr(std::min(line.size(), kCodeStart));
    const std::size_t first = rest.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::string_view word = rest.substr(first, rest.find(' ', first) - first);
    return word.substr(0, std::min(word.size(), CODE_WIDTH));
}

bool is_entry_header(std::string_view line, std::string_view code) {
    for (std::size_t i = 0; i < CODE_WIDTH; ++i)
        if (column(line, i) != column(code, i)) return false;
    return true;
}

bool is_constants_line(std::string_view line, std::string_view code) {
    return column(line, 0) == column(code, 0);
}

std::string menu_line(std::string_view code, std::string_view name) {
    const std::size_t lead = kCodeStart + kMenuCodeWidth;
    return padded(kMenuLine, kCodeStart) + padded(code, kMenuCodeWidth) +
           std::string(name.substr(0, std::min(name.size(), LINE_WIDTH - lead)));
}

std::string entry_header(std::string_view code, std::string_view title) {
    return padded(code, CODE_WIDTH) + " " + std::string(title);
}

std::string constants_lead(std::string_view code) {
    return std::string(1, column(code, 0)) + "    ";
}

}  // namespace table_layout
