// xalt1 as a library: the program's own equation of state, property function and saturated
// pair, opened to code. A Fluid is one fluid of a substance table, loaded once; its states are
// asked for by any two inputs and come back with every property at once.
//
//     xalt1::Fluid f("R1234yf", {}, xalt1::Units::mass);      // the shipped table
//     xalt1::State st = f.state(xalt1::Input::ph, 1.0, 420.0);  // p = 1 MPa, h = 420 kJ/kg
//     auto [liq, vap] = f.saturation_T(273.15);
//
// Units, chosen at load: molar K, MPa, mol/dm3, J/mol, J/(mol K), m/s (the console's own),
// mass K, MPa, kg/m3, kJ/kg, kJ/(kg K), m/s, SI K, Pa, kg/m3, J/kg, J/(kg K), m/s, or SI_molar
// K, Pa, mol/m3, J/mol, J/(mol K), m/s. Joule-Thomson coefficient in K/MPa and isothermal
// compressibility in 1/MPa (K/Pa and 1/Pa in SI and SI_molar), vapour fraction x in mol/mol
// (= kg/kg).
//
// Errors are xalt1::Error exceptions whose message names the fluid, the input, the fluid's
// range and the reason. The library writes nothing to the console or to files and never waits
// for input; the reports of the core become the exception's message.
//
// Threads: every call is safe from any number of threads at once, with one fluid or many. Each
// thread evaluates with records of its own (the core's records are per thread), so threads do
// not wait for each other; a thread that changes from one fluid to another installs that
// fluid's records into its own (a few microseconds).
//
// This header is the whole interface; it includes nothing of the core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The shared library exports this interface and nothing else of its code.
#if defined(__GNUC__)
#pragma GCC visibility push(default)
#define XALT1_HIDDEN __attribute__((visibility("hidden")))
#else
#define XALT1_HIDDEN
#endif

namespace xalt1 {

// ---- Errors ------------------------------------------------------------------------------------

enum class ErrorKind {
    unknown_fluid,     // the code is not a fluid of the table (or its entry is left out)
    unreadable_table,  // the table (or its metadata file) cannot be opened or read
    bad_input,     // an input that is not finite, not positive where it must be, x not in [0, 1]
    out_of_range,  // an input or the state found lies outside the fluid's range
    no_solution,   // the equation gives no state for the inputs (the solve did not converge)
    not_a_state,   // the pair does not fix one state (unsupported pair, p = ps(T) in (T, p), ...)
};

// The kind as a word: "unknown fluid", "unreadable table", "bad input", "out of range",
// "no solution", "not a state".
std::string_view kind_name(ErrorKind kind);

class Error : public std::runtime_error {
  public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind kind() const noexcept { return kind_; }

