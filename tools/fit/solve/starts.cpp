#include "solve/starts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/log.h"
#include "solve/joint_fit.h"

namespace fit {

namespace {

// Start values of a fluid's multi-start: the reduced parameters of the peers closest to its
// own shape (Alpha), with the parameters the fluid does not fit kept at its own values.
constexpr size_t kStarts = 8;
// Start values of a plain fit taken from other fluids, by each of the two peer rankings.
constexpr size_t kPeerStarts = 4;
// The values a polar parameter that a fluid does not use is switched on with.
constexpr double kPolarSwitchOn[] = {0.3, 1.0, 3.0};

// The peers' reduced parameters sorted by the distance of their Alpha from the fluid's.
std::vector<Params> nearest_alpha(std::vector<Params> peers, double alpha) {
    std::sort(peers.begin(), peers.end(), [&](const Params& a, const Params& b) {
        return std::fabs(a.alpha - alpha) < std::fabs(b.alpha - alpha);
    });
    return peers;
}

std::vector<Params> start_values(const FluidCase& c, const std::vector<Params>& peers) {
    std::vector<Params> starts;
    for (const Params& o : nearest_alpha(peers, c.p.alpha)) {
        if (starts.size() == kStarts) break;
        Params p = o;
        if (!(c.free & P_T)) p.t = c.p.t;
        if (!(c.free & P_ALPHA)) p.alpha = c.p.alpha;
        if (!(c.free & P_Q2)) p.q2 = c.p.q2;
        if (!(c.free & P_DP)) p.dp = c.p.dp;
        if (p.t == c.p.t && p.d == c.p.d && p.alpha == c.p.alpha) continue;  // its own
        starts.push_back(p);
    }
    return starts;
}

}  // namespace

void multi_start(FluidCase& c, const std::vector<Params>& peers, Model& model, SetKind set,
                 int iterations) {
    std::vector<FluidCase*> one{&c};
    const double base = total_cost(one, model);
    Params best = c.p;
    double best_cost = base;
    for (const Params& p : start_values(c, peers)) {
        c.p = p;
        const double cost = joint_fit(one, model, set, false, iterations);
        if (cost < best_cost * 0.99) {
            best_cost = cost;
            best = c.p;
        }
    }
    c.p = best;
    if (best_cost < base * 0.99) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "  multi-start %s: cost %.6g -> %.6g", c.fluid->code.c_str(),
                      base, best_cost);
        log_line(buf);
    }
}

std::vector<Params> lowest_cost_starts(FluidCase c, const Model& model,
                                       const std::vector<Params>& candidates, size_t count) {
    std::vector<std::pair<double, Params>> ranked;
    std::vector<FluidCase*> one{&c};
    for (const Params& p : candidates) {
        c.p = p;
        const double cost = total_cost(one, model);
        if (std::isfinite(cost)) ranked.emplace_back(cost, p);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Params> starts;
    for (size_t i = 0; i < ranked.size() && i < count; ++i) starts.push_back(ranked[i].second);
    return starts;
}

std::vector<Params> plain_starts(const FluidCase& c, const Model& model, unsigned shape,
                                 const Params& own, const StartPool& pool) {
    const std::vector<Params>& peers = pool.peers;
    std::vector<Params> starts;
    // (the fluid is one of its own peers: a start already taken is not fitted twice)
    auto take = [&](const Params& p) {
        if (std::find(starts.begin(), starts.end(), p) == starts.end()) starts.push_back(p);
    };
    auto as_start = [&](const Params& peer) {
        Params p = restrict_to(*c.fluid, peer, shape);
        if (!(shape & P_T)) p.t = own.t;
        if (!(shape & P_ALPHA)) p.alpha = own.alpha;
        p.dc = own.dc;
        return p;
    };
    for (StartKind kind : policy_of(c.fluid->cls).starts) {
        switch (kind) {
            case StartKind::own:
                take(own);
                break;
            case StartKind::eight_point:
                for (const Params& p : pool.eight_point) take(as_start(p));
                break;
            case StartKind::nearest_alpha: {
                const std::vector<Params> near = nearest_alpha(peers, own.alpha);
                for (size_t k = 0; k < near.size() && k < kPeerStarts; ++k) take(as_start(near[k]));
                break;
            }
            case StartKind::lowest_cost: {
                // the peers whose parameters already fit this fluid best, whatever their shape
                std::vector<Params> candidates;
                for (const Params& peer : peers) candidates.push_back(as_start(peer));
                for (const Params& p : lowest_cost_starts(c, model, candidates, kPeerStarts))
                    take(p);
                break;
            }
            case StartKind::polar_on:
                for (double v : kPolarSwitchOn) {
                    Params p = own;
                    if ((shape & P_Q2) && p.q2 <= 0) p.q2 = v;
                    if ((shape & P_DP) && p.dp <= 0) p.dp = v;
                    if (p.q2 != own.q2 || p.dp != own.dp) take(p);
                }
                break;
        }
    }
    return starts;
}

}  // namespace fit
