#include "api/table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "api/csv_line.h"
#include "api/table_check.h"
#include "platform/fixed_text.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/substance.h"

namespace xalt1::detail {

namespace {

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool same_text(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return folded(x) == folded(y);
           });
}

namespace {

// The channel of the table in library use, apart from the program's own channels 11 to 20.
constexpr int32_t kTableChannel = 90;
// File names longer than this are not taken by the record channels.
constexpr std::size_t kLongestPath = 255;

[[noreturn]] void unreadable(const std::string& table, const std::string& why) {
    throw Error(ErrorKind::unreadable_table, "table " + table + ": " + why);
}

// The reports the core made during the call, as one text.
std::string reported(const ReportCapture& reports) {
    std::string text;
    for (const std::string& line : reports.lines) {
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        text += (text.empty() ? "" : "; ") + line.substr(first);
    }
    return text;
}

// The table open on the library's channel for the time of one call.
class OpenTable {
  public:
    explicit OpenTable(const std::string& path) : path_(path) {
        // The channel would create a missing file: the table must exist and be readable.
        if (path.empty() || path.size() > kLongestPath) unreadable(path, "no usable file name");
        if (!std::ifstream(path)) unreadable(path, "cannot be opened for reading");
        if (open_channel(kTableChannel, path) != STATUS_OK)
            unreadable(path, "cannot be opened for reading");
        UNIT_TABLE.i4_lun[TABLE_ENTRY - 1] = kTableChannel;
    }
    ~OpenTable() { close_channel(kTableChannel); }
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;

    // The codes of the menu section; the channel stands after it.
    std::vector<Text<10>> menu(const ReportCapture& reports) const {
        std::vector<Text<10>> codes;
        int32_t status = rewind_channel(kTableChannel);
        if (status == STATUS_OK) X_RMENU(kTableChannel, codes, status);
        if (status != STATUS_OK)
            unreadable(path_, "its menu section cannot be read (status " + std::to_string(status) +
                                  (reports.lines.empty() ? ")" : "): " + reported(reports)));
        return codes;
    }

