#include "pair_fit.h"

#include <ceres/ceres.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "api/table.h"

namespace pair_fit {

namespace {

using xalt1::detail::MixtureModel;
using xalt1::detail::PhaseSplit;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLowestXi = 0.8, kHighestXi = 1.2;
constexpr double kLowestEta = 0.9, kHighestEta = 1.1;
constexpr int kScanSteps = 16;
// Ceres's central differences step by this share of each parameter.
constexpr double kProbe = 1e-6;
// The share of the points a fitted xi may lose next to the critical point.
constexpr double kLostShare = 0.02;
// The scale of the Cauchy loss: deviations well above it count less than their squares.
constexpr double kTypicalDeviation = 0.02;
constexpr double kLostDeviation = 0.1;
constexpr double kPressureTarget = 0.02, kFractionTarget = 0.02, kDensityTarget = 0.01;
// eta is kept only where it brings D' down by at least this share of its value with xi alone.
constexpr double kLeastDensityGain = 0.2;
// Where xi alone misses the p and y targets, eta may raise their deviations by this share.
constexpr double kToleratedGrowth = 0.1;
// eta may lose this share of the points found with xi alone (next to the critical point).
constexpr double kLostShareToEta = 0.05;

// The parameters of a parameter vector: xi, and eta where the vector has two.
BinaryParameters parameters_of(const double* k, std::size_t size) {
    return {k[0], size > 1 ? k[1] : 1.0};
}

// The residuals of one point: relative bubble-pressure deviation, vapour mole-fraction
// deviation (0 where y is not given), and with eta among the parameters the relative
// saturated-liquid density deviation (0 where D' is not given).
struct BubbleResiduals {
    const Binary* binary;
    BubblePoint point;
    std::size_t size;  // 1: xi; 2: xi and eta

    bool operator()(double const* const* k, double* residuals) const {
        residuals[1] = 0.0;
        if (size > 1) residuals[2] = 0.0;
        try {
            const PhaseSplit s = bubble_at_T(binary->model(parameters_of(k[0], size)),
                                             binary->pure(), {point.x, 1.0 - point.x}, point.T);
            residuals[0] = s.p / point.p - 1.0;
            if (point.y) residuals[1] = s.y[0] - *point.y;
            if (size > 1 && point.Dliq) residuals[2] = s.Dliq / *point.Dliq - 1.0;
        } catch (const xalt1::Error&) {
            // Lost at these parameters (next to a critical point): a large, bounded deviation,
            // so that the solver steps back rather than stops.
            residuals[0] = kLostDeviation;
        }
        return true;
    }
};

// The parameters after each successful step of the solver.
class LastGood : public ceres::IterationCallback {
  public:
    explicit LastGood(const std::vector<double>& parameters)
        : parameters_(parameters), k(parameters) {}
    ceres::CallbackReturnType operator()(const ceres::IterationSummary& summary) override {
        if (summary.step_is_successful) k = parameters_;
        return ceres::SOLVER_CONTINUE;
    }

  private:
    const std::vector<double>& parameters_;

