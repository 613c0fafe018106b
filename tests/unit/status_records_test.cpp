// Within one request of the state solver each distinct status-file record is written once;
// outside a request every record is written. The console shows every report.
#include "platform/status_records.h"

#include <gtest/gtest.h>

#include <string>

#include "eos/eos.h"
#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "props_fluid.h"
#include "test_support.h"

namespace {

const std::string kNearTc = " x_maxwel: Error at the calculation in the near of Tc!            0";
const std::string kTsAboveTc = " x_pvt   : Ts > Tc !!            0";

void report_twice_each() {
    for (int i = 0; i < 2; ++i) {
        ERRAUS("x_maxwel", "Error at the calculation in the near of Tc", 0);
        ERRAUS("x_pvt", "Ts > Tc !", 0);
    }
}

TEST(StatusRecords, ARequestWritesEachReportOnceTheConsoleShowsEveryOne) {
    struct Case {
        bool in_request;
        std::string file;
    };
    const Case cases[] = {
        {false, kNearTc + "\n" + kTsAboveTc + "\n" + kNearTc + "\n" + kTsAboveTc + "\n"},
        {true, kNearTc + "\n" + kTsAboveTc + "\n"},
    };
    for (const Case& c : cases) {
        ScriptedSession session("\n\n\n\n");
        UNIT_TABLE.i4_lun[STATUS_ENTRY - 1] = 20;
        ASSERT_EQ(open_channel(20, "xalt1.tmp"), 0);
        if (c.in_request) STATUS_REQUEST_BEGIN();
        report_twice_each();
        STATUS_REQUEST_END();
        EXPECT_EQ(session.read_file("xalt1.tmp"), c.file) << c.in_request;
        EXPECT_EQ(session.console(),
                  kNearTc + "\n" + kTsAboveTc + "\n" + kNearTc + "\n" + kTsAboveTc + "\n");
    }
}

// A new request writes again what the previous one wrote; the end of a request lets every
// record through again.
TEST(StatusRecords, EveryRequestStartsAfresh) {
    ScriptedSession session("\n\n\n\n");
    UNIT_TABLE.i4_lun[STATUS_ENTRY - 1] = 20;
    ASSERT_EQ(open_channel(20, "xalt1.tmp"), 0);
    for (int request = 0; request < 2; ++request) {
        STATUS_REQUEST_BEGIN();
        ERRAUS("x_pvt", "Ts > Tc !", 0);
        ERRAUS("x_pvt", "Ts > Tc !", 0);
        STATUS_REQUEST_END();
    }
    EXPECT_EQ(session.read_file("xalt1.tmp"), kTsAboveTc + "\n" + kTsAboveTc + "\n");
}

// The diagnostic record of a density below the lowest one the residual part accepts: once per
// request, whatever the density.
TEST(StatusRecords, ResidualInputRecordOncePerRequest) {
    PropsSession session;
    STATUS_REQUEST_BEGIN();
    double f = 0.0;
    for (double D : {1e-8, 2e-8, 3e-8}) X_R_FRES(D, 300.0, 0, 0, f);
    STATUS_REQUEST_END();
    X_R_FRES(4e-8, 300.0, 0, 0, f);
    const auto lines = session.status_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind(" Fehler bei der Uebergabe, Dichte=", 0), 0u);
    EXPECT_NE(lines[0].find("Dichte=    1.00000000000000"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("Dichte=    4.00000000000000"), std::string::npos) << lines[1];
}

}  // namespace
