#include "platform/result_row.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

// Columns counted from 1, both ends included.
std::string columns(const std::string& row, std::size_t first, std::size_t last) {
    return row.substr(first - 1, last - first + 1);
}

struct Column {
    std::size_t first, last;
    std::string text;
};

TEST(ResultRow, FullRowColumns) {
    const std::string row =
        full_row("l ", 300.0, 0.05, 0.101325, 1234.56, 2345.67, 12.3456, 20.123, 29.456, -100.04);
    ASSERT_EQ(row.size(), 88u);
    const Column expected[] = {
        {1, 2, "l "},          {3, 11, "  300.000"},  {12, 12, " "},
        {13, 20, ".5000E-1"},  {21, 21, " "},         {22, 32, "0.101325E+0"},
        {33, 41, "   1234.6"}, {42, 50, "   2345.7"}, {51, 60, "   12.3456"},
        {61, 69, "   20.123"}, {70, 78, "   29.456"}, {79, 88, "    -100.0"},
    };
    for (const auto& c : expected) {
        EXPECT_EQ(columns(row, c.first, c.last), c.text) << "columns " << c.first << "-" << c.last;
    }
}

TEST(ResultRow, StateMarkers) {
    const struct {
        std::string_view marker;
        std::string expected;
    } cases[] = {{"  ", "  "}, {"l ", "l "}, {"v ", "v "}, {"l  ", "l "}, {"", "  "}};
    for (const auto& c : cases) {
        const std::string row = full_row(c.marker, 1, 1, 1, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(row.substr(0, 2), c.expected);
        EXPECT_EQ(row.size(), 88u);
    }
}

// The density switches from the general form to F8.4 at the single-precision 0.1.
TEST(ResultRow, DensityField) {
    const struct {
        double D;
        std::string expected;
    } cases[] = {
        {0.0, "0.000   "},
        {0.0123456, ".1235E-1"},
        {0.1, ".1000   "},                  // below 0.10000000149011612: general form
        {0.10000000149011612, "  0.1000"},  // the threshold itself: fixed form
        {0.1000000016, "  0.1000"},         // just above: fixed form
        {25.123456, " 25.1235"},
        {999.99996, "********"},  // 1000.0000 needs nine columns
    };
    for (const auto& c : cases) {
        const std::string row = full_row("  ", 300, c.D, 1, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(columns(row, 13, 20), c.expected) << c.D;
        const std::string mixed = two_phase_row(0.5f, c.D, 1, 1, 1, 1, 1);
        EXPECT_EQ(columns(mixed, 13, 20), c.expected) << c.D;
    }
}

TEST(ResultRow, TwoPhaseRowColumns) {
    const std::string row = two_phase_row(0.5f, 10.0, -1.5, -500.04, 1500.06, 5.55555, 123456.78);
    ASSERT_EQ(row.size(), 88u);
    const Column expected[] = {
        {1, 2, "x="},           {3, 9, ".500000"},
        {10, 12, "   "},        {13, 20, " 10.0000"},
        {21, 21, " "},          {22, 32, "-.150000E+1"},
        {33, 41, "   -500.0"},  {42, 50, "   1500.1"},
        {51, 60, "    5.5556"}, {61, 78, std::string(18, ' ')},
        {79, 88, "  123456.8"},
    };
    for (const auto& c : expected) {
        EXPECT_EQ(columns(row, c.first, c.last), c.text) << "columns " << c.first << "-" << c.last;
    }
}

// The vapour fraction is a single-precision value written with six decimals.
TEST(ResultRow, VapourFraction) {
    const struct {
        float x;
        std::string expected;
    } cases[] = {{0.5f, ".500000"}, {0.1f, ".100000"}, {0.9999999f, "*******"}, {1e-7f, ".000000"}};
    for (const auto& c : cases) {
        const std::string row = two_phase_row(c.x, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(columns(row, 3, 9), c.expected) << c.x;
    }
}

// Values that do not fit, or are not numbers, fill their fields with asterisks and keep the
// columns of the row.
TEST(ResultRow, OversizedValuesKeepTheColumns) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string row = full_row("  ", 123456.7, nan, 2e10, 1e9, -1e9, 1e7, nan, 1e6, 1e12);
    ASSERT_EQ(row.size(), 88u);
    EXPECT_EQ(columns(row, 3, 11), "*********");
    EXPECT_EQ(columns(row, 13, 20), "********");
    EXPECT_EQ(columns(row, 22, 32), "***********");
    EXPECT_EQ(columns(row, 33, 41), "*********");
    EXPECT_EQ(columns(row, 42, 50), "*********");
    EXPECT_EQ(columns(row, 51, 60), "**********");
    EXPECT_EQ(columns(row, 61, 69), "*********");
    EXPECT_EQ(columns(row, 70, 78), "*********");
    EXPECT_EQ(columns(row, 79, 88), "**********");
    EXPECT_EQ(columns(row, 12, 12), " ");
    EXPECT_EQ(columns(row, 21, 21), " ");
}

}  // namespace
