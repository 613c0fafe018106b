// The user's list of the shipped fluids (docs/fluids.md): what a user needs to pick a fluid and to
// convert its molar results, and the fluids left out of the table with the reason.
#pragma once

#include <string>
#include <vector>

#include "output/table.h"
#include "policy/figures.h"

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

// The metadata file of the table that the library reads next to it (x_rstoff.tab ->
// x_rstoff.fluids.csv), with the columns code, name, class, Ttriple, Tmax, pmax,
// reference_state, targets ("met" or the misses), left_out: one line per fluid with an entry,
// in menu order, left_out empty; then every fluid of `fluids` without a menu line, with
// reference_state and targets empty and left_out the reason of the fluid list.
std::string fluid_metadata_text(const std::vector<MenuLine>& menu,
                                const std::vector<Entry>& entries,
                                const std::vector<FluidAccuracy>& accuracy,
                                const std::vector<Fluid>& fluids);
std::string fluid_metadata_path(const std::string& table);
void write_fluid_metadata(const std::string& table, const std::vector<MenuLine>& menu,
                          const std::vector<Entry>& entries,
                          const std::vector<FluidAccuracy>& accuracy,
                          const std::vector<Fluid>& fluids);

}  // namespace fit
