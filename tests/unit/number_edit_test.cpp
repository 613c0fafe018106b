#include "platform/number_edit.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct FCase {
    double value;
    int w, d;
    std::string expected;
};

TEST(NumberEdit, FixedPoint) {
    const FCase cases[] = {
        {0.5, 7, 6, ".500000"},      // no room for the leading zero
        {0.5, 8, 6, "0.500000"},     // room for it
        {-0.5, 8, 6, "-.500000"},    // the sign takes the zero's place
        {-0.5, 9, 6, "-0.500000"},   //
        {300.0, 9, 3, "  300.000"},  //
        {-9999.9994, 9, 3, "-9999.999"},
        {99999.9994, 9, 3, "99999.999"},
        {99999.9996, 9, 3, "*********"},  // rounds up to 100000.000: one column too many
        {123456.7, 9, 3, "*********"},    // too large for F9.3
        {-99999.0, 9, 3, "*********"},
        {2.675, 4, 2, "2.67"},    // the double is 2.67499999...: no double rounding
        {1.005, 6, 2, "  1.00"},  // 1.00499999...
        {0.125, 5, 2, " 0.13"},   // an exact half rounds away from zero
        {-0.125, 5, 2, "-0.13"},
        {0.96, 4, 1, " 1.0"},  // carry into the integer part
        {9.96, 4, 1, "10.0"},
        {0.0, 5, 3, "0.000"},
        {0.0, 4, 3, ".000"},
        {-0.0, 5, 3, "0.000"},  // negative zero has no sign
        {-0.04, 9, 1, "     -0.0"},
        {3.7, 5, 0, "   4."},
        {0.2, 3, 0, " 0."},
        {1234.56, 9, 1, "   1234.6"},
        {-100.04, 10, 1, "    -100.0"},
        {1e300, 9, 1, "*********"},
        {kNaN, 9, 3, "*********"},
        {kInf, 9, 3, "*********"},
        {-kInf, 10, 1, "**********"},
        {5e-324, 7, 6, ".000000"},  // smallest denormal
    };
    for (const auto& c : cases) {
        EXPECT_EQ(edit_F(c.value, c.w, c.d), c.expected) << c.value << " F" << c.w << "." << c.d;
    }
}

struct ECase {
    double value;
    int w, d, e;
    std::string expected;
};

TEST(NumberEdit, ExponentForm) {
    const ECase cases[] = {
        {0.101325, 11, 6, 1, "0.101325E+0"},
        {1.0, 11, 6, 1, "0.100000E+1"},
        {12.3456789, 11, 6, 1, "0.123457E+2"},
        {5.0e-3, 11, 6, 1, "0.500000E-2"},
        {-1.5, 11, 6, 1, "-.150000E+1"},  // a negative pressure drops the leading zero
        {-0.00123, 11, 6, 1, "-.123000E-2"},
        {0.99999951, 11, 6, 1, "0.100000E+1"},  // rounding carries into the exponent
        {9.999994e8, 11, 6, 1, "0.999999E+9"},
        {9.9999996e8, 11, 6, 1, "***********"},  // rounds to 0.1E+10: two exponent digits
        {1.5e9, 11, 6, 1, "***********"},
        {1e-10, 11, 6, 1, "0.100000E-9"},
        {1e-11, 11, 6, 1, "***********"},
        {0.0, 11, 6, 1, "0.000000E+0"},
        {kNaN, 11, 6, 1, "***********"},
        {-kInf, 11, 6, 1, "***********"},
        {12.5, 10, 3, 0, " 0.125E+02"},   // without Ee: two exponent digits
        {1e120, 10, 3, 0, " 0.100+121"},  // three digits take the place of the E
        {0.05, 8, 4, 1, ".5000E-1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(edit_E(c.value, c.w, c.d, c.e), c.expected)
            << c.value << " E" << c.w << "." << c.d << "E" << c.e;
    }
}

TEST(NumberEdit, GeneralForm) {
    const ECase cases[] = {
        {0.0, 8, 4, 1, "0.000   "},   // zero: F5.3 and three blanks
        {0.05, 8, 4, 1, ".5000E-1"},  //
        {0.001234567, 8, 4, 1, ".1235E-2"},
        {0.099994, 8, 4, 1, ".9999E-1"},  // below 0.1 after rounding: exponent form
        {0.099996, 8, 4, 1, ".1000   "},  // rounds to 0.1000: fixed form
        {0.1, 8, 4, 1, ".1000   "},
        {0.5, 8, 4, 1, ".5000   "},
        {12.5, 8, 4, 1, "12.50   "},
        {1234.4, 8, 4, 1, "1234.   "},
        {9999.6, 8, 4, 1, ".1000E+5"},  // rounds to 10000: exponent form
        {12345.0, 8, 4, 1, ".1235E+5"},
        {1e-10, 8, 4, 1, ".1000E-9"},
        {1e-11, 8, 4, 1, "********"},
        {-0.05, 8, 4, 1, "********"},  // "-.5000E-1" needs nine columns
        {-0.5, 8, 4, 1, "********"},   // "-.5000" does not fit F5.4
        {kNaN, 8, 4, 1, "********"},
        {0.5, 10, 3, 0, " 0.500    "},  // without Ee four blanks follow
        {0.0, 10, 3, 0, "  0.00    "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(edit_G(c.value, c.w, c.d, c.e), c.expected)
            << c.value << " G" << c.w << "." << c.d << "E" << c.e;
    }
}

// Every field has exactly the width asked for, whatever the value.
TEST(NumberEdit, FieldWidthIsAlwaysKept) {
    const double values[] = {0.0,  -0.0,  1e-300, -1e-300, 0.1,    -0.1,   1.0,    -1.0,
                             7e5,  -7e5,  1e9,    -1e9,    1e300,  -1e300, kNaN,   kInf,
                             0.35, 99.95, 1e-5,   123.456, 5e-324, 0.0995, 9.9995, -9.9995};
    for (double v : values) {
        EXPECT_EQ(edit_F(v, 9, 3).size(), 9u) << v;
        EXPECT_EQ(edit_F(v, 10, 1).size(), 10u) << v;
        EXPECT_EQ(edit_E(v, 11, 6, 1).size(), 11u) << v;
        EXPECT_EQ(edit_G(v, 8, 4, 1).size(), 8u) << v;
    }
}

}  // namespace
