// Adding one fluid to a substance table from its own data: its parameters are fitted with the
// table's coefficient sets fixed, its constants derived as for the shipped entries, and the
// table written with its menu line and entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/settings.h"
#include "io/fluid_folder.h"
#include "io/table_file.h"
#include "model/entry.h"
#include "policy/figures.h"
#include "solve/own_fit.h"

namespace fit {

struct AddResult {
    std::unique_ptr<Fluid> fluid;  // the data, D'' completed where the data lack it
    ParamChoice choice;
    Entry entry;
    FluidAccuracy accuracy;
    std::vector<std::string> warnings;
    std::string table_text;  // the table with the fluid added
};

// Fits the fluid with each choice of free parameters the library allows it and from its 8-point
// subset (solve/own_fit.h), keeps the best ranked (policy/figures.h, score), derives its entry
// and measures it through the program.
// Writes nothing. Throws InputError when the code is already in the table or no entry can be
// derived.
AddResult add_fluid(const FluidData& data, const TableFile& table, const Settings& settings);

// The figures of an added fluid as printed by `add`: the accuracy report's row, the physics
// check, the parameters, the missed targets and the warnings.
std::string add_report(const AddResult& r);

// xalt1_fit eval DIR CODE TABLE TABLE_CODE...: each named entry of the table measured through
// the program against the data of the fluid CODE in DIR (an entry added under another code
// measured against the full data, say): the accuracy report's row, ps below 0.5 Tc and the
// rank. Returns the exit status.
int run_eval(const Settings& settings);

// xalt1_fit add DIR CODE TABLE_IN TABLE_OUT (settings.data, codes[0], table, new_table);
// returns the exit status.
int run_add(const Settings& settings);

}  // namespace fit
