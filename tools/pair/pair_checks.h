// The measures of the pair fits beyond the bubble points they were fitted to: the single-phase
// densities of a pair's states at their (T, p, x); the rule of the fluid classes that gives xi
// to pairs without data; the five bubble points of one isotherm a pair may be fitted from.
#pragma once

#include <string>
#include <vector>

#include "api/binary_pairs.h"
#include "pair_fit.h"

namespace pair_fit {

// A single-phase state of a pair: T (K), D (mol/dm3), x (mole fraction of A), p (MPa).
struct PvtState {
    double T = 0, D = 0, x = 0, p = 0;
};

// <folder>/pvt/<A>_<B>.csv (header T,D,x,p,Z,hres_RT,sres_R,cvres_R). Throws
// std::runtime_error naming the file and the line: a missing file or header, T, D or p not a
// positive number, x outside [0, 1].
std::vector<PvtState> read_pvt_states(const std::string& folder, const std::string& a,
                                      const std::string& b);

// The model's density at each state's (T, p, x), the stable one of its liquid and vapour
// roots: the average absolute relative deviation from the states' D over the states at or
// above the binary's Tmin that have a root, and how many.
struct DensityFigures {
    int states = 0, found = 0;
    double D = 0;
};
DensityFigures density_figures(const Binary& binary, BinaryParameters k,
                               const std::vector<PvtState>& states);

// The average absolute relative deviation of the saturated liquid density of fluid 0 (A) or 1
// (B) alone from the pure ends' rows (x = 1: A, x = 0: B) at or above the binary's Tmin and
// below the fluid's critical point; NaN where there is none.
double pure_density_deviation(const Binary& binary, int fluid,
                              const std::vector<BubblePoint>& ends);

// A fitted pair as the rule sees it: its fluids, their classes and its xi.
struct ClassedPair {
    std::string a, b, class_a, class_b;
    double xi = 1.0;
};

// The mean xi of the pairs of each two classes (classes in alphabetical order), `left_out`
// (an index into pairs) not counted.
std::vector<xalt1::detail::RuleLine> rule_of(const std::vector<ClassedPair>& pairs,
                                             std::size_t left_out = std::size_t(-1));

// Five bubble points of one isotherm: the middle one of the isotherms at or above Tmin (the
// lower middle of an even count), at the points a tenth, three tenths, ... nine tenths along
// its mixture points in x.
std::vector<BubblePoint> five_points(const std::vector<BubblePoint>& points, double Tmin);

}  // namespace pair_fit
