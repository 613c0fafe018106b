#include "platform/report_capture.h"

namespace {

thread_local ReportCapture* capture = nullptr;

}  // namespace

ReportCapture* report_capture() {
    return capture;
}

void capture_reports(ReportCapture* c) {
    capture = c;
}
