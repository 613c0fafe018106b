// The states of a mixture: by an input pair, its bubble and dew points, and many at once.
#include <cmath>
#include <limits>

#include "api/mixture_impl.h"

namespace xalt1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRounding = 1e-9;
constexpr int kDensitySearchSteps = 100;

// The model's properties of composition w at (T, D), a stable state.
StateProperties properties_of(const detail::MixtureModel& model, const std::vector<double>& w,
                              double T, double D) {
    StateProperties r;
    if (!model.properties(w.data(), T, D, r))
        throw Error(ErrorKind::no_solution, "the equation gives no properties at this state");
    if (!(r.dpdD > 0.0) || !(r.cv > 0.0) || !(r.cp > 0.0))
        throw Error(ErrorKind::no_solution, "the state is not stable (dp/dD, cv or cp)");
    return r;
}

}  // namespace

// Molar properties (core units) as a State in the units of the factors.
MixtureState state_of_properties(const StateProperties& r, double T, double D,
                                 const UnitFactors& f) {
    MixtureState st;
    st.T = T;
    st.p = r.p * f.p;
    st.D = D * f.D;
    st.u = r.u * f.energy;
    st.h = r.h * f.energy;
    st.s = r.s * f.energy;
    st.cv = r.cv * f.energy;
    st.cp = r.cp * f.energy;
    st.f = r.f * f.energy;
    st.g = r.g * f.energy;
    st.w = r.w > 0.0 ? r.w : kNaN;
    st.mu_JT = r.mu_JT / f.p;
    st.kappa_T = r.kappa_T / f.p;
    st.x = kNaN;
    return st;
}

MixtureState Mixture::Impl::single(const std::vector<double>& w, double T, double D,
                                   bool liquid) const {
    const StateProperties r = properties_of(*model, w, T, D);
    MixtureState st = state_of_properties(r, T, D, factors(w));
    st.phase = liquid ? Phase::liquid : Phase::vapour;
    // Of the mixture's own composition, a state at or above its critical T and p.
    if (w == z) {
        const auto& c = critical();
        if (c && T >= c->T && r.p >= c->p) st.phase = Phase::supercritical;
    }
    st.z = w;
    return st;
}

const std::optional<detail::CriticalState>& Mixture::Impl::critical() const {
    std::call_once(critical_once, [this] {
        try {
            critical_point = detail::mixture_critical(*model, pure, z);
        } catch (const Error&) {
            critical_point.reset();
        }
    });
    return critical_point;
}

// A flash's result: one phase, or the two phases' amounts in proportion to the vapour fraction
// (u, h, s, f, g and the volume), in the units of the feed's molar mass.
MixtureState Mixture::Impl::of_flash(const detail::Flash& f) const {
    const detail::PhaseSplit& s = f.split;
    if (!f.two_phase) {
        MixtureState st = single(z, s.T, s.Dliq, f.beta == 0.0);
        st.p = s.p * factors(z).p;  // the pressure asked for, not its round-off
        return st;
    }
    const double beta = f.beta, rest = 1.0 - beta;
    const StateProperties l = properties_of(*model, s.x, s.T, s.Dliq);
    const StateProperties v = properties_of(*model, s.y, s.T, s.Dvap);
    StateProperties mixed = v;
    for (auto field : {&StateProperties::u, &StateProperties::h, &StateProperties::s,
                       &StateProperties::f, &StateProperties::g})
        mixed.*field = rest * l.*field + beta * v.*field;
    mixed.p = s.p;
    const double D = 1.0 / (rest / s.Dliq + beta / s.Dvap);
    MixtureState st = state_of_properties(mixed, s.T, D, factors(z));
    st.cv = st.cp = st.w = st.mu_JT = st.kappa_T = kNaN;
    const bool by_mass = units == Units::mass || units == Units::SI;
    st.x = by_mass ? beta * molar_mass(s.y) / molar_mass(z) : beta;
    st.phase = Phase::two_phase;
    st.z = z;
    st.liquid = s.x;
    st.vapour = s.y;
    return st;
}