  private:
    ErrorKind kind_;
};

// ---- Units, inputs, phases ------------------------------------------------------------------

enum class Units { molar, mass, SI, SI_molar };
// "molar", "mass", "SI", "SI-molar"; and the units of a name (throws Error, bad_input).
std::string_view units_name(Units units);
Units units_of(std::string_view name);

// The input pairs, named by their two quantities in this order. Pairs that can have two
// states: (T, h) (h along an isotherm falls to a minimum and rises again in the compressed
// liquid, so a value can be met twice), (h, x) and (s, x) (h'' has a maximum along the
// saturation curve, s'' one for fluids whose saturated vapour line leans over). Every other
// pair has at most one state: along its known line the other quantity is monotonic (h, s
// and u rise with T on an isobar and an isochore, s falls with D on an isotherm, s falls
// with p on an isenthalp).
enum class Input { TD, Tp, pD, ph, ps, Tx, px, hs, Th, Ts, Dh, Ds, Du, pu, hx, sx };
constexpr std::size_t INPUT_COUNT = 16;

// The input pair of two quantity names in either order ("T", "p", "D", "h", "s", "u", "x"),
// and whether they came in the opposite order (then the values must be swapped to match
// Input). Throws Error (not_a_state) for a pair that is not one of the table or names a
// quantity twice.
struct Pair {
    Input input;
    bool swapped;
};
Pair input_pair(std::string_view first, std::string_view second);
// The names of the pair's two quantities, e.g. {"p", "h"} for Input::ph.
std::pair<std::string_view, std::string_view> input_names(Input input);

enum class Phase : int8_t { liquid = 0, vapour = 1, supercritical = 2, two_phase = 3 };
// "liquid", "vapour", "supercritical", "two-phase".
std::string_view phase_name(Phase phase);

// The phase a state call is asked for. `any`: the stable state, decided from the saturation
// (a mixture inside the dome). `liquid` or `vapour`: the state on that branch of its isotherm,
// stable or metastable (superheated liquid, subcooled vapour), never a mixture: below Tc the
// liquid branch runs from the liquid spinodal (where dp/dD falls to 0) up, the vapour branch
// up to the vapour spinodal; at and above Tc, where the two branches are one, `liquid` takes
// the denser and `vapour` the less dense of two states. A state beyond the spinodal is an
// error (no_solution). For (T, h), whose isotherm can meet a value twice on one branch, they
// take the densest and the least dense of its single-phase states on either branch.
enum class PhaseChoice { any, liquid, vapour };
// "liquid", "vapour" or "gas" (= vapour); throws Error (bad_input).
PhaseChoice phase_choice_of(std::string_view name);

// ---- States ------------------------------------------------------------------------------------

// One state. Single phase: T at or above Tc and p at or above pc is supercritical; T at or above
// Tc below pc is vapour; below Tc the phase of the saturated state it lies beyond. A state where
// the equation is not stable (dp/dD, cv or cp not positive) is refused. Saturated states
// (x = 0 or 1) are single-phase states with their x, both at the saturation pressure (the
// vapour's, which the liquid meets to the round-off of its stiffness). A two-phase state is the
// mixture of its saturated liquid and vapour by the console's mixture row: u, h, s, f, and the
// volume, linear in x; p and g those of the saturation; T the saturation temperature.
// A quantity that the phase does not have is NaN: x of a single-phase state; cv, cp, w, mu_JT
// and kappa_T of a two-phase state.
struct State {
    double T = 0;        // K
    double p = 0;        // MPa
    double D = 0;        // mol/dm3 | kg/m3
    double u = 0;        // J/mol | kJ/kg
    double h = 0;        // J/mol | kJ/kg
    double s = 0;        // J/(mol K) | kJ/(kg K)
    double cv = 0;       // J/(mol K) | kJ/(kg K)
    double cp = 0;       // J/(mol K) | kJ/(kg K)
    double f = 0;        // Helmholtz energy, J/mol | kJ/kg
    double g = 0;        // Gibbs energy, J/mol | kJ/kg
    double w = 0;        // speed of sound, m/s
    double mu_JT = 0;    // Joule-Thomson coefficient (dT/dp)_h, K/MPa
    double kappa_T = 0;  // isothermal compressibility -(1/v)(dv/dp)_T, 1/MPa
    double x = 0;        // vapour fraction; NaN in single phase
    Phase phase = Phase::liquid;
};

// The outputs of a State by name, for bindings and tables.
enum class Quantity { T, p, D, u, h, s, cv, cp, f, g, w, mu_JT, kappa_T, x };
constexpr std::size_t QUANTITY_COUNT = 14;
// "T", "p", "D", "u", "h", "s", "cv", "cp", "f", "g", "w", "mu_JT", "kappa_T", "x".
std::string_view quantity_name(Quantity q);
double value_of(const State& state, Quantity q);

// ---- Fluids and their metadata -----------------------------------------------------------

// One fluid of a table. Tc, pc, Dc and M come from the table's entry (the critical point of the
// table's equation, Dc in mol/dm3); ptriple, Tnbp and acentric are computed from the table's
// equation when the fluid is loaded (its saturation curve); the rest from the table's metadata
// file (see metadata_path), NaN or empty where the file does not list the fluid.
struct FluidInfo {
    std::string code;             // as in the table's menu, e.g. "R1234yf"
    std::string name;             // e.g. "2,3,3,3-tetrafluoropropene"
    std::string fluid_class;      // "nonpolar", "quadrupolar", "dipolar", "hbond" (or empty)
    double M = 0;                 // molar mass, g/mol
    double Tc = 0;                // K
    double pc = 0;                // MPa
    double Dc = 0;                // mol/dm3
    double Ttriple = 0;           // K
    double Tmax = 0;              // K
    double pmax = 0;              // MPa
    std::string reference_state;  // "IIR", "NBP" or "triple point": the zero of u, h, s, f
    bool meets_targets = false;   // the table meets every accuracy target for the fluid
    std::string targets;          // "met", or the figures that miss
    double ptriple = 0;           // MPa, saturation pressure of the equation at Ttriple (NaN: none)
    double Tnbp = 0;      // K, normal boiling point of the equation, ps = 0.101325 MPa (NaN: none)
    double acentric = 0;  // -log10(ps(0.7 Tc)/pc) - 1 of the equation
};

// The shipped table as installed with the library; set_default_table changes it for the
// process (bindings that carry the table in their package set it once at import).
std::string default_table();
void set_default_table(const std::string& path);
// The metadata file of a table: next to it, the table's name with ".fluids.csv" in place of
// ".tab" (data/x_rstoff.tab -> data/x_rstoff.fluids.csv).
std::string metadata_path(const std::string& table);

// Every fluid that the table (empty: the default table) can load, in menu order; menu lines
// without an entry (fluids left out of the table) are not listed.
std::vector<FluidInfo> fluids(const std::string& table = {});

// The range in which a loaded fluid answers, in K and MPa: from Tmin = max(Ttriple, 0.3 Tc)
// (raised to the lowest saturated pair of the equation where that lies above it; below 0.3 Tc
// the table's equation is not checked) to Tmax, pressures up to pmax. A fluid that the metadata
// file does not list answers up to 2 Tc and 10 pc.
struct Range {
    double Tmin = 0, Tmax = 0, pmax = 0;
};

// The zero of u, h, s, f and g of a loaded fluid. `table`: the table's own (IIR or NBP, see
// FluidInfo::reference_state). IIR: h = 200 kJ/kg, s = 1 kJ/(kg K) for the saturated liquid at
// 273.15 K; ASHRAE: h = 0, s = 0 for the saturated liquid at 233.15 K (-40 C); NBP: h = 0,
// s = 0 for the saturated liquid at 0.101325 MPa; state: h and s (in the fluid's units) at
// the single-phase state (T, D) (D in the fluid's units). A reference state outside the fluid's
// range is an error at load.
struct Reference {
    enum class Kind { table, IIR, ASHRAE, NBP, state } kind = Kind::table;
    double T = 0, D = 0, h = 0, s = 0;  // Kind::state only
};
// "table", "IIR", "ASHRAE", "NBP" (case as written); throws Error (bad_input) for others.
Reference::Kind reference_of(std::string_view name);

// How a fluid is loaded: its units and reference state.
struct Options {
    Units units = Units::molar;
    Reference reference;
};

// ---- Derivatives -------------------------------------------------------------------------------

// The quantities of derivatives: T, p, D, v = 1/D, u, h, s, g, f (in the fluid's units; v in
// dm3/mol, m3/kg, m3/kg or m3/mol).
enum class Variable { T, p, D, v, u, h, s, g, f };
constexpr std::size_t VARIABLE_COUNT = 9;
std::string_view variable_name(Variable v);
// The variable of a name; throws Error (bad_input).
Variable variable_of(std::string_view name);

// The partial derivative (d of / d wrt) at constant `constant`; with `second`, the derivative
// d/d wrt2 at constant constant2 of that first derivative. Exact: from the equation's analytic
// derivatives. A two-phase state gives the derivative of the homogeneous mixture (first
// derivatives only; p and T are then tied by the saturation curve, so (d/dT) at constant p is
// not defined there); a saturated state (x = 0 or 1) that of its single phase.
struct Derivative {
    Variable of = Variable::p, wrt = Variable::T, constant = Variable::D;
    bool second = false;
    Variable wrt2 = Variable::T, constant2 = Variable::D;
};

// Slopes along the saturation curve at one temperature, in the fluid's units: d/dT and, the
// same divided by dps/dT, d/dp of the saturation pressure and of the saturated liquid's (') and
// vapour's ('') density, enthalpy, entropy, internal energy and volume.
struct SaturationSlopes {
    double T = 0, ps = 0;
    double dps_dT = 0, dT_dp = 0;
    double dDl_dT = 0, dDv_dT = 0, dhl_dT = 0, dhv_dT = 0, dsl_dT = 0, dsv_dT = 0;
    double dul_dT = 0, duv_dT = 0, dvl_dT = 0, dvv_dT = 0;
    double dDl_dp = 0, dDv_dp = 0, dhl_dp = 0, dhv_dp = 0, dsl_dp = 0, dsv_dp = 0;
    double dul_dp = 0, duv_dp = 0, dvl_dp = 0, dvv_dp = 0;
};

// The reduced residual Helmholtz energy alpha_r(tau, delta) = a_res/(R T) of the table's
// equation at one state, with tau = Tc/T and delta = D/Dc (Tc and Dc of the table's entry), and
// its derivatives, each times its variables to the power of its order (the usual form):
// delta d/d delta, tau d/d tau, delta^2 d2/d delta2, tau^2 d2/d tau2, delta tau d2/d delta d tau,
// delta^3 d3/d delta3.
struct Residual {
    double tau = 0, delta = 0;
    double alphar = 0, delta_d = 0, tau_t = 0, delta2_dd = 0, tau2_tt = 0, delta_tau_dt = 0,
           delta3_ddd = 0;
};

// Saturation from the series of the saturation curve alone, without an evaluation of the
// equation (to about 1e-10): ps, D', D'' at T, or T, D', D'' at p.
struct SeriesPoint {
    double T = 0, p = 0, Dl = 0, Dv = 0;
};

// ---- Vectorised calls ------------------------------------------------------------------------

// An input column: n values at data[0], data[stride], ...; stride 0 repeats one value.
struct Column {
    const double* data = nullptr;
    std::ptrdiff_t stride = 1;
};

// Output columns, owned by the caller, each of n elements (or nullptr: not wanted). A failed
// element has NaN in every number, phase -1 and its message in `error`; a found one has an
// empty message.
struct Outputs {
    double* T = nullptr;
    double* p = nullptr;
    double* D = nullptr;
    double* u = nullptr;
    double* h = nullptr;
    double* s = nullptr;
    double* cv = nullptr;
    double* cp = nullptr;
    double* f = nullptr;
    double* g = nullptr;
    double* w = nullptr;
    double* mu_JT = nullptr;
    double* kappa_T = nullptr;
    double* x = nullptr;
    int8_t* phase = nullptr;           // Phase as its number, -1 where the element failed
    std::string* error = nullptr;      // n strings
    double* column(Quantity q) const;  // the column of a quantity
};

// ---- A loaded fluid ----------------------------------------------------------------------------

class Fluid {
  public:
    // Loads the fluid `code` from `table` (empty: the default table) in the given units, and
    // builds its saturation curve. Throws Error: unknown_fluid, unreadable_table, no_solution
    // (no saturated pair anywhere below Tc).
    explicit Fluid(const std::string& code, const std::string& table = {},
                   Units units = Units::molar);
    Fluid(const std::string& code, const std::string& table, const Options& options);
    ~Fluid();
    Fluid(Fluid&&) noexcept;
    Fluid& operator=(Fluid&&) noexcept;
    Fluid(const Fluid&) = delete;
    Fluid& operator=(const Fluid&) = delete;

