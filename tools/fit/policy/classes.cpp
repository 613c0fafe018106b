#include "policy/classes.h"

#include <algorithm>
#include <stdexcept>

#include "fluid/reference.h"
#include "policy/fluids.h"

namespace fit {

namespace {

constexpr unsigned kShape = P_T | P_D | P_ALPHA | P_DC;
const std::vector<StartKind> kStarts = {StartKind::own, StartKind::eight_point,
                                        StartKind::nearest_alpha, StartKind::lowest_cost,
                                        StartKind::polar_on};

// Hydrogen-bonding fluids: both polar sets stand in for the missing association term; they are
// not reweighted, and shipped only when they meet their own (looser) targets.
const std::vector<ClassPolicy> kClasses = {
    {FluidClass::nonpolar, "nonpolar", SetKind::Fa, true, kShape, 0.0, 0.0, kStarts, true,
     Shipping::bounds_of_use},
    {FluidClass::quadrupolar, "quadrupolar", SetKind::Fq, true, kShape | P_Q2, 1.0, 0.0, kStarts,
     true, Shipping::bounds_of_use},
    {FluidClass::dipolar, "dipolar", SetKind::Fd, true, kShape | P_DP, 0.0, 1.0, kStarts, true,
     Shipping::bounds_of_use},
    {FluidClass::hbond, "hbond", SetKind::Fd, false, kShape | P_Q2 | P_DP, 1.0, 1.0, kStarts, false,
     Shipping::own_targets},
};

// What an anchor holds: the parameters fixed at their start values, and those it never takes
// as shape parameters.
struct Anchor {
    unsigned fixed = 0, no_shape = 0;
};

Anchor anchor_of(const Fluid& f) {
    switch (role_of(f.code)) {
        case Role::anchor_fa:
            return {P_T | P_ALPHA, P_Q2 | P_DP};
        case Role::anchor_fq:
            return {P_Q2, P_Q2};
        case Role::anchor_fd:
            return {P_DP, P_DP};
        default:
            return {};
    }
}

}  // namespace

const char* set_name(SetKind set) {
    static const char* const names[SET_COUNT] = {"Fa", "Fq", "Fd"};
    return names[static_cast<int>(set)];
}

const std::vector<ClassPolicy>& class_policies() {
    return kClasses;
}

const ClassPolicy& policy_of(FluidClass cls) {
    for (const ClassPolicy& c : kClasses)
        if (c.cls == cls) return c;
    throw std::logic_error("fluid class without a policy");
}

const char* class_name(FluidClass cls) {
    return policy_of(cls).name;
}

FluidClass class_from_text(const std::string& text) {
    for (const ClassPolicy& c : kClasses)
        if (text == c.name) return c.cls;
    throw std::runtime_error("unknown fluid class " + text);
}

bool trains(const Fluid& f, SetKind set) {
    const ClassPolicy& c = policy_of(f.cls);
    return c.trains && c.set == set && role_of(f.code) != Role::alone;
}

bool fitted_with(const Fluid& f, SetKind set) {
    return policy_of(f.cls).set == set;
}

unsigned free_params(const Fluid& f) {
    return policy_of(f.cls).free & ~anchor_of(f).fixed;
}

std::vector<unsigned> shape_variants(const Fluid& f) {
    const unsigned base = free_params(f);
    const unsigned no_shape = anchor_of(f).no_shape;
    std::vector<unsigned> out{base};
    for (unsigned extra : {P_Q2, P_DP})
        if (!(base & extra) && !(no_shape & extra)) out.push_back(base | extra);
    if (out.size() == 3) out.push_back(base | P_Q2 | P_DP);
    return out;
}

Params restrict_to(const Fluid& f, Params p, unsigned shape) {
    const unsigned fixed = anchor_of(f).fixed;
    if (!(shape & P_Q2) && !(fixed & P_Q2)) p.q2 = 0;
    if (!(shape & P_DP) && !(fixed & P_DP)) p.dp = 0;
    return p;
}

Params initial_params(const Fluid& f) {
    const ClassPolicy& c = policy_of(f.cls);
    const bool scale_anchor = role_of(f.code) == Role::anchor_fa;
    Params p;
    p.t = scale_anchor ? 0.8 : 0.78;
    p.d = 1.2;
    p.dc = 1.0;
    p.alpha = scale_anchor ? 1.0 : std::max(1.0, 1.0 + 1.6 * acentric_factor(f));
    p.q2 = c.q2_start;
    p.dp = c.dp_start;
    return p;
}

bool tuned(const Fluid& f) {
    return policy_of(f.cls).tuned;
}

}  // namespace fit