// The two phases of a bubble or dew point, each with its own composition.
std::pair<MixtureState, MixtureState> Mixture::Impl::of_split(const detail::PhaseSplit& s) const {
    MixtureState l = single(s.x, s.T, s.Dliq, true), v = single(s.y, s.T, s.Dvap, false);
    l.p = v.p = s.p * factors(z).p;
    l.phase = Phase::liquid;  // coexisting phases, whatever their T and p
    v.phase = Phase::vapour;
    l.x = 0.0;
    v.x = 1.0;
    return {l, v};
}

// The state of z at (T, D): one phase where the (T, p) flash at the pressure of (T, D) finds
// it at this density; else two, at the pressure between the dew and the bubble point whose
// flash has the density D (the density of a split rises with p at constant T).
detail::Flash Mixture::Impl::at_TD(double T, double D) const {
    double p = 0, slope = 0;
    if (model->pressure(z.data(), T, D, p, slope) && p > 0.0 && slope > 0.0) {
        const detail::Flash f = detail::flash_Tp(*model, pure, z, T, p, series);
        if (!f.two_phase && std::fabs(f.split.Dliq / D - 1.0) < 1e-9) return f;
    }
    const auto density = [](const detail::Flash& f) {
        const detail::PhaseSplit& s = f.split;
        return f.two_phase ? 1.0 / ((1.0 - f.beta) / s.Dliq + f.beta / s.Dvap) : s.Dliq;
    };
    double lo = detail::dew_at_T(*model, pure, z, T, series).p;
    double hi = detail::bubble_at_T(*model, pure, z, T, series).p;
    double f_lo = std::log(density(detail::flash_Tp(*model, pure, z, T, lo, series)) / D);
    double f_hi = std::log(density(detail::flash_Tp(*model, pure, z, T, hi, series)) / D);
    if (!(f_lo <= 0.0 && f_hi >= 0.0))
        throw Error(ErrorKind::no_solution,
                    "no state of this density between the dew and the "
                    "bubble point");
    int side = 0;
    for (int k = 0; k < kDensitySearchSteps; ++k) {
        const double p_next = hi - f_hi * (hi - lo) / (f_hi - f_lo);
        const detail::Flash f = detail::flash_Tp(*model, pure, z, T, p_next, series);
        const double f_next = std::log(density(f) / D);
        if (std::fabs(f_next) < 1e-12 || hi - lo < 1e-13 * hi) return f;
        if (f_next > 0.0) {
            hi = p_next, f_hi = f_next;
            if (side == 1) f_lo *= 0.5;
            side = 1;
        } else {
            lo = p_next, f_lo = f_next;
            if (side == -1) f_hi *= 0.5;
            side = -1;
        }
    }
    throw Error(ErrorKind::no_solution,
                "the search for the pressure of this density does not "
                "settle");
}

MixtureState Mixture::Impl::solve(Input input, double a, double b) const {
    // The text of what was asked is made only for an error.
    const auto refuse = [&](ErrorKind kind, const std::string& why) {
        fail_input(input, a, b, kind, why);
    };
    const UnitFactors f = factors(z);
    const auto [first, second] = input_names(input);
    for (const auto& [name, v] : {std::pair{first, a}, std::pair{second, b}}) {
        if (!std::isfinite(v)) refuse(ErrorKind::bad_input, "an input is not a finite number");
        if ((name == "T" || name == "p" || name == "D") && !(v > 0.0))
            refuse(ErrorKind::bad_input, std::string(name) + " must be positive");
        if (name == "T" && (v < range.Tmin * (1 - kRounding) || v > range.Tmax * (1 + kRounding)))
            refuse(ErrorKind::out_of_range, "T outside the mixture's range");
        if (name == "p" && v / f.p > range.pmax * (1 + kRounding))
            refuse(ErrorKind::out_of_range, "p above the mixture's range");
    }
    try {
        switch (input) {
            case Input::Tp:
                return of_flash(detail::flash_Tp(*model, pure, z, a, b / f.p, series));
            case Input::ph:
                return of_flash(detail::flash_ph(*model, pure, z, a / f.p, b / f.energy, series,
                                                 {range.Tmin, range.Tmax}));
            case Input::ps:
                return of_flash(detail::flash_ps(*model, pure, z, a / f.p, b / f.energy, series,
                                                 {range.Tmin, range.Tmax}));
            case Input::TD:
                return of_flash(at_TD(a, b / f.D));
            case Input::Tx:
            case Input::px:
                if (b != 0.0 && b != 1.0) break;
                {
                    const auto [l, v] = saturated(b == 0.0, input == Input::Tx, a);
                    return b == 0.0 ? l : v;
                }
            default:
                break;
        }
    } catch (const Error& e) {
        refuse(e.kind(), e.what());
    }
    fail_input(
        input, a, b, ErrorKind::not_a_state,
        "a mixture's states are given by (T, p), (p, h), (p, s), (T, D), and (T, x) or (p, x) "
        "with x = 0 (the bubble point) or 1 (the dew point)");
}

