// The bubble points of a pair as a data folder gives them: <folder>/vle/<A>_<B>.csv with the
// header T,p,x,y,Dliq,Dvap (x and y the mole fractions of A; y, Dliq and Dvap may be empty).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pair_fit {

struct BubblePoint {
    double T = 0, p = 0, x = 0;
    std::optional<double> y, Dliq, Dvap;
    int line = 0;
};

// The mixtures' points of the file (rows with x = 0 or 1 are the pure fluids' and left out).
// Throws std::runtime_error naming the file and the line: a missing file or header, T or p not
// a positive number, a fraction outside [0, 1], fewer than 5 points of a mixture.
std::vector<BubblePoint> read_bubble_points(const std::string& folder, const std::string& a,
                                            const std::string& b);
// The pure fluids' rows of the same file (x = 1: A alone, x = 0: B alone), read as strictly.
std::vector<BubblePoint> read_pure_ends(const std::string& folder, const std::string& a,
                                        const std::string& b);

}  // namespace pair_fit
