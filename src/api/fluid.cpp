#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <string>

#include "api/engine.h"
#include "api/saturation.h"
#include "api/solve.h"
#include "api/table.h"
#include "api/xalt1.h"

#ifndef XALT1_DEFAULT_TABLE
#define XALT1_DEFAULT_TABLE "x_rstoff.tab"
#endif

namespace xalt1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The lowest temperature of every fluid's range, in Tc: max(Ttriple, 0.3 Tc), raised to the
// lowest saturated pair where that lies above it.
constexpr double kLowestChecked = 0.3;
constexpr double kRounding = 1e-12;
// The range of a fluid that the metadata file does not list.
constexpr double kTmaxFallback = 2.0;   // Tmax: 2 Tc
constexpr double kPmaxFallback = 10.0;  // pmax: 10 pc

std::mutex default_table_lock;
std::string default_table_path = XALT1_DEFAULT_TABLE;

std::string text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

}  // namespace

// ---- Names
// ---------------------------------------------------------------------------------------

std::string_view kind_name(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::unknown_fluid:
            return "unknown fluid";
        case ErrorKind::unreadable_table:
            return "unreadable table";
        case ErrorKind::bad_input:
            return "bad input";
        case ErrorKind::out_of_range:
            return "out of range";
        case ErrorKind::no_solution:
            return "no solution";
        case ErrorKind::not_a_state:
            return "not a state";
    }
    return "error";
}

std::string_view phase_name(Phase phase) {
    switch (phase) {
        case Phase::liquid:
            return "liquid";
        case Phase::vapour:
            return "vapour";
        case Phase::supercritical:
            return "supercritical";
        case Phase::two_phase:
            return "two-phase";
    }
    return "";
}

namespace {

constexpr std::string_view kQuantityNames[QUANTITY_COUNT] = {
    "T", "p", "D", "u", "h", "s", "cv", "cp", "f", "g", "w", "mu_JT", "kappa_T", "x"};

struct PairNames {
    Input input;
    std::string_view first, second;
};
constexpr PairNames kPairs[] = {{Input::TD, "T", "D"}, {Input::Tp, "T", "p"}, {Input::pD, "p", "D"},
                                {Input::ph, "p", "h"}, {Input::ps, "p", "s"}, {Input::Tx, "T", "x"},
                                {Input::px, "p", "x"}};

}  // namespace

std::string_view quantity_name(Quantity q) {
    return kQuantityNames[static_cast<std::size_t>(q)];
}

double value_of(const State& st, Quantity q) {
    const double values[QUANTITY_COUNT] = {st.T,  st.p, st.D, st.u, st.h,     st.s,       st.cv,
                                           st.cp, st.f, st.g, st.w, st.mu_JT, st.kappa_T, st.x};
    return values[static_cast<std::size_t>(q)];
}

double* Outputs::column(Quantity q) const {
    double* const columns[QUANTITY_COUNT] = {T, p, D, u, h, s, cv, cp, f, g, w, mu_JT, kappa_T, x};
    return columns[static_cast<std::size_t>(q)];
}

Pair input_pair(std::string_view first, std::string_view second) {
    for (const PairNames& p : kPairs) {
        if (p.first == first && p.second == second) return {p.input, false};
        if (p.first == second && p.second == first) return {p.input, true};
    }
    throw Error(ErrorKind::not_a_state,
                "the inputs " + std::string(first) + " and " + std::string(second) +
                    " are not a supported pair (T,D), (T,p), (p,D), (p,h), (p,s), (T,x), (p,x)");
}

std::pair<std::string_view, std::string_view> input_names(Input input) {
    for (const PairNames& p : kPairs)
        if (p.input == input) return {p.first, p.second};
    return {"", ""};
}

// ---- Tables
// --------------------------------------------------------------------------------------

std::string default_table() {
    std::lock_guard<std::mutex> hold(default_table_lock);
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
    return detail::list_fluids(table.empty() ? default_table() : table);
}

uint64_t evaluation_count() {
    return detail::thread_evaluations();
}

// ---- A loaded fluid --------------------------------------------------------------------------

struct Fluid::Impl {
    uint64_t id = 0;
    detail::Records records;
    FluidInfo info;
    Units units = Units::molar;
    std::string table;
    Range range;
    detail::SaturationCurve curve;
    detail::FluidCore core;

