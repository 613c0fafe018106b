#include <gtest/gtest.h>

#include <string>

#include "platform/status_codes.h"
#include "substance/substance.h"
#include "substance_support.h"

namespace {

int32_t read_coefficients(const std::string& text) {
    int32_t status = 0;
    X_RCOEFF(lun_of(TRACE_ENTRY), fixed<80>(text), status);
    return status;
}

TEST(CoefficientLine, AttractionTerm) {
    TableSession t("");
    EXPECT_EQ(read_coefficients("Fa- 3  -2.0000000   -2    1    4    2  extra words"), STATUS_OK);
    const AttractionSet& a = EOS_COEFF.Fa;
    EXPECT_DOUBLE_EQ(a.c[2], -2.0);
    EXPECT_EQ(a.n[2], -2);
    EXPECT_EQ(a.m[2], 1);
    EXPECT_EQ(a.j[2], 4);
    EXPECT_EQ(a.l[2], 2);
    EXPECT_EQ(a.i4_nz, 3);
    EXPECT_EQ(EOS_COEFF.Fq.i4_nz, 0);
}

TEST(CoefficientLine, PolarTerms) {
    TableSession t("");
    EXPECT_EQ(read_coefficients("Fq- 2    1    2    3    4   0.25"), STATUS_OK);
    EXPECT_EQ(read_coefficients("Fd-1 5 6 7 8 -1.5D-1"), STATUS_OK);
    const PolarSet& q = EOS_COEFF.Fq;
    EXPECT_EQ(q.m[1], 1);
    EXPECT_EQ(q.n[1], 2);
    EXPECT_EQ(q.k[1], 3);
    EXPECT_EQ(q.o[1], 4);
    EXPECT_DOUBLE_EQ(q.c[1], 0.25);
    EXPECT_EQ(q.i4_nz, 2);
    const PolarSet& d = EOS_COEFF.Fd;
    EXPECT_EQ(d.m[0], 5);
    EXPECT_EQ(d.o[0], 8);
    EXPECT_DOUBLE_EQ(d.c[0], -0.15);
    EXPECT_EQ(d.i4_nz, 1);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 0);
}

TEST(CoefficientLine, WordForms) {
    TableSession t("");
    // index directly after the tag, cut integers, implied decimals
    EXPECT_EQ(read_coefficients("Fa-1 5 12345 -1234 7 0"), STATUS_OK);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fa.c[0], 0.0005);
    EXPECT_EQ(EOS_COEFF.Fa.n[0], 1234);
    EXPECT_EQ(EOS_COEFF.Fa.m[0], -123);
    EXPECT_EQ(read_coefficients("Fa- 123 1. 1 1 1 1"), STATUS_OK);  // index read from "12"
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 12);
    // a coefficient cut to its width: 17 characters for Fa, 19 for Fq and Fd
    EXPECT_EQ(read_coefficients("Fa- 2 1.23456789012345678 1 1 1 1"), STATUS_OK);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fa.c[1], 1.234567890123456);
    EXPECT_EQ(read_coefficients("Fq- 1 1 1 1 1 1.23456789012345678"), STATUS_OK);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fq.c[0], 1.23456789012345678);
    // a line that ends before its fields: the missing values read as 0
    EOS_COEFF.Fa.l[3] = 9;
    EXPECT_EQ(read_coefficients("Fa- 4 2.5"), STATUS_OK);
    EXPECT_EQ(EOS_COEFF.Fa.l[3], 0);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 4);
}

TEST(CoefficientLine, OtherTagsAreLeftAlone) {
    TableSession t("");
    for (const char* line : {"fa- 1 1. 1 1 1 1", "Fx- 1 1. 1 1 1 1", " Fa- 1 1. 1 1 1 1", "Fa 1"})
        EXPECT_EQ(read_coefficients(line), STATUS_OK) << line;
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 0);
    EXPECT_DOUBLE_EQ(EOS_COEFF.Fa.c[0], 0.0);
}

