#include <algorithm>
#include <cmath>

#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/status_records.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

constexpr std::string_view kTag = "x_pvt";

// Tolerances and steps held in single precision (float literals, widened).
constexpr double kPressureConverged = 1e-7f;
constexpr double kOnSaturation = 1e-5f;
constexpr double kDensityNudge = 0.001f;
constexpr int32_t kMaxPasses = 500;
constexpr int32_t kMaxSupercriticalPasses = 50000;
constexpr int32_t kMaxStepDivisions = 30;
// A density below zero is nudged up by kDensityNudge at a time; from any density the search
// itself reaches (above -1 mol/dm3) 1000 nudges suffice. A start density far below zero (a
// negative Dc in the table) gives up at this count instead of nudging for ever.
constexpr int32_t kMaxNudges = 2000;

// Routine state; it lives from call to call, every search sets what it uses.
thread_local double ps = 0.0;
thread_local double Dliq = 0.0;
thread_local double Dvap = 0.0;
thread_local double T_sat = 0.0;  // temperature of the last successful saturation call
thread_local double T1 = 0.0, ps1 = 0.0;
thread_local double T2 = 0.0, ps2 = 0.0;
thread_local double w = 0.0;
thread_local float step = 0.0f;
thread_local bool increased = false;  // the last step of the search increased its variable
thread_local bool silent = false;
thread_local float x = -1.0f;
thread_local int32_t counter = 0;

// Saturation state at T; false (reported) when the saturation routine fails.
bool saturation(const double& T, int32_t& status) {
    X_MAXWEL(T, ps, Dliq, Dvap, status);
    if (status != STATUS_OK) {
        ERRAUS(kTag, "Error at Routine x_maxwel", status);
        return false;
    }
    T_sat = T;
    return true;
}

// One row of the result table; false (reported with the given message) when it fails.
bool row(const double& D, const double& T, float marker, int32_t& status,
         std::string_view message = "Error at Routine td_daten") {
    silent = false;
    x = marker;
    X_TD_DAT(silent, D, T, x, status);
    if (status != STATUS_OK) {
        ERRAUS(kTag, message, status);
        return false;
    }
    return true;
}

// Silent evaluation at (D, T); false (reported) when it fails.
bool evaluate(const double& D, const double& T, int32_t& status) {
    silent = true;
    x = -1.0f;
    X_TD_DAT(silent, D, T, x, status);
    if (status != STATUS_OK) {
        ERRAUS(kTag, "Error at Routine td_daten", status);
        return false;
    }
    return true;
}

void single_phase_row(const double& D, const double& T, int32_t& status) {
    row(D, T, -1.0f, status);
}

void write_end_marker() {
    write_record(lun_of(RESULT_ENTRY), "end");
}

// The saturated liquid and vapour rows at T, then the end marker. Once a row of the block is
// written, the block is closed with the marker even when a later row fails, so that the result
// file always ends with "end".
void saturated_pair(const double& T, int32_t& status) {
    if (!row(Dliq, T, 0.0f, status)) return;
    row(Dvap, T, 1.0f, status);
    write_end_marker();
}

// The saturated rows, then the mixture of density D with its vapour fraction. A fraction that
// rounds to 0 or 1 in single precision (D on, or next to, a saturated density) is a saturated
// state: the block then ends after the two saturated rows, with the end marker.
void two_phase_block(const double& D, const double& T, int32_t& status,
                     std::string_view third_row_message) {
    if (!row(Dliq, T, 0.0f, status)) return;
    if (!row(Dvap, T, 1.0f, status)) {
        write_end_marker();
        return;
    }
    const float fraction = static_cast<float>((1.0 / D - 1.0 / Dliq) / (1.0 / Dvap - 1.0 / Dliq));
    // The mixture row writes the marker itself; a failed one leaves it to us.
    if (!(fraction > 0.0f && fraction < 1.0f) || !row(D, T, fraction, status, third_row_message))
        write_end_marker();
}

bool converged(const double& P) {
    return std::fabs(P - TD_PROPS.p) / P <= kPressureConverged;
}

// 1/T linear in ln p through the two saturation points. An estimate at or above Tc (a target
// close to Pc, beyond the points) is taken halfway between the upper point and Tc instead,
// as every pressure below Pc has its saturation temperature below Tc.
double estimate_from_points(const double& P) {
    w = (std::log(P) - std::log(ps1)) / (std::log(ps2) - std::log(ps1));
    const double T = 1.0 / (1.0 / T1 + w * (1.0 / T2 - 1.0 / T1));
    const double Tc = SUBST_CONST.Tc;
    if (T >= Tc && P < SUBST_CONST.Pc) return 0.5 * (std::max(T1, T2) + Tc);
    return T;
}

