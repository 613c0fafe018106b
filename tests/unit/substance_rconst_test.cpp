#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/status_codes.h"
#include "substance/substance.h"
#include "substance_support.h"

namespace {

constexpr double kTrefOffset = 9.999999747378752e-06;

int32_t read_constants(const std::string& text) {
    int32_t status = 0;
    X_RCONST(lun_of(TRACE_ENTRY), fixed<80>(text), status);
    return status;
}

struct LabelCase {
    std::string line;
    double SubstConst::*field;
    double expected;  // the field starts at -1
};

TEST(ConstantsLine, LabelGroups) {
    const LabelCase cases[] = {
        {"A Tc: 150", &SubstConst::Tc, 0.015},  // four implied decimals
        {"A Tc: 150.", &SubstConst::Tc, 150.0},
        {"A Tc: 1.5E2", &SubstConst::Tc, 150.0},
        {"A Tcrit: 5.", &SubstConst::Tc, 5.0},   // leading characters decide
        {"A Tc:150.", &SubstConst::Tc, -1.0},    // one word: neither label nor group
        {"A Tc : 150.", &SubstConst::Tc, -1.0},  // the lone colon takes the value word
        {"A tc: 150.", &SubstConst::Tc, -1.0},   // case-sensitive
        {"Tc: 150.", &SubstConst::Tc, -1.0},     // column 1 is only the marker
        {"A Dc: 1.", &SubstConst::Dc, 1.0},
        {"A Pc: 2.", &SubstConst::Pc, 2.0},
        {"A D0: 3.", &SubstConst::D0, 3.0},
        {"A T0: 4.", &SubstConst::T0, 4.0},
        {"A Alpha: 5.", &SubstConst::Alpha, 5.0},
        {"A Alph: 5.", &SubstConst::Alpha, -1.0},  // five characters compared
        {"A Q2: 6.", &SubstConst::Q2, 6.0},
        {"A Dp: 7.", &SubstConst::Dp, 7.0},
        {"A MolWt: 8.", &SubstConst::MolWt, 8.0},
        {"A Dref: 9.", &SubstConst::Dref, 9.0},
        {"A Tref: 300.", &SubstConst::Tref, 300.0 + kTrefOffset},
        {"A Tref:", &SubstConst::Tref, kTrefOffset},  // empty value word reads 0
        {"A Href: 10.", &SubstConst::Href, 10.0},
        {"A Sref: -11.", &SubstConst::Sref, -11.0},
        {"A Xyz: 5. Tc: 7.", &SubstConst::Tc, 7.0},  // unknown label consumes its value
        {"A Xyz: Tc: 7.", &SubstConst::Tc, -1.0},    // ... even when it is a label
        {"A Tc: 1. Tc: 2.", &SubstConst::Tc, 2.0},   // later value wins
        {"A Tc: 12345678901234567890", &SubstConst::Tc, 1234567890123.4567},
    };
    for (const auto& c : cases) {
        TableSession t("");
        SUBST_CONST.*(c.field) = -1.0;
        EXPECT_EQ(read_constants(c.line), STATUS_OK) << c.line;
        EXPECT_DOUBLE_EQ(SUBST_CONST.*(c.field), c.expected) << c.line;
        EXPECT_EQ(t.status_file(), "") << c.line;
    }
}

TEST(ConstantsLine, SeveralGroupsOnOneLine) {
    TableSession t("");
    EXPECT_EQ(read_constants("N Dc: 11.18 Tc: 126.2 junk Cp01 1 3.5 2. 0. Pc: 3.39 Cp02 2 "
                             "0. 1.5 1000."),
              STATUS_OK);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Dc, 11.18);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Tc, 126.2);
    EXPECT_DOUBLE_EQ(SUBST_CONST.Pc, 3.39);
    EXPECT_DOUBLE_EQ(SUBST_CONST.E[0], 3.5);
    EXPECT_DOUBLE_EQ(SUBST_CONST.K[0], 2.0);
    EXPECT_DOUBLE_EQ(SUBST_CONST.K[1], 1.5);
    EXPECT_DOUBLE_EQ(SUBST_CONST.K2[1], 1000.0);
    EXPECT_EQ(SUBST_CONST.i4_ncp0, 2);
}

struct GroupCase {
    std::string line;
    int32_t ncp0;
    int32_t term;  // term checked (1-based)
    double E, K, K2;
};

