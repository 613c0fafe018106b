// A loaded fluid inside the library: its records, metadata, saturation curve, the factors of
// its units and the shift of its reference state. Every call converts its inputs to the core's
// molar units and the table's reference state, solves there, and converts back.
#pragma once

#include <cstdint>
#include <string>

#include "api/engine.h"
#include "api/jets.h"
#include "api/saturation.h"
#include "api/solve.h"
#include "api/xalt1.h"

namespace xalt1 {

// Factors from the core's molar units to the fluid's: value_fluid = value_core * factor.
struct UnitFactors {
    double p = 1, D = 1, energy = 1;  // energy: also entropy and heat capacities
    double of(detail::Var v) const;
    double of(detail::Given g) const;
};
UnitFactors unit_factors(Units units, double M);
// "T = 300 K", "h = 420.5 kJ/kg": an input as a message names it, in the units given.
std::string named_value(std::string_view name, double v, Units units);

struct Fluid::Impl {
    uint64_t id = 0;
    detail::Records records;
    FluidInfo info;
    Units units = Units::molar;
    Reference reference;
    std::string table;
    Range range;
    detail::SaturationCurve curve;
    detail::FluidCore core;
    UnitFactors factor;
    detail::Offsets offsets;

    // What was asked, kept as numbers: its text is made only for an error.
    struct Asked {
        Input input = Input::TD;
        double a = 0, b = 0;
        bool saturation = false, by_T = false;
    };
    std::string asked_text(const Asked& asked) const;
    std::string range_text() const;
    [[noreturn]] void fail(ErrorKind kind, const Asked& asked, const std::string& why) const;
    // An input checked (finite, positive where it must be, x in [0, 1], T and p in the range)
    // and brought to the core's units and reference state.
    double checked(const Asked& asked, detail::Given given, double v) const;
    // The state of a pair in the core's units, checked for stability and the range.
    detail::Found find(Input input, double a, double b, PhaseChoice phase) const;
    State solve(Input input, double a, double b, PhaseChoice phase) const;
    detail::SatPair saturated(const Asked& asked, Fluid::SaturationBy by, double value) const;
    State state_of(const detail::Found& found) const;
    State state_of_point(const detail::Point& pt, Phase phase, double x) const;
    Phase single_phase(const detail::Point& pt) const;
    std::pair<State, State> saturation(Fluid::SaturationBy by, double value) const;
    // A derivative of a found state, in the fluid's units; NaN with `why` where it has none.
    double derivative_of(const detail::Found& found, const Derivative& d, std::string& why) const;
};

}  // namespace xalt1
