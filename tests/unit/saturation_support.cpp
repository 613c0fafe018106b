#include "saturation_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "eos/eos.h"
#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"
#include "substance/substance.h"
#include "substance/table_layout.h"

namespace {

std::string text_of(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> menu_codes(const std::string& text) {
    std::vector<std::string> codes;
    for (const std::string& line : lines_of(text)) {
        if (table_layout::ends_menu(line)) break;
        if (table_layout::is_menu_line(line)) codes.emplace_back(table_layout::menu_code(line));
    }
    return codes;
}

// The fields of one line of fluids.csv (names in double quotes may hold commas).
std::vector<std::string> csv_fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

}  // namespace

std::string shipped_table_path() {
    return XALT1_SHIPPED_TABLE;
}

std::string saturation_cases_path() {
    return std::string(XALT1_TEST_DATA) + "/saturation_cases.tab";
}

FluidTable::FluidTable(const std::string& path) : session_(std::string(100000, '\n')) {
    const std::string text = text_of(path);
    codes_ = menu_codes(text);
    session_.write_file("x_rstoff.tab", text);
    UNIT_TABLE.l_trace = false;
    UNIT_TABLE.l_status = true;
    int32_t status = 0;
    X_OPEN(status);
}

bool FluidTable::load(const std::string& code) {
    const int32_t table = lun_of(TABLE_ENTRY);
    rewind_channel(table);
    Text<80> line = blank_text<80>();
    int32_t status = 0;
    while (status == 0 && !table_layout::ends_menu(view(line))) status = read_record(table, line);
    if (status != 0) return false;
    SUBST_CONST = SubstConst{};
    EOS_COEFF = EosCoeff{};
    TD_PROPS = TdProps{};
    X_TABEIN(true, fixed<10>(code), status);
    return status == 0;
}

std::vector<std::string> FluidTable::result_lines() const {
    return lines_of(session_.read_file("xalt1.dat"));
}

std::vector<std::string> FluidTable::status_lines() const {
    return lines_of(session_.read_file("xalt1.tmp"));
}

double lowest_temperature(const std::string& code, double Tc) {
    double lowest = 0.3 * Tc;
    const std::string path = std::string(XALT1_REFERENCE_DATA) + "/fluids.csv";
    std::ifstream in(path);
    if (!in) ADD_FAILURE() << "cannot read " << path;
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = csv_fields(line);
    std::size_t column = 0;
    while (column < header.size() && header[column] != "Ttriple") ++column;
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = csv_fields(line);
        if (fields[0] == code && column < fields.size())
            lowest = std::max(lowest, std::stod(fields[column]));
    }
    return lowest;
}

TdProps state_at(double D, double T) {
    int32_t status = 0;
    X_TD_DAT(true, D, T, -1.0f, status);
    return status == 0 ? TD_PROPS : TdProps{};
}

bool no_pair_on_outer_branches(double T) {
    // dp/dD on a grid of 0.0005 Dc from the dilute gas to close packing.
    const double Dc = SUBST_CONST.Dc;
    std::vector<TdProps> grid;
    std::vector<double> density;
    for (double D = 1e-3 * Dc; X_R_INRANGE(D, T) && D < 6.0 * Dc; D += 5e-4 * Dc) {
        grid.push_back(state_at(D, T));
        density.push_back(D);
    }
    std::size_t first = 0, last = 0;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (grid[i].dpdD > 0.0) continue;
        if (first == 0) first = i;
        last = i;
    }
    if (first == 0 || last + 1 >= grid.size()) return true;
    const TdProps& vapour_end = grid[first - 1];
    const TdProps& liquid_end = grid[last + 1];
    if (!(vapour_end.p > liquid_end.p)) return true;
    // The liquid of the highest vapour pressure, by bisection on the liquid branch.
    const double P = vapour_end.p;
    std::size_t above = last + 1;
    while (above < grid.size() && grid[above].p < P) ++above;
    if (above == grid.size()) return true;
    double lo = density[last + 1], hi = density[above];
    for (int k = 0; k < 100; ++k) {
        const double mid = 0.5 * (lo + hi);
        (state_at(mid, T).p < P ? lo : hi) = mid;
    }
    return state_at(0.5 * (lo + hi), T).g > vapour_end.g;
}
