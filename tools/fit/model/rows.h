// The rows that the fit matches: linear combinations of derivatives of F at given states, each
// with its target and uncertainty, built from a fluid's data (the row builders of each kind of
// target), from the dense region (barriers) and from the physics check (guards).
#pragma once

#include <array>
#include <vector>

#include "model/eos.h"
#include "model/terms.h"
#include "policy/figures.h"

namespace fit {

// A linear combination of derivatives of F at one state. When eta > 0 the density is the one
// at which the hard-body packing fraction equals eta for the current parameters.
// When at_critical is set the density is the fitted equation's critical density (Params::dc).
struct Eval {
    double D = 0, T = 0, eta = 0;
    bool at_critical = false;
    PairWeights a{};
};

// One fitted equation: sum over evals (model) = target, with weight 1/sigma. With
// attraction_only the target is the hard-body value itself and sigma is relative to it, so
// the row asks the non-hard-body part to stay small against the hard body.
struct Row {
    std::array<Eval, 2> e{};
    int ne = 1;
    double target = 0;
    double sigma = 1;
    RowKind kind = RowKind::pvt_z;
    bool attraction_only = false;
    // With pressure_form the row value is (D/Dc)(1 + sum) at the density D of its first
    // evaluation (a reduced pressure p/(Dc R T)); the 1 belongs to the hard-body part.
    bool pressure_form = false;
    // A bound instead of an equation: +1 asks value >= target, -1 value <= target; a row whose
    // bound holds counts nothing (the guard rows of the physics check).
    int bound = 0;
    // Whether the row counts for the given value - target.
    bool active(double excess) const { return bound == 0 || (bound > 0 ? excess < 0 : excess > 0); }
};

// Density of one evaluation of a row: fixed, at a packing fraction, or the critical density.
double eval_density(const Eval& e, const Fluid& f, const Params& p);

// out[t] = the row's value of term t (coefficient 1), for every term of the list.
void row_terms(const Row& row, const TermSet& set, const Fluid& f, const Params& p, double* out);
// The row's value of the hard body.
double row_hard_body(const Row& row, const Fluid& f, const Params& p);
// The value of the whole row by the given equation (for a row of the attraction and polar parts
// only, without the hard body); its deviation from the target is what the row asks to vanish.
double row_value(const Row& row, const Eos& eos, const Fluid& f, const Params& p);
// The scale 1/sigma of a row whose value less its target is `excess` under the whole model,
// with its hard-body value hb: 0 for a bound that holds; relative to the hard body for a row of
// the attraction and polar parts only.
double row_scale(const Row& row, double excess, double hb);

// A single-phase state of the critical region, where the caloric rows are left out and the
// density rows are weighted less.
bool near_critical(const Fluid& f, const PvtPoint& s);
// The rows that describe one fluid's data (single-phase states, caloric values, saturation,
// critical point), the critical-point rows with their uncertainty scaled by crit_scale (sigma
// of dp/dD 1e-3 R T at scale 1).
std::vector<Row> data_rows(const Fluid& f, double crit_scale);
// The barrier rows of the dense region.
std::vector<Row> barrier_rows(const Fluid& f);
// A guard row of the physics check: the combination a at (D, T) bounded by the target (bound
// +1: at least, -1: at most).
Row guard_row(double D, double T, const PairWeights& a, double target, double sigma, int bound);

// The saturated-liquid rows ask p(D') = ps. At the stiff liquid a density error d moves Z by
// X' d, with X' = (dp/dD)/(R T), so a fixed uncertainty in Z would hold D' to 5e-4/X' (down to
// 1e-5 relative at 0.45 Tc, far below the D' target) and pay for it with ps, D'' and Tc. The
// rows are weighted instead like a D' error at given pressure: sigma = hypot(5e-4, tol X'),
// tol one tenth of the D' target, as the equal-Gibbs rows hold ps to a tenth of theirs.
constexpr double LIQUID_DENSITY_SIGMA = 3e-4;
// The uncertainty of a saturated-liquid row at T with the slope X' of the equation there (the
// factor of the saturation rows above 0.95 Tc included).
double liquid_row_sigma(double T_over_Tc, double slope);
// Sets the uncertainty of the saturated-liquid rows (unweighted ones) with the slopes X' of the
// given equation at their reference D'; the data rows start with X' unknown (sigma 5e-4 only).
void weigh_saturated_liquid(std::vector<Row>& rows, const Fluid& f, const Eos& eos);

// Divides the uncertainty of every row by the product of its groups' weights.
void apply_weights(std::vector<Row>& rows, const Weights& w);

}  // namespace fit
