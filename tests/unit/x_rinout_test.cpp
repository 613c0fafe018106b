#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "substance/subst_const.h"
#include "test_support.h"

namespace {

const std::string kMenu =
    " 1=T/Density   2=Pressure/T   3=Pressure/Density  4=Ts  5=Ps  0=Quit  Input: ";

const std::vector<std::string> kHeader = {
    "                   ARGON      - Thermodynamic Properties           2026120709",
    "       T        D          P         u        h        s         cv      cp         f",
    "       K     mol/dm3      MPa      J/mol    J/mol   J/mol-K   J/mol-K J/mol-K    J/mol",
};

// A result file with the given lines; the channels of the result file and the echo are open.
struct Dialogue {
    explicit Dialogue(const std::vector<std::string>& lines, const std::string& input)
        : session(input) {
        std::string text;
        for (const auto& l : lines) text += l + "\n";
        session.write_file("xalt1.dat", text);
        UNIT_TABLE.i4_lun[RESULT_ENTRY - 1] = 12;
        UNIT_TABLE.i4_lun[ECHO_ENTRY - 1] = 18;
        EXPECT_EQ(open_channel(12, "xalt1.dat"), 0);
        EXPECT_EQ(open_channel(18, "atest.log"), 0);
    }
    void run() { X_RINOUT(T, D, P, mode, status); }
    std::vector<std::string> console_lines() const {
        std::vector<std::string> lines;
        std::string text = session.console();
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }
    ScriptedSession session;
    double T = -1, D = -1, P = -1;
    int32_t mode = -99, status = -99;
};

// A table line as it appears on the screen: a blank, then the first 78 characters, padded.
std::string shown(const std::string& line) {
    std::string s = " " + line.substr(0, 78);
    s.resize(79, ' ');
    return s;
}

std::vector<std::string> with_marker(std::vector<std::string> lines) {
    lines.push_back("end");
    return lines;
}

std::string numbered_row(int i) {
    return "  " + std::to_string(1000 + i) + ".000  row number " + std::to_string(i);
}

TEST(ModeDialogue, HeaderOnlyShowsNoTableAndEighteenEmptyLines) {
    Dialogue d(with_marker(kHeader), "7\n");
    d.run();
    const auto lines = d.console_lines();
    ASSERT_EQ(lines.size(), 19u);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(lines[i], "") << i;
    EXPECT_EQ(lines[18], kMenu);
    EXPECT_EQ(kMenu.size(), 77u);
    EXPECT_EQ(d.mode, 7);
    EXPECT_EQ(d.status, 0);
}

TEST(ModeDialogue, OneRowShowsHeaderAndRowThenSeventeenEmptyLines) {
    const std::string row = numbered_row(1) + std::string(70, '9');  // longer than 78
    Dialogue d(with_marker({kHeader[0], kHeader[1], kHeader[2], row}), "-1\n");
    d.run();
    const auto lines = d.console_lines();
    ASSERT_EQ(lines.size(), 2u + 4u + 17u + 1u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[2 + i], shown(kHeader[i]));
    EXPECT_EQ(lines[5], shown(row));
    EXPECT_EQ(lines[5].size(), 79u);
    for (int i = 6; i < 23; ++i) EXPECT_EQ(lines[i], "") << i;
    EXPECT_EQ(lines[23], kMenu);
    EXPECT_EQ(d.mode, -1);
}

// The screen keeps the first header and the most recent lines before the marker; the menu
// stays on the same console row while the table grows, one row up once twenty lines show.
TEST(ModeDialogue, ScreenScrollsBelowTheFirstHeader) {
    const struct {
        int rows;           // table lines after the header
        int first_shown;    // first row shown below the header
        std::size_t lines;  // console lines before the menu
    } cases[] = {{1, 1, 23}, {16, 1, 23}, {17, 1, 22}, {18, 2, 22}, {27, 11, 22}, {60, 44, 22}};
    for (const auto& c : cases) {
        std::vector<std::string> file = kHeader;
        for (int i = 1; i <= c.rows; ++i) file.push_back(numbered_row(i));
        Dialogue d(with_marker(file), "9\n");
        d.run();
        const auto lines = d.console_lines();
        ASSERT_EQ(lines.size(), c.lines + 1) << c.rows;
        EXPECT_EQ(lines.back(), kMenu);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[2 + i], shown(kHeader[i])) << c.rows;
        const int shown_rows = c.rows - c.first_shown + 1;
        for (int i = 0; i < shown_rows; ++i) {
            EXPECT_EQ(lines[5 + i], shown(numbered_row(c.first_shown + i))) << c.rows;
        }
        for (std::size_t i = 5 + shown_rows; i < c.lines; ++i) EXPECT_EQ(lines[i], "") << c.rows;
    }
}

