// Damaged tables: whatever is cut, lost, misspelt or absurd in an entry or in the coefficient
// section is refused at load as an unreadable table that names the file, the entry and the line,
// never loaded into wrong values.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "api/xalt1.h"
#include "library/library_support.h"

namespace {

using xalt1::Error;
using xalt1::ErrorKind;

std::vector<std::string> shipped_lines() {
    std::ifstream in(XALT1_SHIPPED_TABLE);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t line_starting(const std::vector<std::string>& lines, const std::string& start) {
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].rfind(start, 0) == 0) return k;
    ADD_FAILURE() << "no line starts with " << start;
    return 0;
}

struct Damage {
    std::string what, code;
    std::vector<std::string> lines;
    std::string part;  // expected in the message besides the file
};

// Loads the damaged table and expects it refused with the file, the entry or section and the
// line named.
void expect_refused(const Damage& d, const TemporaryFolder& folder) {
    SCOPED_TRACE(d.what);
    const std::string path = folder.path("damaged.tab");
    {
        std::ofstream out(path);
        for (const std::string& line : d.lines) out << line << '\n';
    }
    try {
        xalt1::Fluid f(d.code, path);
        ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::unreadable_table) << e.what();
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(d.part), std::string::npos) << message;
        EXPECT_TRUE(std::regex_search(message, std::regex("line [0-9]+: "))) << message;
    }
}

// The CO2 entry: its header, its constants lines, its closing line.
struct Entry {
    std::size_t header, end;
};

Entry co2_entry(const std::vector<std::string>& lines) {
    const std::size_t header = line_starting(lines, "CO2        ");
    std::size_t end = header + 1;
    while (end < lines.size() && lines[end].rfind("#####", 0) != 0) ++end;
    return {header, end};
}

TEST(DamagedTable, CutAtEveryLineOfAnEntry) {
    TemporaryFolder folder;
    const std::vector<std::string> lines = shipped_lines();
    const Entry co2 = co2_entry(lines);
    for (std::size_t cut = co2.header + 1; cut <= co2.end; ++cut)
        expect_refused({"cut before line " + std::to_string(cut + 1),
                        "CO2",
                        {lines.begin(), lines.begin() + static_cast<long>(cut)},
                        "the entry of CO2"},
                       folder);
    // A file that loses its last 60 bytes loses a part of its last entry's last line.
    std::ifstream in(XALT1_SHIPPED_TABLE);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    all.resize(all.size() - 60);
    std::vector<std::string> short_lines;
    std::istringstream text(all);
    for (std::string line; std::getline(text, line);) short_lines.push_back(line);
    expect_refused({"60 bytes short", "R1336mzzZ", short_lines, "the entry of R1336mzzZ"}, folder);
}

TEST(DamagedTable, EveryNumberOfAnEntryReplaced) {
    TemporaryFolder folder;
    const std::vector<std::string> lines = shipped_lines();
    const Entry co2 = co2_entry(lines);
    const std::regex number("[-+]?[0-9][0-9.]*(E[-+][0-9]+)?");
    int cases = 0;
    for (std::size_t k = co2.header + 1; k < co2.end; ++k) {
        const std::string& line = lines[k];
        for (auto it = std::sregex_iterator(line.begin(), line.end(), number);
             it != std::sregex_iterator(); ++it) {
            const std::size_t at = static_cast<std::size_t>(it->position());
            if (at < 5 || line[at - 1] != ' ') continue;  // a digit inside a label (D0, Q2)
            for (const char* bad : {"nan", "1.0E+300", "abc", "-1.0E+300"}) {
                std::vector<std::string> damaged = lines;
                damaged[k].replace(at, it->length(), bad);
                expect_refused(
                    {"line " + std::to_string(k + 1) + " number " + it->str() + " -> " + bad, "CO2",
                     damaged, "the entry of CO2"},
                    folder);
                ++cases;
            }
        }
    }
    EXPECT_GT(cases, 4 * 30);
}

TEST(DamagedTable, MisspeltLostOrRepeatedLabels) {
    TemporaryFolder folder;
    const std::vector<std::string> lines = shipped_lines();
    const Entry co2 = co2_entry(lines);
    const auto with = [&](std::size_t k, const std::string& from, const std::string& to) {
        std::vector<std::string> damaged = lines;
        const std::size_t at = damaged[k].find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) damaged[k].replace(at, from.size(), to);
        return damaged;
    };
    const std::size_t first = co2.header + 1;
    std::vector<std::string> lost_line = lines;
    lost_line.erase(lost_line.begin() + static_cast<long>(first + 1));  // T0, D0, Alpha
    const Damage cases[] = {
        {"Alfa", "CO2", with(first + 1, "Alpha:", "Alfa:"), "'Alfa:'"},
        {"Tc twice", "CO2", with(first + 1, "T0:", "Tc:"), "a second time"},
        {"label without colon", "CO2", with(first, "Dc:", "Dc"), "'Dc'"},
        {"constants line lost", "CO2", lost_line, "no constant T0:"},
        {"marker of a line changed", "CO2", with(first + 2, "C    Q2", "X    Q2"),
         "no constant Q2:"},
        {"Cp0 term number out of order", "CO2", with(first + 5, "Cp0: 2", "Cp0: 7"), "term 7"},
        {"Cp0 field missing", "CO2", with(first + 4, " 0.0000000000000E+00", ""), "Cp0:"},
        {"number longer than its field", "CO2", with(first, "303.5052729", "303.50527290000000001"),
         "Tc:"},
        {"stray word", "CO2", with(first + 2, "MolWt:", "Mol Wt:"), "'Mol'"},
    };
    for (const Damage& d : cases) expect_refused(d, folder);
}

TEST(DamagedTable, CoefficientSection) {
    TemporaryFolder folder;
    const std::vector<std::string> lines = shipped_lines();
    const std::size_t fa3 = line_starting(lines, "Fa- 3");
    const std::size_t fq1 = line_starting(lines, "Fq- 1");
    const std::string section = "the coefficient section";
    std::vector<std::string> lost = lines;
    lost.erase(lost.begin() + static_cast<long>(fa3));
    std::vector<std::string> huge = lines;
    huge[fa3].replace(huge[fa3].find("-3.9742080405E-03"), 17, "1.0E+300");
    std::vector<std::string> exponent = lines;
    exponent[fq1].replace(exponent[fq1].find("-16"), 3, "999");
    std::vector<std::string> short_line = lines;
    short_line[fa3].resize(short_line[fa3].size() - 5);
    const Damage cases[] = {
        {"line lost", "CO2", lost, "term '4' of the Fa set where term 3 belongs"},
        {"coefficient 1e300", "CO2", huge, "within +-1e3"},
        {"exponent 999", "CO2", exponent, "'999'"},
        {"field cut", "CO2", short_line, "six fields"},
    };
    for (const Damage& d : cases) {
        expect_refused({d.what, d.code, d.lines, section + ", line"}, folder);
        expect_refused(d, folder);
    }
}

// Every shipped fluid passes the check and loads.
TEST(DamagedTable, ShippedTablePasses) {
    EXPECT_EQ(xalt1::fluids().size(), 88u);
}

}  // namespace
