// xalt1 as a library: the program's own equation of state, property function and saturated
// pair, opened to code. A Fluid is one fluid of a substance table, loaded once; its states are
// asked for by any two inputs and come back with every property at once.
//
//     xalt1::Fluid f("R1234yf", {}, xalt1::Units::mass);      // the shipped table
//     xalt1::State st = f.state(xalt1::Input::ph, 1.0, 420.0);  // p = 1 MPa, h = 420 kJ/kg
//     auto [liq, vap] = f.saturation_T(273.15);
//
// Units, chosen at load: molar K, MPa, mol/dm3, J/mol, J/(mol K), m/s (the console's own), or
// mass K, MPa, kg/m3, kJ/kg, kJ/(kg K), m/s. In both: Joule-Thomson coefficient in K/MPa,
// isothermal compressibility in 1/MPa, vapour fraction x in mol/mol (= kg/kg).
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

enum class Units { molar, mass };

// The input pairs, named by their two quantities in this order.
enum class Input { TD, Tp, pD, ph, ps, Tx, px };

// The input pair of two quantity names in either order ("T", "p", "D", "h", "s", "x"), and
// whether they came in the opposite order (then the values must be swapped to match Input).
// Throws Error (not_a_state) for a pair that is not one of the seven or names a quantity twice.
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
// table's equation, Dc in mol/dm3); the rest from the table's metadata file (see
// metadata_path), NaN or empty where the file does not list the fluid.
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
    ~Fluid();
    Fluid(Fluid&&) noexcept;
    Fluid& operator=(Fluid&&) noexcept;
    Fluid(const Fluid&) = delete;
    Fluid& operator=(const Fluid&) = delete;

    const FluidInfo& info() const;
    Units units() const;
    const std::string& table() const;
    Range range() const;
    // The critical point of the table's equation in the fluid's units (phase supercritical;
    // u, h, s, cv, f, g those of the state (Tc, Dc); cp, w, mu_JT, kappa_T and x NaN).
    State critical() const;

    // The state of an input pair; values in the order of the pair's name (Input::ph: p, h).
    State state(Input input, double first, double second) const;
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
    std::size_t states(Input input, Column first, Column second, std::size_t n,
                       const Outputs& out) const;
    // The same for saturation: the liquid into `liquid`, the vapour into `vapour`.
    enum class SaturationBy { T, p };
    std::size_t saturation(SaturationBy by, Column value, std::size_t n, const Outputs& liquid,
                           const Outputs& vapour) const;

    // Cost of the saturation curve built at load: exact pair solves and property evaluations.
    struct BuildCost {
        int solves = 0;
        long evaluations = 0;
    };
    BuildCost build_cost() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// Property evaluations (one equation of state evaluation at (T, D) each) made by the calling
// thread so far; benchmarks and tests take differences of it.
std::uint64_t evaluation_count();

}  // namespace xalt1
