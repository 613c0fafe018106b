#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

const std::string kHeaderLine2 =
    "       T        D          P         u        h        s         cv      cp        f";
const std::string kHeaderLine3 =
    "       K     mol/dm3      MPa      J/mol    J/mol   J/mol-K   J/mol-K  J/mol-K    J/mol";

void expect_header(const std::vector<std::string>& lines, std::size_t first,
                   const std::string& code10) {
    ASSERT_GT(lines.size(), first + 2);
    const std::string& l1 = lines[first];
    EXPECT_EQ(l1.substr(0, 19), std::string(19, ' '));
    EXPECT_EQ(l1.substr(19, 10), code10);                         // columns 20-29
    EXPECT_EQ(l1.substr(29, 27), " - Thermodynamic Properties");  // columns 30-56
    EXPECT_TRUE(std::regex_match(l1.substr(56), std::regex(" {11}\\d{8}-\\d{2}"))) << l1;
    EXPECT_EQ(lines[first + 1], kHeaderLine2);
    EXPECT_EQ(lines[first + 2], kHeaderLine3);
}

TEST(SubstanceRun, ChoosingASubstanceWritesTheRunHeader) {
    ProgramRun run;
    run_program(run, test_table("substance_minimal.tab"), "\n1\n0\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    const auto lines = run.file_lines("xalt1.dat");
    ASSERT_EQ(lines.size(), 4u);
    expect_header(lines, 0, "Argon     ");
    EXPECT_EQ(lines[3], "end");
    EXPECT_EQ(run.file("xalt1.tmp"), "");
    // the menu right below the title page, shown again after mode 0
    const auto console = run.console_lines();
    ASSERT_GT(console.size(), 24u);
    EXPECT_EQ(console[24], "       1  Argon     ");
    EXPECT_EQ(count_of(run.console, " Option :\n"), 2);
}

TEST(SubstanceRun, SecondSubstanceAppendsItsHeaderBeforeTheEndMarker) {
    ProgramRun run;
    run_program(run, test_table("substance_sections.tab"), "\n1\n0\n6\n0\n");
    ASSERT_FALSE(run.timed_out);
    // The header blocks in order and one "end" line last (an end marker between the blocks
    // is the mode dialogue's to step back over; it is not looked at here).
    const auto all = run.file_lines("xalt1.dat");
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back(), "end");
    std::vector<std::string> lines;
    for (const auto& l : all)
        if (l != "end") lines.push_back(l);
    ASSERT_EQ(lines.size(), 6u);
    expect_header(lines, 0, "Argon     ");
    expect_header(lines, 3, "Methane_lo");  // code word cut to ten characters
    EXPECT_EQ(run.file("xalt1.tmp"), "");
}

TEST(SubstanceRun, BlankCodeShowsTheMenuAgain) {
    ProgramRun run;
    run_program(run, test_table("substance_sections.tab"), "\n8\n99\n0\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(count_of(run.console, " Option :\n"), 3);
    EXPECT_EQ(run.file("xalt1.dat"), "");
}

TEST(SubstanceRun, MissingEntryEndsTheRun) {
    ProgramRun run;
    run_program(run, test_table("substance_sections.tab"), "\n4\n\n1\n0\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.console.find("\n Fehler in der Tabelle-Reinstoffdaten zu Missing    fehlen !\n"
                               " xalt1   : Error at Routine x_tabein!           -1\n"),
              std::string::npos);
    EXPECT_EQ(run.file("xalt1.tmp"), " xalt1   : Error at Routine x_tabein!           -1\n");
    EXPECT_EQ(run.file("xalt1.dat"), "");
    EXPECT_EQ(count_of(run.console, " Option :\n"), 1);  // the run ended after the report
}

