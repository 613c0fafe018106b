#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <string>

#include "api/facts.h"
#include "api/fluid_impl.h"
#include "api/range_check.h"
#include "api/solve_support.h"
#include "api/table.h"
#include "api/table_location.h"

namespace xalt1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The lowest temperature of every fluid's range, in Tc: max(Ttriple, 0.3 Tc), raised to the
// lowest saturated pair where that lies above it.
constexpr double kLowestChecked = 0.3;
// The pressure of a state found from p meets it to the round-off of a stiff liquid only.
constexpr double kRounding = 1e-9;
// The range of a fluid that the metadata file does not list.
constexpr double kTmaxFallback = 2.0;   // Tmax: 2 Tc
constexpr double kPmaxFallback = 10.0;  // pmax: 10 pc

std::mutex default_table_lock;
std::string default_table_path;  // empty until the first call that needs it looks it up

using detail::exact_text;
using detail::text;

}  // namespace

// ---- Tables ------------------------------------------------------------------------------------

std::string default_table() {
    std::lock_guard<std::mutex> hold(default_table_lock);
    if (default_table_path.empty()) default_table_path = detail::shipped_table();
    return default_table_path;
}

void set_default_table(const std::string& path) {
    std::lock_guard<std::mutex> hold(default_table_lock);
    default_table_path = path;
}

std::string metadata_path(const std::string& table) {
    const std::string suffix = ".tab";
    const bool tab = table.size() >= suffix.size() &&
                     table.compare(table.size() - suffix.size(), suffix.size(), suffix) == 0;
    return (tab ? table.substr(0, table.size() - suffix.size()) : table) + ".fluids.csv";
}

std::vector<FluidInfo> fluids(const std::string& table) {
    const std::string path = table.empty() ? default_table() : table;
    std::vector<FluidInfo> listed;
    // The facts of the equation from each fluid's records.
    for (detail::LoadedFluid& loaded : detail::list_fluids(path)) {
        detail::CallScope scope(loaded.records, detail::next_fluid_id());
        detail::add_facts(loaded.info);
        listed.push_back(loaded.info);
    }
    return listed;
}

uint64_t evaluation_count() {
    return detail::thread_evaluations();
}

// ---- Messages ----------------------------------------------------------------------------------

std::string Fluid::Impl::range_text() const {
    return "the range of " + info.code + ": T from " + exact_text(range.Tmin) + " to " +
           exact_text(range.Tmax) + " K, p up to " + exact_text(range.pmax) + " MPa";
}

void Fluid::Impl::fail(ErrorKind kind, const Asked& asked, const std::string& why) const {
    throw Error(kind, info.code + " at " + asked_text(asked) + ": " + std::string(kind_name(kind)) +
                          ": " + why + " (" + range_text() + ")");
}

namespace {

const char* unit_of(std::string_view quantity, Units units) {
    static const char* const kUnits[][4] = {
        // molar, mass, SI, SI-molar
        {"MPa", "MPa", "Pa", "Pa"},
        {"mol/dm3", "kg/m3", "kg/m3", "mol/m3"},
        {"J/mol", "kJ/kg", "J/kg", "J/mol"},
        {"J/(mol K)", "kJ/(kg K)", "J/(kg K)", "J/(mol K)"},
    };
    const std::size_t u = static_cast<std::size_t>(units);
    if (quantity == "T") return "K";
    if (quantity == "p") return kUnits[0][u];
    if (quantity == "D") return kUnits[1][u];
    if (quantity == "h" || quantity == "u") return kUnits[2][u];
    if (quantity == "s") return kUnits[3][u];
    return "";
}

}  // namespace

std::string named_value(std::string_view name, double v, Units units) {
    const std::string t = std::string(name) + " = " + exact_text(v);
    const std::string unit = unit_of(name, units);
    return unit.empty() ? t : t + " " + unit;
}

std::string Fluid::Impl::asked_text(const Asked& asked) const {
    if (asked.saturation)
        return "saturation " + named_value(asked.by_T ? "T" : "p", asked.a, units);
    const auto [first, second] = input_names(asked.input);
    return named_value(first, asked.a, units) + ", " + named_value(second, asked.b, units);
}

// ---- Inputs and states -------------------------------------------------------------------------