    const FluidInfo& info() const;
    Units units() const;
    const Reference& reference() const;
    const std::string& table() const;
    Range range() const;
    enum class SaturationBy { T, p };

    // The critical point of the table's equation in the fluid's units (phase supercritical;
    // u, h, s, cv, f, g those of the state (Tc, Dc); cp, w, mu_JT, kappa_T and x NaN).
    State critical() const;

    // The state of an input pair; values in the order of the pair's name (Input::ph: p, h).
    // With a phase asked for, the state on that branch (PhaseChoice).
    State state(Input input, double first, double second,
                PhaseChoice phase = PhaseChoice::any) const;
    State state_TD(double T, double D) const { return state(Input::TD, T, D); }
    State state_Tp(double T, double p) const { return state(Input::Tp, T, p); }
    State state_pD(double p, double D) const { return state(Input::pD, p, D); }
    State state_ph(double p, double h) const { return state(Input::ph, p, h); }
    State state_ps(double p, double s) const { return state(Input::ps, p, s); }
    State state_Tx(double T, double x) const { return state(Input::Tx, T, x); }
    State state_px(double p, double x) const { return state(Input::px, p, x); }

    // The saturated liquid and vapour at T (Tmin <= T < Tc) or at p (p(Tmin) <= p < pc).
    std::pair<State, State> saturation_T(double T) const;
    std::pair<State, State> saturation_p(double p) const;

