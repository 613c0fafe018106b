#include "result_csv.h"

#include <array>
#include <istream>
#include <ostream>

namespace result_csv {

namespace {

// Columns of a result row, counted from 1 (first and last column of each field).
struct Field {
    std::size_t first, last;
};
constexpr Field kMarker{1, 2};
constexpr Field kT{3, 11};
constexpr Field kFraction{3, 9};
constexpr Field kD{13, 20};
constexpr Field kP{22, 32};
constexpr std::array<Field, 6> kEnergies{
    {{33, 41}, {42, 50}, {51, 60}, {61, 69}, {70, 78}, {79, 88}}};
constexpr Field kCode{20, 29};
constexpr std::string_view kTitle = " - Thermodynamic Properties";
constexpr std::size_t kTitleColumn = 30;

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string_view field(std::string_view line, Field f) {
    if (line.size() < f.first) return {};
    return trim(line.substr(f.first - 1, f.last - f.first + 1));
}

bool is_title(std::string_view line) {
    return line.size() >= kTitleColumn - 1 + kTitle.size() &&
           line.substr(kTitleColumn - 1, kTitle.size()) == kTitle;
}

// A result row starts with its state marker and holds a number (or the asterisks of one too
// wide for its field) in the pressure field; the column headings under a run header do not.
bool is_row(std::string_view line) {
    const std::string_view marker = line.substr(0, 2);
    if (marker != "  " && marker != "l " && marker != "v " && marker != "x=") return false;
    const std::string_view p = field(line, kP);
    return p.find_first_of("0123456789*") != std::string_view::npos;
}

// The phase column: "l" saturated liquid, "v" saturated vapour, "x" two-phase mixture, empty for
// a single phase.
std::string_view phase_of(std::string_view marker) {
    if (marker == "x=") return "x";
    return trim(marker);
}

}  // namespace

std::string header() {
    return "substance,phase,x,T [K],D [mol/dm3],P [MPa],u [J/mol],h [J/mol],s [J/(mol K)],"
           "cv [J/(mol K)],cp [J/(mol K)],f [J/mol]";
}

std::string cell(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

int convert(std::istream& dat, std::ostream& csv) {
    csv << header() << '\n';
    std::string code;
    std::string saturation_T;  // T of the last saturated row: the temperature of a mixture row
    int rows = 0;
    for (std::string text; std::getline(dat, text);) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::string_view line = text;
        if (is_title(line)) {
            code = std::string(field(line, kCode));
            saturation_T.clear();
            continue;
        }
        if (!is_row(line)) continue;
        const std::string_view marker = line.substr(0, 2);
        const bool mixture = marker == "x=";
        if (marker == "l " || marker == "v ") saturation_T = std::string(field(line, kT));
        csv << cell(code) << ',' << phase_of(marker) << ','
            << (mixture ? field(line, kFraction) : "") << ','
            << (mixture ? std::string_view(saturation_T) : field(line, kT)) << ','
            << field(line, kD) << ',' << field(line, kP);
        for (const Field& f : kEnergies) csv << ',' << field(line, f);
        csv << '\n';
        ++rows;
    }
    return rows;
}

}  // namespace result_csv