  public:
    std::vector<double> k;
};

std::string text_of(const Figures& f) {
    std::string t = "bubble p " + percent(f.p);
    if (!std::isnan(f.y)) t += ", y " + fraction(f.y);
    if (!std::isnan(f.Dliq)) t += ", D' " + percent(f.Dliq);
    return t;
}

}  // namespace

Binary::Binary(const std::string& table, const std::string& a, const std::string& b) {
    for (const std::string& code : {a, b}) {
        records_.push_back(xalt1::detail::load_fluid(table, code).records);
        fluids_.emplace_back(code, table);
        const xalt1::Fluid& fluid = fluids_.back();
        pure_.push_back(xalt1::detail::critical_constants_of(fluid));
        Tmin_ = std::max(Tmin_, fluid.range().Tmin);
    }
}

MixtureModel Binary::model(BinaryParameters k) const {
    std::vector<std::vector<BinaryParameters>> pairs(2, std::vector<BinaryParameters>(2));
    pairs[0][1] = pairs[1][0] = k;
    return MixtureModel(records_, pairs);
}

double Binary::pure_liquid_density(int fluid, double T) const {
    return fluids_.at(fluid).saturation_T(T).first.D;
}

Figures figures_of(const Binary& binary, BinaryParameters k,
                   const std::vector<BubblePoint>& points) {
    const MixtureModel m = binary.model(k);
    Figures f;
    int with_y = 0, with_D = 0;
    for (const BubblePoint& pt : points) {
        ++f.points;
        if (pt.T < binary.Tmin()) {
            ++f.below;
            continue;
        }
        try {
            const PhaseSplit s = bubble_at_T(m, binary.pure(), {pt.x, 1.0 - pt.x}, pt.T);
            ++f.found;
            f.p += std::fabs(s.p / pt.p - 1.0);
            if (pt.y) f.y += std::fabs(s.y[0] - *pt.y), ++with_y;
            if (pt.Dliq) f.Dliq += std::fabs(s.Dliq / *pt.Dliq - 1.0), ++with_D;
        } catch (const xalt1::Error&) {
        }
    }
    f.p = f.found > 0 ? f.p / f.found : kNaN;
    f.y = with_y > 0 ? f.y / with_y : kNaN;
    f.Dliq = with_D > 0 ? f.Dliq / with_D : kNaN;
    return f;
}

std::string percent(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f %%", 100.0 * v);
    return buf;
}

std::string fraction(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

bool meets_p_and_y(const Figures& f) {
    return f.p <= kPressureTarget && !(f.y > kFractionTarget);
}

bool meets_density(const Figures& f) {
    return f.Dliq <= kDensityTarget;
}

namespace {

// The mean squared deviation over the points whose bubble point is found at xi, and how many
// are found: the measure of the coarse scan.
struct Scan {
    double mean = 0;
    int found = 0;
};

Scan scan_at(const Binary& binary, double xi, const std::vector<BubblePoint>& points) {
    const MixtureModel m = binary.model({xi, 1.0});
    Scan scan;
    for (const BubblePoint& pt : points) {
        try {
            const PhaseSplit s = bubble_at_T(m, binary.pure(), {pt.x, 1.0 - pt.x}, pt.T);
            const double dy = pt.y ? s.y[0] - *pt.y : 0.0;
            scan.mean += (s.p / pt.p - 1.0) * (s.p / pt.p - 1.0) + dy * dy;
            ++scan.found;
        } catch (const xalt1::Error&) {
        }
    }
    scan.mean /= std::max(scan.found, 1);
    return scan;
}

// A coarse scan brackets the minimum in xi (points next to a mixture's critical point may have
// no bubble point at some xi). It keeps to values of xi that find (nearly) as many bubble
// points as xi = 1.
double scanned_xi(const Binary& binary, const std::vector<BubblePoint>& points) {
    double xi = 1.0;
    const Scan at_one = scan_at(binary, 1.0, points);
    double best = at_one.mean;
    const int fewest = at_one.found - static_cast<int>(kLostShare * points.size());
    for (int k = 0; k <= kScanSteps; ++k) {
        const double trial = kLowestXi + (kHighestXi - kLowestXi) * k / kScanSteps;
        const Scan scan = scan_at(binary, trial, points);
        if (scan.found >= fewest && scan.mean < best) best = scan.mean, xi = trial;
    }
    return xi;
}

// The points whose bubble point is found at k and at the differences' steps next to it.
std::vector<BubblePoint> found_at(const Binary& binary, const std::vector<double>& k,
                                  const std::vector<BubblePoint>& points) {
    std::vector<std::vector<double>> probes{k};
    for (std::size_t i = 0; i < k.size(); ++i)
        for (double step : {-kProbe, kProbe}) {
            probes.push_back(k);
            probes.back()[i] += step * k[i];
        }
    std::vector<BubblePoint> found;
    for (const BubblePoint& pt : points) {
        try {
            for (const std::vector<double>& at : probes)
                bubble_at_T(binary.model(parameters_of(at.data(), at.size())), binary.pure(),
                            {pt.x, 1.0 - pt.x}, pt.T);
            found.push_back(pt);
        } catch (const xalt1::Error&) {
        }
    }
    return found;
}

// Ceres refines k (xi, or xi and eta) from its start over the points found there: one block
// per point, each under a Cauchy loss, so that a few points next to a critical point or the
// pure ends' own misses do not pull the parameters from where most points lie.
void refine(const Binary& binary, const std::vector<BubblePoint>& points, std::vector<double>& k) {
    const std::vector<BubblePoint> found = found_at(binary, k, points);
    if (found.empty()) return;
    const int size = static_cast<int>(k.size());
    ceres::Problem problem;
    for (const BubblePoint& pt : found) {
        auto* cost = new ceres::DynamicNumericDiffCostFunction<BubbleResiduals, ceres::CENTRAL>(
            new BubbleResiduals{&binary, pt, k.size()});
        cost->AddParameterBlock(size);
        cost->SetNumResiduals(size + 1);
        problem.AddResidualBlock(cost, new ceres::CauchyLoss(kTypicalDeviation), k.data());
    }
    problem.SetParameterLowerBound(k.data(), 0, kLowestXi);
    problem.SetParameterUpperBound(k.data(), 0, kHighestXi);
    if (size > 1) {
        problem.SetParameterLowerBound(k.data(), 1, kLowestEta);
        problem.SetParameterUpperBound(k.data(), 1, kHighestEta);
    }
    ceres::Solver::Options options;
    options.linear_solver_type = ceres::DENSE_QR;
    options.logging_type = ceres::SILENT;
    options.minimizer_progress_to_stdout = false;
    options.max_num_iterations = 50;
    // A point may lose its bubble point next to a later step: Ceres then stops without its
    // answer, and the last successful step's parameters are kept.
    LastGood last(k);
    options.update_state_every_iteration = true;
    options.callbacks.push_back(&last);
    ceres::Solver::Summary summary;
    ceres::Solve(options, &problem, &summary);
    if (!summary.IsSolutionUsable()) k = last.k;
}

std::string eta_text(double eta) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "eta = %.4f", eta);
    return buf;
}

// Whether (xi, eta) keeps the bubble points that xi alone meets: both targets where xi alone
// meets them, else deviations no more than a tenth larger; no more than a twentieth of the
// points found lost.
bool keeps_p_and_y(const Figures& alone, const Figures& both) {
    if (both.found < alone.found - static_cast<int>(kLostShareToEta * alone.found)) return false;
    if (meets_p_and_y(alone)) return meets_p_and_y(both);
    return both.p <= (1.0 + kToleratedGrowth) * alone.p &&
           !(both.y > (1.0 + kToleratedGrowth) * alone.y);
}

// eta fitted with xi where the data give D' and xi alone misses it by more than 1 %; kept only
// where D' falls by a fifth of its value or more and p and y keep (keeps_p_and_y).
void fit_eta(const Binary& binary, const std::vector<BubblePoint>& points,
             const std::vector<BubblePoint>& all, FittedPair& pair) {
    const Figures& alone = pair.fitted;
    if (std::isnan(alone.Dliq)) {
        pair.eta_note = "eta = 1: the data give no D'";
        return;
    }
    if (meets_density(alone)) {
        pair.eta_note = "eta = 1: D' within 1 % with xi alone";
        return;
    }
    std::vector<double> k{pair.k.xi, 1.0};
    refine(binary, points, k);
    const BinaryParameters both{k[0], k[1]};
    const Figures f = figures_of(binary, both, all);
    const std::string moved = eta_text(both.eta) + " (xi = " + fraction(both.xi) + ") takes D' " +
                              percent(alone.Dliq) + " to " + percent(f.Dliq);
    if (!(f.Dliq <= (1.0 - kLeastDensityGain) * alone.Dliq)) {
        pair.eta_note = "eta = 1: " + moved + " only";
    } else if (!keeps_p_and_y(alone, f)) {
        pair.eta_note = "eta = 1: " + moved + " but p " + percent(alone.p) + " to " + percent(f.p) +
                        ", y " + fraction(alone.y) + " to " + fraction(f.y) +
                        ", bubble points found " + std::to_string(alone.found) + " to " +
                        std::to_string(f.found);
    } else {
        pair.eta_note = "eta fitted: D' " + percent(alone.Dliq) + " to " + percent(f.Dliq);
        pair.k = both;
        pair.fitted = f;
    }
}

}  // namespace

FittedPair fit_pair(const Binary& binary, const std::vector<BubblePoint>& all) {
    std::vector<BubblePoint> points;
    for (const BubblePoint& pt : all)
        if (pt.T >= binary.Tmin()) points.push_back(pt);
    FittedPair pair;
    std::vector<double> k{scanned_xi(binary, points)};
    refine(binary, points, k);
    pair.k.xi = k[0];
    pair.unfitted = figures_of(binary, {}, all);
    pair.fitted = figures_of(binary, pair.k, all);
    fit_eta(binary, points, all, pair);
    return pair;
}

std::string figures_text(const FittedPair& pair) {
    std::string text = text_of(pair.fitted) + " (xi = 1: " + text_of(pair.unfitted) + ") over " +
                       std::to_string(pair.fitted.found) + " of " +
                       std::to_string(pair.fitted.points) + " bubble points";
    if (pair.fitted.below > 0)
        text += " (" + std::to_string(pair.fitted.below) + " below the fluids' ranges)";
    return text + "; " + pair.eta_note;
}

}  // namespace pair_fit