    // n states at once: element i from (first[i], second[i]). Never throws for an element;
    // returns the number of failed elements.
    std::size_t states(Input input, Column first, Column second, std::size_t n, const Outputs& out,
                       PhaseChoice phase = PhaseChoice::any) const;

    // A derivative at the state of an input pair (Derivative), in the fluid's units.
    double derivative(const Derivative& d, Input input, double first, double second,
                      PhaseChoice phase = PhaseChoice::any) const;
    // Many derivatives of n states, each state solved once: derivative k of element i into
    // out[k][i] (asked.size() columns of n), the states themselves into `states` where given.
    // A failed element has NaN in every column and its message in states.error; a derivative
    // that the state does not have (a second derivative of a mixture) is NaN with the reason in
    // `why` (n strings, where given). Returns the number of failed elements.
    std::size_t derivatives(Input input, Column first, Column second, std::size_t n,
                            const std::vector<Derivative>& asked, double* const* out,
                            const Outputs& states = {}, std::string* why = nullptr,
                            PhaseChoice phase = PhaseChoice::any) const;

    // Slopes along the saturation curve at T or p (SaturationSlopes).
    SaturationSlopes saturation_slopes(SaturationBy by, double value) const;
    // The saturation series alone (SeriesPoint): no evaluation of the equation.
    SeriesPoint saturation_series(SaturationBy by, double value) const;
    // The reduced residual Helmholtz energy and its derivatives at (T, D) (D in the fluid's
    // units); any state the equation takes, stable or not.
    Residual residual(double T, double D) const;
    // The same for saturation: the liquid into `liquid`, the vapour into `vapour`.
    std::size_t saturation(SaturationBy by, Column value, std::size_t n, const Outputs& liquid,
                           const Outputs& vapour) const;

