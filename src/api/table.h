// Fluids of a substance table for the library: an entry loaded by the program's own loader
// (X_RMENU, X_TABEIN) into the fluid's records, with the metadata that the table's metadata
// file adds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "api/engine.h"
#include "api/xalt1.h"

namespace xalt1::detail {

struct LoadedFluid {
    Records records;
    FluidInfo info;
};

// The same text in any case (ASCII letters folded), as codes and names are compared.
bool same_text(std::string_view a, std::string_view b);

// Loads the fluid `asked` names from `table`: its menu code, that code in any case, its name in
// the metadata file in any case, or a refrigerant number with a dash ("R-1234yf"). Throws Error
// (unknown_fluid: with the reason for a fluid left out of the table, else the nearest codes;
// unreadable_table).
LoadedFluid load_fluid(const std::string& table, const std::string& asked);
// Every fluid of the table with an entry, in menu order, with its records; throws Error
// (unreadable_table).
std::vector<LoadedFluid> list_fluids(const std::string& table);

}  // namespace xalt1::detail
