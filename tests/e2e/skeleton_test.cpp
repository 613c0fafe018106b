#include <gtest/gtest.h>

#include "e2e/harness.h"

namespace {

TEST(RunControl, BannerLinesAreCentred) {
    ProgramRun run;
    run_program(run, shipped_table(), "\n0\n");
    ASSERT_FALSE(run.timed_out);
    const auto lines = run.console_lines();
    ASSERT_GE(lines.size(), 24u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].find("X A L T R I X S O L O"), 29u);
    EXPECT_EQ(lines[2].size(), 78u);
    EXPECT_EQ(lines[4].find("Computer Program for the Calculation of Thermodynamic Properties"),
              7u);
    EXPECT_EQ(lines[5].find("pVT, Enthalpy, Internal Energy, Entropy, Heat Capacities, "
                            "Helmholtz Function"),
              1u);
    EXPECT_EQ(lines[22], " Disclaimer : Users assume all risk and responsibility !");
    EXPECT_EQ(lines[23], "");
}

TEST(RunControl, QuitAtFirstMenuCreatesTheWorkFilesAndWritesNoHeader) {
    ProgramRun run;
    run_program(run, shipped_table(), "\n0\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_TRUE(run.has_file("xalt1.dat"));
    EXPECT_TRUE(run.has_file("xalt1.tmp"));
    EXPECT_TRUE(run.has_file("atest.log"));
    EXPECT_FALSE(run.has_file("xalt1.log"));
    EXPECT_EQ(run.file("xalt1.dat"), "");
    EXPECT_EQ(run.file("xalt1.tmp"), "");
}

TEST(RunControl, EndOfInputAtTheBannerClosesDown) {
    ProgramRun run;
    run_program(run, shipped_table(), "", 20.0);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
}

}  // namespace
