#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/status_codes.h"
#include "substance/substance.h"
#include "substance_support.h"

namespace {

constexpr double kTrefOffset = 9.999999747378752e-06;

std::string data_table(const std::string& name) {
    std::ifstream in(std::string(XALT1_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// One selection and load as the main cycle makes it.
struct Load {
    Text<10> code = blank_text<10>();
    int32_t menu_status = 0;
    int32_t status = 0;
};

Load select_and_load() {
    Load l;
    X_STAUSW(UNIT_TABLE.i4_lun, l.code, l.menu_status);
    if (!is_blank(l.code) && l.code != fixed<10>("0")) X_TABEIN(true, l.code, l.status);
    return l;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(Loader, MinimalTable) {
    TableSession t(data_table("substance_minimal.tab"), "1\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "Argon     ");
    EXPECT_EQ(l.menu_status, 0);
    EXPECT_EQ(l.status, 0);
    const SubstConst& s = SUBST_CONST;
    EXPECT_DOUBLE_EQ(s.Dc, 13.4);
    EXPECT_DOUBLE_EQ(s.Tc, 150.7);
    EXPECT_DOUBLE_EQ(s.Pc, 4.86);
    EXPECT_DOUBLE_EQ(s.D0, 20.0);
    EXPECT_DOUBLE_EQ(s.T0, 100.0);
    EXPECT_DOUBLE_EQ(s.Alpha, 1.0);
    EXPECT_DOUBLE_EQ(s.MolWt, 39.948);
    EXPECT_DOUBLE_EQ(s.Dref, 1.0e-6);
    EXPECT_EQ(s.Tref, 298.15 + kTrefOffset);
    EXPECT_EQ(s.i4_ncp0, 1);
    EXPECT_DOUBLE_EQ(s.K[0], 2.5);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 1);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fa.c[0], -2.0);
    EXPECT_EQ(EOS_COEFF.Fa.n[0], -2);
    EXPECT_EQ(EOS_COEFF.Fq.i4_nz, 1);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fq.c[0], 0.25);
    EXPECT_EQ(EOS_COEFF.Fd.i4_nz, 1);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fd.c[0], -0.15);
    EXPECT_EQ(t.status_file(), "");
}

TEST(Loader, CommentsLongLinesAndLowerCaseTags) {
    TableSession t(data_table("substance_sections.tab"), "1\n");
    const Load l = select_and_load();
    ASSERT_EQ(view(l.code), "Argon     ");
    EXPECT_EQ(l.status, 0);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 150.7);  // the lower-case constants line is ignored
    EXPECT_DOUBLE_EQ(SUBST_CONST.Pc, 4.86);   // from a line longer than 80 characters ...
    EXPECT_DOUBLE_EQ(SUBST_CONST.Q2, 0.0);    // ... whose text beyond column 80 does not count
    EXPECT_DOUBLE_EQ(SUBST_CONST.K[0], 2.5);
    const AttractionSet& a = EOS_COEFF.Fa;
    EXPECT_EQ(a.i4_nz, 3);
    EXPECT_DOUBLE_EQ(a.c[1], 0.05);  // "Fa-2": index directly after the tag
    EXPECT_EQ(a.n[1], 3);            // the lower-case "fa- 2" line is a comment
    EXPECT_EQ(a.l[2], 12);           // cut at column 80
    EXPECT_DOUBLE_EQ(a.c[2], 4.5);
    EXPECT_EQ(t.status_file(), "");
}

TEST(Loader, ConstantsSpreadOverSeveralLines) {
    TableSession t(data_table("substance_sections.tab"), "2\n");
    const Load l = select_and_load();
    ASSERT_EQ(view(l.code), "Nitrogen  ");
    EXPECT_EQ(l.status, 0);
    const SubstConst& s = SUBST_CONST;
    EXPECT_DOUBLE_EQ(s.Dc, 11.18);
    EXPECT_DOUBLE_EQ(s.Tc, 126.2);
    EXPECT_DOUBLE_EQ(s.Pc, 3.39);
    EXPECT_DOUBLE_EQ(s.Alpha, 1.1);  // on a line that carries the whole code
    EXPECT_DOUBLE_EQ(s.Q2, 0.5);
    EXPECT_DOUBLE_EQ(s.Href, 100.0);
    EXPECT_EQ(s.Tref, 300.0 + kTrefOffset);
    EXPECT_EQ(s.i4_ncp0, 2);
    EXPECT_DOUBLE_EQ(s.K2[1], 3364.0);
}

struct EntryCase {
    std::string choice;
    std::string code;
    int32_t status;
    double Tc;  // Tc after the load (records cleared before)
};

TEST(Loader, EntriesOfTheSectionsTable) {
    const EntryCase cases[] = {
        {"3", "Hollow    ", 0, 0.0},     // header followed directly by "#####"
        {"4", "Missing   ", -1, 0.0},    // no entry: end of file while searching
        {"5", "Twice     ", 0, 111.0},   // the first of two entries counts
        {"6", "Methane_lo", 0, 190.56},  // code cut to 10; "########" ends the entry
        {"7", "Last      ", 0, 333.0},   // no terminator, no final line end
    };
    for (const auto& c : cases) {
        TableSession t(data_table("substance_sections.tab"), c.choice + "\n");
        const Load l = select_and_load();
        EXPECT_EQ(view(l.code), c.code);
        EXPECT_EQ(l.status, c.status) << c.code;
        EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, c.Tc) << c.code;
        EXPECT_EQ(t.status_file(), "") << c.code;
        const bool reported = t.console().find(" Fehler in der Tabelle-Reinstoffdaten zu " +
                                               c.code + " fehlen !\n") != std::string::npos;
        EXPECT_EQ(reported, c.status != 0) << c.code;
    }
}