// First estimate of the saturation temperature at P from the saturation points at 0.9 and
// 0.75 Tc; false when a saturation call failed.
bool estimate_saturation_temperature(const double& P, double& T, int32_t& status) {
    T2 = 0.9f * SUBST_CONST.Tc;
    T = T2;
    if (!saturation(T, status)) return false;
    ps2 = ps;
    T1 = 0.75 * SUBST_CONST.Tc;
    T = T1;
    if (!saturation(T, status)) return false;
    ps1 = ps;
    T = estimate_from_points(P);
    return true;
}

// Replaces one of the two saturation points by the latest one and estimates again. A
// saturation pressure above both points replaces the upper one as well, so that a target above
// the pressure at 0.9 Tc is approached instead of estimated again unchanged.
void update_points(const double& P, double& T) {
    if (ps < ps1) {
        T1 = T;
        ps1 = ps;
    } else {
        T2 = T;
        ps2 = ps;
    }
    T = estimate_from_points(P);
}

// The saturation pressure matches the target within 1e-7 MPa, and below 1 MPa within a relative
// 1e-7, so that low saturation pressures are met as closely as high ones (an absolute bound
// alone would leave a 1 % miss at 1e-5 MPa).
bool saturation_pressure_matches(const double& P) {
    return std::fabs(P - ps) <= kPressureConverged * std::min(1.0, P);
}

// Refines the saturation temperature T of the target pressure P until the saturation pressure
// matches within the absolute bound (with stop_at_Tc also when T reaches Tc). False when a
// saturation call failed or the passes ran out (both reported).
bool refine_saturation_temperature(const double& P, double& T, int32_t& status, bool stop_at_Tc) {
    while (!((stop_at_Tc && T >= SUBST_CONST.Tc) || saturation_pressure_matches(P))) {
        if (!saturation(T, status)) return false;
        if (!saturation_pressure_matches(P)) {
            update_points(P, T);
            ++counter;
            if (counter > kMaxPasses) {
                ERRAUS(kTag, "Iteration should be optimized in x_pvt :", counter);
                return false;
            }
        }
    }
    return true;
}

// Mode 1: the state (T, D) as given; two-phase below Tc between the saturated densities. At Tc
// itself no state is two-phase (and there is no saturated pair to ask for): a single row.
void mode_temperature_density(double& T, double& D, int32_t& status) {
    if (T >= SUBST_CONST.Tc) {
        single_phase_row(D, T, status);
        return;
    }
    if (!saturation(T, status)) return;
    if (Dvap <= D && D <= Dliq) {
        two_phase_block(D, T, status, "Error at Routine td_daten");
    } else {
        single_phase_row(D, T, status);
    }
}

// Mode 2: stepping search on D for the target pressure P, dividing the step by 10 at every
// reversal. Below Tc it starts next to the saturated density of the phase that P belongs to;
// from Tc on it starts at Dc with step 1. (Above Tc the pressure rises with the density, so at a
// reversal P lies between the last two densities. A search that divided its step only at
// reversals within 5 MPa of P would swing for ever between two densities a whole step apart
// wherever the pressure changes by more than that per step, as at every liquid-like density.)
void mode_pressure_temperature(double& T, double& D, const double& P, int32_t& status) {
    TD_PROPS.p = 0.0;
    if (T >= SUBST_CONST.Tc) {  // at Tc, as above it, the pressure rises with the density
        D = SUBST_CONST.Dc;
        step = 1.0f;
        increased = false;
        for (;;) {
            if (converged(P)) {
                single_phase_row(D, T, status);
                return;
            }
            for (int32_t k = 0; D < 0.0 && k < kMaxNudges; ++k) D += kDensityNudge;
            if (D <= 0.0) {
                ERRAUS(kTag, "Iteration create D<0 in x_pvt ", counter);
                ListRecord line;
                line << "D<0";
                line.write_to_console();
                wait_for_enter();
                return;
            }
            if (!evaluate(D, T, status)) return;
            if (!converged(P)) {
                // The first step from Dc is no reversal.
                const bool stepped = counter > 0;
                if (TD_PROPS.p > P) {
                    if (increased && stepped) step = step / 10.0f;
                    D = D - step;
                    increased = false;
                } else {
                    if (!increased && stepped) step = step / 10.0f;
                    D = D + step;
                    increased = true;
                }
                ++counter;
                if (counter > kMaxSupercriticalPasses) {
                    ERRAUS(kTag, "Iteration should be optimized in x_pvt ", counter);
                    return;
                }
            }
        }
    }

    if (!saturation(T, status)) return;
    if (std::fabs(ps - P) / P <= kOnSaturation) {
        saturated_pair(T, status);
        return;
    }
    const bool vapour_side = P < ps;
    if (vapour_side) {
        step = static_cast<float>(Dvap / 100.0);
        D = Dvap - step;
    } else {
        step = static_cast<float>(P / 10.0);  // a pressure in MPa taken as a density step
        D = Dliq + step;
    }
    increased = false;
    for (;;) {
        if (converged(P)) {
            single_phase_row(D, T, status);
            return;
        }
        // A step below zero density is taken back to nine tenths and the step divided by 10,
        // as often as needed to stay at positive densities.
        for (int32_t k = 0; D <= 0.0 && k < kMaxStepDivisions; ++k) {
            D = D + step - step / 10.0f;
            step = step / 10.0f;
        }
        if (!evaluate(D, T, status)) return;
        if (!converged(P)) {
            if (TD_PROPS.p > P) {
                if (increased) step = step / 10.0f;
                D = D - step;
                increased = false;
            } else {
                if (!increased) step = step / 10.0f;
                D = D + step;
                increased = true;
            }
        }
        ++counter;
        if (counter > kMaxPasses) {
            if (vapour_side) {
                ERRAUS(kTag, "Iteration should be optimized in pvt:", counter);
            } else {
                ERRAUS(kTag, "Iteration should be optimized in x_pvt ", 0);
            }
            return;
        }
    }
}

