#include "output/entries.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"
#include "eos/constants.h"
#include "fluid/reference.h"
#include "model/phase.h"
#include "model/program.h"
#include "solve/tuning.h"

namespace fit {

namespace {

// The reference state (Dref, Tref) in the dilute gas, where u and f are consistent with h and s.
constexpr double kTref = 273.15;
constexpr double kDref = 5.0e-6;
constexpr double kNormalPressure = 0.101325;  // MPa

// Saturation of the loaded entry at T by the program's own routine, else by Newton steps from
// the start densities.
bool entry_saturation(double T, double& ps, double& Dl, double& Dv) {
    double p = 0, l = 0, v = 0;
    if (maxwel_saturation(T, p, l, v)) {
        ps = p;
        Dl = l;
        Dv = v;
        return true;
    }
    return saturation(Eos::program(), T, ps, Dl, Dv);
}

// Saturated liquid and vapour of the loaded fluid at T; the Newton steps that stand in when
// the program's routine fails start from densities interpolated in the reference saturation
// table (below it: its first two states extrapolated).
bool saturation_at(const Fluid& f, double T, double& ps, double& Dl, double& Dv) {
    const SatPoint start =
        T >= f.sat.front().T ? interpolated_saturation(f, T) : extrapolated_saturation(f, T);
    Dl = start.Dliq;
    Dv = start.Dvap;
    return entry_saturation(T, ps, Dl, Dv);
}

// Saturated liquid and vapour of the loaded fluid at the normal boiling point T (bisection on
// the saturation pressure).
bool normal_boiling_point(const Fluid& f, double Tc, double& T, double& Dl, double& Dv) {
    double Tg = f.sat.front().T;
    for (size_t i = 1; i < f.sat.size(); ++i)
        if (f.sat[i].ps >= kNormalPressure) {
            Tg = f.sat[i].T;
            break;
        }
    double lo = std::max(0.8 * Tg, 0.2 * Tc), hi = std::min(1.2 * Tg, 0.995 * Tc);
    for (int it = 0; it < 100 && hi - lo > 1e-10 * hi; ++it) {
        T = 0.5 * (lo + hi);
        double ps = 0;
        if (!saturation_at(f, T, ps, Dl, Dv)) return false;
        (ps < kNormalPressure ? lo : hi) = T;
    }
    T = 0.5 * (lo + hi);
    double ps = 0;
    return saturation_at(f, T, ps, Dl, Dv);
}

// Sets Href and Sref of the loaded entry (loaded with Href = Sref = 0) by its convention;
// false when the saturated liquid of the convention is not found.
bool set_reference_state(const Fluid& f, Entry& e) {
    double T = 0, Dl = 0, Dv = 0, ps = 0;
    bool ok = false;
    switch (e.reference) {
        case ReferenceState::iir:
            T = IIR_TEMPERATURE;
            ok = saturation_at(f, T, ps, Dl, Dv);
            break;
        case ReferenceState::triple:
            T = f.Ttriple;
            ok = saturation_at(f, T, ps, Dl, Dv);
            break;
        case ReferenceState::nbp:
            ok = normal_boiling_point(f, e.Tc, T, Dl, Dv);
            break;
    }
    double u = 0, h = 0, s = 0;
    if (!ok || !program_caloric(Dl, T, u, h, s)) return false;
    // Href shifts u and h alike, Sref shifts s.
    const bool iir = e.reference == ReferenceState::iir;
    const double zero_of = e.reference == ReferenceState::triple ? u : h;
    e.Href = round_to_text((iir ? 200.0 * f.M : 0.0) - zero_of, CONST_DIGITS);  // J/mol
    e.Sref = round_to_text((iir ? 1.0 * f.M : 0.0) - s, CONST_DIGITS);
    return true;
}

}  // namespace

bool derive_entry(const Fluid& f, const Model& model, const Params& p, Entry& e) {
    e = Entry{};
    e.fluid = &f;
    e.p = p;
    e.p.alpha = round_to_text(p.alpha, CONST_DIGITS);
    e.p.q2 = round_to_text(p.q2, CONST_DIGITS);
    e.p.dp = round_to_text(p.dp, CONST_DIGITS);
    for (const IdealTerm& t : f.ideal) {
        IdealTerm r;
        r.E = round_sci(t.E, 10);
        r.K = round_sci(t.K * f.R / GAS_CONSTANT, 13);
        r.K2 = t.K2 > 0 ? round_sci(t.K2, 14) : round_sci(t.K2, 13);
        e.ideal.push_back(r);
    }
    e.Tc = f.Tc;
    e.Dc = f.Dc;
    e.Pc = f.pc;
    load_entry(model, e);
    double Tc, Dc, Pc;
    if (critical_point(Eos::program(), f.Tc, f.Dc, Tc, Dc, Pc)) {
        e.Tc = round_to_text(Tc, CONST_DIGITS);
        e.Dc = round_to_text(Dc, CONST_DIGITS);
        e.Pc = round_to_text(Pc, CONST_DIGITS);
    } else {
        log_line("  no critical point found for " + f.code + "; reference values kept");
    }
    e.Dref = kDref;
    e.Tref = kTref;
    e.Href = 0;
    e.Sref = 0;
    e.reference = reference_state_of(f, e.Tc);
    load_entry(model, e);
    if (!set_reference_state(f, e)) {
        log_line("  " + f.code + ": no saturated liquid for the reference state; not shipped");
        return false;
    }
    char buf[200];
    std::snprintf(buf, sizeof buf, "  %-10s Tc %.4f (%+.3f%%) pc %.4f (%+.2f%%) Dc %+.2f%%",
                  f.code.c_str(), e.Tc, 100 * (e.Tc / f.Tc - 1), e.Pc, 100 * (e.Pc / f.pc - 1),
                  100 * (e.Dc / f.Dc - 1));
    log_line(buf);
    return true;
}

std::vector<Entry> make_entries(const std::vector<Fluid>& fluids, FitState& state,
                                const Settings& settings) {
    Model& model = state.model;
    for (int s = 0; s < 3; ++s)
        for (double& c : model.coeff[s]) c = round_sci(c, s == 0 ? 10 : 12);
    std::vector<Entry> entries;
    for (const Fluid& f : fluids) {
        Entry e;
        if (derive_entry(f, model, shipped_params(f, state, settings), e)) entries.push_back(e);
    }
    return entries;
}

}  // namespace fit
