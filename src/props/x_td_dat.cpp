#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "eos/eos.h"
#include "eos/hard_body.h"
#include "eos/ideal_gas.h"
#include "eos/term_sweep.h"
#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/result_row.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "props/td_props.h"
#include "substance/subst_const.h"

namespace {

constexpr double R = 8.314339637756348;  // gas constant 8.31434 J/(mol K), single precision
constexpr double kFlatDerivative = 9.999999974752427e-07;  // 1e-6 in single precision
constexpr double kNearTc = 0.20000000298023224;            // 0.2 K in single precision
constexpr std::string_view kTag = "x_td_dat";

// Derivative table F(i, j): i density and j temperature derivatives of a_res/(R T).
using DerivativeTable = std::array<std::array<double, 4>, 4>;

bool trace_on() {
    return UNIT_TABLE.l_trace;
}

void trace(const ListRecord& record) {
    if (trace_on()) record.write_to(lun_of(TRACE_ENTRY));
}

void trace_table(const DerivativeTable& F) {
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
    values << F[0][0] << F[1][0] << F[2][0] << F[0][1] << F[0][2] << F[1][1];
    trace(values);
}

// The seven residual derivatives of one state, one X_R_FRES call each, in the order the
// program always asks for them.
void fill_table(const double& D, const double& T, DerivativeTable& F) {
    F = {};
    static constexpr int32_t kPairs[7][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0},
                                             {1, 1}, {2, 0}, {3, 0}};
    for (const auto& pair : kPairs) X_R_FRES(D, T, pair[0], pair[1], F[pair[0]][pair[1]]);
}

void set_table(const FresDeriv& set, DerivativeTable& F) {
    F = {};
    F[0][0] = set.F00;
    F[1][0] = set.F10;
    F[2][0] = set.F20;
    F[3][0] = set.F30;
    F[0][1] = set.F01;
    F[0][2] = set.F02;
    F[1][1] = set.F11;
}

// Ideal-gas values of one temperature, with the status of their evaluation.
struct IdealGas {
    double c0 = 0.0, h0 = 0.0, s0 = 0.0;
    int32_t status = STATUS_OK;
};

IdealGas ideal_gas_at(const double& T) {
    IdealGas g;
    X_R_CPID(T, g.c0, g.h0, g.s0, g.status);
    return g;
}

// Values that depend only on the loaded substance or on the temperature, kept while the
// substance records stay as they are (the prepared terms of the sweep change their generation
// with every change of the records, a load included). Used only with the trace switch off: with
// it on every evaluation writes its trace records.
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

KeptValues kept;

constexpr double kLowestTemperature = 9.999999974752427e-07;  // as X_R_FRES checks its input
constexpr double kLowestDensity = 1.0000000116860974e-07;

// True when the three reference calls of X_R_FRES write nothing: their input check passes and
// the hard-body term takes the reference state.
bool reference_is_quiet(const SubstConst& sc) {
    if (!(sc.Tref >= kLowestTemperature) || !(sc.Dref >= kLowestDensity)) return false;
    static constexpr int32_t kPairs[3][2] = {{1, 0}, {0, 1}, {0, 0}};
    for (const auto& pair : kPairs) {
        double f = 0.0;
        if (I4_X_RFH(sc.Dref, sc.D0, sc.Tref, sc.T0, sc.Alpha, A1_HARD_BODY, A2_HARD_BODY, pair[0],
                     pair[1], f) != STATUS_OK)
            return false;
    }
    return true;
}

void renew_kept(uint64_t generation) {
    if (kept.generation == generation) return;
    kept = KeptValues{};
    kept.generation = generation;
}

