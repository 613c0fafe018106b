// The settings of one run of the fitting tool in one struct: the command with its arguments and
// the knobs that steer the fit. app/settings.cpp fills it from the command line (and from the
// environment variables that earlier scripts set); nothing else steers a run.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace fit {

// The term selection from scratch (`search`) and the exchange passes of `polish`.
struct SearchSettings {
    std::array<int, 3> terms{36, 16, 22};  // terms of Fa, Fq, Fd (FIT_TERMS=a,b,c)
    int rounds = 5;                        // rounds of joint fits, checks, exchanges (FIT_ROUNDS)
    int joint_iterations = 40;             // iterations of each joint fit
    int stages = 3;  // the first this many sets (Fa, Fq, Fd) are searched (FIT_STAGES)
};

// Adding one fluid (`add`): its parameter fits with the table's coefficient sets fixed.
struct AddSettings {
    int iterations = 40;       // parameter-only fits
    int start_iterations = 6;  // each start point of the multi-start
    int tune_rounds = 4;       // reweighting rounds
    size_t max_starts = 4;     // start points taken from the table's fluids, first choice
    size_t extra_starts = 2;   // the same for the further choices
    int vapour_passes = 2;     // refits with D'' from the equation where the data lack it
    size_t max_choices = 4;    // free-parameter choices tried, in the order of shape_variants
    double seconds = 45;       // processor time after which no further choice is started
};

struct Settings {
    // The command and its arguments (those it takes; the others stay empty).
    std::string command;
    std::string reference;           // folder of the reference package
    std::string state;               // stored fit read
    std::string new_state;           // stored fit written
    std::string table;               // substance table read (add) or written (data)
    std::string new_table;           // substance table written by add
    std::string report;              // folder of the reports (data), or the file of loo
    std::string data;                // a fluid's data folder (add)
    std::vector<std::string> codes;  // fluid codes
    int rounds = 0;                  // reweighting rounds (tune, retune)
    int iterations = 0;              // joint-fit iterations (refit, tune)
    double factor = 0;               // multiplier of the guard rows' sigma (tighten)

    // The knobs.
    int threads = 2;              // worker threads of the per-fluid work (FIT_THREADS)
    bool deterministic = false;   // joint fits of the sets on one thread: the same digits on
                                  // every run (the solver's sums would follow the threads' order)
    bool verbose_check = false;   // the physics check logs every offending state
                                  // (FIT_VERBOSE_CHECK)
    double crit_scale = 0.3;      // uncertainty scale of the critical-point rows (FIT_CRIT)
    bool own_saturation = false;  // `sat`: saturation by the tool's own solver
                                  // (FIT_OWN_SATURATION) instead of X_MAXWEL
    SearchSettings search;
    int polish_rounds = 3;  // rounds of `polish`
    AddSettings add;
};

}  // namespace fit
