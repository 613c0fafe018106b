// Records of the status file within one request of the state solver: each distinct record
// (reporter and message) is written once, the first time it occurs, so that a request whose
// evaluations fail many times over still leaves a short file that says what happened.
#pragma once

#include <string_view>

// Starts a request: from here on a record seen before in the request is not written again.
void STATUS_REQUEST_BEGIN();
// Ends the request: every record is written again.
void STATUS_REQUEST_END();
// True when the record of this reporter and message is to be written to the status file (its
// first occurrence in a request, or any record outside a request).
bool STATUS_RECORD_WANTED(std::string_view tag, std::string_view message);
