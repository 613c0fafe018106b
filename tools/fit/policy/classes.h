// The fluid classes and what each class means for the fit, in one table: which coefficient set
// its fluids train, which parameters they are fitted with and from which start values, whether
// they are reweighted toward their targets and how they are shipped. The figures and their
// targets per class are in policy/figures.h; the fluids named as exceptions in
// policy/fluids.h. A new class is one more row here (and its column of targets there).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "fluid/fluid.h"
#include "fluid/params.h"

namespace fit {

// The universal coefficient sets: attraction, quadrupolar, dipolar.
enum class SetKind { Fa = 0, Fq = 1, Fd = 2 };
constexpr int SET_COUNT = 3;
const char* set_name(SetKind set);  // "Fa", "Fq", "Fd"

// The start values of a fluid's plain parameter fit (solve/starts.cpp builds each): its own
// parameters, those of its fit to its 8-point subset (T, ps and D' only: solve/own_fit.h),
// those of the peers closest in Alpha, those of the peers that give it the lowest cost, and its
// own with a polar parameter it does not use switched on.
enum class StartKind { own, eight_point, nearest_alpha, lowest_cost, polar_on };

// When a fluid goes into the shipped table: when it meets its own targets, or when its figures
// stay within the bounds of use and its physics check is clean.
enum class Shipping { own_targets, bounds_of_use };

struct ClassPolicy {
    FluidClass cls;
    const char* name;           // in fluids.csv, the table and the reports
    SetKind set;                // the set whose stage fits the class's fluids
    bool trains;                // its fluids train that set (those named as fitted alone do not)
    unsigned free;              // the parameters its fluids are fitted with (ParamBits)
    double q2_start, dp_start;  // start values of the polar parameters (0: off)
    std::vector<StartKind> starts;  // the starts of a plain fit, in this order
    bool tuned;                     // reweighted toward its targets
    Shipping shipping;
};

// The classes in the order of the reports.
const std::vector<ClassPolicy>& class_policies();
const ClassPolicy& policy_of(FluidClass cls);
const char* class_name(FluidClass cls);
// Throws std::runtime_error for a name that is not a class's.
FluidClass class_from_text(const std::string& text);

// What the class policy and the named exceptions give one fluid:
// whether it trains the set (class, not named as fitted alone);
bool trains(const Fluid& f, SetKind set);
// whether the set's stage fits it (its class's set);
bool fitted_with(const Fluid& f, SetKind set);
// the parameters it is fitted with (an anchor's fixed ones left out);
unsigned free_params(const Fluid& f);
// the parameter sets it may be shipped with: its class's, then with Q2, Dp or both as shape
// parameters (an anchor's fixed parameter never);
std::vector<unsigned> shape_variants(const Fluid& f);
// the parameters with those outside the shape switched off (an anchor's fixed one stays);
Params restrict_to(const Fluid& f, Params p, unsigned shape);
// the start values of a fit from scratch;
Params initial_params(const Fluid& f);
// whether tune reweights it.
bool tuned(const Fluid& f);

}  // namespace fit