// Mode 3: two-phase at the saturation temperature of P when D lies strictly between the
// saturated densities of that temperature; otherwise a stepping search on T for the target
// pressure P. The phase is decided with the saturated pair of the refined saturation
// temperature (a decision at the first estimate put states next to a saturated density on the
// wrong side).
void mode_pressure_density(double& T, double& D, const double& P, int32_t& status) {
    TD_PROPS.p = 0.0;
    const double Tc = SUBST_CONST.Tc;
    if (P <= SUBST_CONST.Pc) {
        if (!estimate_saturation_temperature(P, T, status)) return;
        if (!refine_saturation_temperature(P, T, status, true)) return;
        // The block needs the saturated densities of the temperature it is written at.
        if (T < Tc && T == T_sat && Dvap < D && D < Dliq) {
            two_phase_block(D, T, status, "Fehler in Routine td_daten");
            return;
        }
    }

    // The search starts from no pressure: the last evaluation of the saturation routine may
    // hold the target pressure itself, which would end the search before its first step.
    TD_PROPS.p = 0.0;
    T = Tc + 100.0;
    step = 100.0f;
    increased = true;
    for (;;) {
        if (converged(P)) {
            single_phase_row(D, T, status);
            return;
        }
        if (!evaluate(D, T, status)) return;
        if (!converged(P)) {
            if (TD_PROPS.p < P) {
                if (!increased) step = step / 10.0f;
                T = T + step;
                increased = true;
            } else {
                if (increased) step = step / 10.0f;
                T = T - step;
                increased = false;
            }
            ++counter;
            if (counter > kMaxPasses) {
                ERRAUS(kTag, "Iteration shoud be optimized in x_pvt:", counter);
                return;
            }
        }
    }
}

// Mode 4: the saturated pair at T.
void mode_saturation_temperature(double& T, int32_t& status) {
    if (T > SUBST_CONST.Tc) {
        ERRAUS(kTag, "Ts > Tc !", status);
        return;
    }
    if (!saturation(T, status)) return;
    saturated_pair(T, status);
}

// Mode 5: the saturation temperature of P, then the saturated pair.
void mode_saturation_pressure(double& T, const double& P, int32_t& status) {
    if (P > SUBST_CONST.Pc) {
        ERRAUS(kTag, "ps > pc !", status);
        return;
    }
    TD_PROPS.p = 0.0;
    if (!estimate_saturation_temperature(P, T, status)) return;
    if (refine_saturation_temperature(P, T, status, false)) saturated_pair(T, status);
}

}  // namespace

// Solves one request and has its rows written. The case follows from which of T, D and p are
// positive: D and p (mode 3, T is solved), T and D (mode 1), p and T (mode 2, D is solved),
// T alone (mode 4, saturation at T), p alone (mode 5, saturation at p); any other pattern does
// nothing. Within the request each distinct status-file record is written once. Failures are
// reported and end the request; a failure of the saturation routine or of
// a property evaluation comes back in status. The two codes of a request that cannot be solved
// (99: saturation not found near Tc; 98: the search left the range of the equation) are
// cleared at exit, so that the dialogue goes on.
void X_PVT(double& T, double& D, double& p, int32_t& status) {
    counter = 0;
    x = -1.0f;
    STATUS_REQUEST_BEGIN();
    if (D > 0.0 && p > 0.0) {
        mode_pressure_density(T, D, p, status);
    } else if (T > 0.0 && D > 0.0) {
        mode_temperature_density(T, D, status);
    } else if (T > 0.0 && p > 0.0) {
        mode_pressure_temperature(T, D, p, status);
    } else if (p == 0.0 && T > 0.0 && D == 0.0) {
        mode_saturation_temperature(T, status);
    } else if (D == 0.0 && p > 0.0 && T == 0.0) {
        mode_saturation_pressure(T, p, status);
    }
    STATUS_REQUEST_END();
    if (status == STATUS_NEAR_CRITICAL || status == STATUS_OUT_OF_RANGE) status = STATUS_OK;
}
