#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"

// Closes the work files of entries 1 to 9. The status file (entry 10) stays open until the
// process ends; every record written to it is already on disk.
void X_CLOSE(int32_t& status) {
    status = STATUS_OK;
    for (int entry = 1; entry <= 9; ++entry) {
        const int32_t lun = UNIT_TABLE.i4_lun[entry - 1];
        if (lun <= 10 || lun > 20) continue;
        status = close_channel(lun);
        if (status != STATUS_OK) {
            ListRecord line;
            line << "Error at Close the Lun-Nr." << lun;
            line.write_to_console();
        }
    }
}
