#include <cmath>
#include <cstdint>

#include "eos/eos.h"
#include "eos/ideal_gas.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/subst_const.h"

int32_t ideal_gas::sums(double T, Form form, bool trace, double& cp0, double& h0, double& s0) {
    cp0 = h0 = s0 = 0.0;
    if (!(T > 0.0) || !std::isfinite(T)) return STATUS_OUT_OF_RANGE;
    const int32_t count = term_count();
    for (int32_t i = 1; i <= count; ++i) {
        const double K = SUBST_CONST.K[i - 1];
        const double E = SUBST_CONST.E[i - 1];
        const double theta = SUBST_CONST.K2[i - 1];
        if (is_planck_einstein(theta)) {
            if (theta < 0.0) {
                cp0 = h0 = s0 = 0.0;
                return STATUS_OUT_OF_RANGE;
            }
            add_planck_einstein(form, K, theta, T, cp0, h0, s0);
            continue;
        }
        add_power(K, E, T, cp0, h0, s0);
        if (trace) {
            ListRecord record;
            record << i << " cp: " << cp0 << " h: " << h0 << " s: " << s0;
            record.write_to(lun_of(TRACE_ENTRY));
        }
    }
    if (std::isfinite(cp0) && std::isfinite(h0) && std::isfinite(s0)) return STATUS_OK;
    cp0 = h0 = s0 = 0.0;
    return STATUS_OUT_OF_RANGE;
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
