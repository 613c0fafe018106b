#include "io/table_file.h"

#include <fstream>

#include "io/csv.h"
#include "model/program.h"
#include "substance/table_layout.h"

namespace fit {

namespace {

namespace layout = table_layout;

[[noreturn]] void fail(const std::string& path, size_t index, const std::string& what) {
    throw InputError(path + ":" + std::to_string(index + 1) + ": " + what);
}

// Index of the first line at or after `from` that the test accepts.
template <class Test>
size_t find_line(const TableFile& t, size_t from, Test test, const char* what) {
    for (size_t i = from; i < t.lines.size(); ++i)
        if (test(t.lines[i])) return i;
    throw InputError(t.path + ": no " + what);
}

void read_coefficients(TableFile& t, size_t from, size_t to) {
    std::vector<std::string> lines;
    std::vector<size_t> index;
    for (size_t i = from; i < to; ++i)
        if (layout::is_coefficient_line(t.lines[i])) {
            lines.push_back(t.lines[i]);
            index.push_back(i);
        }
    size_t bad = 0;
    t.model = read_coefficient_lines(lines, bad);
    if (bad < lines.size()) fail(t.path, index[bad], "coefficient line does not read");
    if (t.model.terms[0].empty()) throw InputError(t.path + ": no attraction terms (Fa-)");
}

// The constants lines of the entry whose header is line `header`, as the program reads them.
void read_member(TableFile& t, size_t header, const std::string& code) {
    std::vector<std::string> lines;
    std::vector<size_t> index;
    for (size_t i = header + 1; i < t.lines.size() && !layout::ends_section(t.lines[i]); ++i)
        if (layout::is_constants_line(t.lines[i], code)) {
            lines.push_back(t.lines[i]);
            index.push_back(i);
        }
    size_t bad = 0;
    const SubstConst c = read_constants_lines(lines, bad);
    if (bad < lines.size()) fail(t.path, index[bad], "constants line does not read");
    if (!(c.Tc > 0 && c.Dc > 0 && c.T0 > 0 && c.D0 > 0)) return;
    Params p;
    p.t = c.T0 / c.Tc;
    p.d = c.D0 / c.Dc;
    p.alpha = c.Alpha;
    p.q2 = c.Q2;
    p.dp = c.Dp;
    t.members.push_back({code, c.Tc, c.Dc, p});
}

}  // namespace

size_t entry_line(const TableFile& table, const std::string& code, size_t from) {
    for (size_t i = from; i < table.lines.size(); ++i)
        if (layout::is_entry_header(table.lines[i], code)) return i;
    return table.lines.size();
}

TableFile read_table_file(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw InputError(path + ": cannot read the table");
    TableFile t;
    t.path = path;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        t.lines.push_back(line);
    }
    t.menu_end = find_line(t, 0, layout::ends_menu, "end of the menu (##########)");
    for (size_t i = 0; i < t.menu_end; ++i)
        if (layout::is_menu_line(t.lines[i])) t.menu.emplace_back(layout::menu_code(t.lines[i]));
    const size_t coeff_end =
        find_line(t, t.menu_end + 1, layout::ends_section, "end of the coefficients (#####)");
    read_coefficients(t, t.menu_end + 1, coeff_end);
    for (const std::string& code : t.menu) {
        const size_t header = entry_line(t, code, coeff_end + 1);
        if (header < t.lines.size()) read_member(t, header, code);
    }
    return t;
}

std::string table_with(const TableFile& table, const std::string& menu_line,
                       const std::string& entry) {
    std::string out;
    for (size_t i = 0; i < table.lines.size(); ++i) {
        if (i == table.menu_end) out += menu_line;
        out += table.lines[i] + "\n";
    }
    if (!table.lines.empty() && !layout::ends_section(table.lines.back())) out += "#####\n";
    return out + entry;
}

}  // namespace fit
