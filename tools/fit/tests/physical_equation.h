// A small equation with a van der Waals loop and its fluid, shared by the tests that need
// plausible phase behaviour from a few terms.
#pragma once

#include <vector>

#include "fluid/fluid.h"
#include "model/eos.h"
#include "model/phase.h"
#include "model/terms.h"

namespace fit::testing_equation {

// A plausible equation: a van der Waals-like attraction term with small polar contributions.
inline Model physical() {
    Model m;
    m.terms[0] = {{SetKind::Fa, {1, -2, 0, 0}}, {SetKind::Fa, {2, -4, 1, 2}}};
    m.coeff[0] = {-2.0, -0.05};
    m.terms[1] = {{SetKind::Fq, {-3, 2, 4, 0}}};
    m.coeff[1] = {-0.02};
    m.terms[2] = {{SetKind::Fd, {-4, 2, 4, 1}}};
    m.coeff[2] = {-0.01};
    return m;
}

inline Fluid test_fluid() {
    Fluid f;
    f.code = "Test";
    f.Tc = 400.0;
    f.Dc = 5.0;
    f.pc = 4.5;
    f.M = 80.0;
    f.R = 8.314462618;
    f.Ttriple = 150.0;
    f.pmax = 50.0;
    f.ideal = {{0.0, 4.0, 0.0}, {0.0, 3.0, 900.0}, {1.0, 1e-3, 0.0}};
    return f;
}

// The fluid and parameters of the plausible equation: critical point near 240 K, 7 mol/dm3
// (T0 = 240 K, D0 = 10 mol/dm3).
inline Fluid physical_fluid() {
    Fluid f = test_fluid();
    f.Tc = 300.0;
    f.Dc = 8.0;
    return f;
}

inline Params physical_params() {
    Params p;
    p.t = 0.8;
    p.d = 1.25;
    p.alpha = 1.3;
    p.q2 = 0.7;
    p.dp = 2.5;
    return p;
}

// The saturation table of an equation with the critical point (Tc, Dc) at n + 1 temperatures
// evenly spread over tr_low-tr_high Tc, in rising order, each state solved from the one above it
// (starting near Tc); empty when a state is not found.
inline std::vector<SatPoint> saturation_table(const Eos& eos, double Tc, double Dc, double tr_low,
                                              double tr_high, int n) {
    std::vector<SatPoint> table;
    double Dl = 1.5 * Dc, Dv = 0.5 * Dc;
    for (int i = n; i >= 0; --i) {
        const double T = Tc * (tr_low + (tr_high - tr_low) * i / n);
        double ps;
        if (!saturation(eos, T, ps, Dl, Dv)) return {};
        table.insert(table.begin(), {T, ps, Dl, Dv});
    }
    return table;
}

}  // namespace fit::testing_equation
