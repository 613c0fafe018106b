// The phase envelope of a mixture of fixed composition in p-T, its critical point, and the
// isothermal (p-x-y) and isobaric (T-x-y) diagrams of a binary.
//
// The envelope is traced by Michelsen's continuation: the unknowns are ln K_i (the incipient
// phase's mole fractions w_i = K_i z_i), ln T and ln p; the equations ln K_i + ln phi_i(w) -
// ln phi_i(z) = 0, sum(w - z) = 0 and one of the unknowns fixed. The fixed unknown is the one
// that changes fastest along the curve, so that the curve may turn in T and in p, and ln K is
// fixed over the critical point, where every ln K passes through 0 and the incipient phase
// turns from a vapour into a liquid.
#pragma once

#include <vector>

#include "api/mixture_vle.h"

namespace xalt1::detail {

// A point of the envelope: the feed z at its bubble point (z the liquid, the incipient phase a
// vapour) or its dew point (z the vapour, the incipient phase a liquid).
struct EnvelopePoint {
    double T = 0, p = 0;        // K, MPa
    double Dliq = 0, Dvap = 0;  // mol/dm3
    std::vector<double> incipient;
    bool bubble = true;
};

struct Envelope {
    // Along the curve: from the bubble point at the lowest pressure up the bubble side, over
    // the critical point (not itself a point of the list) and down the dew side to the same
    // pressure.
    std::vector<EnvelopePoint> points;
    // The critical point interpolated where ln K crosses 0 (Dliq = Dvap, incipient = z), and
    // the points of highest pressure and highest temperature, each solved where dp/dT = 0
    // and dT/dp = 0 along the curve.
    EnvelopePoint critical, cricondenbar, cricondentherm;
    int newton_steps = 0;  // Newton steps taken in all, failed ones included
};

// The lowest pressure is 0.1 MPa, or where the bubble point lies at the lowest temperature
// Tlow if 0.1 MPa is colder (Tlow 0: the highest Tmin of the components). Throws Error
// (no_solution) where there is no first bubble point or the curve is lost (no convergence after
// repeated shorter steps, a second crossing of the critical point, phases of equal density
// apart from it, more points than a closed envelope needs).
Envelope phase_envelope(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                        const std::vector<double>& z, double Tlow = 0.0);

// The two conditions of a critical point at (T, D) and z (Heidemann and Khalil): the smallest
// eigenvalue of B_ij = sqrt(z_i z_j) N d ln f_i / d n_j at constant T and V (1 for the ideal
// gas), and the cubic form sum_ijk d3(A/RT)/dn_i dn_j dn_k dn_i dn_j dn_k along its
// eigenvector dn_i = sqrt(z_i) u_i. Both vanish at the critical point. False where the
// equation refuses the state.
struct CriticalConditions {
    double smallest_eigenvalue = 0, cubic_form = 0;
    std::vector<double> eigenvector;  // u, unit length
};
bool critical_conditions(const MixtureModel& m, const std::vector<double>& z, double T, double D,
                         CriticalConditions& out);

// The critical point of z: for each trial density, the temperature where the smallest
// eigenvalue vanishes (the spinodal), and the density where the cubic form vanishes on it.
// Throws Error (no_solution) where none is found.
struct CriticalState {
    double T = 0, p = 0, D = 0;  // K, MPa, mol/dm3
};
CriticalState mixture_critical(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                               const std::vector<double>& z);

// The bubble and dew points of a binary at one temperature (p-x-y) or one pressure (T-x-y),
// the first component's fraction in the phase of given composition stepping from 0 to 1 in
// n - 1 equal steps. Where the temperature (pressure) lies above one component's critical
// one, the curves end at the mixture's critical point at that temperature (pressure): the
// compositions beyond it have no split and are left out.
struct BinaryDiagram {
    std::vector<PhaseSplit> bubble, dew;  // bubble[k].x and dew[k].y are the given compositions
    bool ends_at_critical = false;
    double critical_x = 0;  // the first component's fraction at the critical end
    CriticalState critical;
};
BinaryDiagram pxy_diagram(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                          double T, int n);
BinaryDiagram txy_diagram(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                          double p, int n);

// The bubble (dew) point of z at the temperature (hold_T) or pressure `value` by Newton steps
// of the envelope's equations from the split `near` of a nearby composition, temperature or
// pressure (its K-values, temperature or pressure and densities the start). False where they
// do not converge on a split of that kind.
bool split_near(const MixtureModel& m, const std::vector<double>& z, const PhaseSplit& near,
                bool bubble, bool hold_T, double value, PhaseSplit& out);

}  // namespace xalt1::detail
