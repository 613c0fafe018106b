// A substance table read back by the fitting tool: its lines, its coefficient sets as printed
// (read by the program's own line parsers) and the reduced parameters of its fluids, in the
// program's layout (substance/table_layout.h).
#pragma once

#include <string>
#include <vector>

#include "model/terms.h"

namespace fit {

struct TableMember {
    std::string code;
    double Tc = 0, Dc = 0;  // the entry's critical point
    Params reduced;         // T0/Tc, D0/Dc, Alpha, Q2, Dp of the entry
};

struct TableFile {
    std::string path;  // the file it was read from, for messages
    std::vector<std::string> lines;
    size_t menu_end = 0;            // index of the menu terminator line
    std::vector<std::string> menu;  // codes of the menu lines
    Model model;
    std::vector<TableMember> members;  // fluids of the menu that have an entry
};

// Reads a table file; throws InputError naming the file and line of a fault.
TableFile read_table_file(const std::string& path);

// The index of the first entry header of `code` at or after line `from`, or lines.size().
size_t entry_line(const TableFile& table, const std::string& code, size_t from);

// The table's text with one more fluid: its menu line after the last menu line, its entry at
// the end.
std::string table_with(const TableFile& table, const std::string& menu_line,
                       const std::string& entry);

}  // namespace fit
