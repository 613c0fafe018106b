#include "solve/physics_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"
#include "eos/constants.h"
#include "fluid/reference.h"
#include "model/eos.h"
#include "model/phase.h"

namespace fit {

std::string PhysicsCheckLimits::description() const {
    char buf[800];
    std::snprintf(
        buf, sizeof buf,
        "Physics check: on isotherms from max(Ttriple, %g Tc) to %g Tc, up to a packing\n"
        "fraction of %g or %g times the higher of pmax and pc, p, dp/dD and cv positive\n"
        "outside the reference two-phase region and a single van der Waals loop inside it; the\n"
        "second virial coefficient rising with T, and negative up to %g Tc. The number of\n"
        "offending states (of %d densities per isotherm) is listed where it is not zero.\n",
        lowest, highest, packing, pressure_factor, negative_virial, densities);
    return buf;
}

namespace {

// Reference saturated densities at T: interpolated in the table, below it extrapolated (the
// vapour in 1/T); none (negative) above it.
SatPoint reference_pair(const Fluid& f, double T) {
    if (f.sat.size() < 2 || T > f.sat.back().T) return {T, -1.0, -1.0, -1.0};
    return T < f.sat.front().T ? extrapolated_saturation(f, T) : interpolated_saturation(f, T);
}

// Second virial coefficient of a simple fluid in the form B pc/(R Tc) = f0(T/Tc) (Tsonopoulos),
// and its slope in T/Tc: a weak guide where the data of a fluid end.
double simple_virial(double tr) {
    return 0.1445 - 0.330 / tr - 0.1385 / (tr * tr) - 0.0121 / (tr * tr * tr) -
           0.000607 / std::pow(tr, 8);
}

double simple_virial_slope(double tr) {
    return 0.330 / (tr * tr) + 2 * 0.1385 / std::pow(tr, 3) + 3 * 0.0121 / std::pow(tr, 4) +
           8 * 0.000607 / std::pow(tr, 9);
}

// (dp/dD)/(R T) = target, and Z = target.
Row slope_guard(double D, double T, double target, double sigma, int bound) {
    return guard_row(D, T, {0, 2 * D, 0, D * D, 0, 0, 0}, target - 1.0, sigma, bound);
}

Row pressure_guard(double D, double T, double target, double sigma) {
    return guard_row(D, T, {0, D, 0, 0, 0, 0, 0}, target - 1.0, sigma, 1);
}

// The derivative pairs the check takes: D dF/dD / D (B at low density), its slope in T, the
// second density derivative, and the first and second temperature derivatives.
constexpr int kBIndex = pair_index(1, 0), kSlopeOfBIndex = pair_index(1, 1),
              kSecondIndex = pair_index(2, 0), kTIndex = pair_index(0, 1),
              kTTIndex = pair_index(0, 2);
constexpr unsigned kB = 1u << kBIndex, kSlopeOfB = 1u << kSlopeOfBIndex,
                   kSecond = 1u << kSecondIndex, kT = 1u << kTIndex, kTT = 1u << kTTIndex;

// Guard rows a fluid collects at most over the rounds of a fit.
constexpr size_t kMaxGuardRows = 1000;

// Uncertainty of a guard row for a violation of the given size.
double gentle(double gap) {
    return std::max(0.02, 0.1 * std::fabs(gap));
}

// Density at which dF/dD stands for the second virial coefficient.
double virial_density(const Fluid& f) {
    return 1e-7 * f.Dc;
}

struct Isotherm {
    const Fluid& f;
    const Eos& eos;
    double tr, T;
    bool verbose;
    int bad = 0;
    std::vector<Row> rows;

    // p_mpa: the pressure of the state where it is known (negative: not shown)
    void offend(const Row& row, const char* what, double D, double value, double p_mpa = -1) {
        ++bad;
        if (rows.size() < 40 && bad % 2 == 1) rows.push_back(row);
        if (!verbose) return;
        char b[200];
        std::snprintf(b, sizeof b, "    %s T/Tc %.3f D/Dc %.4g %s %.4g", f.code.c_str(), tr,
                      D / f.Dc, what, value);
        std::string text = b;
        if (p_mpa >= 0) {
            std::snprintf(b, sizeof b, " at %.4g MPa", p_mpa);
            text += b;
        }
        log_line(text);
    }

    // B increasing with T over the whole range (one sign change, the Boyle temperature), and
    // negative at low temperatures.
    void check_virial() {
        const double D = virial_density(f);
        const double scale = GAS_CONSTANT / (1000.0 * f.pc);  // B in dm3/mol per B pc/(R Tc)
        const PairValues v = eos.pairs(D, T, kSlopeOfB | kB);
        const double slope = v[kSlopeOfBIndex];
        const double want = 0.5 * simple_virial_slope(tr) * scale;
        if (!(slope > 0))
            offend(guard_row(D, T, {0, 0, 0, 0, 0, 1, 0}, want, 0.1 * want, 1), "dB/dT", D, slope);
        const double B = v[kBIndex];
        const double simple = simple_virial(tr) * f.Tc * scale;
        if (tr <= PHYSICS_CHECK.negative_virial && !(B < 0))
            offend(
                guard_row(D, T, {0, 1, 0, 0, 0, 0, 0}, 0.2 * simple, 0.1 * std::fabs(simple), -1),
                "B", D, B);
    }

