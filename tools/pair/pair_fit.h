// The fit of a pair's binary parameters to its bubble points (T, p, x, and y, D' where given):
// xi by least squares of the relative bubble-pressure deviations and the vapour mole-fraction
// deviations, by Ceres; then, where the data give saturated liquid densities that xi alone
// misses by more than 1 %, xi and eta together with the relative density deviations added,
// kept only where they bring D' down and keep p and y. The figures of the pair with xi = eta = 1
// and with the fitted parameters.
#pragma once

#include <string>
#include <vector>

#include "api/mixture_vle.h"
#include "api/xalt1.h"
#include "pair_data.h"

namespace pair_fit {

using xalt1::detail::BinaryParameters;

// A binary of two fluids of a table, with its binary parameters.
class Binary {
  public:
    Binary(const std::string& table, const std::string& a, const std::string& b);
    xalt1::detail::MixtureModel model(BinaryParameters k) const;
    const std::vector<xalt1::detail::CriticalConstants>& pure() const { return pure_; }
    // The lowest temperature at which both fluids' equations are physical (the higher of the
    // two ranges' Tmin): below, a bubble point is outside the model's range.
    double Tmin() const { return Tmin_; }
    // The saturated liquid density of fluid 0 or 1 alone at T (mol/dm3).
    double pure_liquid_density(int fluid, double T) const;
    const std::string& fluid_class(int fluid) const { return fluids_.at(fluid).info().fluid_class; }

  private:
    std::vector<xalt1::detail::Records> records_;
    std::vector<xalt1::detail::CriticalConstants> pure_;
    std::vector<xalt1::Fluid> fluids_;
    double Tmin_ = 0;
};

// Average absolute deviations over the points whose bubble point is found: bubble pressure and
// saturated liquid density in %, vapour mole fraction; NaN where the data give none. Points
// below the binary's Tmin are left out and counted.
struct Figures {
    int points = 0, found = 0, below = 0;
    double p = 0, y = 0, Dliq = 0;
};

Figures figures_of(const Binary& binary, BinaryParameters k,
                   const std::vector<BubblePoint>& points);

// The targets of a pair's bubble points: p within 2 %, y within 0.02 (where given); D' within
// 1 % (false where not given).
bool meets_p_and_y(const Figures& f);
bool meets_density(const Figures& f);

struct FittedPair {
    BinaryParameters k;
    Figures fitted, unfitted;  // with k, with xi = eta = 1
    std::string eta_note;      // why eta is what it is
};

// The fit over the points at or above the binary's Tmin.
FittedPair fit_pair(const Binary& binary, const std::vector<BubblePoint>& points);

// "1.23 %" for 0.0123; "0.0123".
std::string percent(double v);
std::string fraction(double v);

// "bubble p 1.23 %, y 0.0123, D' 0.45 % (xi = 1: ...) over n points".
std::string figures_text(const FittedPair& pair);

}  // namespace pair_fit
