// The commands of xalt1_fit, in one table: each with its arguments, which fill the settings,
// and the line the usage text gives it.
#pragma once

#include <string>

namespace fit {

// The usage text: every command with its arguments and what it does.
std::string usage_text();

// Runs the command of the command line; returns the exit status (2 with the usage text for a
// command line that names no command or gives it the wrong arguments).
int run_command(int argc, char** argv);

}  // namespace fit