    // Factors from the molar units to the caller's: density, energy (and entropy).
    double density_factor() const { return units == Units::mass ? info.M : 1.0; }
    double energy_factor() const { return units == Units::mass ? 1.0 / info.M : 1.0; }

    // What was asked, kept as numbers: its text is made only for an error.
    struct Asked {
        Input input = Input::TD;
        double a = 0, b = 0;
        bool saturation = false, by_T = false;
    };
    std::string asked_text(const Asked& asked) const;
    std::string range_text() const;
    [[noreturn]] void fail(ErrorKind kind, const Asked& asked, const std::string& why) const;
    double checked(const Asked& asked, char quantity, double v) const;
    State state_of(const detail::Found& found) const;
    State state_of_point(const detail::Point& pt, Phase phase, double x) const;
    Phase single_phase(const detail::Point& pt) const;
    detail::Found find(Input input, double u, double v) const;
    State solve(Input input, double first, double second) const;
    std::pair<State, State> saturation(Fluid::SaturationBy by, double value) const;
};

std::string Fluid::Impl::range_text() const {
    return "the range of " + info.code + ": T from " + text(range.Tmin) + " to " +
           text(range.Tmax) + " K, p up to " + text(range.pmax) + " MPa";
}

void Fluid::Impl::fail(ErrorKind kind, const Asked& asked, const std::string& why) const {
    throw Error(kind, info.code + " at " + asked_text(asked) + ": " + std::string(kind_name(kind)) +
                          ": " + why + " (" + range_text() + ")");
}

namespace {

const char* unit_of(std::string_view quantity, Units units) {
    const bool mass = units == Units::mass;
    if (quantity == "T") return "K";
    if (quantity == "p") return "MPa";
    if (quantity == "D") return mass ? "kg/m3" : "mol/dm3";
    if (quantity == "h") return mass ? "kJ/kg" : "J/mol";
    if (quantity == "s") return mass ? "kJ/(kg K)" : "J/(mol K)";
    return "";
}

std::string named_value(std::string_view name, double v, Units units) {
    const std::string t = std::string(name) + " = " + text(v);
    const std::string unit = unit_of(name, units);
    return unit.empty() ? t : t + " " + unit;
}

}  // namespace

std::string Fluid::Impl::asked_text(const Asked& asked) const {
    if (asked.saturation)
        return "saturation " + named_value(asked.by_T ? "T" : "p", asked.a, units);
    const auto [first, second] = input_names(asked.input);
    return named_value(first, asked.a, units) + ", " + named_value(second, asked.b, units);
}

// An input checked (finite, positive where it must be, x in [0, 1], T and p in the range) and
// brought to molar units.
double Fluid::Impl::checked(const Asked& asked, char quantity, double v) const {
    if (!std::isfinite(v)) fail(ErrorKind::bad_input, asked, "an input is not a finite number");
    const bool positive = quantity == 'T' || quantity == 'p' || quantity == 'D';
    if (positive && !(v > 0.0))
        fail(ErrorKind::bad_input, asked, std::string(1, quantity) + " must be positive");
    if (quantity == 'x' && !(v >= 0.0 && v <= 1.0))
        fail(ErrorKind::bad_input, asked, "x must lie in [0, 1]");
    if (quantity == 'T' && (v < range.Tmin || v > range.Tmax))
        fail(ErrorKind::out_of_range, asked, "T outside the fluid's range");
    if (quantity == 'p' && v > range.pmax)
        fail(ErrorKind::out_of_range, asked, "p above the fluid's range");
    if (quantity == 'D') return v / density_factor();
    if (quantity == 'h' || quantity == 's') return v / energy_factor();
    return v;
}

// A single-phase state below Tc lies beyond its saturated liquid (denser than Dc) or vapour.
Phase Fluid::Impl::single_phase(const detail::Point& pt) const {
    if (pt.T >= core.Tc) return pt.props.p >= core.pc ? Phase::supercritical : Phase::vapour;
    return pt.D >= core.Dc ? Phase::liquid : Phase::vapour;
}

