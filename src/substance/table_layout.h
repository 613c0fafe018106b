// The layout of the substance table, in one place for the program's menu and loader and for
// every tool, test and fuzzer that reads or writes a table. A table is
//   the menu section: one line per substance starting "R-", its code the first blank-delimited
//     word from column 6 on (at most 10 characters), closed by a line starting "##########";
//   the coefficient section: lines starting "Fa-", "Fq-", "Fd-", closed by a line "#####";
//   one entry per substance: a header line whose columns 1-10 are the code (blank-padded), then
//     constants lines, those whose column 1 is the code's first character, closed by "#####"
//     (the last entry may end with the file).
// Only the first 80 characters of a line count.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace table_layout {

constexpr std::size_t LINE_WIDTH = 80;
constexpr std::size_t CODE_WIDTH = 10;
// The menu holds at most this many substances; further menu lines are passed over.
constexpr int MAX_MENU_ENTRIES = 1000;

// Reading. `line` is one line of the table, with or without its blank padding.
bool is_menu_line(std::string_view line);
bool ends_menu(std::string_view line);
bool is_coefficient_line(std::string_view line);
bool ends_section(std::string_view line);
// The code of a menu line: its first blank-delimited word from column 6 on, cut to 10
// characters; empty when the line holds none.
std::string_view menu_code(std::string_view line);
// Whether the line is the header of the entry of `code`: its columns 1-10 are the code
// padded with blanks.
bool is_entry_header(std::string_view line, std::string_view code);
// Whether the line is a constants line of the entry of `code`: its column 1 is the code's
// first character.
bool is_constants_line(std::string_view line, std::string_view code);

// Writing (without the line end). A menu line: "R-", the code from column 6 in 11 columns, the
// name cut to fill the 80 columns; an entry's header: the code in 10 columns, a blank, the
// title; the lead of the entry's constants lines: the code's first character and four blanks.
std::string menu_line(std::string_view code, std::string_view name);
std::string entry_header(std::string_view code, std::string_view title);
std::string constants_lead(std::string_view code);

}  // namespace table_layout
