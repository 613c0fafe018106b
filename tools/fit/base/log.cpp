#include "base/log.h"

#include <mutex>

namespace fit {

namespace {

Log g_log;

}  // namespace

void set_log(Log log) {
    g_log = std::move(log);
}

void log_line(const std::string& text) {
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    if (g_log) g_log(text);
}

}  // namespace fit
