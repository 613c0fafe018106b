#include <algorithm>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/status_records.h"
#include "platform/unit_table.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace {

constexpr std::string_view kTag = "x_r_fres";

// Writes a diagnostic record to the status file; within a request each kind of record only the
// first time it occurs.
void status_record(std::string_view kind, const ListRecord& record) {
    if (STATUS_RECORD_WANTED(kTag, kind)) record.write_to(lun_of(STATUS_ENTRY));
}

// Adds the terms of one polar set; false after a failing term (reported).
bool add_polar_set(const PolarSet& set, const double& P, const double& D, const double& T,
                   const int32_t& i4_del, const int32_t& i4_tau, double& term, double& r8_f) {
    const int32_t count = std::clamp(set.i4_nz, 0, 40);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t status = I4_X_RFQ(D, SUBST_CONST.D0, T, SUBST_CONST.T0, P, set.c[i], set.n[i],
                                        set.m[i], set.k[i], set.o[i], i4_del, i4_tau, term);
        if (status != 0) {
            ERRAUS(kTag, "Error at Function i4_x_rfq", status);
            ListRecord record;
            record << set.n[i] << set.m[i] << set.k[i] << set.o[i] << "i4_tau: " << i4_tau
                   << "r8_f: " << term;
            status_record("i4_x_rfq term", record);
            return false;
        }
        r8_f += term;
    }
    return true;
}

}  // namespace

// Residual Helmholtz energy F = a_res/(R T) of the loaded substance, or its (i4_del, i4_tau)
// derivative in D and T: the attraction terms, the quadrupolar and dipolar terms (each set only
// when its parameter exceeds the gate) and the hard-body term, summed in this order.
void X_R_FRES(const double& D, const double& T, const int32_t& i4_del, const int32_t& i4_tau,
              double& r8_f) {
    r8_f = 0.0;
    if (!input_accepted(D, T)) {
        ListRecord record;
        record << "Fehler bei der Uebergabe, Dichte=" << D << " T=" << T;
        status_record("Fehler bei der Uebergabe", record);
        return;
    }
    double term = 0.0;
    const AttractionSet& fa = EOS_COEFF.Fa;
    const int32_t count = std::clamp(fa.i4_nz, 0, 40);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t status =
            I4_X_RFA(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha, fa.c[i], fa.m[i],
                     fa.n[i], fa.j[i], fa.l[i], i4_del, i4_tau, term);
        if (status != 0) {
            ERRAUS(kTag, "Error at Function i4_x_rfa", status);
            ListRecord record;
            record << fa.n[i] << fa.m[i] << fa.j[i] << "i4_del: " << i4_del << "i4_tau: " << i4_tau
                   << "r8_f: " << term;
            status_record("i4_x_rfa term", record);
            return;
        }
        r8_f += term;
    }
    if (polar_set_on(SUBST_CONST.Q2) &&
        !add_polar_set(EOS_COEFF.Fq, SUBST_CONST.Q2, D, T, i4_del, i4_tau, term, r8_f))
        return;
    if (polar_set_on(SUBST_CONST.Dp) &&
        !add_polar_set(EOS_COEFF.Fd, SUBST_CONST.Dp, D, T, i4_del, i4_tau, term, r8_f))
        return;
    const int32_t status = I4_X_RFH(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha,
                                    A1_HARD_BODY, A2_HARD_BODY, i4_del, i4_tau, term);
    if (status != 0) {
        ListRecord first;
        first << "Fehler in Function i4_x_rfh: ";
        status_record("Fehler in Function i4_x_rfh", first);
        ListRecord second;
        second << "i4_tau: " << i4_tau << "r8_f: " << term;
        status_record("i4_x_rfh term", second);
        return;
    }
    r8_f += term;
}
