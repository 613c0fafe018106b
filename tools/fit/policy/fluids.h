// The fluids of the reference package in the menu order of the shipped table, with the
// exceptions that name a fluid: the anchors of the coefficient sets, the fluids fitted alone
// and the one whose caloric reference is the triple point. The one list of named fluids.
#pragma once

#include <string>
#include <vector>

#include "fluid/fluid.h"

namespace fit {

enum class Role {
    none,
    // Anchors: a common rescaling of a set's parameters would otherwise be absorbed by its
    // coefficients. The attraction anchor holds T0 = 0.8 Tc and Alpha = 1 (and takes no polar
    // shape parameter), the quadrupolar anchor Q2 = 1, the dipolar anchor Dp = 1.
    anchor_fa,
    anchor_fq,
    anchor_fd,
    // Fitted alone with the sets fixed instead of training its class's set: trained with the
    // others it pulled the shared coefficients far from the well-measured fluids.
    alone,
    // Caloric reference u = 0, s = 0 of the saturated liquid at the triple point.
    triple_point,
};

Role role_of(const std::string& code);
// The codes in menu order: the menu of the shipped table numbers its fluids in this order; a
// fluid that is not listed comes last.
std::vector<std::string> menu_order();

// Convention of the caloric reference state (the zero of h and s, or of u and s).
enum class ReferenceState {
    iir,     // saturated liquid at 273.15 K: h = 200 kJ/kg, s = 1 kJ/(kg K)
    nbp,     // saturated liquid at 0.101325 MPa (normal boiling point): h = 0, s = 0
    triple,  // saturated liquid at the triple point: u = 0, s = 0
};
// The temperature of the IIR convention, K.
constexpr double IIR_TEMPERATURE = 273.15;

// IIR where 273.15 K lies in the fluid's range Ttriple..Tc (Tc of the fitted equation), the
// triple point for a fluid named so, otherwise the normal boiling point.
ReferenceState reference_state_of(const Fluid& f, double Tc);
// Short name of the convention, as the fluid list states it.
const char* reference_state_text(ReferenceState r);

}  // namespace fit
