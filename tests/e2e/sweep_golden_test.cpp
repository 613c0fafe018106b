// A scripted session over three fluids of the fitted table (nonpolar, quadrupolar, dipolar)
// with every mode, single-phase, saturated and two-phase: its result file must stay the same to
// the last character (the run headers' date and hour aside). The expected file was written by
// the program before its evaluation path took the one-sweep form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

// Per fluid: mode 1 supercritical and two-phase, mode 2 liquid, vapour and supercritical,
// mode 3 compressed liquid and two-phase, mode 4, mode 5; then back to the menu.
const char* const kSession =
    "\n"
    "1\n"
    "1\n200\n10\n1\n120\n5\n2\n5\n110\n2\n0.2\n110\n2\n10\n250\n3\n2.0\n30\n3\n1.0\n10\n"
    "4\n130\n5\n1.0\n0\n"
    "2\n"
    "1\n350\n8\n1\n280\n8\n2\n10\n280\n2\n1\n280\n2\n12\n400\n3\n8\n22\n3\n4\n10\n"
    "4\n260\n5\n5\n0\n"
    "3\n"
    "1\n420\n3\n1\n330\n5\n2\n5\n300\n2\n0.2\n300\n2\n6\n450\n3\n3\n13\n3\n1\n5\n"
    "4\n350\n5\n2\n0\n"
    "0\n";

// The run header carries the date and hour after its title.
std::vector<std::string> without_dates(std::vector<std::string> lines) {
    const std::string title = "- Thermodynamic Properties";
    for (std::string& line : lines) {
        const std::size_t at = line.find(title);
        if (at != std::string::npos) line.resize(at + title.size());
    }
    return lines;
}

TEST(SweepGolden, ThreeFluidSessionKeepsEveryDigit) {
    ProgramRun run;
    run_program(run, test_table("sweep_three_fluids.tab"), kSession);
    ASSERT_FALSE(run.timed_out);
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.file("xalt1.tmp"), "");
    const std::vector<std::string> expected =
        split_lines(test_table("sweep_golden_three_fluids.dat"));
    const std::vector<std::string> actual = without_dates(run.file_lines("xalt1.dat"));
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

}  // namespace