State Fluid::Impl::state_of_point(const detail::Point& pt, Phase phase, double x) const {
    const StateProperties& r = pt.props;
    const double e = energy_factor();
    State st;
    st.T = pt.T;
    st.p = r.p;
    st.D = pt.D * density_factor();
    st.u = r.u * e;
    st.h = r.h * e;
    st.s = r.s * e;
    st.cv = r.cv * e;
    st.cp = r.cp * e;
    st.f = r.f * e;
    st.g = r.g * e;
    st.w = r.w > 0.0 ? r.w : kNaN;
    st.mu_JT = r.mu_JT;
    st.kappa_T = r.kappa_T;
    st.x = x;
    st.phase = phase;
    return st;
}

// The mixture row of the program: u, h, s, f linear in x between the saturated liquid and the
// vapour, p and g those of the vapour; the density of the mixture's volume.
State Fluid::Impl::state_of(const detail::Found& found) const {
    using Kind = detail::Found::Kind;
    const detail::SatPair& pair = found.pair;
    switch (found.kind) {
        case Kind::single:
            return state_of_point(found.point, single_phase(found.point), kNaN);
        case Kind::saturated_liquid: {
            State st = state_of_point(pair.liq, Phase::liquid, 0.0);
            st.p = pair.vap.props.p;
            return st;
        }
        case Kind::saturated_vapour:
            return state_of_point(pair.vap, Phase::vapour, 1.0);
        case Kind::mixture:
            break;
    }
    const double x = found.x;
    const StateProperties& l = pair.liq.props;
    State st = state_of_point(pair.vap, Phase::two_phase, x);
    const double e = energy_factor();
    st.u = ((1.0 - x) * l.u + x * pair.vap.props.u) * e;
    st.h = ((1.0 - x) * l.h + x * pair.vap.props.h) * e;
    st.s = ((1.0 - x) * l.s + x * pair.vap.props.s) * e;
    st.f = ((1.0 - x) * l.f + x * pair.vap.props.f) * e;
    st.D = density_factor() / ((1.0 - x) / pair.liq.D + x / pair.vap.D);
    st.cv = st.cp = st.w = st.mu_JT = st.kappa_T = kNaN;
    return st;
}

// The state of the pair in molar units.
detail::Found Fluid::Impl::find(Input input, double u, double v) const {
    switch (input) {
        case Input::TD:
            return detail::solve_TD(core, u, v);
        case Input::Tp:
            return detail::solve_Tp(core, u, v);
        case Input::pD:
            return detail::solve_pD(core, u, v);
        case Input::ph:
            return detail::solve_ph(core, u, v);
        case Input::ps:
            return detail::solve_ps(core, u, v);
        case Input::Tx:
            return detail::solve_Tx(core, u, v);
        case Input::px:
            break;
    }
    return detail::solve_px(core, u, v);
}

State Fluid::Impl::solve(Input input, double a, double b) const {
    const Asked asked{input, a, b};
    const auto [first, second] = input_names(input);
    const double u = checked(asked, first[0], a), v = checked(asked, second[0], b);
    detail::CallScope scope(records, id);
    const detail::Found found = [&] {
        try {
            return find(input, u, v);
        } catch (const Error& e) {
            fail(e.kind(), asked, e.what());
        }
    }();
    if (scope.new_reports() > 0)
        fail(ErrorKind::no_solution, asked, "the equation reported: " + scope.first_new_report());
    if (found.kind == detail::Found::Kind::single) {
        const StateProperties& r = found.point.props;
        if (!(r.dpdD > 0.0 && r.cv > 0.0 && r.cp > 0.0))
            fail(ErrorKind::out_of_range, asked,
                 "the equation gives no stable state there (dp/dD, cv or cp not positive)");
    }
    const State st = state_of(found);
    // The pressure of a state found from p meets it to rounding only.
    if (!(st.p > 0.0) || st.p > range.pmax * (1.0 + kRounding))
        fail(ErrorKind::out_of_range, asked,
             "the state's pressure " + text(st.p) + " MPa lies outside the fluid's range");
    return st;
}

