// The equation of state as the fitting tool sees it: term sets with their exponents and
// coefficients, the per-fluid parameters, and the rows that the fit matches. Every value is
// evaluated through the program's own term functions.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "reference_data.h"

namespace fit {

// Gas constant of the program, J/(mol K) (8.31434 held in single precision).
constexpr double R_PROGRAM = 8.314339637756348;
// Packing fraction per reduced density at size factor 1, as in the hard-body term.
constexpr double PACKING = 0.1617;

enum class SetKind { Fa = 0, Fq = 1, Fd = 2 };

// One term. Fa: e = {m, n, j, l}; Fq and Fd: e = {n, m, k, o} (the argument order of the
// term functions).
struct Term {
    SetKind set = SetKind::Fa;
    std::array<int, 4> e{};
    bool operator==(const Term& other) const { return set == other.set && e == other.e; }
};

// Per-fluid parameters: T0 and D0 relative to the reference critical point, the shape
// parameter and the two polar parameters.
struct Params {
    double t = 0.78;  // T0 / Tc(reference)
    double d = 1.2;   // D0 / Dc(reference)
    double alpha = 1.0;
    double q2 = 0.0;
    double dp = 0.0;
    double dc = 0.0;  // critical density of the fitted equation / Dc(reference); 0: not known
    bool operator==(const Params&) const = default;
};

struct Model {
    std::vector<Term> terms[3];
    std::vector<double> coeff[3];
};

// Derivative pairs used by the rows: (0,0), (1,0), (0,1), (2,0), (3,0), (1,1), (0,2).
constexpr int PAIRS = 7;
constexpr int PAIR_DEL[PAIRS] = {0, 1, 0, 2, 3, 1, 0};
constexpr int PAIR_TAU[PAIRS] = {0, 0, 1, 0, 0, 1, 2};

// A linear combination of derivatives of F at one state. When eta > 0 the density is the one
// at which the hard-body packing fraction equals eta for the current parameters.
// When at_critical is set the density is the fitted equation's critical density (Params::dc).
struct Eval {
    double D = 0, T = 0, eta = 0;
    bool at_critical = false;
    std::array<double, PAIRS> a{};
};

enum class RowKind {
    pvt_z,
    pvt_u,
    pvt_f,
    sat_liq,
    sat_vap,
    sat_gibbs,
    crit_dp,
    crit_d2p,
    crit_z,
    barrier_z,
    barrier_dz,
    guard,
    pvt_cv,    // residual isochoric heat capacity
    pvt_dpdd,  // (dp/dD)/(R T), from the speed of sound
    pvt_dpdt,  // (dp/dT)/(D R), from cp - cv
    sat_hvap   // enthalpy of vaporisation
};
constexpr int ROW_KINDS = 16;

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

// Physical reducing values of a fluid for given parameters.
double T0_of(const Fluid& f, const Params& p);
double D0_of(const Fluid& f, const Params& p);
double eta_density(const Fluid& f, const Params& p, double eta, double T);
// Density of one evaluation of a row: fixed, at a packing fraction, or the critical density.
double eval_density(const Eval& e, const Fluid& f, const Params& p);

// Value of one term (coefficient 1) for a derivative pair, through the term functions.
double term_value(const Term& term, const Fluid& f, const Params& p, double D, double T, int del,
                  int tau);
double hard_body_value(const Fluid& f, const Params& p, double D, double T, int del, int tau);

// Row value of one term / of the hard body.
double row_term(const Row& row, const Term& term, const Fluid& f, const Params& p);
double row_hard_body(const Row& row, const Fluid& f, const Params& p);

// The rows that describe one fluid's reference data (pvt, saturation, critical point) and the
// barrier rows of the dense region.
// Uncertainty scale of the critical-point rows (sigma of dp/dD 1e-3 RT at scale 1).
extern double crit_scale;
// A single-phase state of the critical region, where the caloric rows are left out and the
// density rows are weighted less.
bool near_critical(const Fluid& f, const PvtPoint& s);
// Enthalpy of vaporisation of the reference data at saturation point i, J/mol, by the
// Clausius-Clapeyron equation with the slope of the vapour-pressure curve.
double reference_hvap(const Fluid& f, size_t i);
// Ideal-gas isobaric heat capacity of the reference data, J/(mol K).
double reference_cp0(const Fluid& f, double T);
std::vector<Row> data_rows(const Fluid& f);
std::vector<Row> barrier_rows(const Fluid& f);

// Loads the model and a fluid into the program's shared records, so that X_R_FRES computes
// this fluid. Ideal-gas terms and reference state are left as they are.
void load_into_program(const Model& model, const Fluid& f, const Params& p);

// Parameters, term and rows helpers.
std::string term_text(const Term& t);
std::vector<Term> candidate_bank(SetKind set);

}  // namespace fit