TEST(ModeDialogue, ThirtyLinesShowFileLinesOneToThreeAndFourteenToThirty) {
    std::vector<std::string> file;
    for (int i = 1; i <= 30; ++i) file.push_back("line " + std::to_string(i));
    Dialogue d(with_marker(file), "8\n");
    d.run();
    const auto lines = d.console_lines();
    ASSERT_EQ(lines.size(), 23u);
    std::vector<std::string> expected = {"", ""};
    for (int i : {1, 2, 3}) expected.push_back(shown("line " + std::to_string(i)));
    for (int i = 14; i <= 30; ++i) expected.push_back(shown("line " + std::to_string(i)));
    expected.push_back(kMenu);
    EXPECT_EQ(lines, expected);
}

TEST(ModeDialogue, BlankLinesAreSkippedAndCounted) {
    Dialogue d(with_marker({kHeader[0], "", kHeader[2], "   ", numbered_row(1), ""}), "9\n");
    d.run();
    const auto lines = d.console_lines();
    // n = 6 lines read, 3 blank: three shown, 21 - 3 empty lines follow.
    ASSERT_EQ(lines.size(), 2u + 3u + 18u + 1u);
    EXPECT_EQ(lines[2], shown(kHeader[0]));
    EXPECT_EQ(lines[3], shown(kHeader[2]));
    EXPECT_EQ(lines[4], shown(numbered_row(1)));
    for (int i = 5; i < 23; ++i) EXPECT_EQ(lines[i], "") << i;
}

// With exactly four lines every line is shown, blank or not.
TEST(ModeDialogue, FourLinesAreAllShown) {
    Dialogue d(with_marker({kHeader[0], "", kHeader[2], numbered_row(1)}), "9\n");
    d.run();
    const auto lines = d.console_lines();
    ASSERT_EQ(lines.size(), 2u + 4u + 17u + 1u);
    EXPECT_EQ(lines[3], shown(""));
}

// The marker is never shown and the next record written replaces it.
TEST(ModeDialogue, ResultFileIsLeftJustBeforeTheMarker) {
    Dialogue d(with_marker({kHeader[0], kHeader[1], kHeader[2], numbered_row(1)}), "9\n");
    d.run();
    EXPECT_EQ(d.session.console().find("end"), std::string::npos);
    ASSERT_EQ(write_record(12, numbered_row(2)), 0);
    ASSERT_EQ(write_record(12, "end"), 0);
    EXPECT_EQ(d.session.read_file("xalt1.dat"), kHeader[0] + "\n" + kHeader[1] + "\n" + kHeader[2] +
                                                    "\n" + numbered_row(1) + "\n" +
                                                    numbered_row(2) + "\nend\n");
}

// Without a marker the lines are shown and the reading ends quietly at the end of the file.
TEST(ModeDialogue, FileWithoutMarker) {
    Dialogue d({kHeader[0], kHeader[1], kHeader[2], numbered_row(1)}, "9\n");
    d.run();
    const auto lines = d.console_lines();
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[5], shown(numbered_row(1)));
    EXPECT_EQ(d.status, 0);
}

TEST(ModeDialogue, EmptyResultFileShowsOnlyTheMenu) {
    Dialogue d({}, "9\n");
    d.run();
    const auto lines = d.console_lines();
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines.back(), kMenu);
    EXPECT_EQ(d.status, 0);
}

TEST(ModeDialogue, UnreadableResultFileReturnsTheReadStatus) {
    Dialogue d(with_marker(kHeader), "9\n");
    close_channel(12);
    d.run();
    EXPECT_EQ(d.status, STATUS_NOT_OPEN);
    EXPECT_EQ(d.console_lines().back(), kMenu);  // the menu is still shown and answered
    EXPECT_EQ(d.mode, 9);
}