TEST(Loader, LastEntryWithoutTerminatorLoadsCompletely) {
    TableSession t(data_table("substance_sections.tab"), "7\n");
    ASSERT_EQ(select_and_load().status, 0);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Pc, 3.3);
    EXPECT_EQ(SUBST_CONST.i4_ncp0, 2);
    EXPECT_DOUBLE_EQ(SUBST_CONST.K2[1], 500.0);
}

TEST(Loader, BlankMenuCodeIsReturnedAsBlanks) {
    TableSession t(data_table("substance_sections.tab"), "8\n");
    EXPECT_TRUE(is_blank(select_and_load().code));
}

TEST(Loader, RecordsAreNotClearedBetweenLoads) {
    TableSession t(data_table("substance_sections.tab"), "1\n3\n5\n");
    ASSERT_EQ(select_and_load().status, 0);  // Argon
    ASSERT_EQ(select_and_load().status, 0);  // Hollow sets nothing
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 150.7);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Dc, 13.4);
    ASSERT_EQ(select_and_load().status, 0);  // Twice sets Tc and term 1 only
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 111.0);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Dc, 13.4);
    EXPECT_DOUBLE_EQ(SUBST_CONST.K[0], 1.0);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 3);  // the coefficients are read anew, the same
}

// A failing value word in each kind of field: the table line is replaced, the exact line of the
// status file checked; the load stops with the status of the failed read.
struct FailCase {
    std::string replaced;
    std::string by;
    std::string status_line;
    bool missing_line;  // the console also says the entry is missing (coefficient failures)
};

TEST(Loader, FailingValueWordInEachKindOfField) {
    const FailCase cases[] = {
        {"Tc: 150.7", "Tc: 150,7", " x_rconst: Error at internal Read!            7", false},
        {"Cp01 1 0.", "Cp01 x 0.", " x_rconst: Error at internal Read!            7", false},
        {"Cp01 1 0.", "Cp01 21 0.", " x_rconst: Error at internal Read!            8", false},
        {"Cp01 1 0. 2.5", "Cp01 1 0.x 2.5", " x_rconst: Error at internal Read!            7",
         false},
        {"2.5 0.", "2.5x 0.", " x_rconst: Error at internal Read!            7", false},
        {"2.5 0.", "2.5 0.x", " x_rconst: Error at internal Read!            7", false},
        {"Fa- 1  -2.0000000   -2    1    0    0", "Fa- 1  -2.0000000   -2    1    0    O",
         " x_rcoeff: Error at internal Read l:!            7", true},
        {"Fa- 1  -2.0000000", "Fa- 1  -2.00000O0",
         " x_rcoeff: Error at internal Read c:!            7", true},
        {"Fq- 1    2    3    4", "Fq- 1    2    3    K",
         " x_rcoeff: Error at internal Read k:!            7", true},
        {"Fd- 1    1    2    3    4", "Fd- 1    1    2    3    o",
         " x_rcoeff: Error at internal Read o:!            7", true},
        {"Fd- 1", "Fd- 41", " x_rcoeff: Error at internal Read i4_z:!            8", true},
    };
    for (const auto& c : cases) {
        std::string table = data_table("substance_minimal.tab");
        const auto at = table.find(c.replaced);
        ASSERT_NE(at, std::string::npos) << c.replaced;
        table.replace(at, c.replaced.size(), c.by);
        TableSession t(table, "1\n\n");
        const Load l = select_and_load();
        EXPECT_EQ(view(l.code), "Argon     ");
        EXPECT_NE(l.status, 0) << c.by;
        EXPECT_EQ(t.status_file(), c.status_line + "\n") << c.by;
        const bool missing_line =
            t.console().find(" Fehler in der Tabelle-Reinstoffdaten zu Argon      fehlen !") !=
            std::string::npos;
        EXPECT_EQ(missing_line, c.missing_line) << c.by;
    }
}

