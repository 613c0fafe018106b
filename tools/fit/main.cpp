// xalt1_fit: fits the coefficient sets and substance constants of the substance table to the
// reference data of real fluids, and writes the table and its accuracy report; `xalt1_fit`
// without arguments lists its commands (app/commands.cpp).
#include <cstdio>
#include <ctime>
#include <string>

#include "app/commands.h"
#include "base/log.h"
#include "model/program.h"

int main(int argc, char** argv) {
    const std::time_t start = std::time(nullptr);
    fit::set_log([start](const std::string& text) {
        std::printf("[%5lds] %s\n", static_cast<long>(std::time(nullptr) - start), text.c_str());
        std::fflush(stdout);
    });
    fit::unattended_console();
    return fit::run_command(argc, argv);
}
