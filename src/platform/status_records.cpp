#include "platform/status_records.h"

#include <string>
#include <vector>

namespace {

thread_local bool in_request = false;
thread_local std::vector<std::string>
    written;  // reporter and message of the records written in the request

}  // namespace

void STATUS_REQUEST_BEGIN() {
    in_request = true;
    written.clear();
}

void STATUS_REQUEST_END() {
    in_request = false;
    written.clear();
}

bool STATUS_RECORD_WANTED(std::string_view tag, std::string_view message) {
    if (!in_request) return true;
    std::string key(tag);
    key += '\n';
    key += message;
    for (const std::string& seen : written)
        if (seen == key) return false;
    written.push_back(key);
    return true;
}