TEST(ConstantsLine, IdealGasGroups) {
    const GroupCase cases[] = {
        {"A Cp0 1 1. 2. 3.", 1, 1, 1.0, 2.0, 3.0},  // the tag alone
        {"A Cp01 1 1. 2. 3.", 1, 1, 1.0, 2.0, 3.0},
        {"A Cp0: 2 1. 2. 3.", 2, 2, 1.0, 2.0, 3.0},
        {"A Cp012 1. 2. 3.", 2, 2, 1.0, 2.0, 3.0},  // the fifth character starts the index
        {"A Cp01 20 1. 2. 3.", 20, 20, 1.0, 2.0, 3.0},
        {"A Cp01 1 1. 2. 3. Cp02 2 0. 0. 0. Cp03 3 0. 0. 0.", 3, 1, 1.0, 2.0, 3.0},
        {"A Cp03 3 0. 0. 0. Cp01 1 0. 0. 0. Cp02 2 5. 6. 7.", 2, 2, 5.0, 6.0, 7.0},
        {"A Cp01 4 1.5", 4, 4, 1.5, 0.0, 0.0},  // missing values read as 0
        // words cut at 20 characters: the rest of K's word is read as K2
        {"A Cp01 1 12345678901234567890 1.0000000000000000000009", 1, 1, 1234567890123.4567, 1.0,
         0.0009},
    };
    for (const auto& c : cases) {
        TableSession t("");
        SUBST_CONST.K2.fill(-1.0);
        EXPECT_EQ(read_constants(c.line), STATUS_OK) << c.line;
        EXPECT_EQ(SUBST_CONST.i4_ncp0, c.ncp0) << c.line;
        const auto at = static_cast<std::size_t>(c.term - 1);
        EXPECT_DOUBLE_EQ(SUBST_CONST.E[at], c.E) << c.line;
        EXPECT_DOUBLE_EQ(SUBST_CONST.K[at], c.K) << c.line;
        EXPECT_DOUBLE_EQ(SUBST_CONST.K2[at], c.K2) << c.line;
    }
}

struct FailCase {
    std::string line;
    int32_t status;
};

TEST(ConstantsLine, UnreadableValueIsReportedAndEndsTheLine) {
    const FailCase cases[] = {
        {"A Dc: 1. Tc: 15O. Pc: 3.", STATUS_BAD_NUMBER},          // letter O for zero
        {"A Dc: 1. Cp0(1): 1. 2. 3. Pc: 3.", STATUS_BAD_NUMBER},  // index from "1):"
        {"A Dc: 1. Cp01 x 1. 2. 3. Pc: 3.", STATUS_BAD_NUMBER},
        {"A Dc: 1. Cp01 1 1,5 2. 3. Pc: 3.", STATUS_BAD_NUMBER},  // E
        {"A Dc: 1. Cp01 1 1. 2.x 3. Pc: 3.", STATUS_BAD_NUMBER},  // K
        {"A Dc: 1. Cp01 1 1. 2. 3.. Pc: 3.", STATUS_BAD_NUMBER},  // K2
        {"A Dc: 1. Cp01 21 1. 2. 3. Pc: 3.", STATUS_BAD_INDEX},   // no term 21
        {"A Dc: 1. Cp01 0 1. 2. 3. Pc: 3.", STATUS_BAD_INDEX},
        {"A Dc: 1. Cp01 -1 1. 2. 3. Pc: 3.", STATUS_BAD_INDEX},
        {"A Dc: 1. Cp01", STATUS_BAD_INDEX},  // a blank index reads 0
    };
    for (const auto& c : cases) {
        TableSession t("", "\n");
        SUBST_CONST.Pc = -1.0;
        EXPECT_EQ(read_constants(c.line), c.status) << c.line;
        EXPECT_DOUBLE_EQ(SUBST_CONST.Dc, 1.0) << c.line;   // stored before the failure
        EXPECT_DOUBLE_EQ(SUBST_CONST.Pc, -1.0) << c.line;  // after it: not processed
        EXPECT_EQ(SUBST_CONST.i4_ncp0, 0) << c.line;
        EXPECT_EQ(t.status_file(), " x_rconst: Error at internal Read! " +
                                       std::string(c.status == STATUS_BAD_INDEX ? "           8\n"
                                                                                : "           7\n"))
            << c.line;
    }
}

TEST(ConstantsLine, FailedGroupKeepsTheValuesReadBefore) {
    TableSession t("", "\n");
    EXPECT_EQ(read_constants("A Cp01 1 1. 2. 3. Cp02 2 4. x"), STATUS_BAD_NUMBER);
    EXPECT_DOUBLE_EQ(SUBST_CONST.E[1], 4.0);
    EXPECT_EQ(SUBST_CONST.i4_ncp0, 1);  // the failed group does not set the count
}

TEST(ConstantsLine, TraceWritesTheStoredValues) {
    TableSession t("");
    UNIT_TABLE.l_trace = true;
    ASSERT_EQ(open_channel(lun_of(TRACE_ENTRY), "xalt1.log"), 0);
    EXPECT_EQ(read_constants("A Tc: 150. Cp01 1 1. 2. 3."), STATUS_OK);
    UNIT_TABLE.l_trace = false;
    const std::string trace = t.session().read_file("xalt1.log");
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 2);
    EXPECT_NE(trace.find("150.000"), std::string::npos);
}

}  // namespace
