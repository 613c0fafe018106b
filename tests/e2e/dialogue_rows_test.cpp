#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

std::string shown(const std::string& line) {
    std::string s = " " + line.substr(0, 78);
    s.resize(79, ' ');
    return s;
}

// Mode 1 calculations of single-phase states, one result row each.
std::string calculations(int count) {
    std::string input;
    for (int i = 0; i < count; ++i) input += "1\n" + std::to_string(300 + i) + "\n1\n";
    return input;
}

void run_rows(ProgramRun& run, int count) {
    run_program(run, test_table("dialogue_two_fluids.tab"),
                "\n1\n" + calculations(count) + "0\n0\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.file("xalt1.tmp"), "") << run.console;
}

TEST(ModeDialogueRows, AfterOneRowTheHeaderAndTheRowAreShown) {
    ProgramRun run;
    run_rows(run, 1);
    const auto file = run.file_lines("xalt1.dat");
    ASSERT_EQ(file.size(), 5u);
    EXPECT_EQ(file[4], "end");
    const auto lines = run.console_lines();
    const auto rows = menu_rows(lines);
    ASSERT_EQ(rows.size(), 2u);
    const std::size_t menu = rows[1];
    std::vector<std::string> expected = {"", ""};
    for (int i = 0; i < 4; ++i) expected.push_back(shown(file[i]));
    expected.insert(expected.end(), 17, "");
    const std::vector<std::string> screen(lines.begin() + (menu - 23), lines.begin() + menu);
    EXPECT_EQ(screen, expected);
    EXPECT_FALSE(lines[menu - 24].empty());  // the value prompt of the calculation
}

TEST(ModeDialogueRows, ThirtyLinesShowFileLinesOneToThreeAndFourteenToThirty) {
    ProgramRun run;
    run_rows(run, 27);
    const auto file = run.file_lines("xalt1.dat");
    ASSERT_EQ(file.size(), 31u);
    EXPECT_EQ(file[30], "end");
    const auto lines = run.console_lines();
    const auto rows = menu_rows(lines);
    ASSERT_EQ(rows.size(), 28u);
    const std::size_t menu = rows.back();
    std::vector<std::string> expected = {"", ""};
    for (int i = 0; i < 3; ++i) expected.push_back(shown(file[i]));
    for (int i = 13; i < 30; ++i) expected.push_back(shown(file[i]));
    const std::vector<std::string> screen(lines.begin() + (menu - 22), lines.begin() + menu);
    EXPECT_EQ(screen, expected);
}

}  // namespace
