#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace fit {

namespace {

const char* kColors[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b",
                         "#e377c2", "#7f7f7f", "#bcbd22", "#17becf", "#000000", "#aa3377"};

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
    for (double x = std::ceil(x0 / xs) * xs; x <= x1 + 1e-9 * xs; x += xs) {
        std::snprintf(buf, sizeof buf,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>"
                      "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%g</text>\n",
                      X(x), T, X(x), T + ph, X(x), T + ph + 16, std::fabs(x) < 1e-12 ? 0.0 : x);
        o << buf;
    }
    for (double y = std::ceil(y0 / ys) * ys; y <= y1 + 1e-9 * ys; y += ys) {
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
        const char* col = kColors[s.color % 12];
        if (s.markers) {
            for (const auto& [x, y] : s.points) {
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                std::snprintf(
                    buf, sizeof buf,
                    "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"none\" stroke=\"%s\"/>\n",
                    X(x), Y(y), col);
                o << buf;
            }
        } else {
            o << "<polyline fill=\"none\" stroke=\"" << col << "\" stroke-width=\"1.4\" points=\"";
            for (const auto& [x, y] : s.points) {
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                std::snprintf(buf, sizeof buf, "%.1f,%.1f ", X(x), Y(y));
                o << buf;
            }
            o << "\"/>\n";
        }
        if (!s.name.empty()) {
            const double ly = T + 8 + 15 * legend++;
            std::snprintf(buf, sizeof buf,
                          "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\" stroke=\"%s\" "
                          "stroke-width=\"2\"/><text x=\"%.0f\" y=\"%.0f\">",
                          L + pw + 10, ly, L + pw + 30, ly, col, L + pw + 35, ly + 4);
            o << buf << esc(s.name) << "</text>\n";
        }
    }
    o << "</svg>\n";
    return o.str();
}

}  // namespace fit
