#include <cmath>
#include <cstdint>

#include "eos/eos.h"
#include "eos/ideal_gas.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/subst_const.h"

int32_t ideal_gas::sums(double T, Form form, bool trace, double& cp0, double& h0, double& s0) {
    const auto term = [](int32_t i) {
        return Term{SUBST_CONST.E[i], SUBST_CONST.K[i], SUBST_CONST.K2[i]};
    };
    const auto after_power = [trace](int32_t i, double cp, double h, double s) {
        if (!trace) return;
        ListRecord record;
        record << i + 1 << " cp: " << cp << " h: " << h << " s: " << s;
        record.write_to(lun_of(TRACE_ENTRY));
    };
    return sum_terms(term_count(), term, T, form, cp0, h0, s0, after_power) ? STATUS_OK
                                                                            : STATUS_OUT_OF_RANGE;
}

double ideal_gas::cp0_slope(double T) {
    double slope = 0.0;
    for (int32_t i = 0; i < term_count(); ++i)
        slope += cp0_slope_of(Term{SUBST_CONST.E[i], SUBST_CONST.K[i], SUBST_CONST.K2[i]}, T);
    return slope;
}

// Ideal-gas heat capacity cp0/R at T with its integrals h0/R (K) and s0/R, without integration
// constants, from the power-law and Planck-Einstein terms of the loaded substance, summed in
// index order. With the trace switch on, each power-law term adds a record with the running sums.
//
// The correlation needs T > 0 (logarithms and real powers of T) and characteristic temperatures
// that are not negative (ln(e^x - 1) needs x > 0). A temperature that is not positive or not
// finite, a negative characteristic temperature, or sums that overflow, are refused with
// STATUS_OUT_OF_RANGE and cp0 = h0 = s0 = 0.
void X_R_CPID(const double& T, double& cp0, double& h0, double& s0, int32_t& status) {
    status = ideal_gas::sums(T, ideal_gas::Form::exact, UNIT_TABLE.l_trace, cp0, h0, s0);
}
