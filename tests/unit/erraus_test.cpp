#include "platform/erraus.h"

#include <gtest/gtest.h>

#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "test_support.h"

namespace {

TEST(Erraus, WritesTheLineToStatusFileAndConsoleThenPauses) {
    ScriptedSession session("\n\n");
    UNIT_TABLE.i4_lun[STATUS_ENTRY - 1] = 20;
    ASSERT_EQ(open_channel(20, "xalt1.tmp"), 0);
    const int32_t status = 5;
    ERRAUS("xalt1", "Error at Routine x_tabein", status);
    ERRAUS("x_pvt", "Ts > Tc !", 0);
    EXPECT_EQ(status, 5);
    const std::string expected1 = " xalt1   : Error at Routine x_tabein!            5";
    const std::string expected2 = " x_pvt   : Ts > Tc !!            0";
    EXPECT_EQ(session.read_file("xalt1.tmp"), expected1 + "\n" + expected2 + "\n");
    EXPECT_EQ(session.console(), expected1 + "\n" + expected2 + "\n");
}

TEST(Erraus, StatusFileNotWritableStillReportsOnConsole) {
    ScriptedSession session("\n");
    UNIT_TABLE.i4_lun[STATUS_ENTRY - 1] = 20;
    close_channel(20);
    ERRAUS("x_tabein", "Error at Read into x_rstoff.tab", -1);
    EXPECT_EQ(session.console(),
              " x_tabein: Error at Read into x_rstoff.tab!           -1\n"
              "!!!! Errorcode cannot be written at xalt1.tmp\n");
}

TEST(Erraus, EndOfInputDuringThePauseEndsTheRun) {
    ScriptedSession session("");
    EXPECT_THROW(ERRAUS("xalt1", "x", 1), EndOfInput);
}

}  // namespace