double Fluid::Impl::checked(const Asked& asked, detail::Given given, double v) const {
    using detail::Given;
    const std::string name(given == Given::x ? "x" : std::string(1, "TpDhsux"[int(given)]));
    if (!std::isfinite(v)) fail(ErrorKind::bad_input, asked, "an input is not a finite number");
    const bool positive = given == Given::T || given == Given::p || given == Given::D;
    if (positive && !(v > 0.0)) fail(ErrorKind::bad_input, asked, name + " must be positive");
    if (given == Given::x && !(v >= 0.0 && v <= 1.0))
        fail(ErrorKind::bad_input, asked, "x must lie in [0, 1]");
    const double core = v / factor.of(given);
    if (given == Given::T &&
        (v < range.Tmin * (1.0 - kRounding) || v > range.Tmax * (1.0 + kRounding)))
        fail(ErrorKind::out_of_range, asked, "T outside the fluid's range");
    if (given == Given::p && core > range.pmax * (1.0 + kRounding))
        fail(ErrorKind::out_of_range, asked, "p above the fluid's range");
    if (given == Given::h || given == Given::u) return core - offsets.dh;
    if (given == Given::s) return core - offsets.ds;
    // A value at an end of the range to round-off is that end.
    if (given == Given::T) return std::clamp(core, range.Tmin, range.Tmax);
    if (given == Given::p) return std::min(core, range.pmax);
    return core;
}

// A single-phase state below Tc lies beyond its saturated liquid (denser than Dc) or vapour.
Phase Fluid::Impl::single_phase(const detail::Point& pt) const {
    if (pt.T >= core.Tc) return pt.props.p >= core.pc ? Phase::supercritical : Phase::vapour;
    return pt.D >= core.Dc ? Phase::liquid : Phase::vapour;
}

// Every value of a state from T, D, p, h and s, consistent with each other to round-off.
State Fluid::Impl::state_of_point(const detail::Point& pt, Phase phase, double x) const {
    const StateProperties& r = pt.props;
    const detail::Values v = detail::values_of(pt, offsets);
    const double e = factor.energy;
    const double u = v.h - 1000.0 * v.p / v.D;
    State st;
    st.T = v.T;
    st.p = v.p * factor.p;
    st.D = v.D * factor.D;
    st.h = v.h * e;
    st.s = v.s * e;
    st.u = u * e;
    st.f = (u - v.T * v.s) * e;
    st.g = (v.h - v.T * v.s) * e;
    st.cv = r.cv * e;
    st.cp = r.cp * e;
    st.w = r.w > 0.0 ? r.w : kNaN;
    st.mu_JT = r.mu_JT / factor.p;
    st.kappa_T = r.kappa_T / factor.p;
    st.x = x;
    st.phase = phase;
    return st;
}

// The mixture row of the program: u, h, s, f and the volume linear in x between the saturated
// liquid and the vapour, p and g those of the vapour.
State Fluid::Impl::state_of(const detail::Found& found) const {
    using Kind = detail::Found::Kind;
    const detail::SatPair& pair = found.pair;
    switch (found.kind) {
        case Kind::single:
            return state_of_point(found.point, single_phase(found.point), kNaN);
        case Kind::saturated_liquid: {
            State st = state_of_point(pair.liq, Phase::liquid, 0.0);
            st.p = pair.vap.props.p * factor.p;
            return st;
        }
        case Kind::saturated_vapour:
            return state_of_point(pair.vap, Phase::vapour, 1.0);
        case Kind::mixture:
            break;
    }
    const double x = found.x;
    const State l = state_of_point(pair.liq, Phase::liquid, 0.0);
    State st = state_of_point(pair.vap, Phase::two_phase, x);
    st.u = (1.0 - x) * l.u + x * st.u;
    st.h = (1.0 - x) * l.h + x * st.h;
    st.s = (1.0 - x) * l.s + x * st.s;
    st.f = (1.0 - x) * l.f + x * st.f;
    st.D = 1.0 / ((1.0 - x) / l.D + x / st.D);
    st.cv = st.cp = st.w = st.mu_JT = st.kappa_T = kNaN;
    return st;
}

