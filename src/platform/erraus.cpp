#include "platform/erraus.h"

#include "platform/record_io.h"
#include "platform/report_capture.h"
#include "platform/status_records.h"
#include "platform/unit_table.h"

// Reports one failure: the reporter's tag, the message and the status as one line in the
// status file (within a request only the first time, see status_records.h) and on the console,
// then waits for Enter. The status is never changed. Under a report capture (library use) the
// line goes to the capture alone.
void ERRAUS(std::string_view tag, std::string_view message, const int32_t& status) {
    ListRecord line;
    line << fixed<8>(tag) << ": " << message << "! " << status;
    if (ReportCapture* capture = report_capture()) {
        capture->lines.push_back(line.text());
        ++capture->reports;
        capture->last_status = status;
        return;
    }
    const bool written =
        !STATUS_RECORD_WANTED(tag, message) || line.write_to(lun_of(STATUS_ENTRY)) == STATUS_OK;
    line.write_to_console();
    if (!written) console_line("!!!! Errorcode cannot be written at xalt1.tmp");
    wait_for_enter();
}
