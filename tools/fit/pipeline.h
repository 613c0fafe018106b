// The fit as a whole: the three universal sets with their per-fluid parameters, and the
// derived per-fluid constants of the shipped table.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fitter.h"
#include "model.h"
#include "reference_data.h"

namespace fit {

// Groups of rows whose weight a fluid's accuracy targets raise: saturation pressure, saturated
// liquid, saturated vapour, critical temperature, critical pressure, single-phase density,
// isobaric heat capacity, speed of sound, enthalpy of vaporisation.
enum WeightGroup { W_PS, W_DLIQ, W_DVAP, W_TC, W_PC, W_DENSITY, W_CP, W_W, W_HVAP, W_GROUPS };
using Weights = std::array<double, W_GROUPS>;
constexpr Weights kUnitWeights{1, 1, 1, 1, 1, 1, 1, 1, 1};

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
};

// Divides the uncertainty of every row by the product of its groups' weights.
void apply_weights(std::vector<Row>& rows, const Weights& w);

// Fits one fluid's parameters alone (coefficients fixed) with its rows reweighted.
void fit_weighted(FluidCase& c, Model& model, const Weights& w);

// The parameters a fluid is shipped with: those of the plain fit, refitted with the fluid's
// weights when it has any.
Params shipped_params(const Fluid& f, const FitState& state);

// Target-driven reweighting, fluid by fluid on top of the joint fits: the weight groups behind
// each missed accuracy target are raised in rounds of parameter-only fits, and the weights of
// the best round are kept (none when the plain fit is best). The universal coefficients are
// not touched, so one fluid's weights cannot move another fluid.
void tune(const std::vector<Fluid>& fluids, FitState& state, int rounds, int iterations);
// The per-fluid part of tune for the named fluids only, the coefficient sets fixed; each fluid's
// weighted parameters are checked and guarded again until they pass the physics check.
void retune(const std::vector<Fluid>& fluids, FitState& state,
            const std::vector<std::string>& codes, int rounds);

// One fluid's parameter set (shape) after the reweighting: its plain fit, the weights of the
// best round, that round's score (missed targets times 100 plus the excess, more for a failed
// saturation or physics check) and its figure/aim ratios.
struct Choice {
    unsigned shape = 0;
    Params plain;
    Weights weights = kUnitWeights;
    double score = 1e300;
    Weights ratios{};
};
// Reweighting rounds for one fluid with one parameter set, from its plain fit (multi-started
// from its own parameters and those of the peers closest in shape).
Choice reweight(FluidCase& c, const Model& model, unsigned shape, int rounds,
                const std::vector<Params>& peers = {});

// One fluid's fit case: stored (or initial) parameters, free parameters, data, barrier and
// stored guard rows.
FluidCase make_case(const Fluid& f, const FitState& state);

// Parameters-only fits of one fluid from several start values (its own and the peers' reduced
// parameters closest to its Alpha); keeps the best. The model is only read.
void multi_start(FluidCase& c, const std::vector<Params>& peers, Model& model, SetKind set,
                 int iterations);

// The `count` candidates of lowest cost for the fluid of `c` (its parameters replaced by each),
// in order of cost; candidates of non-finite cost are dropped.
std::vector<Params> lowest_cost_starts(FluidCase c, const Model& model,
                                       const std::vector<Params>& candidates, size_t count);

// Builds the fit cases of all fluids from the reference data and the stored state.
std::vector<FluidCase> make_fit_cases(const std::vector<Fluid>& fluids, const FitState& state);

struct SearchSettings {
    int terms[3] = {36, 16, 22};
    int rounds = 5;
    int joint_iterations = 40;
    int stages = 3;  // the first this many sets (Fa, Fq, Fd) are searched
};

// Full search: term selection with exchange passes and joint fits, stage by stage.
FitState search(const std::vector<Fluid>& fluids, const SearchSettings& settings);

// Exchange passes and joint fits from the stored term selection, set by set.
void polish(const std::vector<Fluid>& fluids, FitState& state, const SearchSettings& settings);

// Refit from a stored state without changing the term selection: joint fits of coefficients
// and parameters, stage by stage, with a fixed number of iterations.
void refine(const std::vector<Fluid>& fluids, FitState& state, int iterations);

// Which set a fluid's polar parameter switches on, and which fluids train which set.
bool trains(const Fluid& f, SetKind set);
unsigned free_params(const Fluid& f);
// The parameter sets a fluid may be shipped with: its class's, then with Q2, Dp or both as
// shape parameters (the anchor fluids keep their fixed parameters).
std::vector<unsigned> shape_variants(const Fluid& f);
Params initial_params(const Fluid& f);

// Reads and writes the stored state (term selection, coefficients, per-fluid parameters).
void write_state(const std::string& path, const FitState& state);
FitState read_state(const std::string& path);

// Cost of every fluid per row kind, one line per fluid.
// Leave-one-fluid-out check of a set: refits the set's coefficients without each training fluid
// in turn (term selection kept), fits that fluid's parameters alone and appends its saturation
// deviations, in and out of the fit, to the markdown file.
void leave_one_out(const std::vector<Fluid>& fluids, const FitState& state, SetKind set,
                   const std::string& path, int iterations);
void diagnose(const std::vector<Fluid>& fluids, const FitState& state);

}  // namespace fit
