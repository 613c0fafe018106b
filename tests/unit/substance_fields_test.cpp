#include <gtest/gtest.h>

#include <cmath>
#include <string_view>

#include "platform/status_codes.h"
#include "substance/table_fields.h"

namespace {

struct IntCase {
    std::string_view word;
    int32_t width;
    int32_t status;
    int32_t value;
};

TEST(TableFields, IntegerFields) {
    const IntCase cases[] = {
        {"12345", 4, STATUS_OK, 1234},  // cut to the field width
        {"123", 2, STATUS_OK, 12},      // term index: two characters
        {"7", 4, STATUS_OK, 7},
        {"-12", 4, STATUS_OK, -12},
        {"+7", 4, STATUS_OK, 7},
        {"-1234", 4, STATUS_OK, -123},
        {"0", 2, STATUS_OK, 0},
        {"", 4, STATUS_OK, 0},  // all blank reads 0
        {"    ", 4, STATUS_OK, 0},
        {"1 2", 4, STATUS_OK, 12},  // blanks are ignored
        {"1x", 1, STATUS_OK, 1},    // the garbage lies beyond the field
        {"1x", 2, STATUS_BAD_NUMBER, 0},
        {"1.0", 4, STATUS_BAD_NUMBER, 0},
        {"-", 4, STATUS_BAD_NUMBER, 0},
        {"+-1", 4, STATUS_BAD_NUMBER, 0},
        {"abc", 4, STATUS_BAD_NUMBER, 0},
        {"1e2", 4, STATUS_BAD_NUMBER, 0},
        {"\t1", 4, STATUS_BAD_NUMBER, 0},
        {"(1):", 2, STATUS_BAD_NUMBER, 0},
        {"2147483647", 10, STATUS_OK, 2147483647},
        {"2147483648", 10, STATUS_BAD_NUMBER, 0},
        {"99999999999999999999", 20, STATUS_BAD_NUMBER, 0},
    };
    for (const auto& c : cases) {
        int32_t v = -777;
        EXPECT_EQ(read_int_field(c.word, c.width, v), c.status) << '"' << c.word << '"';
        EXPECT_EQ(v, c.status == STATUS_OK ? c.value : -777) << '"' << c.word << '"';
    }
}

struct RealCase {
    std::string_view word;
    int32_t width;
    int32_t status;
    double value;
};

TEST(TableFields, RealFields) {
    const RealCase cases[] = {
        // four implied decimals without point and exponent
        {"150", 17, STATUS_OK, 0.015},
        {"1", 17, STATUS_OK, 0.0001},
        {"-150", 17, STATUS_OK, -0.015},
        {"12345678", 17, STATUS_OK, 1234.5678},
        {"5", 19, STATUS_OK, 0.0005},
        {"0", 17, STATUS_OK, 0.0},
        // a point or an exponent switches them off
        {"150.", 17, STATUS_OK, 150.0},
        {"1.5E2", 17, STATUS_OK, 150.0},
        {"1.5e2", 17, STATUS_OK, 150.0},
        {"1.5D2", 17, STATUS_OK, 150.0},
        {"1.5d2", 17, STATUS_OK, 150.0},
        {"1.5d+02", 17, STATUS_OK, 150.0},
        {"1.5+2", 17, STATUS_OK, 150.0},
        {"1.5-2", 17, STATUS_OK, 0.015},
        {"15.E1", 17, STATUS_OK, 150.0},
        {"15E1", 17, STATUS_OK, 150.0},
        {"-1.5E-2", 17, STATUS_OK, -0.015},
        {"+.5", 17, STATUS_OK, 0.5},
        {".5", 17, STATUS_OK, 0.5},
        {"-0.", 17, STATUS_OK, 0.0},
        {"2.5", 20, STATUS_OK, 2.5},
        {"1e-400", 17, STATUS_OK, 0.0},  // underflow reads as zero
        // blanks and cut words
        {"", 17, STATUS_OK, 0.0},
        {"   ", 17, STATUS_OK, 0.0},
        {"1 .5", 17, STATUS_OK, 1.5},
        {"1.5E2", 4, STATUS_BAD_NUMBER, 0},  // cut to "1.5E"
        {"1.5+2", 4, STATUS_BAD_NUMBER, 0},  // cut to "1.5+"
        {"123.5xyz", 5, STATUS_OK, 123.5},   // the garbage lies beyond the field
        {"123456789012345678901", 17, STATUS_OK, 1234567890123.4567},
        {"0.1234567890123456789", 19, STATUS_OK, 0.12345678901234567},
        // garbage
        {"1.5E", 17, STATUS_BAD_NUMBER, 0},
        {"1.5E+", 17, STATUS_BAD_NUMBER, 0},
        {"E2", 17, STATUS_BAD_NUMBER, 0},
        {".", 17, STATUS_BAD_NUMBER, 0},
        {"-", 17, STATUS_BAD_NUMBER, 0},
        {"+", 17, STATUS_BAD_NUMBER, 0},
        {"1.5.2", 17, STATUS_BAD_NUMBER, 0},
        {"1.5Q2", 17, STATUS_BAD_NUMBER, 0},
        {"1.5E2.0", 17, STATUS_BAD_NUMBER, 0},
        {"1.5E2x", 17, STATUS_BAD_NUMBER, 0},
        {"1,5", 17, STATUS_BAD_NUMBER, 0},
        {"abc", 17, STATUS_BAD_NUMBER, 0},
        {"\t1.5", 17, STATUS_BAD_NUMBER, 0},
        {"--1.", 17, STATUS_BAD_NUMBER, 0},
        {"1.5E--2", 17, STATUS_BAD_NUMBER, 0},
        {"1e400", 17, STATUS_BAD_NUMBER, 0},  // not finite
        {"NaN", 17, STATUS_BAD_NUMBER, 0},
        {"Inf", 17, STATUS_BAD_NUMBER, 0},
    };
    for (const auto& c : cases) {
        double v = -777.0;
        EXPECT_EQ(read_real_field(c.word, c.width, v), c.status) << '"' << c.word << '"';
        if (c.status == STATUS_OK)
            EXPECT_DOUBLE_EQ(v, c.value) << '"' << c.word << '"';
        else
            EXPECT_EQ(v, -777.0) << '"' << c.word << '"';
    }
}

TEST(TableFields, ImpliedDecimalsAreExact) {
    // The point is inserted into the digits, not divided in afterwards.
    double v = 0;
    ASSERT_EQ(read_real_field("15", 17, v), STATUS_OK);
    EXPECT_EQ(v, 0.0015);
    ASSERT_EQ(read_real_field("123456789", 17, v), STATUS_OK);
    EXPECT_EQ(v, 12345.6789);
}

TEST(TableFields, WordsOfALine) {
    // A word of 25 characters is taken as its first 20; the other 5 are the next word.
    Text<80> line = fixed<80>("  abcdefghijklmnopqrstuvwxy  1.5E2   ");
    Text<20> word;
    int32_t length = 0;
    next_word(line, word, length);
    EXPECT_EQ(view(word), "abcdefghijklmnopqrst");
    EXPECT_EQ(length, 20);
    next_word(line, word, length);
    EXPECT_EQ(trimmed(word), "uvwxy");
    EXPECT_EQ(length, 5);
    next_word(line, word, length);
    EXPECT_EQ(trimmed(word), "1.5E2");
    next_word(line, word, length);
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(is_blank(word));
    EXPECT_TRUE(is_blank(line));
}

}  // namespace