// Same bits: a cached value is used only for exactly the temperature it was made for.
bool same_value(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// All values of a state that a row or a later comparison can use.
bool all_finite(const TdProps& r) {
    for (double v : {r.p, r.dpdD, r.d2pdD2, r.f, r.g, r.u, r.h, r.s, r.cp, r.cv})
        if (!std::isfinite(v)) return false;
    return true;
}

// Evaluates the state (D, T) into `r` from its derivative table F and the ideal-gas values at T
// and at Tref; `r` holds the record's values on entry so that the near-critical rule can keep
// the previous cp. Returns the status of the ideal-gas evaluation at Tref.
int32_t evaluate(const double& D, const double& T, const DerivativeTable& F, const IdealGas& at_T,
                 const IdealGas& at_Tref, double F10r, double F01r, double F00r, TdProps& r) {
    const SubstConst& sc = SUBST_CONST;
    if (at_T.status != STATUS_OK) ERRAUS(kTag, "Error at Routine x_r_cpid: ", at_T.status);
    const double c0 = at_T.c0, h0 = at_T.h0, s0 = at_T.s0;
    const double h0r = at_Tref.h0, s0r = at_Tref.s0;
    const int32_t status = at_Tref.status;
    if (trace_on()) {
        ListRecord record;
        record << "cp: " << c0 << " h: " << h0 << " s: " << s0;
        trace(record);
    }

    const double RT = R * T / 1000.0;
    r.p = D * RT + D * RT * F[1][0] * D;
    r.dpdD = RT * (1.0 + 2.0 * D * F[1][0] + D * D * F[2][0]);
    r.d2pdD2 = RT * (2.0 * F[1][0] + 4.0 * D * F[2][0] + D * D * F[3][0]);
    r.cv = R * (c0 - 1.0) - R * T * (2.0 * F[0][1] + T * F[0][2]);
    // Near the critical point the denominator of cp vanishes: cp keeps its previous value.
    const bool near_critical =
        r.d2pdD2 <= kFlatDerivative && r.dpdD <= kFlatDerivative && std::fabs(T - sc.Tc) < kNearTc;
    if (!near_critical) {
        const double a = 1.0 + D * F[1][0] + D * T * F[1][1];
        r.cp = r.cv + R * a * a / (1.0 + 2.0 * D * F[1][0] + D * D * F[2][0]);
    }

    const double h_id = sc.Href + R * (h0 - h0r);
    const double h_res =
        R * T * (D * F[1][0] - T * F[0][1]) - R * sc.Tref * (sc.Dref * F10r - sc.Tref * F01r);
    r.h = h_id + h_res;

    // ln(D T / (Dref Tref)), shared by the ideal-gas entropy and Helmholtz energy.
    const double log_ratio = sc.Dref == 0.0 ? 0.0 : std::log(D * T / (sc.Dref * sc.Tref));
    double s_id = 0.0;
    if (sc.Dref == 0.0) {
        ERRAUS(kTag, "Error at Read Dref from x_rstoff.tab:", 0);
    } else {
        s_id = sc.Sref + R * (s0 - s0r) - R * log_ratio;
    }
    const double s_res = R * (sc.Tref * F01r + F00r) - R * (T * F[0][1] + F[0][0]);
    r.s = s_id + s_res;

    const double Uref = sc.Href - R * sc.Tref;
    const double u_id = Uref + R * ((h0 - T) - (h0r - sc.Tref));
    const double u_res = R * sc.Tref * sc.Tref * F01r - R * T * T * F[0][1];
    r.u = u_id + u_res;

    // The Helmholtz reference is taken at the current temperature.
    const double Fref = sc.Href - T * sc.Sref;
    double f_id = 0.0;
    if (sc.Dref == 0.0) {
        ERRAUS(kTag, "Error at Read Dref from x_rstoff.tab:", 0);
    } else {
        f_id = Fref + R * (h0 - h0r) - R * T - R * T * (s0 - s0r) + R * T * log_ratio;
    }
    const double f_res = R * T * F[0][0] - R * sc.Tref * F00r;
    r.f = f_id + f_res;

    // The residual part of g has no reference correction: g only compares states at equal T.
    r.g = (h_id - T * s_id) + R * T * (F[0][0] + D * F[1][0]);

    if (trace_on()) {
        ListRecord record;
        record << "Tref: " << sc.Tref << "dp/dD: " << r.dpdD << "Uref: " << Uref
               << "r8_Fref: " << Fref << "r8_f_id: " << f_id << "g: " << r.g;
        trace(record);
    }
    return status;
}

// The derivative table and the ideal-gas values at T of a state by the one-sweep evaluation;
// false where X_R_INRANGE refuses the state. Where the sweep does not take a state that is in
// range, the seven X_R_FRES calls fill the table and write their records as always.
bool sweep_state(const term_sweep::Prepared& p, const double& D, const double& T,
                 DerivativeTable& F, IdealGas& at_T) {
    if (!std::isfinite(D) || !std::isfinite(T) || !(D > 0.0) || !(T > 0.0)) return false;
    if (!kept.ideal_last || !same_value(kept.T_last, T)) {
        IdealGas& g = kept.at_T_last;
        g.status = STATUS_OK;
        if (!ideal_gas::quick_sums(T, g.c0, g.h0, g.s0)) g = ideal_gas_at(T);
        kept.T_last = T;
        kept.ideal_last = true;
    }
    at_T = kept.at_T_last;
    // The ideal-gas part fails exactly where the range test finds it not finite.
    if (at_T.status != STATUS_OK) return false;
    FresDeriv set;
    if (term_sweep::derivatives(p, D, T, set)) {
        set_table(set, F);
        return true;
    }
    if (!X_R_INRANGE(D, T)) return false;
    fill_table(D, T, F);
    return true;
}

}  // namespace