  private:
    std::string path_;
};

// ---- Metadata file -------------------------------------------------------------------------

double number_or_nan(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(v) ? v : std::nan("");
}

// A fluid as the caller may name it: its code and name, and why it is left out of the table
// (empty for a fluid of the table).
struct NamedFluid {
    std::string code, name, left_out;
};

struct Metadata {
    std::map<std::string, FluidInfo> listed;  // the table's fluids, by code
    std::vector<NamedFluid> left_out;         // the fluids left out of the table
};

using Columns = std::map<std::string, std::size_t>;

FluidInfo info_of(const std::vector<std::string>& f, const Columns& column) {
    FluidInfo info;
    info.code = f[column.at("code")];
    info.name = f[column.at("name")];
    info.fluid_class = f[column.at("class")];
    info.Ttriple = number_or_nan(f[column.at("Ttriple")]);
    info.Tmax = number_or_nan(f[column.at("Tmax")]);
    info.pmax = number_or_nan(f[column.at("pmax")]);
    info.reference_state = f[column.at("reference_state")];
    info.targets = f[column.at("targets")];
    info.meets_targets = info.targets == "met";
    return info;
}

Columns columns_of(const std::string& table, const std::string& path, const std::string& line) {
    const std::vector<std::string> header = csv_fields(line);
    Columns column;
    for (std::size_t k = 0; k < header.size(); ++k) column[header[k]] = k;
    for (const char* name :
         {"code", "name", "class", "Ttriple", "Tmax", "pmax", "reference_state", "targets"})
        if (!column.count(name))
            unreadable(table, "its metadata file " + path + " has no column " + name);
    return column;
}

// The metadata file of the table; an absent file lists no fluid. A row with a reason in the
// column left_out (a later addition, optional) is a fluid left out of the table.
Metadata read_metadata(const std::string& table) {
    Metadata metadata;
    const std::string path = metadata_path(table);
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return metadata;
    const std::size_t width = csv_fields(line).size();
    const Columns column = columns_of(table, path, line);
    const auto left_out = column.find("left_out");
    while (std::getline(in, line)) {
        const std::vector<std::string> f = csv_fields(line);
        if (f.size() < width) continue;
        const std::string why = left_out != column.end() ? f[left_out->second] : "";
        if (why.empty()) {
            const FluidInfo info = info_of(f, column);
            metadata.listed[info.code] = info;
        } else {
            metadata.left_out.push_back({f[column.at("code")], f[column.at("name")], why});
        }
    }
    return metadata;
}

// The metadata of a fluid the file does not list: its code as its name, no range.
FluidInfo unlisted(const std::string& code) {
    FluidInfo info;
    info.code = info.name = code;
    info.Ttriple = info.Tmax = info.pmax = std::nan("");
    return info;
}

// ---- Loading -------------------------------------------------------------------------------

// X_TABEIN on the open table (its channel standing after the menu) into cleared records.
void load_entry(const std::string& table, const std::string& code, const ReportCapture& reports,
                LoadedFluid& out) {
    forget_installed_fluid();
    SUBST_CONST = SubstConst{};
    EOS_COEFF = EosCoeff{};
    int32_t status = STATUS_OK;
    X_TABEIN(true, fixed<10>(code), status);
    if (status == STATUS_END_OF_FILE)
        throw Error(ErrorKind::unknown_fluid, "fluid " + code + ": the table " + table +
                                                  " lists it in its menu but has no entry for it");
    if (status != STATUS_OK || reports.reports > 0)
        unreadable(table, "the entry of " + code + " cannot be read (status " +
                              std::to_string(status) + "): " + reported(reports));
    const SubstConst& sc = SUBST_CONST;
    for (double v : {sc.Tc, sc.Pc, sc.Dc, sc.MolWt, sc.T0, sc.D0})
        if (!(v > 0.0) || !std::isfinite(v))
            unreadable(table,
                       "the entry of " + code + " lacks a positive Tc, Pc, Dc, MolWt, T0 or D0");
    std::memcpy(&out.records.subst, &SUBST_CONST, sizeof(SubstConst));
    std::memcpy(&out.records.coeff, &EOS_COEFF, sizeof(EosCoeff));
    out.info.M = sc.MolWt;
    out.info.Tc = sc.Tc;
    out.info.pc = sc.Pc;
    out.info.Dc = sc.Dc;
}

// ---- Names ---------------------------------------------------------------------------------

// The asked text is compared up to this length and shown up to it.
constexpr std::size_t kLongestCompared = 64;
constexpr std::size_t kSuggestions = 3;
constexpr const char* kHex = "0123456789abcdef";

// The name, and for a name "main (other)" each of its two parts.
std::vector<std::string> name_forms(const std::string& name) {
    std::vector<std::string> forms;
    if (name.empty()) return forms;
    forms.push_back(name);
    const std::size_t open = name.rfind(" (");
    if (open != std::string::npos && name.back() == ')') {
        forms.push_back(name.substr(0, open));
        forms.push_back(name.substr(open + 2, name.size() - open - 3));
    }
    return forms;
}

// The fluid that `asked` names: by its code, its code in any case, or its name in any case.
const NamedFluid* named(const std::vector<NamedFluid>& fluids, const std::string& asked) {
    if (asked.empty()) return nullptr;
    for (const NamedFluid& f : fluids)
        if (f.code == asked) return &f;
    for (const NamedFluid& f : fluids)
        if (same_text(f.code, asked)) return &f;
    for (const NamedFluid& f : fluids)
        for (const std::string& form : name_forms(f.name))
            if (same_text(form, asked)) return &f;
    return nullptr;
}

// As `named`, and else with the dash of a refrigerant number left out ("R-1234yf").
const NamedFluid* resolved(const std::vector<NamedFluid>& fluids, const std::string& asked) {
    if (const NamedFluid* f = named(fluids, asked)) return f;
    if (asked.size() > 2 && folded(asked[0]) == 'r' && asked[1] == '-')
        return named(fluids, asked.substr(0, 1) + asked.substr(2));
    return nullptr;
}

// Levenshtein distance, case folded.
std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replaced = diagonal + (folded(a[i - 1]) != folded(b[j - 1]));
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
        }
    }
    return row[b.size()];
}

