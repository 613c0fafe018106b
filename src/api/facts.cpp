#include "api/facts.h"

#include <cmath>
#include <limits>

#include "api/saturation.h"

namespace xalt1::detail {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kAtmosphere = 0.101325;  // MPa
constexpr double kAcentricT = 0.7;        // Tc
constexpr int kBoilingSteps = 12;

double pressure_at(double T) {
    SatPair pair;
    return T > 0.0 && exact_at_T(T, pair) ? pair.vap.props.p : kNaN;
}

// The temperature of ps = 1 atm: Newton steps in ln p along the curve, whose slope
// d ln p/dT = (s'' - s') / (p (v'' - v')) (Clapeyron), from the Clausius-Clapeyron line through
// (0.7 Tc, p) and the critical point.
double boiling_point(const FluidInfo& info, double p07) {
    const double T07 = kAcentricT * info.Tc;
    const double B = std::log(info.pc / p07) / (1.0 / T07 - 1.0 / info.Tc);
    double T = B / (std::log(info.pc) + B / info.Tc - std::log(kAtmosphere));
    for (int k = 0; k < kBoilingSteps; ++k) {
        SatPair pair;
        if (!(T > 0.0 && T < info.Tc) || !exact_at_T(T, pair)) return kNaN;
        const double p = pair.vap.props.p;
        const double slope = (pair.vap.props.s - pair.liq.props.s) /
                             (1000.0 * p * (1.0 / pair.vap.D - 1.0 / pair.liq.D));
        const double dT = -std::log(p / kAtmosphere) / slope;
        if (std::fabs(dT) <= 1e-12 * T) return T;
        T += dT;
    }
    return kNaN;
}

}  // namespace

void add_facts(FluidInfo& info) {
    info.ptriple = std::isfinite(info.Ttriple) ? pressure_at(info.Ttriple) : kNaN;
    const double p07 = pressure_at(kAcentricT * info.Tc);
    info.acentric = -std::log10(p07 / info.pc) - 1.0;
    const bool liquid_at_atmosphere = !(info.ptriple > kAtmosphere);
    info.Tnbp = liquid_at_atmosphere && std::isfinite(p07) ? boiling_point(info, p07) : kNaN;
}

}  // namespace xalt1::detail
