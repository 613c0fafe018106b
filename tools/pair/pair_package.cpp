#include "pair_package.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "api/csv_line.h"
#include "pair_checks.h"

namespace pair_fit {

namespace {

using xalt1::detail::BinaryPair;
using xalt1::detail::RuleLine;

// Without data of its own: bubble p within 10 %. From five points: p within 3 %, y within 0.03.
constexpr double kRuleTarget = 0.10;
constexpr double kFivePointTarget = 0.03;

// A pair of the package: its fit and every measure of it.
struct Packaged {
    std::unique_ptr<Binary> binary;
    std::vector<BubblePoint> points;
    BinaryPair line;
    ClassedPair classed;
    FittedPair fit;
    DensityFigures pvt_one, pvt_fitted;  // single-phase D with xi = eta = 1, with the fit's
    double pure_D[2] = {0, 0};           // the pure fluids' own D' deviations
    // The rule fitted without this pair, and this pair's figures with its xi.
    BinaryPair predicted;
    Figures by_rule;
    // Fitted from five points of one isotherm, and its figures over all of the pair's points.
    std::vector<BubblePoint> five;
    FittedPair five_fit;
    Figures five_all;
};

std::vector<std::pair<std::string, std::string>> listed_pairs(const std::string& folder) {
    const std::string path = folder + "/pairs.csv";
    std::ifstream list(path);
    if (!list) throw std::runtime_error(path + ": file not found");
    std::string line;
    std::getline(list, line);
    std::vector<std::pair<std::string, std::string>> pairs;
    while (std::getline(list, line)) {
        const std::vector<std::string> f = xalt1::detail::csv_fields(line);
        if (f.size() >= 2 && !f[0].empty() && !f[1].empty()) pairs.emplace_back(f[0], f[1]);
    }
    return pairs;
}

Packaged packaged(const std::string& folder, const std::string& table, const std::string& a,
                  const std::string& b) {
    Packaged p;
    p.binary = std::make_unique<Binary>(table, a, b);
    const Binary& binary = *p.binary;
    p.points = read_bubble_points(folder, a, b);
    p.fit = fit_pair(binary, p.points);
    p.line = binary_pair_of(folder, a, b, p.fit);
    p.classed = {a, b, binary.fluid_class(0), binary.fluid_class(1), p.fit.k.xi};
    const std::vector<PvtState> states = read_pvt_states(folder, a, b);
    p.pvt_one = density_figures(binary, {}, states);
    p.pvt_fitted = density_figures(binary, p.fit.k, states);
    const std::vector<BubblePoint> ends = read_pure_ends(folder, a, b);
    for (int i : {0, 1}) p.pure_D[i] = pure_density_deviation(binary, i, ends);
    p.five = five_points(p.points, binary.Tmin());
    p.five_fit = fit_pair(binary, p.five);
    p.five_all = figures_of(binary, p.five_fit.k, p.points);
    return p;
}

// Each pair's figures with the xi of the rule fitted over the other pairs.
void leave_each_out(std::vector<Packaged>& pairs) {
    std::vector<ClassedPair> classed;
    for (const Packaged& p : pairs) classed.push_back(p.classed);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        Packaged& p = pairs[i];
        p.predicted = xalt1::detail::predicted_pair(rule_of(classed, i), p.classed.class_a,
                                                    p.classed.class_b);
        p.by_rule = figures_of(*p.binary, {p.predicted.xi, p.predicted.eta}, p.points);
    }
}

// ---- The document ------------------------------------------------------------------------------

std::string cell(double v, double scale, const char* form) {
    if (std::isnan(v)) return "";
    char c[32];
    std::snprintf(c, sizeof c, form, scale * v);
    return c;
}
std::string pct(double v) {
    return cell(v, 100.0, "%.2f");
}
std::string frac(double v) {
    return cell(v, 1.0, "%.4f");
}

std::string row(const std::vector<std::string>& cells) {
    std::string r = "|";
    for (const std::string& c : cells) r += " " + c + " |";
    return r + "\n";
}

std::string header(const std::vector<std::string>& names) {
    return row(names) + row(std::vector<std::string>(names.size(), "---"));
}

std::string count_text(int met, std::size_t of) {
    return std::to_string(met) + " of " + std::to_string(of);
}

std::string fits_section(const std::vector<Packaged>& pairs) {
    int met = 0, dense = 0, with_D = 0;
    std::string rows;
    for (const Packaged& p : pairs) {
        const Figures &one = p.fit.unfitted, &f = p.fit.fitted;
        met += meets_p_and_y(f);
        with_D += !std::isnan(f.Dliq);
        dense += meets_density(f);
        rows += row(
            {p.line.a, p.line.b, cell(p.fit.k.xi, 1, "%.4f"), cell(p.fit.k.eta, 1, "%.4f"),
             std::to_string(f.points), pct(one.p), frac(one.y), pct(one.Dliq), pct(f.p), frac(f.y),
             pct(f.Dliq), pct(p.pure_D[0]), pct(p.pure_D[1]), pct(p.pvt_one.D), pct(p.pvt_fitted.D),
             std::to_string(p.pvt_fitted.found) + "/" + std::to_string(p.pvt_fitted.states)});
    }
    return "## The fitted pairs\n\n" + count_text(met, pairs.size()) +
           " pairs meet both bubble-point targets (p within 2 %, y within 0.02); " +
           count_text(dense, with_D) +
           " meet D' within 1 %.\n\n"
           "Columns: p, y, D' the average absolute deviations of the bubble points with xi = eta "
           "= 1 (marked (1)) and with the fitted parameters; D' A, D' B those of the pure fluids' "
           "own "
           "saturated liquid densities at the pair's isotherms (the pure ends of its file); "
           "single-phase D the deviation of the density at the single-phase states' (T, p, x) "
           "(`pvt`, the stable root) with xi = eta = 1 and fitted, over the states found of "
           "those at or above the fluids' lowest temperatures.\n\n" +
           header({"A", "B", "xi", "eta", "points", "p % (1)", "y (1)", "D' % (1)", "p %", "y",
                   "D' %", "D' A %", "D' B %", "single-phase D % (1)", "single-phase D %",
                   "states"}) +
           rows;
}

// The pure fluids' own D' deviation of a pair's fluid, or why there is none.
std::string pure_text(const Packaged& p, int fluid) {
    const std::string& code = fluid == 0 ? p.line.a : p.line.b;
    if (std::isnan(p.pure_D[fluid])) return code + " none (above its critical temperature)";
    return code + " " + percent(p.pure_D[fluid]);
}

// Why a pair's D' stays above 1 %: the pure fluids' own D', and whether they account for it.
std::string density_miss(const Packaged& p) {
    double own = 0;
    for (double d : p.pure_D)
        if (!std::isnan(d)) own = std::max(own, d);
    return "; D' stays at " + percent(p.fit.fitted.Dliq) + ", the pure fluids' own at the " +
           "pair's isotherms: " + pure_text(p, 0) + ", " + pure_text(p, 1) +
           (own >= 0.5 * p.fit.fitted.Dliq ? ": much of it is theirs"
                                           : ": not theirs, the one-fluid mixing misses it");
}

std::string eta_section(const std::vector<Packaged>& pairs) {
    std::string text =
        "## eta\n\n"
        "eta is fitted with xi only where the data give D' and xi alone misses it by more than "
        "1 %: the relative D' deviations join the residuals, eta bounded to 0.9-1.1. It is kept "
        "where it brings D' down by a fifth of its value or more and keeps the bubble points: "
        "both targets still met where xi alone meets them, else p and y no more than a tenth "
        "worse, and no more than a twentieth of the bubble points found lost; else eta = 1. "
        "Where D' stays above 1 %, the pure fluids' own D' at the pair's isotherms (columns "
        "D' A, D' B) say whether the miss is theirs.\n\n";
    for (const Packaged& p : pairs) {
        text += "- " + p.line.a + " with " + p.line.b + ": " + p.fit.eta_note;
        if (!std::isnan(p.fit.fitted.Dliq) && !meets_density(p.fit.fitted)) text += density_miss(p);
        text += "\n";
    }
    return text + "\n";
}

std::string rule_section(const std::vector<Packaged>& pairs, const std::vector<RuleLine>& rule) {
    std::string text =
        "## The rule for pairs without data\n\n"
        "A pair that no binary file lists takes xi from its two fluids' classes (metadata "
        "file, column class): the mean of the fitted xi of the shipped pairs of the same two "
        "classes (`data/binary_rule.csv`), eta = 1; classes with no shipped pair keep xi = 1.\n\n" +
        header({"class A", "class B", "xi", "pairs"});
    for (const RuleLine& r : rule) {
        std::string names;
        for (const std::string& n : r.pairs) names += (names.empty() ? "" : ", ") + n;
        text += row({r.class_a, r.class_b, cell(r.xi, 1, "%.4f"), names});
    }
    int met = 0;
    std::string rows;
    for (const Packaged& p : pairs) {
        met += p.by_rule.p <= kRuleTarget;
        rows += row({p.line.a, p.line.b, p.classed.class_a + "-" + p.classed.class_b,
                     cell(p.predicted.xi, 1, "%.4f"), p.predicted.source, pct(p.by_rule.p),
                     frac(p.by_rule.y)});
    }
    return text +
           "\n### Each pair left out of the rule\n\n"
           "Each pair's bubble points with the xi of the rule fitted over the other pairs "
           "alone. " +
           count_text(met, pairs.size()) + " pairs meet bubble p within 10 %.\n\n" +
           header({"A", "B", "classes", "xi", "rule without the pair", "p %", "y"}) + rows + "\n";
}

std::string x_list(const std::vector<BubblePoint>& points) {
    std::string t;
    for (const BubblePoint& pt : points) t += (t.empty() ? "" : ", ") + cell(pt.x, 1, "%.2f");
    return t;
}

std::string five_point_section(const std::vector<Packaged>& pairs) {
    int met = 0;
    std::string rows;
    for (const Packaged& p : pairs) {
        const Figures& f = p.five_all;
        met += f.p <= kFivePointTarget && !(f.y > kFivePointTarget);
        rows += row({p.line.a, p.line.b, p.five.empty() ? "" : cell(p.five[0].T, 1, "%.1f"),
                     x_list(p.five), cell(p.five_fit.k.xi, 1, "%.4f"),
                     cell(p.five_fit.k.eta, 1, "%.4f"), pct(f.p), frac(f.y), pct(f.Dliq)});
    }
    return "## Fitted from five bubble points\n\n"
           "Each pair fitted as `make pair` fits it, from five bubble points of one isotherm "
           "only: the middle one of its isotherms at or above the fluids' lowest temperatures "
           "(the lower middle of an even count), at the points a tenth, three tenths, half, "
           "seven tenths and nine tenths along its mixture points in x. The figures are over all "
           "of the pair's isotherms. " +
           count_text(met, pairs.size()) +
           " pairs meet bubble p within 3 % and y within 0.03.\n\n" +
           header({"A", "B", "T / K", "x of the five", "xi", "eta", "p %", "y", "D' %"}) + rows;
}

void write_doc(const std::string& doc, const std::vector<Packaged>& pairs,
               const std::vector<RuleLine>& rule) {
    std::ofstream out(doc);
    out << "# Mixtures: the binary parameters of the shipped pairs\n\n"
           "Generated by `make data` (tools/pair) from the reference mixture models' values in\n"
           "`data/mixref`; do not edit. Two parameters per pair: xi, the correction of the\n"
           "energy's combining rule, fitted to the pair's bubble pressures and vapour mole\n"
           "fractions over all its isotherms, and eta, the correction of the size's combining\n"
           "rule, fitted with xi to the saturated liquid densities where xi alone misses them\n"
           "(section eta). Average absolute deviations of the bubble pressure (%), of the vapour\n"
           "mole fraction y of A and of the saturated liquid density D' (%), over the bubble\n"
           "points the model finds (next to a mixture's critical point the substitution may find\n"
           "none) at or above the higher of the two fluids' lowest temperatures "
           "(docs/ranges.md).\n\n"
        << fits_section(pairs) << "\n"
        << eta_section(pairs) << rule_section(pairs, rule) << five_point_section(pairs);
    if (!out) throw std::runtime_error(doc + ": cannot be written");
}

}  // namespace