std::pair<State, State> Fluid::Impl::saturation(Fluid::SaturationBy by, double value) const {
    const bool by_T = by == Fluid::SaturationBy::T;
    const Asked asked{Input::TD, value, 0.0, true, by_T};
    checked(asked, by_T ? 'T' : 'p', value);
    detail::CallScope scope(records, id);
    detail::SatPair pair;
    try {
        pair = by_T ? detail::saturation_T(core, value) : detail::saturation_p(core, value);
    } catch (const Error& e) {
        fail(e.kind(), asked, e.what());
    }
    detail::Found liquid, vapour;
    liquid.kind = detail::Found::Kind::saturated_liquid;
    vapour.kind = detail::Found::Kind::saturated_vapour;
    liquid.pair = vapour.pair = pair;
    liquid.point = pair.liq;
    vapour.point = pair.vap;
    return {state_of(liquid), state_of(vapour)};
}

Fluid::Fluid(const std::string& code, const std::string& table, Units units)
    : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    m.table = table.empty() ? default_table() : table;
    m.units = units;
    detail::LoadedFluid loaded = detail::load_fluid(m.table, code);
    m.records = loaded.records;
    m.info = loaded.info;
    m.id = detail::next_fluid_id();
    const FluidInfo& info = m.info;
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
    }
    m.range.Tmin = m.curve.Tmin();
    m.range.Tmax = info.Tmax > m.range.Tmin ? info.Tmax : kTmaxFallback * info.Tc;
    m.range.pmax = info.pmax > 0.0 ? info.pmax : kPmaxFallback * info.pc;
    m.core.curve = &m.curve;
    m.core.Tmin = m.range.Tmin;
    m.core.Tmax = m.range.Tmax;
    m.core.pmax = m.range.pmax;
    m.core.Tc = info.Tc;
    m.core.pc = info.pc;
    m.core.Dc = info.Dc;
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
    st.p = m.info.pc;
    st.cp = st.w = st.mu_JT = st.kappa_T = kNaN;
    return st;
}

State Fluid::state(Input input, double first, double second) const {
    return impl_->solve(input, first, second);
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

// ---- Vectorised calls ------------------------------------------------------------------------

namespace {

double at(const Column& c, std::size_t i) {
    return c.data[static_cast<std::ptrdiff_t>(i) * c.stride];
}

void put(const Outputs& out, std::size_t i, const State& st) {
    const double values[QUANTITY_COUNT] = {st.T,  st.p, st.D, st.u, st.h,     st.s,       st.cv,
                                           st.cp, st.f, st.g, st.w, st.mu_JT, st.kappa_T, st.x};
    double* const columns[QUANTITY_COUNT] = {out.T, out.p,     out.D,       out.u, out.h,
                                             out.s, out.cv,    out.cp,      out.f, out.g,
                                             out.w, out.mu_JT, out.kappa_T, out.x};
    for (std::size_t k = 0; k < QUANTITY_COUNT; ++k)
        if (columns[k] != nullptr) columns[k][i] = values[k];
    if (out.phase != nullptr) out.phase[i] = static_cast<int8_t>(st.phase);
    if (out.error != nullptr) out.error[i].clear();
}

void put_failure(const Outputs& out, std::size_t i, const char* message) {
    for (std::size_t k = 0; k < QUANTITY_COUNT; ++k) {
        double* column = out.column(static_cast<Quantity>(k));
        if (column != nullptr) column[i] = kNaN;
    }
    if (out.phase != nullptr) out.phase[i] = -1;
    if (out.error != nullptr) out.error[i] = message;
}

}  // namespace

std::size_t Fluid::states(Input input, Column first, Column second, std::size_t n,
                          const Outputs& out) const {
    std::size_t failed = 0;
    detail::CallScope scope(impl_->records, impl_->id);
    for (std::size_t i = 0; i < n; ++i) {
        try {
            put(out, i, impl_->solve(input, at(first, i), at(second, i)));
        } catch (const std::exception& e) {
            put_failure(out, i, e.what());
            ++failed;
        }
    }
    return failed;
}

std::size_t Fluid::saturation(SaturationBy by, Column value, std::size_t n, const Outputs& liquid,
                              const Outputs& vapour) const {
    std::size_t failed = 0;
    detail::CallScope scope(impl_->records, impl_->id);
    for (std::size_t i = 0; i < n; ++i) {
        try {
            const auto [l, v] = impl_->saturation(by, at(value, i));
            put(liquid, i, l);
            put(vapour, i, v);
        } catch (const std::exception& e) {
            put_failure(liquid, i, e.what());
            put_failure(vapour, i, e.what());
            ++failed;
        }
    }
    return failed;
}

}  // namespace xalt1
