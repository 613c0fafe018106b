// The curves of a mixture: its phase envelope and critical point, and the p-x-y and T-x-y
// diagrams of a binary.
#include <cmath>
#include <limits>

#include "api/mixture_impl.h"

namespace xalt1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// ---- Envelope and critical point ---------------------------------------------------------------

// The critical state: the model's properties at (T, D) without the stability check (dp/dD
// vanishes there), the derivatives that diverge NaN.
MixtureState Mixture::Impl::at_critical(double T, double D, double p) const {
    StateProperties r;
    if (!model->properties(z.data(), T, D, r))
        throw Error(ErrorKind::no_solution,
                    "the equation gives no properties at the critical point");
    MixtureState st = state_of_properties(r, T, D, factors(z));
    st.p = p * factors(z).p;
    st.cp = st.w = st.mu_JT = st.kappa_T = kNaN;
    st.phase = Phase::supercritical;
    st.z = z;
    return st;
}

EnvelopePoint Mixture::Impl::envelope_point(const detail::EnvelopePoint& pt) const {
    detail::PhaseSplit split;
    split.T = pt.T;
    split.p = pt.p;
    split.x = pt.bubble ? z : pt.incipient;
    split.y = pt.bubble ? pt.incipient : z;
    split.Dliq = pt.Dliq;
    split.Dvap = pt.Dvap;
    auto [liquid, vapour] = of_split(split);
    return {liquid, vapour, pt.bubble};
}

MixtureEnvelope Mixture::envelope() const {
    const Impl& m = *impl_;
    try {
        const detail::Envelope e = detail::phase_envelope(*m.model, m.pure, m.z, m.range.Tmin);
        MixtureEnvelope out;
        for (const detail::EnvelopePoint& pt : e.points) {
            try {
                out.points.push_back(m.envelope_point(pt));
            } catch (const Error&) {
                // A phase next to the critical point whose properties the equation refuses.
            }
        }
        out.critical = m.at_critical(e.critical.T, e.critical.Dliq, e.critical.p);
        out.cricondenbar = m.envelope_point(e.cricondenbar);
        out.cricondentherm = m.envelope_point(e.cricondentherm);
        return out;
    } catch (const Error& e) {
        throw Error(e.kind(), m.name + ": " + e.what());
    }
}

MixtureState Mixture::critical() const {
    const Impl& m = *impl_;
    const auto& c = m.critical();
    if (!c)
        throw Error(ErrorKind::no_solution,
                    m.name +
                        ": critical point: the search finds no state where the mixture's "
                        "stability limit and its cubic form vanish");
    return m.at_critical(c->T, c->D, c->p);
}

// ---- Diagrams of a binary
// ------------------------------------------------------------------------

namespace {

BinaryDiagram diagram_of(const detail::BinaryDiagram& d, bool by_T, double p_factor) {
    const auto value = [&](const detail::PhaseSplit& s) { return by_T ? s.p * p_factor : s.T; };
    BinaryDiagram out;
    for (const detail::PhaseSplit& s : d.bubble) {
        out.bubble_x.push_back(s.x[0]);
        out.bubble_y.push_back(s.y[0]);
        out.bubble_value.push_back(value(s));
    }
    for (const detail::PhaseSplit& s : d.dew) {
        out.dew_x.push_back(s.x[0]);
        out.dew_y.push_back(s.y[0]);
        out.dew_value.push_back(value(s));
    }
    out.critical_x = d.ends_at_critical ? d.critical_x : kNaN;
    out.critical_value =
        d.ends_at_critical ? (by_T ? d.critical.p * p_factor : d.critical.T) : kNaN;
    return out;
}

BinaryDiagram binary_diagram(const Mixture::Impl& m, bool by_T, double value, int n) {
    const std::string asked = named_value(by_T ? "T" : "p", value, m.units) +
                              (by_T ? " (p-x-y diagram)" : " (T-x-y diagram)");
    if (m.codes.size() != 2)
        m.fail(ErrorKind::bad_input, asked, "a diagram of fractions is a binary mixture's");
    if (n < 2 || n > 10000)
        m.fail(ErrorKind::bad_input, asked, "the number of compositions must be 2 to 10000");
    if (!std::isfinite(value) || !(value > 0.0))
        m.fail(ErrorKind::bad_input, asked, "the input must be a positive number");
    const double p_factor = unit_factors(m.units, 1.0).p;
    try {
        return diagram_of(by_T ? detail::pxy_diagram(*m.model, m.pure, value, n)
                               : detail::txy_diagram(*m.model, m.pure, value / p_factor, n),
                          by_T, p_factor);
    } catch (const Error& e) {
        m.fail(e.kind(), asked, e.what());
    }
}

}  // namespace

BinaryDiagram Mixture::pxy(double T, int n) const {
    return binary_diagram(*impl_, true, T, n);
}
BinaryDiagram Mixture::txy(double p, int n) const {
    return binary_diagram(*impl_, false, p, n);
}

}  // namespace xalt1
