#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

// Number of empty lines directly above a console line.
std::size_t empty_lines_above(const std::vector<std::string>& lines, std::size_t row) {
    std::size_t n = 0;
    while (n < row && lines[row - 1 - n].empty()) ++n;
    return n;
}

// A result-file line as the screen shows it: a blank and its first 78 characters.
std::string shown(const std::string& line) {
    std::string s = " " + line.substr(0, 78);
    s.resize(79, ' ');
    return s;
}

// Banner pause, then the first fluid of the test table.
const std::string kLoadFirst = "\n1\n";

void run_dialogue(ProgramRun& run, const std::string& input) {
    run_program(run, test_table("dialogue_two_fluids.tab"), input);
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.file("xalt1.tmp"), "") << run.console;
}

TEST(ModeDialogueRun, RightAfterALoadEighteenEmptyLinesPrecedeTheMenu) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "0\n0\n");
    const auto lines = run.console_lines();
    const auto rows = menu_rows(lines);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(empty_lines_above(lines, rows[0]), 18u);
    EXPECT_FALSE(lines[rows[0] - 19].empty());
}

TEST(ModeDialogueRun, InvalidModesOnlyRedraw) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "7\n-1\n0\n0\n");
    const auto lines = run.console_lines();
    const auto rows = menu_rows(lines);
    ASSERT_EQ(rows.size(), 3u);
    // Each answer is followed directly by the next screen: no prompt, no calculation.
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i] - rows[i - 1], 19u);
        EXPECT_EQ(empty_lines_above(lines, rows[i]), 18u);
    }
    EXPECT_EQ(run.file_lines("xalt1.dat").size(), 4u);
    EXPECT_EQ(run.file_lines("atest.log").size(), 1u);  // the single mode 0
}

TEST(ModeDialogueRun, ModeZeroWritesOneEchoRecordPerUse) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "0\n2\n0\n0\n");
    const auto echo = run.file_lines("atest.log");
    ASSERT_EQ(echo.size(), 2u);
    for (const auto& record : echo) {
        EXPECT_EQ(record.rfind(" Dc: ", 0), 0u) << record;
        std::size_t pos = 0;
        for (const char* label : {"Tc: ", "Pc: ", "D0: ", "T0: ", "Alpha: ", "Q2: ", "Dp: ",
                                  "MolWt: ", "Tref: ", "Href: ", "Sref: ", "Cp01 E1:", "Cp04 E4:",
                                  "Cp01 K1:", "Cp04 K4:", "Cp01 K21:", "Cp04 K24:", "Dref: "}) {
            pos = record.find(label, pos);
            EXPECT_NE(pos, std::string::npos) << label;
        }
    }
    EXPECT_EQ(std::stod(echo[0].substr(echo[0].find("Tc: ") + 4)), 150.0);
    EXPECT_EQ(std::stod(echo[1].substr(echo[1].find("Tc: ") + 4)), 160.0);
}

TEST(ModeDialogueRun, SecondSubstanceAppendsItsHeaderBeforeTheSingleMarker) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "0\n2\n0\n0\n");
    const auto file = run.file_lines("xalt1.dat");
    ASSERT_EQ(file.size(), 7u);
    EXPECT_EQ(file[0].substr(19, 10), "Demo      ");
    EXPECT_EQ(file[3].substr(19, 10), "Other     ");
    EXPECT_EQ(file[1], file[4]);
    EXPECT_EQ(file[2], file[5]);
    EXPECT_EQ(file[6], "end");
    // The second screen shows both headers: six lines, then fifteen empty lines.
    const auto lines = run.console_lines();
    const auto rows = menu_rows(lines);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(empty_lines_above(lines, rows[1]), 15u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(lines[rows[1] - 21 + i], shown(file[i])) << i;
    }
    EXPECT_EQ(lines[rows[1] - 22], "");
    EXPECT_EQ(lines[rows[1] - 23], "");
}

TEST(ModeDialogueRun, TheMarkerIsNeverShown) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "9\n0\n2\n-3\n0\n0\n");
    for (const auto& line : run.console_lines()) {
        const std::size_t first = line.find_first_not_of(' ');
        const std::size_t last = line.find_last_not_of(' ');
        if (first != std::string::npos) {
            EXPECT_NE(line.substr(first, last - first + 1), "end");
        }
    }
}

// A non-numeric answer asks the same question again; the end of input at any question closes
// the run down.
TEST(ModeDialogueRun, NonNumericAnswersAreAskedAgainAndEndOfInputClosesDown) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "abc\n2\nlow\n");
    EXPECT_EQ(run.exit_code, 0);
    const auto lines = run.console_lines();
    const auto rows = menu_rows(lines);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], rows[0] + 1);  // the menu line again, not the whole screen
    ASSERT_EQ(lines.size(), rows[1] + 3);
    EXPECT_EQ(lines[rows[1] + 1], " Input Pressure [MPa]:");
    EXPECT_EQ(lines[rows[1] + 2], " Input Pressure [MPa]:");
    EXPECT_EQ(run.file_lines("xalt1.dat").size(), 4u);
}

// "300,5" is not read as 300: the question is asked again, and the request is the one typed
// with a decimal point.
TEST(ModeDialogueRun, DecimalCommaIsAskedAgain) {
    ProgramRun run;
    run_dialogue(run, kLoadFirst + "1\n300,5\n300.5\n0,1\n0.1\n");
    const auto lines = run.console_lines();
    std::size_t t_prompts = 0, d_prompts = 0;
    for (const std::string& line : lines) {
        t_prompts += line == " Input Temperature [K]:";
        d_prompts += line == " Input Density [mol/dm3]:";
    }
    EXPECT_EQ(t_prompts, 2u);
    EXPECT_EQ(d_prompts, 2u);
    const auto dat = run.file_lines("xalt1.dat");
    ASSERT_EQ(dat.size(), 5u);
    EXPECT_EQ(dat[3].substr(0, 20), "    300.500 .1000   ");
}

}  // namespace
