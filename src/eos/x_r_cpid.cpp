#include <cmath>
#include <cstdint>

#include "eos/eos.h"
#include "main/record_io.h"
#include "main/status_codes.h"
#include "main/unit_table.h"
#include "substance/subst_const.h"

namespace {

constexpr double kThreshold = 9.99999993922529e-09;  // 1e-8 in single precision

// Planck-Einstein term K x^2 e^x/(e^x - 1)^2 with x = theta/T, written in e^-x so that it stays
// finite for large x.
void add_planck_einstein(double K, double theta, double T, double& cp0, double& h0, double& s0) {
    const double x = theta / T;
    const double em = std::exp(-x);
    const double one_minus = -std::expm1(-x);  // 1 - e^-x
    cp0 += K * x * x * em / (one_minus * one_minus);
    h0 += K * theta * em / one_minus;
    s0 += K * (x * em / one_minus - std::log(one_minus));
}

// Power term K T^E; E = -1 exactly takes the logarithmic enthalpy, E near 0 the logarithmic
// entropy, so that every contribution is the antiderivative of its heat capacity.
void add_power(double K, double E, double T, double& cp0, double& h0, double& s0) {
    const double tE = std::pow(T, E);
    cp0 += K * tE;
    if (E == -1.0) {
        h0 += K * std::log(T);
        s0 += K * tE / E;
    } else if (std::fabs(E) < kThreshold) {
        h0 += K * std::pow(T, E + 1.0) / (E + 1.0);
        s0 += K * std::log(T);
    } else {
        h0 += K * std::pow(T, E + 1.0) / (E + 1.0);
        s0 += K * tE / E;
    }
}

}  // namespace

// Ideal-gas heat capacity cp0/R at T with its integrals h0/R (K) and s0/R, without integration
// constants, from the power-law and Planck-Einstein terms of the loaded substance.
// A temperature that is not positive, or a negative characteristic temperature, lies outside
// the correlation: the status is then STATUS_OUT_OF_RANGE and all three values are 0.
void X_R_CPID(const double& T, double& cp0, double& h0, double& s0, int32_t& status) {
    status = STATUS_OK;
    cp0 = h0 = s0 = 0.0;
    if (!(T > 0.0) || !std::isfinite(T)) {
        status = STATUS_OUT_OF_RANGE;
        return;
    }
    const int32_t count = static_cast<int16_t>(SUBST_CONST.i4_ncp0);
    for (int32_t i = 1; i <= count && i <= 20; ++i) {
        const double K = SUBST_CONST.K[i - 1];
        const double E = SUBST_CONST.E[i - 1];
        const double theta = SUBST_CONST.K2[i - 1];
        if (std::fabs(theta) > kThreshold) {
            if (theta < 0.0) {
                status = STATUS_OUT_OF_RANGE;
                cp0 = h0 = s0 = 0.0;
                return;
            }
            add_planck_einstein(K, theta, T, cp0, h0, s0);
            continue;
        }
        add_power(K, E, T, cp0, h0, s0);
        if (UNIT_TABLE.l_trace) {
            ListRecord record;
            record << i << " cp: " << cp0 << " h: " << h0 << " s: " << s0;
            record.write_to(lun_of(TRACE_ENTRY));
        }
    }
}
