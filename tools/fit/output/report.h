// The accuracy report of the substance table (docs/accuracy.md with its plots).
#pragma once

#include <string>
#include <vector>

#include "model/entry.h"
#include "policy/figures.h"

namespace fit {

// The per-fluid table of the accuracy report: its header lines and one fluid's row.
std::string accuracy_header();
std::string accuracy_row(const FluidAccuracy& a);

// A shipped fluid whose primary figures are worse than those of its fit to its 8-point subset:
// both figures, and why the shipped choice was kept.
struct EightPointNote {
    FluidAccuracy shipped, eight_point;
    std::string why;
};

// Writes accuracy.md and its plots into the folder: the figures of every entry (fluids that miss
// their bounds are listed as left out of the table), the codes of the fluids for which no
// entry could be made and the notes on 8-point fits; `reference` names the folder of the
// reference data.
void write_report(const std::string& folder, const std::vector<Entry>& entries,
                  const std::vector<FluidAccuracy>& acc, const std::vector<std::string>& no_entry,
                  const std::vector<EightPointNote>& notes, const std::string& solver_name,
                  const std::string& reference);

}  // namespace fit
