#include "api/table.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/fixed_text.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/substance.h"

namespace xalt1::detail {

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

// One CSV line: fields separated by commas, a field in double quotes may hold commas and
// doubled quotes.
std::vector<std::string> csv_fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

double number_or_nan(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(v) ? v : std::nan("");
}

using Metadata = std::map<std::string, FluidInfo>;

// The metadata file of the table; an absent file lists no fluid.
Metadata read_metadata(const std::string& table) {
    Metadata listed;
    const std::string path = metadata_path(table);
    std::ifstream in(path);
    if (!in) return listed;
    std::string line;
    if (!std::getline(in, line)) return listed;
    const std::vector<std::string> header = csv_fields(line);
    std::map<std::string, std::size_t> column;
    for (std::size_t k = 0; k < header.size(); ++k) column[header[k]] = k;
    for (const char* name :
         {"code", "name", "class", "Ttriple", "Tmax", "pmax", "reference_state", "targets"})
        if (!column.count(name))
            unreadable(table, "its metadata file " + path + " has no column " + name);
    while (std::getline(in, line)) {
        const std::vector<std::string> f = csv_fields(line);
        if (f.size() < header.size()) continue;
        FluidInfo info;
        info.code = f[column["code"]];
        info.name = f[column["name"]];
        info.fluid_class = f[column["class"]];
        info.Ttriple = number_or_nan(f[column["Ttriple"]]);
        info.Tmax = number_or_nan(f[column["Tmax"]]);
        info.pmax = number_or_nan(f[column["pmax"]]);
        info.reference_state = f[column["reference_state"]];
        info.targets = f[column["targets"]];
        info.meets_targets = info.targets == "met";
        listed[info.code] = info;
    }
    return listed;
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

bool in_menu(const std::vector<Text<10>>& menu, const std::string& code) {
    for (const Text<10>& entry : menu)
        if (std::string(trimmed(entry)) == code) return true;
    return false;
}

}  // namespace

LoadedFluid load_fluid(const std::string& table, const std::string& code) {
    CallScope scope;
    OpenTable open(table);
    const std::vector<Text<10>> menu = open.menu(scope.reports);
    if (code.empty() || code.size() > 10 || code.find(' ') != std::string::npos ||
        !in_menu(menu, code))
        throw Error(ErrorKind::unknown_fluid,
                    "fluid '" + code + "': not a code of the menu of the table " + table);
    const Metadata listed = read_metadata(table);
    LoadedFluid out;
    const auto it = listed.find(code);
    out.info = it != listed.end() ? it->second : unlisted(code);
    load_entry(table, code, scope.reports, out);
    return out;
}

std::vector<FluidInfo> list_fluids(const std::string& table) {
    CallScope scope;
    OpenTable open(table);
    const std::vector<Text<10>> menu = open.menu(scope.reports);
    const Metadata listed = read_metadata(table);
    std::vector<FluidInfo> fluids;
    for (const Text<10>& entry : menu) {
        const std::string code(trimmed(entry));
        if (code.empty()) continue;
        LoadedFluid loaded;
        const auto it = listed.find(code);
        loaded.info = it != listed.end() ? it->second : unlisted(code);
        scope.reports = ReportCapture{};
        open.menu(scope.reports);  // the loader goes on from the end of the menu section
        try {
            load_entry(table, code, scope.reports, loaded);
        } catch (const Error& e) {
            if (e.kind() == ErrorKind::unknown_fluid) continue;  // a menu line without entry
            throw;
        }
        fluids.push_back(loaded.info);
    }
    return fluids;
}

}  // namespace xalt1::detail
