// The data of one real fluid as the fit uses them: constants, ideal-gas terms, saturation and
// single-phase states (from the reference package or a fluid's own data folder, io/).
#pragma once

#include <cmath>
#include <string>
#include <vector>

namespace fit {

struct IdealTerm {
    double E = 0, K = 0, K2 = 0;  // cp0/R term in the fluid's own R
};

struct SatPoint {
    double T, ps, Dliq, Dvap;
};

struct PvtPoint {
    double T, D, p;
    std::string phase;
    double F, ZM1, TFT;
    bool helmholtz = true;  // F and TFT known (reference equation); false: measured T, D, p
    // Caloric values at the same state (cv, cp in J/(mol K), w in m/s); not a number where the
    // data hold none.
    double cv = NAN, cp = NAN, w = NAN;
    bool has_caloric() const { return std::isfinite(cv) && std::isfinite(cp) && std::isfinite(w); }
};

enum class FluidClass { nonpolar, quadrupolar, dipolar, hbond };

struct Fluid {
    std::string code, name;
    FluidClass cls = FluidClass::nonpolar;
    double M = 0, Tc = 0, pc = 0, Dc = 0, Ttriple = 0, Tmax = 0, pmax = 0, R = 0;
    std::vector<IdealTerm> ideal;
    std::vector<SatPoint> sat;
    std::vector<PvtPoint> pvt;
};

}  // namespace fit
