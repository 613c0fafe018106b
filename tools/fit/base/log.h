// The fitting tool's log: one sink for the lines of every step (the console with the elapsed
// time, set by the command that runs), safe to write from the worker threads.
#pragma once

#include <functional>
#include <string>

namespace fit {

using Log = std::function<void(const std::string&)>;

// Sets the sink; lines written before, or with no sink, are dropped.
void set_log(Log log);
void log_line(const std::string& text);

}  // namespace fit