    // Cost of the saturation curve built at load: exact pair solves and property evaluations.
    struct BuildCost {
        int solves = 0;
        long evaluations = 0;
    };
    BuildCost build_cost() const;

    struct XALT1_HIDDEN Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// ---- Mixtures ----------------------------------------------------------------------------------

// A mixture of fluids of one table by one-fluid theory: the mixture at mole fractions z is one
// hypothetical fluid whose size, energy, shape and polar parameters come from its components'
// by van der Waals mixing and Lorentz-Berthelot combining rules, with one energy parameter xi
// (and one size parameter eta) per pair from the table's binary file (docs/mixtures.md).
//
//     xalt1::Mixture r454b(xalt1::blend("R454B"));                // R32/R1234yf 68.9/31.1 mass %
//     auto [liq, vap] = r454b.bubble_T(273.15);                   // vap.z: the first bubble
//     xalt1::MixtureState st = r454b.state(xalt1::Input::Tp, 300.0, 1.0);
//
// Inputs and outputs are in the mixture's units, as for Fluid (mass units by the molar mass of
// each state's own composition). Errors name the mixture, the input and the reason.

// Fractions of a mixture's components: by amount (mole) or by mass.
enum class Basis { mole, mass };
// "mole" or "mass"; throws Error (bad_input) for others.
Basis basis_of(std::string_view name);

// A component and its fraction.
struct Component {
    std::string code;  // as Fluid takes it: menu code, name, refrigerant number
    double fraction = 0;
};

// A named blend: its components in the fractions of its basis.
struct Blend {
    std::string name;
    std::vector<Component> components;
    Basis basis = Basis::mole;
};
// The named blends: R454B, R454C, R513A, R516A, R455A (mass), Air (mole).
const std::vector<Blend>& blends();
// The blend of a name (case as written or in any case); throws Error (unknown_fluid) naming
// the blends there are.
const Blend& blend(std::string_view name);

// A pair's parameters as the mixture uses them: from the binary file (source as the file gives
// it), or for a pair the file does not list from the rule file next to the table (the mean xi
// of the fitted pairs of the same two fluid classes, eta = 1; source "predicted: ..."), or
// xi = eta = 1 where the rule has no such pairs.
struct BinaryInfo {
    std::string a, b;
    double xi = 1, eta = 1;
    std::string source;
};

// A state of a mixture: the State of the mixture (x the vapour fraction, by amount in molar
// units and by mass in mass units; NaN in single phase), its mole fractions z, and in two phases
// the mole fractions of the liquid and the vapour (empty in single phase).
struct MixtureState : State {
    std::vector<double> z, liquid, vapour;
};

// A point of a mixture's phase envelope: its two coexisting phases, one of them of the
// mixture's composition (the liquid on the bubble line, `bubble`; the vapour on the dew line).
struct EnvelopePoint {
    MixtureState liquid, vapour;
    bool bubble = true;
};

// The phase envelope in p-T: the points from the bubble point at the lowest pressure (0.1 MPa,
// or the bubble point at the mixture's lowest temperature where that lies higher) up the bubble
// line, over the critical point and down the dew line to the same pressure; the critical point
// (Mixture::critical, interpolated along the curve), the cricondenbar (the highest pressure of
// the curve) and the cricondentherm (its highest temperature).
struct MixtureEnvelope {
    std::vector<EnvelopePoint> points;
    MixtureState critical;
    EnvelopePoint cricondenbar, cricondentherm;
};

// The p-x-y diagram (at one T) or the T-x-y diagram (at one p) of a binary mixture, in the
// mixture's units: the mole fraction of the first component stepping from 0 to 1, the bubble
// line (the liquid's fraction x given, the first bubble's y) and the dew line (the vapour's y
// given, the first drop's x), with p or T. Where T (p) lies above one component's critical
// one, both lines end at the mixture's critical point at that T (p), at the first component's
// fraction critical_x and the pressure (temperature) critical_value; NaN where they do not.
struct BinaryDiagram {
    std::vector<double> bubble_x, bubble_y, bubble_value;
    std::vector<double> dew_x, dew_y, dew_value;
    double critical_x = 0, critical_value = 0;
};

// Output columns of many mixture states (as Outputs), with the compositions: z, liquid and
// vapour each n x components, row by row (NaN in single phase, and for a failed element).
struct MixtureOutputs : Outputs {
    double* z = nullptr;
    double* liquid = nullptr;
    double* vapour = nullptr;
};

class Mixture {
  public:
    // The components in their fractions of `basis` (each >= 0, summing to 1 within 1e-9; they are
    // then scaled to sum exactly to 1) from `table` (empty: the default table), in `units`,
    // with the pairs of `pairs` (empty: the binary file next to the table). Throws Error:
    // bad_input (no component, a duplicate, a fraction negative, not finite or not summing to
    // 1), unknown_fluid, unreadable_table.
    Mixture(const std::vector<Component>& components, Basis basis = Basis::mole,
            const std::string& table = {}, Units units = Units::molar,
            const std::string& pairs = {});
    explicit Mixture(const Blend& blend, const std::string& table = {}, Units units = Units::molar,
                     const std::string& pairs = {});
    ~Mixture();
    Mixture(Mixture&&) noexcept;
    Mixture& operator=(Mixture&&) noexcept;
    Mixture(const Mixture&) = delete;
    Mixture& operator=(const Mixture&) = delete;

