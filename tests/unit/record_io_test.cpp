#include "platform/record_io.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(FreeFormat, RealForms) {
    struct Case {
        std::string_view text;
        bool ok;
        double value;
    } cases[] = {
        {"300", true, 300},    {"300.", true, 300},   {"3e2", true, 300},  {"3.0D2", true, 300},
        {"3.0d+2", true, 300}, {"-1", true, -1},      {".5", true, 0.5},   {"+2.5E-1", true, 0.25},
        {"1.5+2", true, 150},  {"1.5-1", true, 0.15}, {"", false, 0},      {".", false, 0},
        {"abc", false, 0},     {"1e", false, 0},      {"1.2.3", false, 0}, {"NaN", false, 0},
        {"Inf", false, 0},     {"1e400", false, 0},   {"--1", false, 0},   {"1x", false, 0},
    };
    for (const auto& c : cases) {
        double v = -999;
        EXPECT_EQ(parse_fortran_real(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(FreeFormat, IntegerForms) {
    struct Case {
        std::string_view text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"0", true, 0},
        {"-1", true, -1},
        {"+7", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"3.", false, 0},
        {"1e2", false, 0},
        {"-", false, 0},
        {"x", false, 0},
    };
    for (const auto& c : cases) {
        int32_t v = -999;
        EXPECT_EQ(parse_fortran_int(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(FreeFormat, ConsoleSkipsEmptyLinesAndDiscardsTheRest) {
    ScriptedSession session("\n   \n  42, 7 junk\nabc\n5\n");
    int32_t i = 0;
    EXPECT_EQ(read_console_int(i), 0);
    EXPECT_EQ(i, 42);
    EXPECT_EQ(read_console_int(i), STATUS_BAD_NUMBER);
    EXPECT_EQ(i, 42);
    double x = 0;
    EXPECT_EQ(read_console_real(x), 0);
    EXPECT_EQ(x, 5.0);
    EXPECT_THROW(read_console_real(x), EndOfInput);
}

// A comma between digits is a decimal comma: the answer is no number (the caller asks again)
// instead of the value before the comma. A comma after a value still separates it.
TEST(FreeFormat, ConsoleAnswerWithADecimalCommaIsNoNumber) {
    struct Case {
        const char* line;
        int32_t status;
        double value;
    } cases[] = {
        {"0,5", STATUS_BAD_NUMBER, -1},   {"  273,15 K", STATUS_BAD_NUMBER, -1},
        {"1,5e3", STATUS_BAD_NUMBER, -1}, {"-0,25", STATUS_BAD_NUMBER, -1},
        {"0.5, 7", STATUS_OK, 0.5},       {"5,", STATUS_OK, 5},
        {"5 ,3", STATUS_OK, 5},           {"5,x", STATUS_OK, 5},
    };
    for (const auto& c : cases) {
        ScriptedSession session(std::string(c.line) + "\n");
        double x = -1;
        EXPECT_EQ(read_console_real(x), c.status) << c.line;
        EXPECT_EQ(x, c.value) << c.line;
    }
    ScriptedSession session("2,5\n");
    int32_t mode = -1;
    EXPECT_EQ(read_console_int(mode), STATUS_BAD_NUMBER);
    EXPECT_EQ(mode, -1);
}

TEST(Records, ReadCutsAndPadsTo80Columns) {
    ScriptedSession session;
    session.write_file("f.txt", std::string(85, 'a') + "\nshort\r\n\nlast");
    ASSERT_EQ(open_channel(11, "f.txt"), 0);
    Text<80> line;
    EXPECT_EQ(read_record(11, line), 0);
    EXPECT_EQ(view(line), std::string(80, 'a'));
    EXPECT_EQ(read_record(11, line), 0);
    EXPECT_EQ(view(line), view(fixed<80>("short")));
    EXPECT_EQ(read_record(11, line), 0);
    EXPECT_TRUE(is_blank(line));
    EXPECT_EQ(read_record(11, line), 0);
    EXPECT_EQ(trimmed(line), "last");
    EXPECT_EQ(read_record(11, line), STATUS_END_OF_FILE);
}

TEST(Records, WriteTruncatesWhatFollowsAndBackspaceReplaces) {
    ScriptedSession session;
    session.write_file("r.dat", "old1\nold2\nold3\n");
    ASSERT_EQ(open_channel(12, "r.dat"), 0);
    EXPECT_EQ(write_record(12, "new1"), 0);
    EXPECT_EQ(session.read_file("r.dat"), "new1\n");
    EXPECT_EQ(write_record(12, "end"), 0);
    EXPECT_EQ(rewind_channel(12), 0);
    Text<80> line;
    EXPECT_EQ(read_record(12, line), 0);
    EXPECT_EQ(read_record(12, line), 0);
    EXPECT_EQ(trimmed(line), "end");
    EXPECT_EQ(backspace_channel(12), 0);
    EXPECT_EQ(write_record(12, "row"), 0);
    EXPECT_EQ(write_record(12, "end"), 0);
    EXPECT_EQ(session.read_file("r.dat"), "new1\nrow\nend\n");
}

TEST(Records, AppendAfterLastLineWithoutLineEnd) {
    ScriptedSession session;
    session.write_file("r.dat", "a\nb");
    ASSERT_EQ(open_channel(12, "r.dat"), 0);
    Text<80> line;
    while (read_record(12, line) == 0) {
    }
    EXPECT_EQ(write_record(12, "c"), 0);
    EXPECT_EQ(session.read_file("r.dat"), "a\nb\nc\n");
    EXPECT_EQ(backspace_channel(12), 0);
    EXPECT_EQ(read_record(12, line), 0);
    EXPECT_EQ(trimmed(line), "c");
}

TEST(Records, ChannelWithoutFile) {
    ScriptedSession session;
    Text<80> line;
    EXPECT_EQ(read_record(15, line), STATUS_NOT_OPEN);
    EXPECT_EQ(write_record(15, "x"), STATUS_NOT_OPEN);
    EXPECT_EQ(close_channel(15), 0);
}

TEST(ListRecords, BeginWithABlankAndIntegersTakeTwelve) {
    ListRecord r;
    r << "ab" << int32_t{5} << "c";
    EXPECT_EQ(r.text(), " ab           5c");
    ListRecord x;
    x << 150.0;
    EXPECT_NE(x.text().find("150.00000000000000"), std::string::npos);
}

}  // namespace

namespace {

TEST(Records, RewindReadsAFileChangedSinceTheLastRead) {
    ScriptedSession session;
    session.write_file("t.tab", "first\nsecond\n");
    ASSERT_EQ(open_channel(11, "t.tab"), 0);
    Text<80> line;
    EXPECT_EQ(read_record(11, line), 0);
    EXPECT_EQ(trimmed(line), "first");
    session.write_file("t.tab", "changed\nsecond\n");
    EXPECT_EQ(rewind_channel(11), 0);
    EXPECT_EQ(read_record(11, line), 0);
    EXPECT_EQ(trimmed(line), "changed");
}

}  // namespace
