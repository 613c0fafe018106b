#include "output/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace fit {

namespace {

// Ten well-separated colours and five marker shapes: a series' style number picks both, so the
// first ten series of a plot differ in colour and their neighbours also in shape.
const char* kColors[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                         "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
constexpr int kColorCount = 10;
enum Shape { circle, square, triangle, diamond, triangle_down, kShapeCount };

const char* color_of(int style) {
    return kColors[((style % kColorCount) + kColorCount) % kColorCount];
}

Shape shape_of(int style) {
    return static_cast<Shape>(((style % kShapeCount) + kShapeCount) % kShapeCount);
}

// One open marker of the given shape and half-size r centred at (x, y).
std::string marker(Shape shape, double x, double y, double r, const char* col) {
    char buf[256];
    if (shape == circle) {
        std::snprintf(buf, sizeof buf,
                      "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" fill=\"white\" stroke=\"%s\"/>\n",
                      x, y, r, col);
    } else if (shape == square) {
        std::snprintf(buf, sizeof buf,
                      "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"white\" "
                      "stroke=\"%s\"/>\n",
                      x - r, y - r, 2 * r, 2 * r, col);
    } else {
        const double s = shape == triangle_down ? -1.0 : 1.0;
        const double pts[4][2] = {
            {x, y - s * 1.2 * r},
            {x + 1.1 * r, shape == diamond ? y : y + s * 0.8 * r},
            {shape == diamond ? x : x - 1.1 * r, shape == diamond ? y + 1.2 * r : y + s * 0.8 * r},
            {x - 1.1 * r, y}};
        const int n = shape == diamond ? 4 : 3;
        std::string points;
        for (int i = 0; i < n; ++i) {
            char p[48];
            std::snprintf(p, sizeof p, "%.1f,%.1f ", pts[i][0], pts[i][1]);
            points += p;
        }
        std::snprintf(buf, sizeof buf, "<polygon points=\"%s\" fill=\"white\" stroke=\"%s\"/>\n",
                      points.c_str(), col);
    }
    return buf;
}

void widen_to_grid(double& lo, double& hi, double step) {
    lo = std::floor(lo / step + 1e-9) * step;
    hi = std::ceil(hi / step - 1e-9) * step;
}

// Grid values k * step inside [lo, hi], k whole: counted, not accumulated, so that no value at
// an end of the range is lost to rounding.
std::vector<double> ticks(double lo, double hi, double step) {
    std::vector<double> values;
    const long first = std::lround(std::ceil(lo / step - 1e-9));
    const long last = std::lround(std::floor(hi / step + 1e-9));
    for (long k = first; k <= last; ++k) values.push_back(k * step);
    return values;
}

double nice_step(double range) {
    const double raw = range / 6.0;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * mag >= raw) return m * mag;
    return 10 * mag;
}

std::string esc(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string svg_plot(const std::string& title, const std::string& xlabel, const std::string& ylabel,
                     const std::vector<Series>& series) {
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (const Series& s : series)
        for (const auto& [x, y] : s.points) {
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    if (x0 > x1) {
        x0 = 0;
        x1 = 1;
        y0 = 0;
        y1 = 1;
    }
    if (x1 - x0 < 1e-12) x1 = x0 + 1;
    if (y1 - y0 < 1e-12) {
        y0 -= 0.5;
        y1 += 0.5;
    }
    const double W = 760, H = 460, L = 70, R = 170, T = 40, B = 50;
    const double pw = W - L - R, ph = H - T - B;
    auto X = [&](double x) { return L + (x - x0) / (x1 - x0) * pw; };
    auto Y = [&](double y) { return T + (y1 - y) / (y1 - y0) * ph; };
    std::ostringstream o;
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                  "font-family=\"sans-serif\" font-size=\"12\">\n",
                  W, H);
    o << buf << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"22\" font-size=\"15\">", L);
    o << buf << esc(title) << "</text>\n";
    const double xs = nice_step(x1 - x0), ys = nice_step(y1 - y0);
    // The axes end at grid values, so that data starting a hair above one (T/Tc = 0.50003)
    // still has it labelled.
    widen_to_grid(x0, x1, xs);
    widen_to_grid(y0, y1, ys);
    for (double x : ticks(x0, x1, xs)) {
        std::snprintf(buf, sizeof buf,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>"
                      "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%g</text>\n",
                      X(x), T, X(x), T + ph, X(x), T + ph + 16, std::fabs(x) < 1e-12 ? 0.0 : x);
        o << buf;
    }
    for (double y : ticks(y0, y1, ys)) {
        std::snprintf(buf, sizeof buf,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>"
                      "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n",
                      L, Y(y), L + pw, Y(y), L - 6, Y(y) + 4, std::fabs(y) < 1e-12 ? 0.0 : y);
        o << buf;
    }
    std::snprintf(buf, sizeof buf,
                  "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" fill=\"none\" "
                  "stroke=\"black\"/>\n",
                  L, T, pw, ph);
    o << buf;
    std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\">",
                  L + pw / 2, H - 10);
    o << buf << esc(xlabel) << "</text>\n";
    std::snprintf(
        buf, sizeof buf,
        "<text x=\"16\" y=\"%.0f\" text-anchor=\"middle\" transform=\"rotate(-90 16 %.0f)\">",
        T + ph / 2, T + ph / 2);
    o << buf << esc(ylabel) << "</text>\n";
    int legend = 0;
    for (const Series& s : series) {
        const char* col = color_of(s.color);
        const Shape shape = shape_of(s.color);
        // Unnamed marker series (reference points) are small plain circles.
        const bool plain = s.markers && s.name.empty();
        if (!s.markers) {
            o << "<polyline fill=\"none\" stroke=\"" << col << "\" stroke-width=\"1.4\" points=\"";
            for (const auto& [x, y] : s.points) {
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                std::snprintf(buf, sizeof buf, "%.1f,%.1f ", X(x), Y(y));
                o << buf;
            }
            o << "\"/>\n";
        }
        // A line carries its marker at every fourth point, a marker series at every point.
        const std::size_t every = s.markers ? 1 : 4;
        for (std::size_t i = 0; i < s.points.size(); i += every) {
            const auto& [x, y] = s.points[i];
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            o << marker(plain ? circle : shape, X(x), Y(y), plain ? 2.0 : 3.0, col);
        }
        if (!s.name.empty()) {
            const double ly = T + 8 + 15 * legend++;
            std::snprintf(buf, sizeof buf,
                          "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\" stroke=\"%s\" "
                          "stroke-width=\"2\"/>",
                          L + pw + 10, ly, L + pw + 30, ly, col);
            o << buf << marker(shape, L + pw + 20, ly, 3.0, col);
            std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"%.0f\">", L + pw + 35, ly + 4);
            o << buf << esc(s.name) << "</text>\n";
        }
    }
    o << "</svg>\n";
    return o.str();
}

}  // namespace fit