    // The components' codes as the table has them, in the order given.
    const std::vector<std::string>& components() const;
    // The mole fractions, in that order.
    const std::vector<double>& z() const;
    // The molar mass, g/mol.
    double molar_mass() const;
    Units units() const;
    const std::string& table() const;
    // "R454B" for a named blend, else the codes joined by "/".
    const std::string& name() const;
    // Every pair's parameters, in the order of the components.
    std::vector<BinaryInfo> binary() const;
    // The range of the mixture's states, in K and MPa: T from the mole-fraction mean of the
    // components' Tmin to the mean of their Tmax, p up to the lowest of their pmax.
    Range range() const;

    // The state of an input pair: (T, p), (p, h), (p, s), (T, D); (T, x) and (p, x) with x = 0
    // (the bubble point: the liquid of composition z) or x = 1 (the dew point: its vapour).
    // Throws Error: not_a_state for other pairs or x, bad_input, out_of_range, no_solution.
    MixtureState state(Input input, double first, double second) const;
    // The two coexisting phases at the bubble point (the liquid has composition z) or the dew
    // point (the vapour has composition z), at T or at p: (liquid, vapour).
    std::pair<MixtureState, MixtureState> bubble_T(double T) const;
    std::pair<MixtureState, MixtureState> bubble_p(double p) const;
    std::pair<MixtureState, MixtureState> dew_T(double T) const;
    std::pair<MixtureState, MixtureState> dew_p(double p) const;

