#include "platform/text_helpers.h"

#include <gtest/gtest.h>

namespace {

Text<80> line80(std::string_view s) {
    return fixed<80>(s);
}

TEST(TextHelpers, LeftJustify) {
    struct Case {
        std::string_view in, out;
    } cases[] = {
        {"   abc", "abc"},
        {"abc  d", "abc  d"},
        {"", ""},
        {" x", "x"},
    };
    for (const auto& c : cases) {
        Text<80> line = line80(c.in);
        EXPECT_EQ(I4_CLEFT(line), 0);
        EXPECT_EQ(view(line), view(line80(c.out))) << c.in;
    }
    Text<80> full;
    full.fill('z');
    full[0] = ' ';
    I4_CLEFT(full);
    EXPECT_EQ(full[78], 'z');
    EXPECT_EQ(full[79], ' ');
}

TEST(TextHelpers, FirstWord) {
    struct Case {
        std::string_view in, word;
        int32_t length;
    } cases[] = {
        {"  abcde  xyz", "abcde", 5},
        {"abcdefghijklmnopqrstuvwxy z", "abcdefghijklmnopqrst", 20},
        {"", "", 0},
        {"a", "a", 1},
        {"\tx y", "\tx", 2},  // only the blank separates words
    };
    for (const auto& c : cases) {
        Text<20> word;
        int32_t length = -1;
        EXPECT_EQ(I4_CSTR(line80(c.in), word, length), 0);
        EXPECT_EQ(view(word), view(fixed<20>(c.word))) << c.in;
        EXPECT_EQ(length, c.length) << c.in;
    }
}

TEST(TextHelpers, CentreStartsAtHalfTheFreeColumns) {
    struct Case {
        std::string_view in;
        std::size_t column;
    } cases[] = {
        {"X A L T R I X S O L O", 30},
        {"Computer Program for the Calculation of Thermodynamic Properties", 8},
        {"x", 40},
        {"xy", 39},
        {"      x", 40},  // leading blanks do not count
    };
    for (const auto& c : cases) {
        Text<80> target;
        EXPECT_EQ(I4_ZENTER(line80(c.in), target), 0);
        const std::string_view t = view(target);
        EXPECT_EQ(t.find_first_not_of(' '), c.column - 1) << c.in;
    }
    Text<80> target;
    I4_ZENTER(blank_text<80>(), target);
    EXPECT_TRUE(is_blank(target));
    Text<80> full;
    full.fill('q');
    I4_ZENTER(full, target);
    EXPECT_EQ(target, full);
}

}  // namespace
