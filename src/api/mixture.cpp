// A mixture for code: its components loaded from one table, the fractions checked and turned
// into mole fractions, the pairs' parameters from the binary file, and every call brought to the
// core's molar units, solved by the one-fluid model's phase equilibrium and brought back.
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

#include "api/binary_pairs.h"
#include "api/fluid_impl.h"
#include "api/mixture_envelope.h"
#include "api/mixture_model.h"
#include "api/mixture_vle.h"
#include "api/solve_support.h"
#include "api/table.h"
#include "api/xalt1.h"

namespace xalt1 {

using detail::exact_text;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSumTolerance = 1e-9;
constexpr double kRounding = 1e-9;
constexpr int kDensitySearchSteps = 100;

[[noreturn]] void refuse(const std::string& why) {
    throw Error(ErrorKind::bad_input, why);
}

std::string fractions_text(const std::vector<Component>& components) {
    std::string t;
    for (const Component& c : components)
        t += (t.empty() ? "" : ", ") + c.code + " " + exact_text(c.fraction);
    return t;
}

// The fractions checked: at least one component, none twice, each finite and >= 0, summing to
// 1 within round-off.
void check_fractions(const std::vector<Component>& components) {
    if (components.empty()) refuse("a mixture needs at least one component");
    double sum = 0;
    for (const Component& c : components) {
        if (!std::isfinite(c.fraction) || c.fraction < 0.0)
            refuse("the fraction of " + c.code + " is " + exact_text(c.fraction) +
                   ": fractions must be finite and not negative (" + fractions_text(components) +
                   ")");
        sum += c.fraction;
    }
    if (std::fabs(sum - 1.0) > kSumTolerance)
        refuse("the fractions sum to " + exact_text(sum) + ", not 1 (" +
               fractions_text(components) + ")");
}

}  // namespace

struct Mixture::Impl {
    std::string name, table;
    Units units = Units::molar;
    std::vector<std::string> codes;
    std::vector<double> z, M;  // mole fractions, molar masses
    std::vector<Range> ranges;
    std::vector<BinaryInfo> binary;
    std::vector<detail::CriticalConstants> pure;
    std::vector<Fluid> fluids;                     // the components, for their series
    std::vector<detail::SaturationSource> series;  // their saturation series, the solvers' starts
    std::unique_ptr<detail::MixtureModel> model;
    Range range;
    // The critical point of z in core units, found at the first call that needs it (none where
    // the search fails).
    mutable std::once_flag critical_once;
    mutable std::optional<detail::CriticalState> critical_point;
    const std::optional<detail::CriticalState>& critical() const;

    double molar_mass(const std::vector<double>& w) const {
        double sum = 0;
        for (std::size_t i = 0; i < w.size(); ++i) sum += w[i] * M[i];
        return sum;
    }
    UnitFactors factors(const std::vector<double>& w) const {
        return unit_factors(units, molar_mass(w));
    }

    [[noreturn]] void fail(ErrorKind kind, const std::string& asked, const std::string& why) const {
        throw Error(kind, name + " at " + asked + ": " + std::string(kind_name(kind)) + ": " + why +
                              " (the range of " + name + ": T from " + detail::text(range.Tmin) +
                              " to " + detail::text(range.Tmax) + " K, p up to " +
                              detail::text(range.pmax) + " MPa)");
    }

    [[noreturn]] void fail_input(Input input, double a, double b, ErrorKind kind,
                                 const std::string& why) const {
        fail(kind, asked_text(input, a, b), why);
    }

    std::string asked_text(Input input, double a, double b) const {
        const auto [first, second] = input_names(input);
        return named_value(first, a, units) + ", " + named_value(second, b, units);
    }

    MixtureState single(const std::vector<double>& w, double T, double D, bool liquid) const;
    MixtureState at_critical(double T, double D, double p) const;
    EnvelopePoint envelope_point(const detail::EnvelopePoint& pt) const;
    MixtureState of_flash(const detail::Flash& f) const;
    std::pair<MixtureState, MixtureState> of_split(const detail::PhaseSplit& s) const;
    detail::Flash at_TD(double T, double D) const;
    MixtureState solve(Input input, double a, double b) const;
    std::pair<MixtureState, MixtureState> saturated(bool bubble, bool by_T, double v) const;
};

