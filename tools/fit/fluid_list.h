// The user's list of the shipped fluids (docs/fluids.md): what a user needs to pick a fluid and to
// convert its molar results.
#pragma once

#include <string>
#include <vector>

#include "accuracy.h"
#include "table.h"

namespace fit {

// The markdown text: one row per entry, in menu order, each row starting "| <code> |";
// `accuracy` holds the measured accuracy of the entries, in the same order.
std::string fluid_list_text(const std::vector<Entry>& entries,
                            const std::vector<FluidAccuracy>& accuracy);
void write_fluid_list(const std::string& path, const std::vector<Entry>& entries,
                      const std::vector<FluidAccuracy>& accuracy);

}  // namespace fit
