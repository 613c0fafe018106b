// The shipped substance table: its menu in the menu order, the coefficient sets and the
// entries, written in the program's layout (substance/table_layout.h).
#pragma once

#include <string>
#include <vector>

#include "model/entry.h"
#include "model/terms.h"

namespace fit {

// One line of the table's menu and its entry.
struct MenuLine {
    std::string code, name;
    const Entry* entry = nullptr;
};

// The menu of the shipped entries in the given order of codes: a listed fluid that is not
// shipped gets no line, shipped entries the order does not list come last.
std::vector<MenuLine> menu_lines(const std::vector<std::string>& order,
                                 const std::vector<Entry>& shipped);

std::string table_text(const Model& model, const std::vector<MenuLine>& menu);
// One menu line, and one entry (header, constants lines, "#####"), each line with its end.
std::string menu_line(const std::string& code, const std::string& name);
std::string entry_text(const Entry& e);
// Writes the table; throws std::runtime_error for a line over 80 characters.
void write_table(const std::string& path, const Model& model, const std::vector<MenuLine>& menu);

}  // namespace fit