TEST(SubstanceRun, UnreadableConstantEndsTheRun) {
    std::string table = test_table("substance_minimal.tab");
    table.replace(table.find("Tc: 150.7"), 9, "Tc: 150,7");
    ProgramRun run;
    run_program(run, table, "\n1\n\n\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.file("xalt1.tmp"),
              " x_rconst: Error at internal Read!            7\n"
              " xalt1   : Error at Routine x_tabein!            7\n");
    EXPECT_EQ(run.file("xalt1.dat"), "");
}

TEST(SubstanceRun, UnreadableCoefficientEndsTheRun) {
    std::string table = test_table("substance_minimal.tab");
    table.replace(table.find("Fq- 1    2    3    4"), 20, "Fq- 1    2    3    k");
    ProgramRun run;
    run_program(run, table, "\n1\n\n\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.file("xalt1.tmp"),
              " x_rcoeff: Error at internal Read k:!            7\n"
              " xalt1   : Error at Routine x_tabein!            7\n");
    EXPECT_NE(run.console.find(" Fehler in der Tabelle-Reinstoffdaten zu Argon      fehlen !"),
              std::string::npos);
}

// Without a substance table there is nothing to offer: the run says which file it misses and
// ends at once, leaving no empty table behind.
TEST(SubstanceRun, MissingTableIsNamedAndNotCreated) {
    ProgramRun run;
    run_program(run, "", "\n0\n", 60.0, false);
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.console.find(" Fehler beim Open von x_rstoff.tab    \n"
                               " The substance table \"x_rstoff.tab\" cannot be read in this "
                               "folder.\n"),
              std::string::npos)
        << run.console;
    EXPECT_EQ(run.console.find("Option :"), std::string::npos);
    EXPECT_FALSE(run.has_file("x_rstoff.tab"));
    EXPECT_EQ(run.file("xalt1.dat"), "");
}

TEST(SubstanceRun, EmptyTableShowsAnEmptyMenu) {
    ProgramRun run;
    run_program(run, "", "\n\n5\n0\n");
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.file("xalt1.tmp"), " x_stausw: Error at Read into x_rstoff.tab!           -1\n");
    std::string empty_menu = "\n   0  0..Exit\n";
    for (int k = 0; k < 20; ++k) empty_menu += " \n";
    EXPECT_EQ(count_of(run.console, empty_menu + " Option :\n"), 2);
    EXPECT_EQ(run.file("xalt1.dat"), "");
}

TEST(SubstanceRun, EndOfInputAtTheMenuClosesDown) {
    ProgramRun run;
    run_program(run, test_table("substance_minimal.tab"), "\n", 20.0);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.file("xalt1.dat"), "");
}

TEST(SubstanceRun, TwentyEntriesFourToALine) {
    ProgramRun run;
    run_program(run, test_table("substance_menu20.tab"), "\n20\n0\n");
    ASSERT_FALSE(run.timed_out);
    const auto console = run.console_lines();
    ASSERT_GT(console.size(), 32u);
    EXPECT_EQ(console[24],
              "  1 S01_fluid         2 S02_fluid         3 S03_fluid         4 S04_fluid      ");
    EXPECT_EQ(console[29], "");
    EXPECT_EQ(console[30], "   0  0..Exit");
    EXPECT_EQ(console[31], " Option :");
    const auto lines = run.file_lines("xalt1.dat");
    ASSERT_EQ(lines.size(), 4u);
    expect_header(lines, 0, "S20_fluid ");
}

TEST(SubstanceRun, NineteenEntriesOnePerLine) {
    ProgramRun run;
    run_program(run, test_table("substance_menu19.tab"), "\n0\n");
    ASSERT_FALSE(run.timed_out);
    const auto console = run.console_lines();
    ASSERT_GE(console.size(), 24u + 23u);
    EXPECT_EQ(console[24], "       1  S01_fluid ");
    EXPECT_EQ(console[42], "      19  S19_fluid ");
    EXPECT_EQ(console[43], "");
    EXPECT_EQ(console[44], "   0  0..Exit");
    EXPECT_EQ(console[45], " ");
    EXPECT_EQ(console[46], " Option :");
}

}  // namespace