// The bubble (the liquid of composition z) or the dew point (its vapour) at T or p (in the
// mixture's units).
std::pair<MixtureState, MixtureState> Mixture::Impl::saturated(bool bubble, bool by_T,
                                                               double v) const {
    const double core = by_T ? v : v / factors(z).p;
    const detail::PhaseSplit s = by_T ? (bubble ? detail::bubble_at_T(*model, pure, z, core, series)
                                                : detail::dew_at_T(*model, pure, z, core, series))
                                      : (bubble ? detail::bubble_at_p(*model, pure, z, core, series)
                                                : detail::dew_at_p(*model, pure, z, core, series));
    auto result = of_split(s);
    if (!by_T) result.first.p = result.second.p = v;
    return result;
}

MixtureState Mixture::state(Input input, double first, double second) const {
    return impl_->solve(input, first, second);
}

namespace {

std::pair<MixtureState, MixtureState> saturation_call(const Mixture::Impl& m, bool bubble,
                                                      bool by_T, double v) {
    const std::string asked = std::string(bubble ? "bubble point " : "dew point ") +
                              named_value(by_T ? "T" : "p", v, m.units);
    if (!std::isfinite(v) || !(v > 0.0))
        m.fail(ErrorKind::bad_input, asked, "the input must be a positive number");
    if (by_T && (v < m.range.Tmin * (1 - kRounding) || v > m.range.Tmax * (1 + kRounding)))
        m.fail(ErrorKind::out_of_range, asked, "T outside the mixture's range");
    try {
        return m.saturated(bubble, by_T, v);
    } catch (const Error& e) {
        m.fail(e.kind(), asked, e.what());
    }
}

}  // namespace

std::pair<MixtureState, MixtureState> Mixture::bubble_T(double T) const {
    return saturation_call(*impl_, true, true, T);
}
std::pair<MixtureState, MixtureState> Mixture::bubble_p(double p) const {
    return saturation_call(*impl_, true, false, p);
}
std::pair<MixtureState, MixtureState> Mixture::dew_T(double T) const {
    return saturation_call(*impl_, false, true, T);
}
std::pair<MixtureState, MixtureState> Mixture::dew_p(double p) const {
    return saturation_call(*impl_, false, false, p);
}

// ---- Many states -------------------------------------------------------------------------------

namespace {

void put_composition(double* column, std::size_t i, const std::vector<double>& w, std::size_t n) {
    if (column == nullptr) return;
    for (std::size_t k = 0; k < n; ++k) column[i * n + k] = w.empty() ? kNaN : w[k];
}

}  // namespace

std::size_t Mixture::states(Input input, Column first, Column second, std::size_t n,
                            const MixtureOutputs& out) const {
    std::size_t failed = 0;
    const std::size_t c = impl_->codes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto at = [i](Column col) {
            return col.data[static_cast<std::ptrdiff_t>(i) * col.stride];
        };
        MixtureState st;
        std::string why;
        try {
            st = state(input, at(first), at(second));
        } catch (const Error& e) {
            why = e.what();
        }
        const bool ok = why.empty();
        failed += ok ? 0 : 1;
        for (std::size_t q = 0; q < QUANTITY_COUNT; ++q)
            if (double* col = out.column(static_cast<Quantity>(q)))
                col[i] = ok ? value_of(st, static_cast<Quantity>(q)) : kNaN;
        if (out.phase != nullptr) out.phase[i] = ok ? static_cast<int8_t>(st.phase) : int8_t{-1};
        if (out.error != nullptr) out.error[i] = why;
        put_composition(out.z, i, ok ? st.z : std::vector<double>{}, c);
        put_composition(out.liquid, i, ok ? st.liquid : std::vector<double>{}, c);
        put_composition(out.vapour, i, ok ? st.vapour : std::vector<double>{}, c);
    }
    return failed;
}

}  // namespace xalt1
