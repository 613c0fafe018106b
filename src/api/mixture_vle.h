// Phase equilibrium of a mixture of the one-fluid model: the density of a pressure on the
// liquid or vapour branch, bubble and dew points at a given temperature or pressure by Newton's
// method with successive substitution of the K-values to fall back on (Michelsen and
// Mollerup's scheme), and the (T, p) flash. The solvers give a state or say why none: no wrong
// phase split.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "api/mixture_model.h"
#include "api/xalt1.h"

namespace xalt1::detail {

// The pure components' critical point and acentric factor, for the K-value start, and the
// lowest temperature of their ranges (docs/ranges.md), where searches in T begin.
struct CriticalConstants {
    double Tc = 0, pc = 0, acentric = 0, Tmin = 0;
};

// A pure component's saturated states at T from a source that costs no evaluation (its fluid's
// saturation series): the pressure (MPa) and both densities (mol/dm3); false where it has none
// (outside its range, above its critical temperature). Bubble and dew points start from them
// by Raoult's law, K_i = ps_i(T)/p, and from the saturated densities; without them from
// Wilson's K-values and a few substitution steps.
struct PureSaturation {
    double p = 0, Dliq = 0, Dvap = 0;
};
using SaturationSource = std::function<bool(double T, PureSaturation& out)>;
// A loaded fluid's saturation series (no evaluation of the equation) as such a source; the
// fluid must outlive it.
SaturationSource series_source(const Fluid& fluid);
// A loaded fluid's critical constants of the table's equation and the lowest temperature of
// its range.
CriticalConstants critical_constants_of(const Fluid& fluid);

// The density of pressure P (MPa) at T and z on a branch: the largest root (liquid) by Newton
// steps from close packing down, the smallest (vapour) from the ideal gas up; on a branch
// whose root lies beyond its spinodal, none. False then.
bool mixture_density(const MixtureModel& m, const double* z, double T, double P, bool liquid,
                     double& D);

// Two phases in equilibrium at T and p: the incipient phase's mole fractions and both
// densities.
struct PhaseSplit {
    double T = 0, p = 0;
    std::vector<double> x, y;  // liquid and vapour mole fractions
    double Dliq = 0, Dvap = 0;
    int iterations = 0;
};

// The bubble point (liquid of composition z, its first bubble of vapour) or the dew point
// (vapour of composition z, its first drop of liquid) at T: Newton steps in the K-values and
// both densities (mixture_newton.h) from Raoult's start where `saturation` (one source per
// component, or none) covers the phases' components, else from Wilson's after a few
// substitution steps; substitution to the end where Newton does not settle. Throws Error
// (no_solution) where no split is found: above the mixture's critical point, or the trivial
// solution of equal phases.
PhaseSplit bubble_at_T(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                       const std::vector<double>& z, double T,
                       const std::vector<SaturationSource>& saturation = {});
PhaseSplit dew_at_T(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                    const std::vector<double>& z, double T,
                    const std::vector<SaturationSource>& saturation = {});
// The same at the pressure p (MPa), T among the unknowns.
PhaseSplit bubble_at_p(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                       const std::vector<double>& z, double p,
                       const std::vector<SaturationSource>& saturation = {});
PhaseSplit dew_at_p(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                    const std::vector<double>& z, double p,
                    const std::vector<SaturationSource>& saturation = {});

// The state of z at (T, p): one phase (beta 0 for a liquid, 1 for a vapour; x = y = z, Dliq =
// Dvap the phase's density), or two, with the vapour fraction beta (moles of vapour per mole)
// and the phases' compositions and densities. The feed is tested for stability by the
// tangent-plane distance of a vapour-like and a liquid-like trial phase from Raoult's K-values
// (`saturation` as for bubble points), Newton's steps in the trial's amounts and density; an
// unstable feed is split by Newton's steps in the vapour's amounts and both densities from the
// trial's K-values, with successive substitution and the Rachford-Rice equation in its bounded
// form to fall back on.
struct Flash {
    bool two_phase = false;
    double beta = 0;
    PhaseSplit split;
};
Flash flash_Tp(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
               const std::vector<double>& z, double T, double p,
               const std::vector<SaturationSource>& saturation = {});

// The molar enthalpy or entropy of a flash's result (the phases' in proportion to beta).
double flash_enthalpy(const MixtureModel& m, const Flash& f);
double flash_entropy(const MixtureModel& m, const Flash& f);
// The temperatures a search in T runs between; none given (0): from the components' highest
// Tmin (at least 0.3 of their highest critical temperature) to 4 times their highest critical
// temperature.
struct TemperatureBounds {
    double lo = 0, hi = 0;
};
// The state of z at the pressure p with the molar enthalpy h or entropy s (table units): the
// temperature whose (T, p) flash has it (h and s rise with T at constant p), by Newton steps
// with cp in one phase and secant steps across the glide inside a bracket between the bounds.
// Throws Error (out_of_range) for a value beyond the search's ends.
Flash flash_ph(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
               const std::vector<double>& z, double p, double h,
               const std::vector<SaturationSource>& saturation = {},
               const TemperatureBounds& bounds = {});
Flash flash_ps(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
               const std::vector<double>& z, double p, double s,
               const std::vector<SaturationSource>& saturation = {},
               const TemperatureBounds& bounds = {});

}  // namespace xalt1::detail
