// The physics check must pass a sound equation and catch equations built to fail it: a van der
// Waals loop where the fluid is stable, a negative isochoric heat capacity in the dense fluid,
// and a second virial coefficient of the wrong shape (positive and falling at low temperature).
#include "solve/physics_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/log.h"
#include "model/eos.h"
#include "model/phase.h"

namespace {

using namespace fit;

// Hard body and one mean-field attraction term: van der Waals-like, B(T) rising through its
// Boyle temperature, no second loop.
Model sound_model() {
    Model m;
    m.terms[0] = {{SetKind::Fa, {1, -2, 0, 0}}};
    m.coeff[0] = {-2.0};
    return m;
}

Model with_term(Model m, Term t, double c) {
    m.terms[0].push_back(t);
    m.coeff[0].push_back(c);
    return m;
}

struct Case {
    Fluid fluid;
    Params p;
};

// A fluid whose reference data are those of the sound equation: its critical point, and its
// saturation table from 0.3 to 0.98 Tc (T0 = 240 K, D0 = 10 mol/dm3).
const Case& sound_case() {
    static const Case c = [] {
        const double T0 = 240.0, D0 = 10.0;
        Case k;
        Fluid& f = k.fluid;
        f.code = "Sound";
        f.Tc = 300.0;  // placeholders for the parameters' scale, replaced below
        f.Dc = 8.0;
        f.M = 40.0;
        f.R = 8.314462618;
        f.ideal = {{0.0, 2.5, 0.0}};
        k.p.t = T0 / f.Tc;
        k.p.d = D0 / f.Dc;
        k.p.alpha = 1.0;
        const Model m = sound_model();
        double Tc = 0, Dc = 0, pc = 0;
        if (!critical_point(Eos::of(m, f, k.p), f.Tc, f.Dc, Tc, Dc, pc)) return k;
        f.Tc = Tc;
        f.Dc = Dc;
        f.pc = pc;
        f.pmax = 10 * pc;
        f.Tmax = 3 * Tc;
        f.Ttriple = 0.3 * Tc;
        k.p.t = T0 / Tc;
        k.p.d = D0 / Dc;
        const Eos eos = Eos::of(m, f, k.p);
        double Dl = 1.5 * Dc, Dv = 0.5 * Dc;
        for (int i = 68; i >= 0; --i) {
            const double T = Tc * (0.3 + 0.01 * i);
            double ps = 0;
            if (!saturation(eos, T, ps, Dl, Dv)) break;
            f.sat.insert(f.sat.begin(), {T, ps, Dl, Dv});
        }
        return k;
    }();
    return c;
}

// The offending states the check logs, by what they offend.
struct Offences {
    int total = 0;
    std::vector<std::string> lines;
    int count(const std::string& what) const {
        int n = 0;
        for (const std::string& l : lines)
            if (l.find(" " + what + " ") != std::string::npos) ++n;
        return n;
    }
};

Offences check(const Model& m, const Fluid& f, const Params& p) {
    Offences o;
    set_log([&](const std::string& line) { o.lines.push_back(line); });
    FluidCase c;
    c.fluid = &f;
    c.p = p;
    o.total = physics_check(c, m, false, true);
    set_log(nullptr);
    return o;
}

TEST(PhysicsCheck, SoundEquationPasses) {
    const Case& k = sound_case();
    ASSERT_GT(k.fluid.sat.size(), 60u);
    const Offences o = check(sound_model(), k.fluid, k.p);
    EXPECT_EQ(o.total, 0) << (o.lines.empty() ? "" : o.lines.front());
}

// The reference Tc 10 % below the equation's: the isotherms just above it cross the equation's
// loop where the reference fluid is stable.
TEST(PhysicsCheck, LoopWhereTheFluidIsStableIsCaught) {
    Case k = sound_case();
    k.p.t *= 1.0 / 0.9;
    k.fluid.Tc *= 0.9;
    const Offences o = check(sound_model(), k.fluid, k.p);
    EXPECT_GT(o.total, 0);
    EXPECT_GT(o.count("dp/dD"), 0);
    EXPECT_EQ(o.count("cv"), 0);
}

// A repulsive term that falls steeply with T: T^2 d2F/dT2 grows beyond what cv0 carries in the
// dense fluid.
TEST(PhysicsCheck, NegativeHeatCapacityIsCaught) {
    const Case& k = sound_case();
    const Model m = with_term(sound_model(), {SetKind::Fa, {2, -8, 0, 0}}, 0.5);
    const Offences o = check(m, k.fluid, k.p);
    EXPECT_GT(o.count("cv"), 0) << o.total;
}

// A term c (T/T0)^-6 D/D0 with c > 0: B positive at low temperatures and falling with T there.
TEST(PhysicsCheck, SecondVirialCoefficientOfTheWrongShapeIsCaught) {
    const Case& k = sound_case();
    const Model m = with_term(sound_model(), {SetKind::Fa, {1, -12, 0, 0}}, 0.02);
    const Offences o = check(m, k.fluid, k.p);
    EXPECT_GT(o.count("B"), 0) << o.total;
    EXPECT_GT(o.count("dB/dT"), 0) << o.total;
}

// With add_rows the check leaves one-sided guard rows at the offending states.
TEST(PhysicsCheck, OffendingStatesGetGuardRows) {
    const Case& k = sound_case();
    FluidCase c;
    c.fluid = &k.fluid;
    c.p = k.p;
    const Model m = with_term(sound_model(), {SetKind::Fa, {1, -12, 0, 0}}, 0.02);
    const int bad = physics_check(c, m, true);
    ASSERT_GT(bad, 0);
    ASSERT_FALSE(c.rows.empty());
    for (const Row& r : c.rows) {
        EXPECT_EQ(r.kind, RowKind::guard);
        EXPECT_NE(r.bound, 0);
    }
}

}  // namespace
