#include "table_file.h"

#include <fstream>

#include "fluid_folder.h"
#include "platform/fixed_text.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"
#include "substance/substance.h"

namespace fit {

namespace {

bool starts(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

std::string menu_code(const std::string& line) {
    std::string code = line.size() > 5 ? line.substr(5, 10) : "";
    code.erase(code.find_last_not_of(' ') + 1);
    return code;
}

[[noreturn]] void fail(const std::string& path, size_t index, const std::string& what) {
    throw InputError(path + ":" + std::to_string(index + 1) + ": " + what);
}

// Index of the first line at or after `from` that starts with the marker.
size_t find_marker(const TableFile& t, size_t from, const char* marker, const std::string& path) {
    for (size_t i = from; i < t.lines.size(); ++i)
        if (starts(t.lines[i], marker)) return i;
    throw InputError(path + ": no line starting with " + marker);
}

void read_coefficients(TableFile& t, size_t from, size_t to, const std::string& path) {
    EOS_COEFF = EosCoeff{};
    for (size_t i = from; i < to; ++i) {
        const std::string& l = t.lines[i];
        if (!starts(l, "Fa-") && !starts(l, "Fq-") && !starts(l, "Fd-")) continue;
        int32_t status = 0;
        X_RCOEFF(0, fixed<80>(l), status);
        if (status != 0) fail(path, i, "coefficient line does not read");
    }
    const AttractionSet& fa = EOS_COEFF.Fa;
    for (int32_t i = 0; i < fa.i4_nz; ++i) {
        t.model.terms[0].push_back({SetKind::Fa, {fa.m[i], fa.n[i], fa.j[i], fa.l[i]}});
        t.model.coeff[0].push_back(fa.c[i]);
    }
    for (int s = 1; s <= 2; ++s) {
        const PolarSet& p = s == 1 ? EOS_COEFF.Fq : EOS_COEFF.Fd;
        for (int32_t i = 0; i < p.i4_nz; ++i) {
            t.model.terms[s].push_back({static_cast<SetKind>(s), {p.n[i], p.m[i], p.k[i], p.o[i]}});
            t.model.coeff[s].push_back(p.c[i]);
        }
    }
    if (t.model.terms[0].empty()) throw InputError(path + ": no attraction terms (Fa-)");
}

// The constants lines of the entry whose header is line `header`, as the program reads them.
void read_member(TableFile& t, size_t header, const std::string& code, const std::string& path) {
    SUBST_CONST = SubstConst{};
    for (size_t i = header + 1; i < t.lines.size() && !starts(t.lines[i], "#####"); ++i) {
        if (t.lines[i].empty() || t.lines[i][0] != code[0]) continue;
        int32_t status = 0;
        X_RCONST(0, fixed<80>(t.lines[i]), status);
        if (status != 0) fail(path, i, "constants line does not read");
    }
    const SubstConst& c = SUBST_CONST;
    if (!(c.Tc > 0 && c.Dc > 0 && c.T0 > 0 && c.D0 > 0)) return;
    Params p;
    p.t = c.T0 / c.Tc;
    p.d = c.D0 / c.Dc;
    p.alpha = c.Alpha;
    p.q2 = c.Q2;
    p.dp = c.Dp;
    t.members.push_back({code, c.Tc, c.Dc, p});
}

void read_entries(TableFile& t, size_t from, const std::string& path) {
    for (const std::string& code : t.menu) {
        const std::string header = code + std::string(10 - std::min<size_t>(code.size(), 10), ' ');
        for (size_t i = from; i < t.lines.size(); ++i)
            if (t.lines[i].substr(0, 10) == header.substr(0, 10)) {
                read_member(t, i, code, path);
                break;
            }
    }
}

}  // namespace

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
    t.menu_end = find_marker(t, 0, "##########", path);
    for (size_t i = 0; i < t.menu_end; ++i)
        if (starts(t.lines[i], "R-")) t.menu.push_back(menu_code(t.lines[i]));
    const size_t coeff_end = find_marker(t, t.menu_end + 1, "#####", path);
    read_coefficients(t, t.menu_end + 1, coeff_end, path);
    read_entries(t, coeff_end + 1, path);
    return t;
}

std::string table_with(const TableFile& table, const std::string& menu_line,
                       const std::string& entry) {
    std::string out;
    for (size_t i = 0; i < table.lines.size(); ++i) {
        if (i == table.menu_end) out += menu_line;
        out += table.lines[i] + "\n";
    }
    if (!table.lines.empty() && !starts(table.lines.back(), "#####")) out += "#####\n";
    return out + entry;
}

}  // namespace fit
