// Minimal SVG line and point plots for the accuracy report.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace fit {

struct Series {
    std::string name;
    std::vector<std::pair<double, double>> points;
    bool markers = false;  // points instead of a line
    int color = 0;         // style number: picks the colour and the marker shape
};

std::string svg_plot(const std::string& title, const std::string& xlabel, const std::string& ylabel,
                     const std::vector<Series>& series);

}  // namespace fit
