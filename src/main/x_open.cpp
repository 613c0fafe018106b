#include <filesystem>

#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"

namespace {

void report_open_failure(const Text<16>& name) {
    ListRecord line;
    line << "Fehler beim Open von " << name;
    line.write_to_console();
}

}  // namespace

// Fills UNIT_TABLE and opens every entry that has a file name on its channel 11..20.
void X_OPEN(int32_t& status) {
    for (int entry = 1; entry <= 10; ++entry) {
        UNIT_TABLE.i4_lun[entry - 1] = 10 + entry;
        UNIT_TABLE.file_name[entry - 1] = blank_text<16>();
    }
    set_text(UNIT_TABLE.file_name[TABLE_ENTRY - 1], "x_rstoff.tab");
    set_text(UNIT_TABLE.file_name[RESULT_ENTRY - 1], "xalt1.dat");
    if (UNIT_TABLE.l_trace) set_text(UNIT_TABLE.file_name[TRACE_ENTRY - 1], "xalt1.log");
    if (UNIT_TABLE.l_status) {
        set_text(UNIT_TABLE.file_name[STATUS_ENTRY - 1], "xalt1.tmp");
        set_text(UNIT_TABLE.file_name[ECHO_ENTRY - 1], "atest.log");
    }
    status = STATUS_OK;
    for (int entry = 1; entry <= 10; ++entry) {
        const int32_t lun = UNIT_TABLE.i4_lun[entry - 1];
        const Text<16>& name = UNIT_TABLE.file_name[entry - 1];
        if (lun <= 10 || lun > 20 || is_blank(name)) continue;
        // The substance table is only read: a missing one is not created (the run then ends,
        // see MXALT1).
        const bool missing_table = entry == TABLE_ENTRY && !std::filesystem::exists(trimmed(name));
        status = missing_table ? STATUS_OPEN_FAILED : open_channel(lun, trimmed(name));
        if (status != STATUS_OK) report_open_failure(name);
    }
}