BinaryPair binary_pair_of(const std::string& folder, const std::string& a, const std::string& b,
                          const FittedPair& fit) {
    BinaryPair pair;
    pair.a = a;
    pair.b = b;
    pair.xi = fit.k.xi;
    pair.eta = fit.k.eta;
    pair.source = "fitted to " + folder + "/vle/" + a + "_" + b + ".csv";
    pair.figures = figures_text(fit);
    return pair;
}

void package(const std::string& folder, const std::string& table, const std::string& binary_file,
             const std::string& rule_file, const std::string& doc) {
    std::vector<Packaged> pairs;
    std::vector<BinaryPair> lines;
    std::vector<ClassedPair> classed;
    for (const auto& [a, b] : listed_pairs(folder)) {
        pairs.push_back(packaged(folder, table, a, b));
        const Packaged& p = pairs.back();
        lines.push_back(p.line);
        classed.push_back(p.classed);
        std::printf("%s with %s: xi = %.4f, eta = %.4f; %s\n", a.c_str(), b.c_str(), p.fit.k.xi,
                    p.fit.k.eta, p.line.figures.c_str());
        std::fflush(stdout);
    }
    leave_each_out(pairs);
    const std::vector<RuleLine> rule = rule_of(classed);
    xalt1::detail::write_binary_pairs(binary_file, lines);
    xalt1::detail::write_binary_rule(rule_file, rule);
    write_doc(doc, pairs, rule);
    std::printf("written %s, %s and %s\n", binary_file.c_str(), rule_file.c_str(), doc.c_str());
}

}  // namespace pair_fit
