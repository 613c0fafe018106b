// The p-x-y and T-x-y diagrams of a binary: bubble and dew points over the composition at one
// temperature or pressure, ending at the mixture's critical point where that lies above one
// component's critical temperature or pressure.
#include <cmath>
#include <string>

#include "api/mixture_envelope.h"
#include "api/solve_support.h"
#include "api/xalt1.h"

namespace xalt1::detail {

namespace {

// What the diagram holds: the temperature (p-x-y) or the pressure (T-x-y).
struct Held {
    bool temperature = true;
    double value = 0;
    double of(const CriticalConstants& c) const { return temperature ? c.Tc : c.pc; }
    double of(const CriticalState& c) const { return temperature ? c.T : c.p; }
};

// The first component's fraction at which the mixture's critical temperature (pressure) is the
// held value, between the pure components' (one above it, one below): Illinois steps, each a
// critical point.
double critical_fraction(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                         Held held, CriticalState& critical) {
    const auto excess = [&](double x) {
        critical = mixture_critical(m, pure, {x, 1.0 - x});
        return held.of(critical) - held.value;
    };
    // At x = 0 the mixture is the second component.
    const double x = illinois(excess, 0.0, 1.0, held.of(pure[1]) - held.value,
                              held.of(pure[0]) - held.value, 1e-10);
    excess(x);
    return x;
}

// The split of z: Newton steps from the last composition's split where there is one, else
// successive substitution from Wilson's K-values.
PhaseSplit split_at(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                    const std::vector<double>& z, Held held, bool bubble,
                    const std::vector<PhaseSplit>& done) {
    PhaseSplit s;
    if (!done.empty() && split_near(m, z, done.back(), bubble, held.temperature, held.value, s))
        return s;
    if (held.temperature)
        return bubble ? bubble_at_T(m, pure, z, held.value) : dew_at_T(m, pure, z, held.value);
    return bubble ? bubble_at_p(m, pure, z, held.value) : dew_at_p(m, pure, z, held.value);
}

BinaryDiagram diagram(const MixtureModel& m, const std::vector<CriticalConstants>& pure, Held held,
                      int n) {
    if (m.size() != 2 || pure.size() != 2)
        fail(ErrorKind::bad_input, "a p-x-y or T-x-y diagram is one of a binary");
    if (n < 2 || !(held.value > 0.0) || !std::isfinite(held.value))
        fail(ErrorKind::bad_input, "a diagram needs two compositions or more at a positive value");
    const bool above_first = held.value >= held.of(pure[0]);
    const bool above_second = held.value >= held.of(pure[1]);
    if (above_first && above_second)
        fail(ErrorKind::no_solution, std::string("no bubble or dew point of the binary above "
                                                 "both components' critical ") +
                                         (held.temperature ? "temperatures" : "pressures"));
    BinaryDiagram d;
    d.ends_at_critical = above_first || above_second;
    if (d.ends_at_critical) d.critical_x = critical_fraction(m, pure, held, d.critical);
    for (int k = 0; k < n; ++k) {
        const double x = static_cast<double>(k) / (n - 1);
        // The compositions beyond the critical end have no split.
        if ((above_first && x >= d.critical_x) || (above_second && x <= d.critical_x)) continue;
        for (bool bubble : {true, false}) {
            std::vector<PhaseSplit>& done = bubble ? d.bubble : d.dew;
            try {
                done.push_back(split_at(m, pure, {x, 1.0 - x}, held, bubble, done));
            } catch (const Error&) {
                // In a diagram that ends at a critical point, a point next to that end which
                // neither solve reaches is left out; elsewhere the diagram fails with it.
                if (!d.ends_at_critical) throw;
            }
        }
    }
    return d;
}

}  // namespace

BinaryDiagram pxy_diagram(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                          double T, int n) {
    return diagram(m, pure, {true, T}, n);
}

BinaryDiagram txy_diagram(const MixtureModel& m, const std::vector<CriticalConstants>& pure,
                          double p, int n) {
    return diagram(m, pure, {false, p}, n);
}

}  // namespace xalt1::detail
