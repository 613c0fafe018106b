// The error report of the run control. Every layer reports its failures through it, so it
// lives on the floor with the record I/O it writes with.
#pragma once

#include <cstdint>
#include <string_view>

// Reports one failure: a line in the status file and on the console, then a pause for Enter.
void ERRAUS(std::string_view tag, std::string_view message, const int32_t& status);
