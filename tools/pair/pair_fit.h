// The fit of a pair's binary parameter xi to its bubble points (T, p, x, and y where given):
// least squares of the relative bubble-pressure deviations and the vapour mole-fraction
// deviations, by Ceres; the figures of the pair with xi = 1 and with the fitted xi.
#pragma once

#include <string>
#include <vector>

#include "api/mixture_vle.h"
#include "pair_data.h"

namespace pair_fit {

// A binary of two fluids of a table, with the binary parameter xi.
class Binary {
  public:
    Binary(const std::string& table, const std::string& a, const std::string& b);
    xalt1::detail::MixtureModel model(double xi) const;
    const std::vector<xalt1::detail::CriticalConstants>& pure() const { return pure_; }
    // The lowest temperature at which both fluids' equations are physical (the higher of the
    // two ranges' Tmin): below, a bubble point is outside the model's range.
    double Tmin() const { return Tmin_; }

  private:
    std::vector<xalt1::detail::Records> records_;
    std::vector<xalt1::detail::CriticalConstants> pure_;
    double Tmin_ = 0;
};

// Average absolute deviations over the points whose bubble point is found: bubble pressure and
// saturated liquid density in %, vapour mole fraction; NaN where the data give none. Points
// below the binary's Tmin are left out and counted.
struct Figures {
    int points = 0, found = 0, below = 0;
    double p = 0, y = 0, Dliq = 0;
};

Figures figures_of(const Binary& binary, double xi, const std::vector<BubblePoint>& points);

struct FittedPair {
    double xi = 1.0;
    Figures fitted, unfitted;  // with xi, with xi = 1
};

// The fit over the points at or above the binary's Tmin.
FittedPair fit_pair(const Binary& binary, const std::vector<BubblePoint>& points);

// "bubble p 1.23 %, y 0.0123, D' 0.45 % (xi = 1: ...) over n points".
std::string figures_text(const FittedPair& pair);

}  // namespace pair_fit