    // p and dp/dD positive and cv positive in the stable fluid (up to the pressure limit of the
    // data), and one van der Waals loop inside the reference two-phase region.
    void check_densities(const Params& p, double Dv, double Dl) {
        const PhysicsCheckLimits& limits = PHYSICS_CHECK;
        const int N = limits.densities;
        const double Dmax = eta_density(f, p, limits.packing, T), Dmin = 1e-4 * f.Dc;
        const double plimit = limits.pressure_factor * std::max(f.pmax, f.pc);
        std::vector<double> Ds(N), dp(N), z(N);
        for (int i = 0; i < N; ++i) {
            Ds[i] = Dmin * std::pow(Dmax / Dmin, static_cast<double>(i) / (N - 1));
            const PairValues v = eos.pairs(Ds[i], T, kB | kSecond);
            const double f10 = v[kBIndex], f20 = v[kSecondIndex];
            z[i] = 1.0 + Ds[i] * f10;
            dp[i] = 1.0 + 2.0 * Ds[i] * f10 + Ds[i] * Ds[i] * f20;
        }
        const bool sub = tr < 1.0;
        auto inside = [&](double D) { return sub && D > Dv && D < Dl; };
        double min_dp = 0;
        int first_neg = -1, last_neg = -1;
        for (int i = 0; i < N; ++i)
            if (inside(Ds[i])) {
                min_dp = std::min(min_dp, dp[i]);
                if (dp[i] <= 0) {
                    if (first_neg < 0) first_neg = i;
                    last_neg = i;
                }
            }
        const double cv0 = reference_cp0(f, T) - f.R;
        for (int i = 0; i < N; ++i) {
            const double D = Ds[i];
            const double p_mpa = D * GAS_CONSTANT * T * z[i] / 1000.0;
            if (inside(D)) {
                if (first_neg >= 0 && i > first_neg && i < last_neg && dp[i] > 0)
                    offend(slope_guard(D, T, -0.05 * std::fabs(min_dp),
                                       0.005 * std::fabs(min_dp) + 0.005, -1),
                           "dp/dD (second loop)", D, dp[i]);
                continue;
            }
            const bool liquid = !sub || D >= Dl;
            if (liquid && p_mpa > plimit) break;
            // the stiff liquid: a density error of the equation moves p at the reference
            // boundary a lot, so its first states are passed over
            if (sub && D >= Dl && D < Dl * 1.003) continue;
            // a gross violation is pulled back gently over several rounds, not at once, so
            // that it does not swamp the data
            if (dp[i] <= 0) {
                const double want = liquid && sub ? 1.0 : 0.3;
                offend(slope_guard(D, T, want, gentle(want - dp[i]), 1), "dp/dD", D, dp[i], p_mpa);
            } else if (z[i] <= 0 && liquid) {
                offend(pressure_guard(D, T, 0.3, gentle(0.3 - z[i])), "Z", D, z[i]);
            } else if (i % 10 == 0 && T <= f.Tmax) {
                // (beyond the reference's upper temperature its cp0 correlation does not hold)
                const PairValues v = eos.pairs(D, T, kT | kTT);
                const double cvr = -2.0 * T * v[kTIndex] - T * T * v[kTTIndex];
                const double cv = cv0 + GAS_CONSTANT * cvr;
                if (!(cv > 0))
                    offend(guard_row(D, T, {0, 0, -2 * T, 0, 0, 0, -T * T},
                                     -0.5 * cv0 / GAS_CONSTANT, 0.02 * cv0 / GAS_CONSTANT, 1),
                           "cv", D, cv, p_mpa);
            }
        }
    }
};

}  // namespace

int physics_check(FluidCase& c, const Model& model, bool add_rows, bool verbose) {
    const Fluid& f = *c.fluid;
    const Eos eos = Eos::of(model, f, c.p);
    int bad = 0;
    std::vector<double> trs;
    const double tlow = std::max(f.Ttriple / f.Tc, PHYSICS_CHECK.lowest);
    for (double tr = tlow; tr < 0.95; tr += 0.04) trs.push_back(tr);
    for (double tr : {0.96, 0.98, 1.02, 1.1, 1.3, 1.6, 2.0, 2.5}) trs.push_back(tr);
    trs.push_back(PHYSICS_CHECK.highest);
    for (double tr : trs) {
        Isotherm iso{f, eos, tr, tr * f.Tc, verbose, 0, {}};
        iso.check_virial();
        double Dv = -1, Dl = -1;
        if (tr < 1.0) {
            const SatPoint ref = reference_pair(f, iso.T);
            Dv = ref.Dvap;
            Dl = ref.Dliq;
            // Below the reference table its extrapolated boundary is uncertain against the
            // stiff liquid: the equation's own saturated pair stands for it where found.
            double ps = 0, l = Dl, v = Dv;
            if (!f.sat.empty() && iso.T < f.sat.front().T && Dv > 0 &&
                saturation(eos, iso.T, ps, l, v)) {
                Dl = l;
                Dv = v;
            }
        }
        if (tr >= 1.0 || Dv > 0) iso.check_densities(c.p, Dv, Dl);
        bad += iso.bad;
        const size_t guards = static_cast<size_t>(std::count_if(
            c.rows.begin(), c.rows.end(), [](const Row& r) { return r.kind == RowKind::guard; }));
        if (add_rows && guards < kMaxGuardRows)
            c.rows.insert(c.rows.end(), iso.rows.begin(), iso.rows.end());
    }
    return bad;
}

}  // namespace fit
