// Adding one fluid to a substance table from its own data: its parameters are fitted with the
// table's coefficient sets fixed, its constants derived as for the shipped entries, and the
// table written with its menu line and entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "accuracy.h"
#include "fluid_folder.h"
#include "table.h"
#include "table_file.h"

namespace fit {

struct AddSettings {
    int iterations = 40;       // parameter-only fits
    int start_iterations = 6;  // each start point of the multi-start
    int tune_rounds = 4;       // reweighting rounds
    size_t max_starts = 4;     // start points taken from the table's fluids, first choice
    size_t extra_starts = 2;   // the same for the further choices
    int vapour_passes = 2;     // refits with D'' from the equation where the data lack it
    size_t max_choices = 4;    // free-parameter choices tried, in the order of param_choices
    double seconds = 45;       // processor time after which no further choice is started
};

// The fit of one choice of free parameters.
struct ParamChoice {
    unsigned free = 0;
    Params p;
    double score = 0;  // number of missed targets times 100 plus the excess over them
};

struct AddResult {
    std::unique_ptr<Fluid> fluid;  // the data, D'' completed where the data lack it
    ParamChoice choice;
    Entry entry;
    FluidAccuracy accuracy;
    Stat cp;  // % deviation of cp at the caloric states
    std::vector<std::string> warnings;
    std::string table_text;  // TABLE_IN with the fluid added
};

// The free-parameter sets tried for a fluid, in order of preference: T0, D0, Alpha (and the
// polar parameters of its class), then with Q2, then with Dp, then with both.
std::vector<unsigned> param_choices(const Fluid& f);

// Fits the fluid with each choice, keeps the one that meets the targets best, derives its
// entry and measures it through the program. Writes nothing. Throws InputError when the code
// is already in the table or no entry can be derived.
AddResult add_fluid(const FluidData& data, const TableFile& table, const AddSettings& settings);

// The figures of an added fluid as printed by `add`: the accuracy report's row, cp, the
// physics check, the targets and the warnings.
std::string add_report(const AddResult& r);

// Whether the added fluid meets the targets of the table through the program (AAD ps 0.5 %,
// D' 0.3 %, D'' 1 %, single-phase D 1 %, cp 2 %; figures the data do not hold count as met).
bool meets_add_targets(const AddResult& r);

// xalt1_fit add DIR CODE TABLE_IN TABLE_OUT; returns the exit status.
int run_add(const std::string& dir, const std::string& code, const std::string& table_in,
            const std::string& table_out);

}  // namespace fit
