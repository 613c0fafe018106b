// xalt1_fit: fits the coefficient sets and substance constants of the substance table to the
// reference data of real fluids, and writes the table and its accuracy report.
//
//   xalt1_fit search <reference folder> <state file>
//       full search (term selection, exchange passes, joint fits); writes the state file
//   xalt1_fit data <reference folder> <state file> <table> <report folder>
//       refits from the stored state and writes the table and the accuracy report
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>

#include "accuracy.h"
#include "pipeline.h"
#include "table.h"

int main(int argc, char** argv) {
    using namespace fit;
    const std::string cmd = argc > 1 ? argv[1] : "";
    const std::time_t start = std::time(nullptr);
    set_log([start](const std::string& text) {
        std::printf("[%5lds] %s\n", static_cast<long>(std::time(nullptr) - start), text.c_str());
        std::fflush(stdout);
    });
    try {
        if (cmd == "search" && argc == 4) {
            const auto fluids = load_reference(argv[2]);
            SearchSettings settings;
            const FitState state = search(fluids, settings);
            write_state(argv[3], state);
            return 0;
        }
        if (cmd == "exp" && argc == 4) {
            const auto fluids = load_reference(argv[2]);
            experiment(fluids, read_state(argv[3]));
            return 0;
        }
        if (cmd == "diag" && argc == 4) {
            const auto fluids = load_reference(argv[2]);
            diagnose(fluids, read_state(argv[3]));
            return 0;
        }
        if (cmd == "data" && argc == 6) {
            const auto fluids = load_reference(argv[2]);
            FitState state = read_state(argv[3]);
            refine(fluids, state, 15);
            const auto entries = make_entries(fluids, state);
            write_table(argv[4], state.model, entries);
            write_report(argv[5], fluids, entries, state.model, own_saturation,
                         "the fitting tool's phase-equilibrium solver");
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xalt1_fit: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: xalt1_fit search <reference folder> <state file>\n"
                 "       xalt1_fit data <reference folder> <state file> <table> <report folder>\n");
    return 2;
}