detail::Found Fluid::Impl::find(Input input, double a, double b, PhaseChoice phase) const {
    const Asked asked{input, a, b};
    const detail::PairRow& row = detail::pair_row(input);
    const double u = checked(asked, row.first, a), v = checked(asked, row.second, b);
    detail::CallScope scope(records, id);
    const detail::Found found = [&] {
        try {
            return row.solve(core, u, v, phase);
        } catch (const Error& e) {
            fail(e.kind(), asked, e.what());
        }
    }();
    if (scope.new_reports() > 0)
        fail(ErrorKind::no_solution, asked, "the equation reported: " + scope.first_new_report());
    const detail::Point& pt =
        found.kind == detail::Found::Kind::mixture ? found.pair.vap : found.point;
    if (found.kind == detail::Found::Kind::single) {
        const StateProperties& r = pt.props;
        if (!(r.dpdD > 0.0 && r.cv > 0.0 && r.cp > 0.0))
            fail(ErrorKind::out_of_range, asked,
                 "the equation gives no stable state there (dp/dD, cv or cp not positive)");
    }
    if (!(pt.props.p > 0.0) || pt.props.p > range.pmax * (1.0 + kRounding))
        fail(ErrorKind::out_of_range, asked,
             "the state's pressure " + exact_text(pt.props.p * factor.p) +
                 " lies outside the fluid's range");
    return found;
}

State Fluid::Impl::solve(Input input, double a, double b, PhaseChoice phase) const {
    return state_of(find(input, a, b, phase));
}

detail::SatPair Fluid::Impl::saturated(const Asked& asked, Fluid::SaturationBy by,
                                       double value) const {
    const bool by_T = by == Fluid::SaturationBy::T;
    const double v = checked(asked, by_T ? detail::Given::T : detail::Given::p, value);
    detail::CallScope scope(records, id);
    try {
        return by_T ? detail::saturation_T(core, v) : detail::saturation_p(core, v);
    } catch (const Error& e) {
        fail(e.kind(), asked, e.what());
    }
}

std::pair<State, State> Fluid::Impl::saturation(Fluid::SaturationBy by, double value) const {
    const bool by_T = by == Fluid::SaturationBy::T;
    const detail::SatPair pair = saturated(Asked{Input::TD, value, 0.0, true, by_T}, by, value);
    return {state_of(detail::on_pair(pair, 0.0)), state_of(detail::on_pair(pair, 1.0))};
}

// ---- Loading -----------------------------------------------------------------------------------