TEST(Loader, FailedLoadLeavesThePartlyUpdatedRecord) {
    std::string table = data_table("substance_minimal.tab");
    table.replace(table.find("Pc: 4.86"), 8, "Pc: 4.8.6");
    TableSession t(table, "1\n\n");
    SUBST_CONST.D0 = -1.0;
    EXPECT_EQ(select_and_load().status, STATUS_BAD_NUMBER);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 150.7);  // before the failing word
    EXPECT_DOUBLE_EQ(SUBST_CONST.D0, -1.0);   // after it
}

TEST(Loader, EndOfFileInTheCoefficientSection) {
    TableSession t("R-   Argon\n##########\nFa- 1 1. 1 1 1 1\n", "1\n\n");
    const Load l = select_and_load();
    EXPECT_EQ(l.status, -1);
    EXPECT_EQ(t.status_file(), " x_tabein: Error at Read into x_rstoff.tab!           -1\n");
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 1);
}

TEST(Loader, WithoutCoefficientsTheSearchStartsAtTheMenuEnd) {
    TableSession t(data_table("substance_minimal.tab"), "1\n");
    Text<10> code;
    int32_t status = 0;
    X_STAUSW(UNIT_TABLE.i4_lun, code, status);
    X_TABEIN(false, code, status);
    EXPECT_EQ(status, 0);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 150.7);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 0);
}

TEST(Loader, TraceLinesWhenTheSwitchIsOn) {
    TableSession t(data_table("substance_minimal.tab"), "1\n");
    UNIT_TABLE.l_trace = true;
    ASSERT_EQ(open_channel(lun_of(TRACE_ENTRY), "xalt1.log"), 0);
    const Load l = select_and_load();
    UNIT_TABLE.l_trace = false;
    EXPECT_EQ(l.status, 0);
    const std::string trace = t.session().read_file("xalt1.log");
    EXPECT_NE(trace.find(" Fq- 1    2    3    4    1   0.25"), std::string::npos);
    EXPECT_NE(trace.find(" A    Dc: 13.4"), std::string::npos);
}

// ---- The menu ------------------------------------------------------------------------------

std::string menu_table(int entries) {
    std::string table = "menu test\n";
    for (int k = 1; k <= entries; ++k) table += "R-   S" + std::to_string(k) + "_fluid\n";
    table += "##########\nFa- 1 1. 1 1 1 1\n#####\n";
    for (int k = 1; k <= entries; ++k)
        table += "S" + std::to_string(k) + "_fluid\nS Tc: " + std::to_string(k) + ".\n#####\n";
    return table;
}

std::string tail_lines(int fillers) {
    std::string tail = "\n   0  0..Exit\n";
    for (int k = 0; k < fillers; ++k) tail += " \n";
    return tail + " Option :\n";
}

TEST(Menu, OnePerLineBelowTwentyEntries) {
    TableSession t(data_table("substance_menu19.tab"), "19\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "S19_fluid ");
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 119.0);
    std::string expected;
    for (int k = 1; k <= 19; ++k) {
        char line[32];
        std::snprintf(line, sizeof line, " %7d  S%02d_fluid \n", k, k);
        expected += line;
    }
    EXPECT_EQ(t.console(), expected + tail_lines(1));
}