// Each mode asks for its values in order and leaves the others 0.0.
TEST(ModeDialogue, PromptsAndValuesOfEachMode) {
    const struct {
        std::string input;
        int32_t mode;
        std::vector<std::string> prompts;
        double T, D, P;
    } cases[] = {
        {"1\n300\n25.5\n",
         1,
         {" Input Temperature [K]:", " Input Density [mol/dm3]:"},
         300,
         25.5,
         0},
        {"2\n0.1\n250\n", 2, {" Input Pressure [MPa]:", " Input Temperature [K]:"}, 250, 0, 0.1},
        {"3\n-1.5\n3d1\n", 3, {" Input Pressure [MPa]:", " Input Density [mol/dm3]:"}, 0, 30, -1.5},
        {"4\n87.3\n", 4, {" Input Saturation-Temperature [K]:"}, 87.3, 0, 0},
        {"5\n.5\n", 5, {" Input Saturation-Pressure [MPa]:"}, 0, 0, 0.5},
        {"1\n0\n0\n", 1, {" Input Temperature [K]:", " Input Density [mol/dm3]:"}, 0, 0, 0},
        {"7\n", 7, {}, 0, 0, 0},
        {"-1\n", -1, {}, 0, 0, 0},
        {"0\n", 0, {}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        Dialogue d(with_marker(kHeader), c.input);
        d.run();
        const auto lines = d.console_lines();
        ASSERT_EQ(lines.size(), 19u + c.prompts.size()) << c.input;
        EXPECT_EQ(lines[18], kMenu);
        for (std::size_t i = 0; i < c.prompts.size(); ++i) {
            EXPECT_EQ(lines[19 + i], c.prompts[i]) << c.input;
        }
        EXPECT_EQ(d.mode, c.mode);
        EXPECT_EQ(d.T, c.T) << c.input;
        EXPECT_EQ(d.D, c.D) << c.input;
        EXPECT_EQ(d.P, c.P) << c.input;
        EXPECT_EQ(d.status, 0);
        const std::string echo = d.session.read_file("atest.log");
        EXPECT_EQ(echo.empty(), c.mode != 0) << c.input;
    }
}

// An answer that is not a number asks the same question again.
TEST(ModeDialogue, AnswersThatAreNotNumbersAreAskedAgain) {
    Dialogue d(with_marker(kHeader), "two\n2.5\n2\nlow\n\n0.1\n300 K\n");
    d.run();
    const auto lines = d.console_lines();
    const std::vector<std::string> tail(lines.begin() + 18, lines.end());
    const std::vector<std::string> expected = {kMenu,
                                               kMenu,
                                               kMenu,
                                               " Input Pressure [MPa]:",
                                               " Input Pressure [MPa]:",
                                               " Input Temperature [K]:"};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(d.mode, 2);
    EXPECT_EQ(d.P, 0.1);
    EXPECT_EQ(d.T, 300.0);
}

TEST(ModeDialogue, EndOfInputEndsTheDialogue) {
    for (const std::string input : {"", "1\n", "1\n300\n", "x\n"}) {
        Dialogue d(with_marker(kHeader), input);
        EXPECT_THROW(d.run(), EndOfInput) << input;
    }
}

// Mode 0 writes one record: the 25 labels, each followed by its constant, in order.
TEST(ModeDialogue, ConstantsEchoOnLeavingTheSubstance) {
    SubstConst saved = SUBST_CONST;
    SUBST_CONST = SubstConst{};
    SUBST_CONST.Dc = 13.4074;
    SUBST_CONST.Tc = 150.687;
    SUBST_CONST.Pc = 4.863;
    SUBST_CONST.D0 = 11.5;
    SUBST_CONST.T0 = 120.25;
    SUBST_CONST.Alpha = 1.0;
    SUBST_CONST.Q2 = 0.5;
    SUBST_CONST.Dp = 0.25;
    SUBST_CONST.MolWt = 39.948;
    SUBST_CONST.Tref = 298.15;
    SUBST_CONST.Href = 6197.0;
    SUBST_CONST.Sref = 154.737;
    for (int i = 0; i < 20; ++i) {
        SUBST_CONST.E[i] = 1 + i;
        SUBST_CONST.K[i] = 101 + i;
        SUBST_CONST.K2[i] = 201 + i;
    }
    SUBST_CONST.Dref = 0.0403;
    Dialogue d(with_marker(kHeader), "0\n0\n");
    d.run();
    d.run();
    SUBST_CONST = saved;
    const std::string echo = d.session.read_file("atest.log");
    const std::vector<std::pair<std::string, double>> pairs = {
        {"Dc: ", 13.4074},   {"Tc: ", 150.687},  {"Pc: ", 4.863},    {"D0: ", 11.5},
        {"T0: ", 120.25},    {"Alpha: ", 1.0},   {"Q2: ", 0.5},      {"Dp: ", 0.25},
        {"MolWt: ", 39.948}, {"Tref: ", 298.15}, {"Href: ", 6197.0}, {"Sref: ", 154.737},
        {"Cp01 E1:", 1},     {"Cp02 E2:", 2},    {"Cp03 E3:", 3},    {"Cp04 E4:", 4},
        {"Cp01 K1:", 101},   {"Cp02 K2:", 102},  {"Cp03 K3:", 103},  {"Cp04 K4:", 104},
        {"Cp01 K21:", 201},  {"Cp02 K22:", 202}, {"Cp03 K23:", 203}, {"Cp04 K24:", 204},
        {"Dref: ", 0.0403},
    };
    std::string record = " ";
    for (const auto& [label, value] : pairs) record += label + list_real(value);
    EXPECT_EQ(echo, record + "\n" + record + "\n");  // one record per use of mode 0
    // Each value reads back exactly after its label.
    std::size_t pos = 0;
    for (const auto& [label, value] : pairs) {
        pos = echo.find(label, pos);
        ASSERT_NE(pos, std::string::npos) << label;
        pos += label.size();
        EXPECT_EQ(std::stod(echo.substr(pos, 26)), value) << label;
    }
    EXPECT_EQ(d.T, 0.0);
    EXPECT_EQ(d.D, 0.0);
    EXPECT_EQ(d.P, 0.0);
}

// A failed echo is reported through the status; the mode is still returned.
TEST(ModeDialogue, FailedEchoIsReported) {
    Dialogue d(with_marker(kHeader), "0\n");
    close_channel(18);
    d.run();
    EXPECT_EQ(d.mode, 0);
    EXPECT_EQ(d.status, STATUS_NOT_OPEN);
}

}  // namespace