// Properties of the state (D, T) into TD_PROPS and, unless silent, one row of the result
// table. The phase marker x selects the row: below 0 a single-phase row followed by the end
// marker, exactly 0 the saturated liquid (its values are kept for a later mixture row),
// exactly 1 the saturated vapour, above 1 a single-phase row without end marker, strictly
// between 0 and 1 the two-phase mixture of the kept liquid and the vapour in the record (no
// evaluation in that case).
// A state outside the range of the equation, or one whose values are not all finite, is
// refused with STATUS_OUT_OF_RANGE: no row is written and TD_PROPS keeps its values.
void X_TD_DAT(const bool& silent, const double& D, const double& T, const float& x,
              int32_t& status) {
    const SubstConst& sc = SUBST_CONST;
    // With the trace switch off the evaluation takes the one-sweep path and keeps the values of
    // the substance and of the last temperature; the results differ only by rounding.
    const bool sweep = !trace_on();
    const term_sweep::Prepared* prepared = nullptr;
    if (sweep) {
        prepared = &term_sweep::current();
        renew_kept(prepared->generation);
    }
    double F10r = 0.0, F01r = 0.0, F00r = 0.0;
    if (sweep && kept.reference) {
        F10r = kept.F10r;
        F01r = kept.F01r;
        F00r = kept.F00r;
    } else {
        X_R_FRES(sc.Dref, sc.Tref, 1, 0, F10r);
        X_R_FRES(sc.Dref, sc.Tref, 0, 1, F01r);
        X_R_FRES(sc.Dref, sc.Tref, 0, 0, F00r);
        if (sweep && reference_is_quiet(sc)) {
            kept.reference = true;
            kept.F10r = F10r;
            kept.F01r = F01r;
            kept.F00r = F00r;
        }
    }
    status = STATUS_OK;
    std::string label = "   ";

    const bool evaluated = x <= 0.0f || x >= 1.0f;
    if (!evaluated && silent) return;

    TdProps r = TD_PROPS;
    if (evaluated) {
        DerivativeTable F;
        IdealGas at_T;
        IdealGas at_Tref;
        if (sweep) {
            if (!sweep_state(*prepared, D, T, F, at_T)) {
                status = STATUS_OUT_OF_RANGE;
                return;
            }
            if (!kept.ideal_reference) {
                kept.at_Tref = ideal_gas_at(sc.Tref);
                kept.ideal_reference = true;
            }
            at_Tref = kept.at_Tref;
        } else {
            if (!X_R_INRANGE(D, T)) {
                status = STATUS_OUT_OF_RANGE;
                return;
            }
            fill_table(D, T, F);
            trace_table(F);
            at_T = ideal_gas_at(T);
            at_Tref = ideal_gas_at(sc.Tref);
        }
        status = evaluate(D, T, F, at_T, at_Tref, F10r, F01r, F00r, r);
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
