// The user's list of the shipped fluids (docs/fluids.md): what a user needs to pick a fluid and to
// convert its molar results, and the fluids left out of the table with the reason.
#pragma once

#include <string>
#include <vector>

#include "accuracy.h"
#include "table.h"

namespace fit {

// The markdown text: one row per menu line of the table, in menu order, each row starting
// "| <code> |"; then, without a menu number, every fluid of `fluids` that has no menu line, with
// why it is left out and its figures. `accuracy` holds the measured accuracy of `entries`, in
// the same order.
std::string fluid_list_text(const std::vector<MenuLine>& menu, const std::vector<Entry>& entries,
                            const std::vector<FluidAccuracy>& accuracy,
                            const std::vector<Fluid>& fluids);
void write_fluid_list(const std::string& path, const std::vector<MenuLine>& menu,
                      const std::vector<Entry>& entries, const std::vector<FluidAccuracy>& accuracy,
                      const std::vector<Fluid>& fluids);

}  // namespace fit