    // n states at once (as Fluid::states): never throws for an element; returns the number
    // of failed elements.
    std::size_t states(Input input, Column first, Column second, std::size_t n,
                       const MixtureOutputs& out) const;

    // The p-x-y diagram at T and the T-x-y diagram at p of a binary mixture (BinaryDiagram),
    // n >= 2 compositions. Throws Error: bad_input for a mixture of other than two components
    // or n < 2, out_of_range, no_solution.
    BinaryDiagram pxy(double T, int n = 21) const;
    BinaryDiagram txy(double p, int n = 21) const;

    // The phase envelope (MixtureEnvelope). Throws Error (no_solution) where the curve is lost.
    MixtureEnvelope envelope() const;
    // The critical point of the mixture's composition (Heidemann and Khalil's conditions: the
    // stability limit and its cubic form vanish), phase supercritical; cp, w, mu_JT and kappa_T
    // NaN as at a pure fluid's. Single-phase states at or above its T and p are supercritical.
    // Throws Error (no_solution) where none is found.
    MixtureState critical() const;

    struct XALT1_HIDDEN Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// The library's version, "major.minor.patch".
std::string_view version();

// Property evaluations (one equation of state evaluation at (T, D) each) made by the calling
// thread so far; benchmarks and tests take differences of it.
std::uint64_t evaluation_count();

}  // namespace xalt1

#if defined(__GNUC__)
#pragma GCC visibility pop
#endif
