#include "pair_fit.h"

#include <ceres/ceres.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "api/table.h"
#include "api/xalt1.h"

namespace pair_fit {

namespace {

using xalt1::detail::BinaryParameters;
using xalt1::detail::MixtureModel;
using xalt1::detail::PhaseSplit;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLowestXi = 0.8, kHighestXi = 1.2;
constexpr int kScanSteps = 16;
// Ceres's central differences step by this share of xi.
constexpr double kProbe = 1e-6;
// The share of the points a fitted xi may lose next to the critical point.
constexpr double kLostShare = 0.02;
// The scale of the Cauchy loss: deviations well above it count less than their squares.
constexpr double kTypicalDeviation = 0.02;
constexpr double kLostDeviation = 0.1;

// The residuals of one point: relative bubble-pressure deviation, vapour mole-fraction
// deviation (0 where y is not given).
struct BubbleResiduals {
    const Binary* binary;
    BubblePoint point;

    bool operator()(double const* const* xi, double* residuals) const {
        try {
            const PhaseSplit s = bubble_at_T(binary->model(xi[0][0]), binary->pure(),
                                             {point.x, 1.0 - point.x}, point.T);
            residuals[0] = s.p / point.p - 1.0;
            residuals[1] = point.y ? s.y[0] - *point.y : 0.0;
            return true;
        } catch (const xalt1::Error&) {
            // Lost at this xi (next to a critical point): a large, bounded deviation, so that
            // the solver steps back rather than stops.
            residuals[0] = kLostDeviation;
            residuals[1] = 0.0;
            return true;
        }
    }
};

// The parameter after each successful step of the solver.
class LastGood : public ceres::IterationCallback {
  public:
    explicit LastGood(const double& parameter) : parameter_(parameter), xi(parameter) {}
    ceres::CallbackReturnType operator()(const ceres::IterationSummary& summary) override {
        if (summary.step_is_successful) xi = parameter_;
        return ceres::SOLVER_CONTINUE;
    }

  private:
    const double& parameter_;

  public:
    double xi;
};

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
        const xalt1::Fluid fluid(code, table);
        pure_.push_back(
            {fluid.info().Tc, fluid.info().pc, fluid.info().acentric, fluid.range().Tmin});
        Tmin_ = std::max(Tmin_, fluid.range().Tmin);
    }
}

MixtureModel Binary::model(double xi) const {
    std::vector<std::vector<BinaryParameters>> k(2, std::vector<BinaryParameters>(2));
    k[0][1].xi = k[1][0].xi = xi;
    return MixtureModel(records_, k);
}

Figures figures_of(const Binary& binary, double xi, const std::vector<BubblePoint>& points) {
    const MixtureModel m = binary.model(xi);
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

namespace {

// The mean squared deviation over the points whose bubble point is found at xi, and how many
// are found: the measure of the coarse scan.
struct Scan {
    double mean = 0;
    int found = 0;
};

Scan scan_at(const Binary& binary, double xi, const std::vector<BubblePoint>& points) {
    const MixtureModel m = binary.model(xi);
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

// The points whose bubble point is found at xi and at the differences' steps next to it.
std::vector<BubblePoint> found_at(const Binary& binary, double xi,
                                  const std::vector<BubblePoint>& points) {
    std::vector<BubblePoint> found;
    for (const BubblePoint& pt : points) {
        try {
            for (double at : {xi - kProbe * xi, xi, xi + kProbe * xi})
                bubble_at_T(binary.model(at), binary.pure(), {pt.x, 1.0 - pt.x}, pt.T);
            found.push_back(pt);
        } catch (const xalt1::Error&) {
        }
    }
    return found;
}

}  // namespace

FittedPair fit_pair(const Binary& binary, const std::vector<BubblePoint>& all) {
    std::vector<BubblePoint> points;
    for (const BubblePoint& pt : all)
        if (pt.T >= binary.Tmin()) points.push_back(pt);
    FittedPair pair;
    // A coarse scan brackets the minimum (points next to a mixture's critical point may have
    // no bubble point at some xi), then Ceres refines it over the points found there.
    // The scan keeps to values of xi that find (nearly) as many bubble points as xi = 1.
    double xi = 1.0;
    const Scan at_one = scan_at(binary, 1.0, points);
    double best = at_one.mean;
    const int fewest = at_one.found - static_cast<int>(kLostShare * points.size());
    for (int k = 0; k <= kScanSteps; ++k) {
        const double trial = kLowestXi + (kHighestXi - kLowestXi) * k / kScanSteps;
        const Scan scan = scan_at(binary, trial, points);
        if (scan.found >= fewest && scan.mean < best) best = scan.mean, xi = trial;
    }
    const std::vector<BubblePoint> found = found_at(binary, xi, points);
    if (!found.empty()) {
        // One block per point, each under a Cauchy loss: a few points next to a critical
        // point or the pure ends' own misses do not pull xi from where most points lie.
        ceres::Problem problem;
        for (const BubblePoint& pt : found) {
            auto* cost = new ceres::DynamicNumericDiffCostFunction<BubbleResiduals, ceres::CENTRAL>(
                new BubbleResiduals{&binary, pt});
            cost->AddParameterBlock(1);
            cost->SetNumResiduals(2);
            problem.AddResidualBlock(cost, new ceres::CauchyLoss(kTypicalDeviation), &xi);
        }
        problem.SetParameterLowerBound(&xi, 0, kLowestXi);
        problem.SetParameterUpperBound(&xi, 0, kHighestXi);
        ceres::Solver::Options options;
        options.linear_solver_type = ceres::DENSE_QR;
        options.logging_type = ceres::SILENT;
        options.minimizer_progress_to_stdout = false;
        options.max_num_iterations = 50;
        // A point may lose its bubble point next to a later step: Ceres then stops without
        // its answer, and the last successful step's xi is kept.
        LastGood last(xi);
        options.update_state_every_iteration = true;
        options.callbacks.push_back(&last);
        ceres::Solver::Summary summary;
        ceres::Solve(options, &problem, &summary);
        if (!summary.IsSolutionUsable()) xi = last.xi;
    }
    pair.xi = xi;
    pair.unfitted = figures_of(binary, 1.0, all);
    pair.fitted = figures_of(binary, xi, all);
    return pair;
}

std::string figures_text(const FittedPair& pair) {
    std::string text = text_of(pair.fitted) + " (xi = 1: " + text_of(pair.unfitted) + ") over " +
                       std::to_string(pair.fitted.found) + " of " +
                       std::to_string(pair.fitted.points) + " bubble points";
    if (pair.fitted.below > 0)
        text += " (" + std::to_string(pair.fitted.below) + " below the fluids' ranges)";
    return text;
}

}  // namespace pair_fit
