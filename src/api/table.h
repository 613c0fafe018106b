// Fluids of a substance table for the library: an entry loaded by the program's own loader
// (X_RMENU, X_TABEIN) into the fluid's records, with the metadata that the table's metadata
// file adds.
#pragma once

#include <string>
#include <vector>

#include "api/engine.h"
#include "api/xalt1.h"

namespace xalt1::detail {

struct LoadedFluid {
    Records records;
    FluidInfo info;
};

// Loads `code` from `table`; throws Error (unknown_fluid, unreadable_table).
LoadedFluid load_fluid(const std::string& table, const std::string& code);
// Every fluid of the table with an entry, in menu order; throws Error (unreadable_table).
std::vector<FluidInfo> list_fluids(const std::string& table);

}  // namespace xalt1::detail