TEST(Menu, FourPerLineFromTwentyEntries) {
    TableSession t(data_table("substance_menu20.tab"), "20\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "S20_fluid ");
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 120.0);
    const std::vector<std::string> lines = lines_of(t.console());
    ASSERT_EQ(lines.size(), 5u + 3u);
    EXPECT_EQ(lines[0],
              "  1 S01_fluid         2 S02_fluid         3 S03_fluid         4 S04_fluid      ");
    EXPECT_EQ(lines[4],
              " 17 S17_fluid        18 S18_fluid        19 S19_fluid        20 S20_fluid      ");
    EXPECT_EQ(lines[0].size(), 79u);             // a blank, then columns 1-78
    EXPECT_EQ(lines[0].find("S02_fluid"), 24u);  // codes in columns 4, 24, 44, 64
    EXPECT_EQ(lines[0].find("S03_fluid"), 44u);
    EXPECT_EQ(lines[0].find("S04_fluid"), 64u);
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "   0  0..Exit");
    EXPECT_EQ(lines[7], " Option :");
}

TEST(Menu, ThreeDigitNumbersFillTheFirstThreeColumnsOfTheirCell) {
    TableSession t(menu_table(101), "101\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "S101_fluid");
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 101.0);
    const std::vector<std::string> lines = lines_of(t.console());
    ASSERT_EQ(lines.size(), 26u + 3u);
    EXPECT_EQ(lines[24].substr(0, 24), " 97 S97_fluid        98 ");
    EXPECT_EQ(lines[25], " 101S101_fluid" + std::string(65, ' '));  // a row with one cell
    EXPECT_EQ(lines[24].substr(60), " 100S100_fluid     ");
}

TEST(Menu, AnswersOutsideTheMenuShowItAgain) {
    TableSession t(data_table("substance_minimal.tab"), "2\n-1\nabc\n\n 1.5\n1\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "Argon     ");
    const std::string console = t.console();
    std::size_t prompts = 0;
    for (std::size_t at = console.find(" Option :"); at != std::string::npos;
         at = console.find(" Option :", at + 1))
        ++prompts;
    EXPECT_EQ(prompts, 5u);
}

TEST(Menu, QuitCode) {
    TableSession t(data_table("substance_minimal.tab"), "0\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "0         ");
    EXPECT_EQ(l.menu_status, 0);
}

TEST(Menu, NoMenuLines) {
    TableSession t("just a comment\n##########\n", "1\n7\n0\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "0         ");
    const std::string once = tail_lines(20);
    EXPECT_EQ(t.console(), once + once + once);
}

TEST(Menu, TenSignsEndTheMenuSection) {
    TableSession t("R-   A\n#########\nR-   B\n########## and more\nR-   C\n##########\n",
                   "3\n0\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "0         ");
    EXPECT_NE(t.console().find("       2  B         \n"), std::string::npos);
    EXPECT_EQ(t.console().find("       3  "), std::string::npos);
}

TEST(Menu, MissingTerminatorStillShowsTheMenu) {
    TableSession t("R-   Argon\nR-   Neon\n", "\n2\n\n\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "Neon      ");
    EXPECT_EQ(l.menu_status, -1);
    EXPECT_EQ(l.status, -1);
    EXPECT_EQ(t.status_file(),
              " x_stausw: Error at Read into x_rstoff.tab!           -1\n"
              " x_stausw: Error at Routine x_stausw!           -1\n"
              " x_tabein: Error at Read into x_rstoff.tab!           -1\n");
    EXPECT_NE(t.console().find("       2  Neon      \n"), std::string::npos);
}

TEST(Menu, HoldsTheFirstThousandEntries) {
    TableSession t(menu_table(1005), "1001\n1000\n");
    const Load l = select_and_load();
    EXPECT_EQ(view(l.code), "S1000_flui");
    const std::vector<std::string> lines = lines_of(t.console());
    // 250 rows, empty line, exit line, prompt; shown twice
    ASSERT_EQ(lines.size(), 2u * 253u);
    EXPECT_EQ(lines[249].substr(60), " ***S1000_flui     ");
    EXPECT_EQ(lines[248].substr(60), " 996S996_fluid     ");
    EXPECT_EQ(l.status, 0);  // columns 1-10 of the header "S1000_fluid" are the cut code
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 1000.0);
}

}  // namespace