namespace {

// The shift that puts the reference state where `ref` asks (molar units of the core).
detail::Offsets reference_offsets(const Fluid::Impl& m, const Reference& ref) {
    using Kind = Reference::Kind;
    const double M = m.info.M;
    const auto at_liquid = [&](Fluid::SaturationBy by, double value, double h, double s) {
        const bool by_T = by == Fluid::SaturationBy::T;
        const Fluid::Impl::Asked asked{Input::TD, value, 0.0, true, by_T};
        const detail::SatPair pair = m.saturated(asked, by, value * (by_T ? 1.0 : m.factor.p));
        return detail::Offsets{h - pair.liq.props.h, s - pair.liq.props.s};
    };
    switch (ref.kind) {
        case Kind::table:
            return {};
        case Kind::IIR:
            return at_liquid(Fluid::SaturationBy::T, 273.15, 200.0 * M, M);
        case Kind::ASHRAE:
            return at_liquid(Fluid::SaturationBy::T, 233.15, 0.0, 0.0);
        case Kind::NBP:
            return at_liquid(Fluid::SaturationBy::p, 0.101325, 0.0, 0.0);
        case Kind::state:
            break;
    }
    const detail::Found found = m.find(Input::TD, ref.T, ref.D, PhaseChoice::any);
    if (found.kind == detail::Found::Kind::mixture)
        throw Error(ErrorKind::not_a_state,
                    m.info.code + ": the reference state (T, D) lies inside the saturation dome");
    const double e = m.factor.energy;
    return {ref.h / e - found.point.props.h, ref.s / e - found.point.props.s};
}

// The range the metadata file gives (else 2 Tc and 10 pc), shrunk to where the equation is
// physical; the saturation curve ends where the range does.
void honour_range(Fluid::Impl& m) {
    const FluidInfo& info = m.info;
    const double Tmax = info.Tmax > m.curve.Tmin() ? info.Tmax : kTmaxFallback * info.Tc;
    const double pmax = info.pmax > 0.0 ? info.pmax : kPmaxFallback * info.pc;
    const detail::HonouredRange honoured =
        detail::honoured_range(m.curve, info.Tc, info.pc, Tmax, pmax);
    if (!(honoured.Tmin < 0.9 * info.Tc))
        throw Error(ErrorKind::no_solution, info.code + ": the equation of the table " + m.table +
                                                " gives no physical liquid below 0.9 Tc");
    if (honoured.Tmin > m.curve.Tmin()) m.curve.raise_Tmin(honoured.Tmin);
    m.range = {honoured.Tmin, honoured.Tmax, honoured.pmax};
}

void load(Fluid::Impl& m, const std::string& code, const std::string& table,
          const Options& options) {
    m.table = table.empty() ? default_table() : table;
    m.units = options.units;
    detail::LoadedFluid loaded = detail::load_fluid(m.table, code);
    m.records = loaded.records;
    m.info = loaded.info;
    m.id = detail::next_fluid_id();
    const FluidInfo& info = m.info;
    m.factor = unit_factors(m.units, info.M);
    // The table's equation is checked from max(Ttriple, 0.3 Tc) on (docs/accuracy.md); below,
    // its compressed liquid can turn unphysical.
    const double checked = kLowestChecked * info.Tc;
    const double T_low = info.Ttriple > checked && info.Ttriple < info.Tc ? info.Ttriple : checked;
    {
        detail::CallScope scope(m.records, m.id);
        if (!m.curve.build(T_low))
            throw Error(
                ErrorKind::no_solution,
                info.code + ": no saturated pair of the equation below Tc (table " + m.table + ")");
        detail::add_facts(m.info);
        m.core.Tc = info.Tc;
        m.core.Dc = info.Dc;
        detail::set_ideal_gas(m.core);
        honour_range(m);
    }
    m.core.curve = &m.curve;
    m.core.Tmin = m.range.Tmin;
    m.core.Tmax = m.range.Tmax;
    m.core.pmax = m.range.pmax;
    m.core.Tc = info.Tc;
    m.core.pc = info.pc;
    m.core.Dc = info.Dc;
    m.reference = options.reference;
    m.offsets = reference_offsets(m, options.reference);
}

}  // namespace

Fluid::Fluid(const std::string& code, const std::string& table, Units units)
    : Fluid(code, table, Options{units, {}}) {}

Fluid::Fluid(const std::string& code, const std::string& table, const Options& options)
    : impl_(std::make_unique<Impl>()) {
    load(*impl_, code, table, options);
}

Fluid::~Fluid() = default;
Fluid::Fluid(Fluid&&) noexcept = default;
Fluid& Fluid::operator=(Fluid&&) noexcept = default;

const FluidInfo& Fluid::info() const {
    return impl_->info;
}

Units Fluid::units() const {
    return impl_->units;
}

const Reference& Fluid::reference() const {
    return impl_->reference;
}

const std::string& Fluid::table() const {
    return impl_->table;
}

Range Fluid::range() const {
    return impl_->range;
}

State Fluid::critical() const {
    const Impl& m = *impl_;
    detail::CallScope scope(m.records, m.id);
    detail::Point pt;
    detail::evaluate(m.info.Tc, m.info.Dc, pt);
    State st = m.state_of_point(pt, Phase::supercritical, kNaN);
    st.p = m.info.pc * m.factor.p;
    st.cp = st.w = st.mu_JT = st.kappa_T = kNaN;
    return st;
}

State Fluid::state(Input input, double first, double second, PhaseChoice phase) const {
    return impl_->solve(input, first, second, phase);
}

std::pair<State, State> Fluid::saturation_T(double T) const {
    return impl_->saturation(SaturationBy::T, T);
}

std::pair<State, State> Fluid::saturation_p(double p) const {
    return impl_->saturation(SaturationBy::p, p);
}

Fluid::BuildCost Fluid::build_cost() const {
    return {impl_->curve.solves(), impl_->curve.evaluations()};
}

}  // namespace xalt1
