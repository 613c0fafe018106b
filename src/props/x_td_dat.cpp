#include <cmath>
#include <cstring>
#include <string>

#include "eos/eos.h"
#include "eos/ideal_gas.h"
#include "eos/term_forms.h"
#include "eos/term_sweep.h"
#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/result_row.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "props/state_properties.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

constexpr std::string_view kTag = "x_td_dat";

bool trace_on() {
    return UNIT_TABLE.l_trace;
}

void trace(const ListRecord& record) {
    if (trace_on()) record.write_to(lun_of(TRACE_ENTRY));
}

void trace_derivatives(const FresDeriv& F) {
    if (!trace_on()) return;
    ListRecord header;
    header << "Fres"
           << "1.AnD"
           << "2.AnDD"
           << "1.AnT"
           << "2.AnTT"
           << "2.AnDT";
    trace(header);
    ListRecord values;
    values << F.F00 << F.F10 << F.F20 << F.F01 << F.F02 << F.F11;
    trace(values);
}

void trace_properties(const StateProperties& r, const IdealGasValues& ideal) {
    if (!trace_on()) return;
    ListRecord first;
    first << "cp: " << ideal.c0 << " h: " << ideal.h0 << " s: " << ideal.s0;
    trace(first);
    ListRecord second;
    second << "Tref: " << SUBST_CONST.Tref << "dp/dD: " << r.dpdD << "Uref: " << r.Uref
           << "r8_Fref: " << r.Fref << "r8_f_id: " << r.f_id << "g: " << r.g;
    trace(second);
}

// Ideal-gas values of one temperature, with the status of their evaluation.
struct IdealGas {
    IdealGasValues values;
    int32_t status = STATUS_OK;
};

// Values that depend only on the loaded substance or on the temperature, kept while the
// substance records stay as they are (the prepared terms of the sweep change their generation
// with every change of the records, a load included). Kept values equal fresh ones to the bit;
// with the trace switch on the ideal-gas values are made afresh all the same, so that their
// records are written.
struct KeptValues {
    uint64_t generation = 0;
    // Residual values at the reference state, kept only when their three X_R_FRES calls write
    // no record (reference state inside the range of the equation).
    bool reference = false;
    double F10r = 0.0, F01r = 0.0, F00r = 0.0;
    bool ideal_reference = false;
    IdealGas at_Tref;
    // Ideal-gas values of the temperature evaluated last (searches and the saturation routine
    // evaluate many densities at one temperature).
    bool ideal_last = false;
    double T_last = 0.0;
    IdealGas at_T_last;
};

thread_local KeptValues kept;

// True when the three reference calls of X_R_FRES write nothing: their input check passes and
// the residual part takes the reference state.
bool reference_is_quiet(const SubstConst& sc) {
    return input_accepted(sc.Dref, sc.Tref) && residual_in_range(sc.Dref, sc.Tref);
}

void renew_kept(uint64_t generation) {
    if (kept.generation == generation) return;
    kept = KeptValues{};
    kept.generation = generation;
}

// The residual values at the reference state: three X_R_FRES calls, or their kept results.
void residual_reference(ReferenceValues& ref) {
    const SubstConst& sc = SUBST_CONST;
    if (kept.reference) {
        ref.F10r = kept.F10r;
        ref.F01r = kept.F01r;
        ref.F00r = kept.F00r;
        return;
    }
    X_R_FRES(sc.Dref, sc.Tref, 1, 0, ref.F10r);
    X_R_FRES(sc.Dref, sc.Tref, 0, 1, ref.F01r);
    X_R_FRES(sc.Dref, sc.Tref, 0, 0, ref.F00r);
    if (!reference_is_quiet(sc)) return;
    kept.reference = true;
    kept.F10r = ref.F10r;
    kept.F01r = ref.F01r;
    kept.F00r = ref.F00r;
}