namespace {

void load_components(Mixture::Impl& m, const std::vector<Component>& given, Basis basis) {
    std::vector<double> amounts;
    for (const Component& c : given) {
        Fluid fluid(c.code, m.table);
        const FluidInfo& info = fluid.info();
        if (std::find(m.codes.begin(), m.codes.end(), info.code) != m.codes.end())
            refuse(info.code + " is given twice (" + fractions_text(given) + ")");
        m.codes.push_back(info.code);
        m.M.push_back(info.M);
        m.ranges.push_back(fluid.range());
        m.pure.push_back({info.Tc, info.pc, info.acentric, fluid.range().Tmin});
        amounts.push_back(basis == Basis::mass ? c.fraction / info.M : c.fraction);
        m.fluids.push_back(std::move(fluid));
    }
    for (const Fluid& fluid : m.fluids) m.series.push_back(detail::series_source(fluid));
    double total = 0;
    for (double a : amounts) total += a;
    for (double a : amounts) m.z.push_back(a / total);
}

// Each pair's parameters: the binary file's, else the rule's for the two fluids' classes.
void load_pairs(Mixture::Impl& m, const std::string& pairs) {
    const std::vector<detail::BinaryPair> file =
        detail::read_binary_pairs(pairs.empty() ? detail::binary_pairs_path(m.table) : pairs);
    const std::vector<detail::RuleLine> rule =
        detail::read_binary_rule(detail::binary_rule_path(m.table));
    std::vector<detail::LoadedFluid> loaded;
    for (const std::string& code : m.codes) loaded.push_back(detail::load_fluid(m.table, code));
    const std::size_t n = m.codes.size();
    std::vector<std::vector<detail::BinaryParameters>> k(n,
                                                         std::vector<detail::BinaryParameters>(n));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            detail::BinaryPair p = detail::predicted_pair(rule, loaded[i].info.fluid_class,
                                                          loaded[j].info.fluid_class);
            for (const detail::BinaryPair& listed : file)
                if ((listed.a == m.codes[i] && listed.b == m.codes[j]) ||
                    (listed.a == m.codes[j] && listed.b == m.codes[i]))
                    p = listed;
            k[i][j] = k[j][i] = {p.xi, p.eta};
            m.binary.push_back({m.codes[i], m.codes[j], p.xi, p.eta, p.source});
        }
    std::vector<detail::Records> records;
    for (const detail::LoadedFluid& fluid : loaded) records.push_back(fluid.records);
    m.model = std::make_unique<detail::MixtureModel>(records, k);
}

void set_range(Mixture::Impl& m) {
    m.range = {0.0, 0.0, std::numeric_limits<double>::infinity()};
    for (std::size_t i = 0; i < m.z.size(); ++i) {
        m.range.Tmin += m.z[i] * m.ranges[i].Tmin;
        m.range.Tmax += m.z[i] * m.ranges[i].Tmax;
        if (m.z[i] > 0.0) m.range.pmax = std::min(m.range.pmax, m.ranges[i].pmax);
    }
}

}  // namespace

Mixture::Mixture(const std::vector<Component>& components, Basis basis, const std::string& table,
                 Units units, const std::string& pairs)
    : impl_(std::make_unique<Impl>()) {
    check_fractions(components);
    Impl& m = *impl_;
    m.table = table.empty() ? default_table() : table;
    m.units = units;
    load_components(m, components, basis);
    for (const std::string& code : m.codes) m.name += (m.name.empty() ? "" : "/") + code;
    load_pairs(m, pairs);
    set_range(m);
}

Mixture::Mixture(const Blend& blend, const std::string& table, Units units,
                 const std::string& pairs)
    : Mixture(blend.components, blend.basis, table, units, pairs) {
    impl_->name = blend.name;
}

Mixture::~Mixture() = default;
Mixture::Mixture(Mixture&&) noexcept = default;
Mixture& Mixture::operator=(Mixture&&) noexcept = default;

const std::vector<std::string>& Mixture::components() const {
    return impl_->codes;
}
const std::vector<double>& Mixture::z() const {
    return impl_->z;
}
double Mixture::molar_mass() const {
    return impl_->molar_mass(impl_->z);
}
Units Mixture::units() const {
    return impl_->units;
}
const std::string& Mixture::table() const {
    return impl_->table;
}
const std::string& Mixture::name() const {
    return impl_->name;
}
std::vector<BinaryInfo> Mixture::binary() const {
    return impl_->binary;
}
Range Mixture::range() const {
    return impl_->range;
}

// ---- States ------------------------------------------------------------------------------------

namespace {

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

// Molar properties (core units) as a State in the units of the factors.
MixtureState state_of(const StateProperties& r, double T, double D, const UnitFactors& f) {
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

}  // namespace

MixtureState Mixture::Impl::single(const std::vector<double>& w, double T, double D,
                                   bool liquid) const {
    const StateProperties r = properties_of(*model, w, T, D);
    MixtureState st = state_of(r, T, D, factors(w));
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
    MixtureState st = state_of(mixed, s.T, D, factors(z));
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

// ---- Envelope and critical point ---------------------------------------------------------------

// The critical state: the model's properties at (T, D) without the stability check (dp/dD
// vanishes there), the derivatives that diverge NaN.
MixtureState Mixture::Impl::at_critical(double T, double D, double p) const {
    StateProperties r;
    if (!model->properties(z.data(), T, D, r))
        throw Error(ErrorKind::no_solution,
                    "the equation gives no properties at the critical point");
    MixtureState st = state_of(r, T, D, factors(z));
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