TEST(CoefficientLine, TermCountIsTheLastIndexRead) {
    TableSession t("");
    for (int i = 1; i <= 12; ++i)
        ASSERT_EQ(read_coefficients("Fa- " + std::to_string(i) + " 1. 1 1 1 1"), STATUS_OK);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 12);
    ASSERT_EQ(read_coefficients("Fa- 5 1. 1 1 1 1"), STATUS_OK);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 5);
    ASSERT_EQ(read_coefficients("Fa- 40 1. 1 1 1 1"), STATUS_OK);
    EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 40);
}

struct FailCase {
    std::string line;
    std::string message;
    int32_t status;
};

TEST(CoefficientLine, EachFieldHasItsMessage) {
    const FailCase cases[] = {
        {"Fa- x 1. 1 1 1 1", "Error at internal Read i4_z:", STATUS_BAD_NUMBER},
        {"Fa- 7 1.x 1 1 1 1", "Error at internal Read c:", STATUS_BAD_NUMBER},
        {"Fa- 7 1. - 1 1 1", "Error at internal Read n:", STATUS_BAD_NUMBER},
        {"Fa- 7 1. 1 1.0 1 1", "Error at internal Read m:", STATUS_BAD_NUMBER},
        {"Fa- 7 1. 1 1 j 1", "Error at internal Read j:", STATUS_BAD_NUMBER},
        {"Fa- 7 1. 1 1 1 1e", "Error at internal Read l:", STATUS_BAD_NUMBER},
        {"Fq- 7 m 1 1 1 1.", "Error at internal Read m:", STATUS_BAD_NUMBER},
        {"Fq- 7 1 n 1 1 1.", "Error at internal Read n:", STATUS_BAD_NUMBER},
        {"Fq- 7 1 1 k 1 1.", "Error at internal Read k:", STATUS_BAD_NUMBER},
        {"Fq- 7 1 1 1 o 1.", "Error at internal Read o:", STATUS_BAD_NUMBER},
        {"Fq- 7 1 1 1 1 c", "Error at internal Read c:", STATUS_BAD_NUMBER},
        {"Fd- 7 1 1 1 1 1.5+", "Error at internal Read c:", STATUS_BAD_NUMBER},
        // only terms 1..40 exist
        {"Fa- 41 1. 1 1 1 1", "Error at internal Read i4_z:", STATUS_BAD_INDEX},
        {"Fq- 0 1 1 1 1 1.", "Error at internal Read i4_z:", STATUS_BAD_INDEX},
        {"Fd- -1 1 1 1 1 1.", "Error at internal Read i4_z:", STATUS_BAD_INDEX},
        {"Fa-", "Error at internal Read i4_z:", STATUS_BAD_INDEX},  // blank index
        {"Fa- 99 1. 1 1 1 1", "Error at internal Read i4_z:", STATUS_BAD_INDEX},
    };
    for (const auto& c : cases) {
        TableSession t("", "\n");
        EOS_COEFF.Fa.i4_nz = EOS_COEFF.Fq.i4_nz = EOS_COEFF.Fd.i4_nz = 3;
        EXPECT_EQ(read_coefficients(c.line), c.status) << c.line;
        EXPECT_EQ(EOS_COEFF.Fa.i4_nz, 3) << c.line;  // not updated by a failing line
        EXPECT_EQ(EOS_COEFF.Fq.i4_nz, 3) << c.line;
        EXPECT_EQ(EOS_COEFF.Fd.i4_nz, 3) << c.line;
        char tail[16];
        std::snprintf(tail, sizeof tail, "! %12d\n", c.status);
        EXPECT_EQ(t.status_file(), " x_rcoeff: " + c.message + tail) << c.line;
    }
}

TEST(CoefficientLine, FieldsReadBeforeAFailureStayStored) {
    TableSession t("", "\n");
    EXPECT_EQ(read_coefficients("Fq- 6 11 12 k 14 1."), STATUS_BAD_NUMBER);
    EXPECT_EQ(EOS_COEFF.Fq.m[5], 11);
    EXPECT_EQ(EOS_COEFF.Fq.n[5], 12);
    EXPECT_EQ(EOS_COEFF.Fq.o[5], 0);
}

}  // namespace
