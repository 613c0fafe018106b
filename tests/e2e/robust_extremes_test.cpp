// Extreme states through every mode: temperatures from 1e-3 K to 1e5 K, pressures from 1e-12 to
// 1e5 MPa, densities from 1e-12 mol/dm3 to far beyond close packing. Each request must end by
// itself and either give its result row(s) or one of the program's failure reports, and the
// result file must stay whole (blocks of header and rows, "end" as its last line). Where a row
// is given, the values the user typed come back in it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../fuzz/session_fuzz.h"
#include "e2e/harness.h"

namespace sf = session_fuzz;

namespace {

// The reports a request may end with instead of a row.
const std::vector<std::string> kReports = {
    "Error at Routine x_maxwel",
    "Error at Routine td_daten",
    "Fehler in Routine td_daten",
    "Iteration should be optimized in x_pvt :",
    "Iteration shoud be optimized in x_pvt:",
    "Iteration should be optimized in x_pvt ",
    "Iteration should be optimized in pvt:",
    "Iteration create D<0 in x_pvt ",
    "Ts > Tc !",
    "ps > pc !",
};

struct Request {
    int mode;
    std::vector<double> values;  // in the order the mode asks for them
};

std::string number(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

std::string describe(const Request& r) {
    std::string d = "mode " + std::to_string(r.mode);
    for (double v : r.values) d += " " + number(v);
    return d;
}

// Result rows of the file (lines after the header that are not the end marker).
std::vector<std::string> rows_of(const std::string& file) {
    std::vector<std::string> rows;
    const auto lines = sf::split_lines(file);
    for (std::size_t i = 3; i < lines.size(); ++i)
        if (lines[i] != "end") rows.push_back(lines[i]);
    return rows;
}

// The field's value, or NaN when it is written in asterisks.
double field(const std::string& row, std::size_t first, std::size_t width) {
    const std::string text = row.substr(first - 1, width);
    if (text.find('*') != std::string::npos) return std::nan("");
    return std::strtod(text.c_str(), nullptr);
}

bool close_to(double written, double typed, double relative) {
    return std::isnan(written) || std::fabs(written - typed) <= relative * std::fabs(typed) + 1e-3;
}

// Runs one request on the first fluid of the shipped table and checks its outcome.
void check_request(const Request& r) {
    SCOPED_TRACE(describe(r));
    const std::string table = shipped_table();
    const auto fluids = sf::fluids_of(table);
    ASSERT_FALSE(fluids.empty());
    std::string input = "\n1\n" + std::to_string(r.mode) + "\n";
    for (double v : r.values) input += number(v) + "\n";
    input += "\n\n\n0\n0\n";  // pauses of error reports, then quit
    ProgramRun run;
    run_program(run, table, input, 100.0);
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    sf::Tally tally;
    const std::string file = run.file("xalt1.dat");
    EXPECT_EQ(sf::check_result_file(file, fluids, tally), "") << file;

    const auto rows = rows_of(file);
    bool reported = false;
    for (const auto& message : kReports)
        reported = reported || run.console.find(message) != std::string::npos;
    EXPECT_TRUE(!rows.empty() || reported) << "neither a row nor a report\n" << run.console;

    // The typed values come back in the rows (a value too wide for its field excepted).
    for (const std::string& row : rows) {
        if (row.size() < 88 || row.compare(0, 2, "x=") == 0) continue;
        const double T = field(row, 3, 9), D = field(row, 13, 8), P = field(row, 22, 11);
        const bool single = row.compare(0, 2, "  ") == 0;
        switch (r.mode) {
            case 1:
                EXPECT_TRUE(close_to(T, r.values[0], 1e-6)) << row;
                if (single) {
                    EXPECT_TRUE(close_to(D, r.values[1], 1e-3)) << row;
                }
                break;
            case 2:
                EXPECT_TRUE(close_to(T, r.values[1], 1e-6)) << row;
                EXPECT_TRUE(close_to(P, r.values[0], 1e-5)) << row;
                break;
            case 3:
                if (single) {
                    EXPECT_TRUE(close_to(D, r.values[1], 1e-3)) << row;
                }
                EXPECT_TRUE(close_to(P, r.values[0], 1e-5)) << row;
                break;
            case 4:
                EXPECT_TRUE(close_to(T, r.values[0], 1e-6)) << row;
                break;
            case 5:
                EXPECT_TRUE(close_to(P, r.values[0], 1e-5)) << row;
                break;
        }
    }
}

struct Scales {
    double Tc, Pc, Dc;
};

Scales scales() {
    const auto fluids = sf::fluids_of(shipped_table());
    return {fluids.at(0).Tc, fluids.at(0).Pc, fluids.at(0).Dc};
}

const std::vector<double> kTemperatures = {1e-3, 1.0, 1e3, 1e5};
const std::vector<double> kPressures = {1e-12, 1e-6, 1e3, 1e5};
const std::vector<double> kDensities = {1e-12, 1e-7, 1e3, 1e6};

TEST(RobustExtremes, TemperatureAndDensity) {
    const Scales s = scales();
    std::vector<double> Ts = kTemperatures;
    Ts.push_back(0.5 * s.Tc);
    for (double T : Ts)
        for (double D : kDensities) check_request({1, {T, D}});
    check_request({1, {s.Tc, s.Dc}});
}

TEST(RobustExtremes, PressureAndTemperature) {
    const Scales s = scales();
    std::vector<double> Ts = kTemperatures;
    Ts.push_back(0.5 * s.Tc);
    for (double P : kPressures)
        for (double T : Ts) check_request({2, {P, T}});
    check_request({2, {s.Pc, s.Tc}});
}

TEST(RobustExtremes, PressureAndDensity) {
    const Scales s = scales();
    std::vector<double> Ds = kDensities;
    Ds.push_back(s.Dc);
    for (double P : kPressures)
        for (double D : Ds) check_request({3, {P, D}});
    check_request({3, {s.Pc, s.Dc}});
}

TEST(RobustExtremes, SaturationTemperatureAndPressure) {
    const Scales s = scales();
    for (double T : kTemperatures) check_request({4, {T}});
    for (double T : {0.5 * s.Tc, s.Tc, s.Tc * (1 + 1e-9)}) check_request({4, {T}});
    for (double P : kPressures) check_request({5, {P}});
    for (double P : {0.01 * s.Pc, s.Pc, s.Pc * (1 + 1e-9)}) check_request({5, {P}});
}

// The corners of the range through every fluid of the table, one session per fluid with all its
// requests (and a spare line for each report's pause): the session must end by itself and leave
// whole blocks; the requests of one session are not told apart here.
void check_corners_of_fluids(std::size_t first, std::size_t stride) {
    const std::string table = shipped_table();
    const auto fluids = sf::fluids_of(table);
    const std::string requests =
        "1\n1e-3\n1e-12\n\n\n1\n1e5\n1e6\n\n\n1\n1e5\n1e-12\n\n\n2\n1e5\n1e-3\n\n\n"
        "3\n1e5\n1e-12\n\n\n3\n1e3\n1e-7\n\n\n4\n1e5\n\n\n5\n1e5\n\n\n0\n0\n";
    for (std::size_t i = first; i < fluids.size(); i += stride) {
        if (fluids[i].left_out) continue;
        SCOPED_TRACE(fluids[i].code);
        const sf::Outcome o = sf::run_session(
            XALT1_BINARY, table, "\n" + std::to_string(i + 1) + "\n" + requests, 100.0);
        sf::Tally tally;
        EXPECT_EQ(sf::check_session(o, fluids, tally), "") << o.result_file;
        EXPECT_NE(o.result_file.find("Thermodynamic Properties"), std::string::npos);
    }
}

TEST(RobustExtremes, CornersOfEveryFluidFirstHalf) {
    check_corners_of_fluids(0, 2);
}
TEST(RobustExtremes, CornersOfEveryFluidSecondHalf) {
    check_corners_of_fluids(1, 2);
}

}  // namespace
