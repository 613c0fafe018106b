// The table entries of the fitted fluids: the parameters rounded to the printed digits, the
// critical point of the fitted equation, the ideal-gas terms in the program's R and the caloric
// reference state, all computed by the program on the entry as printed.
#pragma once

#include <vector>

#include "base/settings.h"
#include "io/state_file.h"
#include "model/entry.h"

namespace fit {

// Rounds the model's coefficients to the printed digits, then derives every fluid's entry from
// its shipped parameters; fluids without a reference state get none.
std::vector<Entry> make_entries(const std::vector<Fluid>& fluids, FitState& state,
                                const Settings& settings);

// Derives one fluid's entry for a model whose coefficients are already as printed: rounds the
// parameters, then the critical point, the ideal-gas terms and the reference state. False when
// no reference state is found.
bool derive_entry(const Fluid& f, const Model& model, const Params& p, Entry& e);

}  // namespace fit