std::size_t distance_to(const NamedFluid& fluid, const std::string& asked) {
    std::size_t nearest = edit_distance(asked, fluid.code);
    for (const std::string& form : name_forms(fluid.name))
        nearest = std::min(nearest, edit_distance(asked, form));
    return nearest;
}

// "; did you mean A, B, C?": the codes nearest to `asked` by code or name, ties in menu order.
std::string suggestion(const std::vector<NamedFluid>& menu, const std::string& asked) {
    if (asked.empty() || menu.empty()) return "";
    const std::string compared = asked.substr(0, kLongestCompared);
    std::vector<std::pair<std::size_t, const NamedFluid*>> ranked;
    for (const NamedFluid& f : menu) ranked.emplace_back(distance_to(f, compared), &f);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string codes;
    for (std::size_t k = 0; k < ranked.size() && k < kSuggestions; ++k)
        codes += (k == 0 ? "" : ", ") + ranked[k].second->code;
    return "; did you mean " + codes + "?";
}

// The asked text for a message: control and non-ASCII bytes as \xNN, cut after
// kLongestCompared characters.
std::string shown(const std::string& asked) {
    std::string text;
    for (std::size_t k = 0; k < asked.size() && k < kLongestCompared; ++k) {
        const auto c = static_cast<unsigned char>(asked[k]);
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            text += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        }
    }
    return asked.size() > kLongestCompared ? text + "..." : text;
}

std::vector<NamedFluid> menu_fluids(const std::vector<Text<10>>& menu, const Metadata& metadata) {
    std::vector<NamedFluid> fluids;
    for (const Text<10>& entry : menu) {
        const std::string code(trimmed(entry));
        if (code.empty()) continue;
        const auto it = metadata.listed.find(code);
        fluids.push_back({code, it != metadata.listed.end() ? it->second.name : "", ""});
    }
    return fluids;
}

// The menu code of the fluid `asked` names; throws Error (unknown_fluid) when there is none.
std::string menu_code(const std::string& table, const std::vector<NamedFluid>& menu,
                      const Metadata& metadata, const std::string& asked) {
    if (const NamedFluid* f = resolved(menu, asked)) return f->code;
    const std::string start =
        "fluid '" + shown(asked) + "': not a code of the menu of the table " + table;
    if (const NamedFluid* f = resolved(metadata.left_out, asked))
        throw Error(ErrorKind::unknown_fluid,
                    start + "; " + f->code + " is left out of the table: " + f->left_out);
    throw Error(ErrorKind::unknown_fluid, start + " nor a fluid's name" + suggestion(menu, asked));
}

}  // namespace

LoadedFluid load_fluid(const std::string& table, const std::string& asked) {
    CallScope scope;
    OpenTable open(table);
    const std::vector<Text<10>> menu = open.menu(scope.reports);
    const Metadata metadata = read_metadata(table);
    const std::string code = menu_code(table, menu_fluids(menu, metadata), metadata, asked);
    TableCheck(table).entry(code);
    LoadedFluid out;
    const auto it = metadata.listed.find(code);
    out.info = it != metadata.listed.end() ? it->second : unlisted(code);
    load_entry(table, code, scope.reports, out);
    return out;
}

std::vector<LoadedFluid> list_fluids(const std::string& table) {
    CallScope scope;
    OpenTable open(table);
    const std::vector<Text<10>> menu = open.menu(scope.reports);
    const std::map<std::string, FluidInfo> listed = read_metadata(table).listed;
    const TableCheck check(table);
    std::vector<LoadedFluid> fluids;
    for (const Text<10>& entry : menu) {
        const std::string code(trimmed(entry));
        if (code.empty()) continue;
        LoadedFluid loaded;
        const auto it = listed.find(code);
        loaded.info = it != listed.end() ? it->second : unlisted(code);
        scope.reports = ReportCapture{};
        open.menu(scope.reports);  // the loader goes on from the end of the menu section
        try {
            check.entry(code);
            load_entry(table, code, scope.reports, loaded);
        } catch (const Error& e) {
            if (e.kind() == ErrorKind::unknown_fluid) continue;  // a menu line without entry
            throw;
        }
        fluids.push_back(loaded);
    }
    return fluids;
}

}  // namespace xalt1::detail