// Same bits: a kept value is used only for exactly the temperature it was made for.
bool same_value(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Ideal-gas values at the state's temperature in the quick form (the exact form where the quick
// one fails), kept for the temperature evaluated last.
const IdealGas& ideal_gas_at_state(const double& T) {
    IdealGas& g = kept.at_T_last;
    if (kept.ideal_last && same_value(kept.T_last, T) && !trace_on()) return g;
    IdealGasValues& v = g.values;
    g.status = ideal_gas::sums(T, ideal_gas::Form::quick, trace_on(), v.c0, v.h0, v.s0);
    if (g.status != STATUS_OK) X_R_CPID(T, v.c0, v.h0, v.s0, g.status);
    kept.T_last = T;
    kept.ideal_last = true;
    return g;
}

// Ideal-gas values at Tref by X_R_CPID, kept per substance.
const IdealGas& ideal_gas_at_reference() {
    IdealGas& g = kept.at_Tref;
    if (kept.ideal_reference && !trace_on()) return g;
    X_R_CPID(SUBST_CONST.Tref, g.values.c0, g.values.h0, g.values.s0, g.status);
    kept.ideal_reference = true;
    return g;
}

// All values of a state that a row or a later comparison can use.
bool all_finite(const TdProps& r) {
    for (double v : {r.p, r.dpdD, r.d2pdD2, r.f, r.g, r.u, r.h, r.s, r.cp, r.cv})
        if (!std::isfinite(v)) return false;
    return true;
}

void store(const StateProperties& s, TdProps& r) {
    r.p = s.p;
    r.dpdD = s.dpdD;
    r.d2pdD2 = s.d2pdD2;
    r.f = s.f;
    r.g = s.g;
    r.u = s.u;
    r.h = s.h;
    r.s = s.s;
    r.cp = s.cp;
    r.cv = s.cv;
}

// Evaluates the state (D, T); previous_cp is the cp that the near-critical rule keeps, status
// that of the ideal-gas evaluation at Tref. False, with nothing computed, for a state outside
// the range of the equation.
bool evaluate(const term_sweep::Prepared& p, const double& D, const double& T, ReferenceValues& ref,
              const double& previous_cp, StateProperties& out, int32_t& status, bool gated = true) {
    const SubstConst& sc = SUBST_CONST;
    const IdealGas& at_T = ideal_gas_at_state(T);
    if (at_T.status != STATUS_OK) return false;
    FresDeriv F;
    if (gated || !term_sweep::derivatives(p, D, T, F, false))
        term_sweep::derivative_set(p, D, T, F, status);
    if (status != STATUS_OK) return false;
    trace_derivatives(F);
    const IdealGas& at_Tref = ideal_gas_at_reference();
    ref.ideal = at_Tref.values;
    out = state_properties(sc, ref, D, T, F, at_T.values, previous_cp);
    if (sc.Dref == 0.0) {
        // Once for the entropy, once for the Helmholtz energy.
        ERRAUS(kTag, "Error at Read Dref from x_rstoff.tab:", 0);
        ERRAUS(kTag, "Error at Read Dref from x_rstoff.tab:", 0);
    }
    trace_properties(out, at_T.values);
    status = at_Tref.status;
    return true;
}

bool all_finite(const StateProperties& r) {
    for (double v :
         {r.p, r.dpdD, r.d2pdD2, r.f, r.g, r.u, r.h, r.s, r.cp, r.cv, r.kappa_T, r.mu_JT})
        if (!std::isfinite(v)) return false;
    return true;
}

// The residual values at the reference state of the prepared terms, kept or made afresh.
ReferenceValues reference_values(const term_sweep::Prepared& prepared) {
    renew_kept(prepared.generation);
    ReferenceValues ref;
    residual_reference(ref);
    return ref;
}

}  // namespace

// The whole property set of the state (D, T), as a silent X_TD_DAT evaluates it, without
// TD_PROPS and without the near-critical rule for cp (cp from its formula at every state), and
// without the input check of the residual sum: a density below its lowest (1e-7 mol/dm3) gets
// the equation's own residual part, not the ideal gas's, so that states stay continuous there.
// Status as X_TD_DAT's: STATUS_OUT_OF_RANGE for a state outside the range of the equation or
// with values that are not all finite.
void X_TD_STATE(const double& D, const double& T, StateProperties& props, int32_t& status) {
    const term_sweep::Prepared& prepared = term_sweep::current();
    ReferenceValues ref = reference_values(prepared);
    status = STATUS_OK;
    const double cp_from_formula = std::nan("");
    const bool gated = false;
    if (!evaluate(prepared, D, T, ref, cp_from_formula, props, status, gated) || !all_finite(props))
        status = STATUS_OUT_OF_RANGE;
}

// Properties of the state (D, T) into TD_PROPS and, unless silent, one row of the result
// table. The phase marker x selects the row: below 0 a single-phase row followed by the end
// marker, exactly 0 the saturated liquid (its values are kept for a later mixture row),
// exactly 1 the saturated vapour, above 1 a single-phase row without end marker, strictly
// between 0 and 1 the two-phase mixture of the kept liquid and the vapour in the record (no
// evaluation in that case).
// A state outside the range of the equation, or one whose values are not all finite, is
// refused with STATUS_OUT_OF_RANGE: no row is written and TD_PROPS keeps its values. The trace
// switch decides only what is written, not how the values are computed.
void X_TD_DAT(const bool& silent, const double& D, const double& T, const float& x,
              int32_t& status) {
    const term_sweep::Prepared& prepared = term_sweep::current();
    ReferenceValues ref = reference_values(prepared);
    status = STATUS_OK;
    std::string label = "   ";

    const bool evaluated = x <= 0.0f || x >= 1.0f;
    if (!evaluated && silent) return;

    TdProps r = TD_PROPS;
    if (evaluated) {
        StateProperties props;
        if (!evaluate(prepared, D, T, ref, r.cp, props, status)) {
            status = STATUS_OUT_OF_RANGE;
            return;
        }
        store(props, r);
        if (!all_finite(r)) {
            status = STATUS_OUT_OF_RANGE;
            return;
        }
        if (silent) {
            TD_PROPS = r;
            return;
        }
    }

    if (x == 0.0f) {
        label = "l  ";
        r.u_liq = r.u;
        r.h_liq = r.h;
        r.s_liq = r.s;
        r.cv_liq = r.cv;
        r.cp_liq = r.cp;
        r.f_liq = r.f;
    } else if (x == 1.0f) {
        label = "v  ";
    } else if (!evaluated) {
        label = "x= ";
        const double xv = x;
        r.u = (1.0 - xv) * r.u_liq + xv * r.u;
        r.h = (1.0 - xv) * r.h_liq + xv * r.h;
        r.s = (1.0 - xv) * r.s_liq + xv * r.s;
        r.f = (1.0 - xv) * r.f_liq + xv * r.f;
    }

    std::string row;
    if (evaluated) {
        row = full_row(std::string_view(label).substr(0, 2), T, D, r.p, r.u, r.h, r.s, r.cv, r.cp,
                       r.f);
    } else {
        if (!all_finite(r) || !std::isfinite(D)) {
            status = STATUS_OUT_OF_RANGE;
            return;
        }
        row = two_phase_row(x, D, r.p, r.u, r.h, r.s, r.f);
    }
    TD_PROPS = r;
    const int32_t lun = lun_of(RESULT_ENTRY);
    write_record(lun, row);
    if (x < 0.0f || !evaluated) write_record(lun, "end");
}
