#include "solve/own_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/log.h"
#include "io/fluid_folder.h"
#include "model/eos.h"
#include "model/phase.h"
#include "solve/joint_fit.h"
#include "solve/measure.h"
#include "solve/physics_check.h"
#include "solve/starts.h"
#include "solve/tuning.h"

namespace fit {

namespace {

// Start parameters of a choice: a polar parameter that is not free is off, a free one that is
// off starts at 1.
Params start_params(Params p, unsigned free) {
    p.q2 = (free & P_Q2) ? (p.q2 > 0 ? p.q2 : 1.0) : 0.0;
    p.dp = (free & P_DP) ? (p.dp > 0 ? p.dp : 1.0) : 0.0;
    return clamp_to_bounds(p, free);
}

// Start points from the peers: each one's reduced parameters (the polar ones only where this
// choice frees them), the best `count` by their cost for this fluid.
std::vector<Params> peer_starts(const std::vector<Params>& peers, const FluidCase& own,
                                const Model& model, size_t count) {
    std::vector<Params> candidates;
    for (Params p : peers) {
        p.dc = own.p.dc;
        if (p.q2 <= 0) p.q2 = own.p.q2;
        if (p.dp <= 0) p.dp = own.p.dp;
        candidates.push_back(start_params(p, own.free));
    }
    return lowest_cost_starts(own, model, candidates, count);
}

// Where the data lack D'', the rows take the equation's own vapour density at the measured
// saturation pressure, so that equal Gibbs energies ask for that pressure.
bool complete_vapour_densities(Fluid& f, const std::vector<bool>& given, const Model& model,
                               const Params& p) {
    const Eos eos = Eos::of(model, f, p);
    bool changed = false;
    for (size_t i = 0; i < f.sat.size(); ++i) {
        if (given[i]) continue;
        SatPoint& s = f.sat[i];
        double D = 0;
        if (density_at(eos, s.T, s.ps, std::min(s.Dvap, 0.5 * f.Dc), D) && D < 0.95 * s.Dliq) {
            s.Dvap = D;
            changed = true;
        }
    }
    return changed;
}

// Parameter-only fit of one choice before its reweighting: from the given start, then from
// the best start points of the peers, with the vapour densities completed, the saturated-liquid
// rows weighed with the equation, and guard rows where the physics check fails.
FluidCase prefit(OwnData& d, const Model& model, const std::vector<Params>& peers, unsigned free,
                 const Params* start, size_t starts, const Settings& settings) {
    FitState state;
    state.model = model;
    FluidCase c = make_case(d.fluid, state, settings);
    c.free = free;
    c.p = start_params(start ? *start : c.p, free);
    weigh_liquid_rows(c, model);
    const int iterations = settings.add.iterations;
    std::vector<FluidCase*> one{&c};
    joint_fit(one, state.model, SetKind::Fa, false, iterations);
    weigh_liquid_rows(c, model);
    multi_start(c, peer_starts(peers, c, state.model, starts), state.model, SetKind::Fa,
                settings.add.start_iterations);
    weigh_liquid_rows(c, model);
    joint_fit(one, state.model, SetKind::Fa, false, iterations);
    for (int pass = 0; pass < settings.add.vapour_passes; ++pass) {
        if (!complete_vapour_densities(d.fluid, d.vapour_given, state.model, c.p)) break;
        rebuild_rows(c, model, settings);
        joint_fit(one, state.model, SetKind::Fa, false, iterations);
    }
    for (int extra = 0;
         extra < 3 && physics_check(c, state.model, true, settings.verbose_check) > 0; ++extra)
        joint_fit(one, state.model, SetKind::Fa, false, iterations);
    weigh_liquid_rows(c, model);
    return c;
}

void log_choice(const ParamChoice& c, const char* what) {
    char buf[220];
    std::snprintf(buf, sizeof buf,
                  "  %sfree %s%s: rank %.4g (t %.4f d %.4f alpha %.4f q2 %.4f dp %.4f)", what,
                  c.free & P_Q2 ? "Q2 " : "", c.free & P_DP ? "Dp" : "", c.score, c.p.t, c.p.d,
                  c.p.alpha, c.p.q2, c.p.dp);
    log_line(buf);
}

double cpu_seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

}  // namespace

void keep_given_vapour(FluidAccuracy& a, const Fluid& f, const std::vector<bool>& given) {
    Stat& dvap = a.stat(Measure::saturated_vapour);
    dvap = Stat{};
    for (const auto& dev : a.sat_dev)
        for (size_t i = 0; i < f.sat.size(); ++i)
            if (given[i] && f.sat[i].T / f.Tc == dev[0]) add(dvap, dev[3]);
}

ChoiceFigures model_choice_figures(const Model& model, const std::vector<bool>& vapour_given) {
    return [&model, &vapour_given](const Fluid& f, const Params& p, FluidAccuracy& a) {
        a = model_figures(model, f, p);
        keep_given_vapour(a, f, vapour_given);
        return true;
    };
}

ParamChoice fit_choice(OwnData& d, const Model& model, const std::vector<Params>& peers,
                       unsigned shape, const Params* start, size_t starts, const Settings& settings,
                       const ChoiceFigures& figures, Params& plain) {
    FluidCase c = prefit(d, model, peers, shape, start, starts, settings);
    const Choice ch =
        reweight(c, model, shape, settings.add.tune_rounds, StartPool{}, settings.verbose_check);
    plain = ch.plain;
    // the plain and the reweighted parameters, ranked by their figures
    ParamChoice out{shape, ch.plain, 1e300};
    for (const Params& p : {ch.plain, weighted_params(c, model, ch)}) {
        FluidAccuracy a;
        if (!figures(d.fluid, p, a)) continue;
        const double rank = score(a);
        if (rank < out.score) out = {shape, p, rank};
    }
    return out;
}

ParamChoice choose_params(OwnData& d, const Model& model, const std::vector<Params>& peers,
                          const Settings& settings, const ChoiceFigures& figures) {
    ParamChoice best;
    Params base_plain;
    const std::vector<unsigned> choices = shape_variants(d.fluid);
    const double start = cpu_seconds();
    double longest = 0;
    for (size_t i = 0; i < choices.size() && i < settings.add.max_choices; ++i) {
        const double before = cpu_seconds();
        if (i > 0 && before - start + longest > settings.add.seconds) {
            log_line("  time budget: " + std::to_string(choices.size() - i) +
                     " choices of free parameters left out");
            break;
        }
        Params plain;
        const ParamChoice c =
            i == 0 ? fit_choice(d, model, peers, choices[i], nullptr, settings.add.max_starts,
                                settings, figures, base_plain)
                   : fit_choice(d, model, peers, choices[i], &base_plain, settings.add.extra_starts,
                                settings, figures, plain);
        log_choice(c, "");
        longest = std::max(longest, cpu_seconds() - before);
        if (i == 0 || c.score < best.score) best = c;
        if (best.score < MISSED) break;
    }
    return best;
}

bool eight_point_subset(const OwnData& d, OwnData& sub) {
    constexpr size_t kPoints = 8;
    const Fluid& f = d.fluid;
    std::vector<size_t> pool;
    for (size_t i = 0; i < f.sat.size(); ++i) {
        const double tr = f.sat[i].T / f.Tc;
        if (tr >= 0.55 - 1e-9 && tr <= 0.95 + 1e-9) pool.push_back(i);
    }
    const bool vapour = std::count(d.vapour_given.begin(), d.vapour_given.end(), true) > 0;
    if (pool.size() < kPoints || (f.sat.size() == kPoints && f.pvt.empty() && !vapour))
        return false;
    sub.fluid = f;
    sub.fluid.sat.clear();
    sub.fluid.pvt.clear();
    sub.vapour_given.assign(kPoints, false);
    for (size_t k = 0; k < kPoints; ++k) {
        const size_t at = static_cast<size_t>(std::lround(
            static_cast<double>(k * (pool.size() - 1)) / static_cast<double>(kPoints - 1)));
        sub.fluid.sat.push_back(f.sat[pool[at]]);
    }
    estimate_missing_vapour(sub.fluid, sub.vapour_given);
    return true;
}

bool eight_point_fit(const OwnData& d, const Model& model, const std::vector<Params>& peers,
                     const Settings& settings, ParamChoice& out) {
    OwnData sub;
    if (!eight_point_subset(d, sub)) return false;
    out = choose_params(sub, model, peers, settings, model_choice_figures(model, sub.vapour_given));
    log_choice(out, (d.fluid.code + " 8-point fit: ").c_str());
    return true;
}

ParamChoice choose_with_eight_point_fit(OwnData& d, const Model& model,
                                        const std::vector<Params>& peers, const Settings& settings,
                                        const ChoiceFigures& figures) {
    ParamChoice best = choose_params(d, model, peers, settings, figures);
    ParamChoice p8;
    if (!eight_point_fit(d, model, peers, settings, p8)) return best;
    FluidAccuracy a;
    if (figures(d.fluid, p8.p, a) && score(a) < best.score) {
        best = {p8.free, p8.p, score(a)};
        log_line("  the 8-point fit ranks best on the full data");
    }
    Params plain;
    const ParamChoice from8 =
        fit_choice(d, model, peers, p8.free, &p8.p, 0, settings, figures, plain);
    if (from8.score < best.score) {
        best = from8;
        log_line("  the fit of the full data from the 8-point fit ranks best");
    }
    return best;
}

}  // namespace fit
