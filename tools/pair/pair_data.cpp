#include "pair_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "api/csv_line.h"

namespace pair_fit {

namespace {

constexpr std::size_t kFewestPoints = 5;

// The fields of a line, blanks left out.
std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields = xalt1::detail::csv_fields(line);
    for (std::string& f : fields) f.erase(std::remove(f.begin(), f.end(), ' '), f.end());
    return fields;
}

bool number(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(v);
}

std::string path_of(const std::string& folder, const std::string& a, const std::string& b) {
    return folder + "/vle/" + a + "_" + b + ".csv";
}

[[noreturn]] void refuse_at(const std::string& path, int line, const std::string& why) {
    throw std::runtime_error(path + (line > 0 ? ":" + std::to_string(line) : "") + ": " + why);
}

// Every row of the file, the pure fluids' included.
std::vector<BubblePoint> read_rows(const std::string& path) {
    const auto refuse = [&](int line, const std::string& why) { refuse_at(path, line, why); };
    std::ifstream in(path);
    if (!in) refuse(0, "file not found");
    std::string line;
    if (!std::getline(in, line) || split(line) != split("T,p,x,y,Dliq,Dvap"))
        refuse(1, "the header is not T,p,x,y,Dliq,Dvap");
    std::vector<BubblePoint> points;
    for (int k = 2; std::getline(in, line); ++k) {
        if (split(line) == std::vector<std::string>{""}) continue;
        const std::vector<std::string> f = split(line);
        if (f.size() != 6)
            refuse(k, "six fields T,p,x,y,Dliq,Dvap, not " + std::to_string(f.size()));
        BubblePoint pt;
        pt.line = k;
        if (!number(f[0], pt.T) || !(pt.T > 0.0)) refuse(k, "T is not a positive number");
        if (!number(f[1], pt.p) || !(pt.p > 0.0)) refuse(k, "p is not a positive number");
        if (!number(f[2], pt.x) || pt.x < 0.0 || pt.x > 1.0) refuse(k, "x lies outside [0, 1]");
        double v = 0;
        for (std::size_t i = 3; i < 6; ++i) {
            if (f[i].empty()) continue;
            if (!number(f[i], v)) refuse(k, "y, Dliq and Dvap are numbers or empty");
            if (i == 3 && (v < 0.0 || v > 1.0)) refuse(k, "y lies outside [0, 1]");
            (i == 3 ? pt.y : i == 4 ? pt.Dliq : pt.Dvap) = v;
        }
        points.push_back(pt);
    }
    return points;
}

}  // namespace

std::vector<BubblePoint> read_bubble_points(const std::string& folder, const std::string& a,
                                            const std::string& b) {
    const std::string path = path_of(folder, a, b);
    std::vector<BubblePoint> points;
    for (const BubblePoint& pt : read_rows(path))
        if (pt.x > 0.0 && pt.x < 1.0) points.push_back(pt);
    if (points.size() < kFewestPoints)
        refuse_at(path, 0,
                  "fewer than 5 bubble points of a mixture (0 < x < 1): " +
                      std::to_string(points.size()));
    return points;
}

std::vector<BubblePoint> read_pure_ends(const std::string& folder, const std::string& a,
                                        const std::string& b) {
    std::vector<BubblePoint> ends;
    for (const BubblePoint& pt : read_rows(path_of(folder, a, b)))
        if (pt.x == 0.0 || pt.x == 1.0) ends.push_back(pt);
    return ends;
}

}  // namespace pair_fit
