// Reports of a library call. While a capture is set for the calling thread, the failure
// reports (ERRAUS) and the console lines of the routines go into it instead of to the status
// file and the console, and the pause for Enter does not wait: a caller from code gets the
// reports back and turns them into its own errors. Without a capture (the program) nothing
// changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReportCapture {
    std::vector<std::string> lines;  // every report ("tag    : message! status") and console line
    int32_t reports = 0;             // how many of them are ERRAUS reports
    int32_t last_status = 0;         // status of the last ERRAUS report
};

// The capture of the calling thread, nullptr when there is none.
ReportCapture* report_capture();
// Sets the capture of the calling thread (nullptr: reports go to the status file and console).
void capture_reports(ReportCapture* capture);
