// The stored fit (tools/fit/fit_state.txt): the term selection with its coefficients, and per
// fluid its parameters, shape, weights and guard rows. One line per item:
//   term <set> <four exponents> <coefficient>
//   guard <code> <D> <T> <target> <sigma> <bound> <seven weights of the derivative pairs>
//   shape <code> <free parameters, bits of ParamBits>
//   untrained <code>
//   weight <code> <one weight per group of policy/figures.h; groups added later weigh 1>
//   param <code> <t> <d> <alpha> <q2> <dp> <dc>
//   eight <code> <t> <d> <alpha> <q2> <dp> <dc>   (its fit to its 8-point subset)
//   held <code> <ps> <D''>   (AAD in %, what retune holds the fluid's choices to)
// Numbers are written with 17 significant digits, so that a state reads back exactly.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/rows.h"
#include "model/terms.h"
#include "policy/figures.h"

namespace fit {

struct FitState {
    Model model;
    std::map<std::string, Params> params;
    std::map<std::string, std::vector<Row>> guards;  // rows added by the physics checks
    std::map<std::string, Weights> weights;          // per fluid; missing: all 1
    // Per fluid: the parameters it is fitted with (ParamBits), where the reweighting chose
    // polar parameters as shape parameters beyond its class; missing: those of its class.
    std::map<std::string, unsigned> shapes;
    // Fluids of a training class left out of their set's fit as outliers.
    std::set<std::string> untrained;
    // Per reweighted fluid: the parameters of its fit to its 8-point subset (T, ps and D' at 8
    // temperatures over 0.55-0.95 Tc), against which the report checks the shipped choice.
    std::map<std::string, Params> eight_point;
    // Per fluid that retune has shipped: the ps and D'' its entry has given, which no later
    // choice may exceed (policy/figures.h); dropped by tune, which moves the sets.
    std::map<std::string, Held> held;
};

// The state as the text of its file, and back; throws std::runtime_error naming the file
// and line of a line that does not read.
std::string state_text(const FitState& state);
FitState parse_state(const std::string& text, const std::string& path);

void write_state(const std::string& path, const FitState& state);
FitState read_state(const std::string& path);

}  // namespace fit
