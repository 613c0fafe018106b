#include "pair_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include "api/csv_line.h"

namespace pair_fit {

namespace {

using xalt1::detail::MixtureModel;

constexpr const char* kPvtHeader = "T,D,x,p,Z,hres_RT,sres_R,cvres_R";
constexpr double kSameRoot = 1e-9;
constexpr double kShares[] = {0.1, 0.3, 0.5, 0.7, 0.9};

bool number(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(v);
}

// sum z_i ln phi_i = g_res/(R T) at (T, p) of the root D: the lower, the more stable.
bool residual_gibbs(const MixtureModel& m, const double* z, double T, double D, double& g) {
    double ln_phi[2];
    if (!m.ln_fugacity_coefficients(z, T, D, ln_phi)) return false;
    g = z[0] * ln_phi[0] + z[1] * ln_phi[1];
    return std::isfinite(g);
}

// The stable root of p at T and z: the one of the liquid and vapour roots of lower Gibbs
// energy, or the only one.
bool stable_density(const MixtureModel& m, const double* z, double T, double p, double& D) {
    double liquid = 0, vapour = 0, g_liquid = 0, g_vapour = 0;
    const bool has_liquid =
        mixture_density(m, z, T, p, true, liquid) && residual_gibbs(m, z, T, liquid, g_liquid);
    const bool has_vapour =
        mixture_density(m, z, T, p, false, vapour) && residual_gibbs(m, z, T, vapour, g_vapour);
    if (!has_liquid && !has_vapour) return false;
    const bool one_root = has_liquid && has_vapour && std::fabs(liquid / vapour - 1.0) < kSameRoot;
    D = !has_vapour || (has_liquid && !one_root && g_liquid < g_vapour) ? liquid : vapour;
    return true;
}

std::string pair_name(const ClassedPair& p) {
    return p.a + "/" + p.b;
}

}  // namespace

std::vector<PvtState> read_pvt_states(const std::string& folder, const std::string& a,
                                      const std::string& b) {
    const std::string path = folder + "/pvt/" + a + "_" + b + ".csv";
    const auto refuse = [&](int line, const std::string& why) {
        throw std::runtime_error(path + (line > 0 ? ":" + std::to_string(line) : "") + ": " + why);
    };
    std::ifstream in(path);
    if (!in) refuse(0, "file not found");
    std::string line;
    const std::vector<std::string> header = xalt1::detail::csv_fields(kPvtHeader);
    if (!std::getline(in, line) || xalt1::detail::csv_fields(line) != header)
        refuse(1, std::string("the header is not ") + kPvtHeader);
    std::vector<PvtState> states;
    for (int k = 2; std::getline(in, line); ++k) {
        if (line.empty() || line == "\r") continue;
        const std::vector<std::string> f = xalt1::detail::csv_fields(line);
        PvtState s;
        if (f.size() != header.size()) refuse(k, "eight fields, not " + std::to_string(f.size()));
        if (!number(f[0], s.T) || !number(f[1], s.D) || !number(f[3], s.p) || s.T <= 0.0 ||
            s.D <= 0.0 || s.p <= 0.0)
            refuse(k, "T, D and p must be positive numbers");
        if (!number(f[2], s.x) || s.x < 0.0 || s.x > 1.0) refuse(k, "x lies outside [0, 1]");
        states.push_back(s);
    }
    return states;
}

DensityFigures density_figures(const Binary& binary, BinaryParameters k,
                               const std::vector<PvtState>& states) {
    const MixtureModel m = binary.model(k);
    DensityFigures f;
    for (const PvtState& s : states) {
        if (s.T < binary.Tmin()) continue;
        ++f.states;
        const double z[2] = {s.x, 1.0 - s.x};
        double D = 0;
        if (!stable_density(m, z, s.T, s.p, D)) continue;
        ++f.found;
        f.D += std::fabs(D / s.D - 1.0);
    }
    f.D = f.found > 0 ? f.D / f.found : std::nan("");
    return f;
}

double pure_density_deviation(const Binary& binary, int fluid,
                              const std::vector<BubblePoint>& ends) {
    const double x = fluid == 0 ? 1.0 : 0.0;
    double sum = 0;
    int count = 0;
    for (const BubblePoint& pt : ends) {
        if (pt.x != x || !pt.Dliq || pt.T < binary.Tmin()) continue;
        try {
            sum += std::fabs(binary.pure_liquid_density(fluid, pt.T) / *pt.Dliq - 1.0);
            ++count;
        } catch (const xalt1::Error&) {
            // At or above the fluid's critical point: no saturated liquid.
        }
    }
    return count > 0 ? sum / count : std::nan("");
}

std::vector<xalt1::detail::RuleLine> rule_of(const std::vector<ClassedPair>& pairs,
                                             std::size_t left_out) {
    std::map<std::pair<std::string, std::string>, xalt1::detail::RuleLine> lines;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i == left_out) continue;
        const ClassedPair& p = pairs[i];
        const auto classes = std::minmax(p.class_a, p.class_b);
        xalt1::detail::RuleLine& line = lines[{classes.first, classes.second}];
        line.class_a = classes.first;
        line.class_b = classes.second;
        line.pairs.push_back(pair_name(p));
        line.xi += (p.xi - line.xi) / line.pairs.size();  // the running mean from 1
    }
    std::vector<xalt1::detail::RuleLine> rule;
    for (const auto& [classes, line] : lines) rule.push_back(line);
    return rule;
}

std::vector<BubblePoint> five_points(const std::vector<BubblePoint>& points, double Tmin) {
    std::set<double> isotherms;
    for (const BubblePoint& pt : points)
        if (pt.T >= Tmin) isotherms.insert(pt.T);
    if (isotherms.empty()) return {};
    const double T = *std::next(isotherms.begin(), (isotherms.size() - 1) / 2);
    std::vector<BubblePoint> along;
    for (const BubblePoint& pt : points)
        if (pt.T == T) along.push_back(pt);
    std::sort(along.begin(), along.end(),
              [](const BubblePoint& l, const BubblePoint& r) { return l.x < r.x; });
    std::vector<BubblePoint> five;
    for (double share : kShares) {
        const auto at = static_cast<std::size_t>(std::lround(share * (along.size() - 1)));
        if (five.empty() || five.back().line != along[at].line) five.push_back(along[at]);
    }
    return five;
}

}  // namespace pair_fit
