// The physics check of a fluid's equation: on isotherms from max(Ttriple, 0.3 Tc) to 3 Tc,
// p, dp/dD and cv positive in the stable fluid outside the reference two-phase region, a single
// van der Waals loop inside it, and the second virial coefficient B rising with T (one sign
// change, the Boyle temperature) and negative at low temperatures. Where it fails, guard rows
// (one-sided bounds) ask the fit to mend the offending states.
#pragma once

#include <string>

#include "solve/cases.h"

namespace fit {

// The limits of the check, which the accuracy report also states.
struct PhysicsCheckLimits {
    double lowest = 0.3;           // isotherms from max(Ttriple, lowest Tc) ...
    double highest = 3.0;          // ... to highest Tc
    double packing = 0.6;          // densities up to this packing fraction ...
    double pressure_factor = 1.5;  // ... or this times the higher of pmax and pc
    int densities = 300;           // densities per isotherm
    double negative_virial = 0.6;  // B negative up to this times Tc

    // The paragraph of the accuracy report that describes the check.
    std::string description() const;
};
inline constexpr PhysicsCheckLimits PHYSICS_CHECK{};

// Checks the physics of one fluid under the model with the case's parameters. Adds guard rows
// at the offending states when add_rows is set; logs every offending state when verbose.
// Returns the number of offending states.
int physics_check(FluidCase& c, const Model& model, bool add_rows, bool verbose = false);

}  // namespace fit
