// The user's list of the shipped fluids (docs/fluids.md): what a user needs to pick a fluid and to
// convert its molar results.
#pragma once

#include <string>
#include <vector>

#include "accuracy.h"
#include "table.h"

namespace fit {

// The markdown text: one row per menu line of the table, in menu order, each row starting
// "| <code> |"; `accuracy` holds the measured accuracy of `entries`, in the same order. A fluid
// left out of the table (its menu line kept, without an entry) is listed as left out.
std::string fluid_list_text(const std::vector<MenuLine>& menu, const std::vector<Entry>& entries,
                            const std::vector<FluidAccuracy>& accuracy);
void write_fluid_list(const std::string& path, const std::vector<MenuLine>& menu,
                      const std::vector<Entry>& entries,
                      const std::vector<FluidAccuracy>& accuracy);

}  // namespace fit
