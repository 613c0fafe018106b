// The library's words: kinds of error, phases, units, reference states, quantities, input pairs,
// and the unit factors of each system.
#include <cmath>
#include <string>

#include "api/fluid_impl.h"
#include "api/solve_support.h"

#ifndef XALT1_VERSION
#define XALT1_VERSION "0.0.0"
#endif

namespace xalt1 {

namespace {

constexpr std::string_view kQuantityNames[QUANTITY_COUNT] = {
    "T", "p", "D", "u", "h", "s", "cv", "cp", "f", "g", "w", "mu_JT", "kappa_T", "x"};
constexpr std::string_view kVariableNames[VARIABLE_COUNT] = {"T", "p", "D", "v", "u",
                                                             "h", "s", "g", "f"};
constexpr std::string_view kUnitsNames[] = {"molar", "mass", "SI", "SI-molar"};

[[noreturn]] void bad(const std::string& why) {
    throw Error(ErrorKind::bad_input, why);
}

std::string pair_list() {
    std::string list;
    for (const detail::PairRow& row : detail::pair_rows())
        list += (list.empty() ? "(" : ", (") + std::string(row.first_name) + "," +
                std::string(row.second_name) + ")";
    return list;
}

}  // namespace

std::string_view version() {
    return XALT1_VERSION;
}

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

std::string_view units_name(Units units) {
    return kUnitsNames[static_cast<std::size_t>(units)];
}

Units units_of(std::string_view name) {
    for (std::size_t k = 0; k < std::size(kUnitsNames); ++k)
        if (kUnitsNames[k] == name) return static_cast<Units>(k);
    bad("units must be \"molar\", \"mass\", \"SI\" or \"SI-molar\", not \"" + std::string(name) +
        "\"");
}

PhaseChoice phase_choice_of(std::string_view name) {
    if (name == "liquid") return PhaseChoice::liquid;
    if (name == "vapour" || name == "gas") return PhaseChoice::vapour;
    bad("phase must be \"liquid\", \"vapour\" or \"gas\", not \"" + std::string(name) + "\"");
}

Reference::Kind reference_of(std::string_view name) {
    if (name == "table") return Reference::Kind::table;
    if (name == "IIR") return Reference::Kind::IIR;
    if (name == "ASHRAE") return Reference::Kind::ASHRAE;
    if (name == "NBP") return Reference::Kind::NBP;
    bad("reference must be \"table\", \"IIR\", \"ASHRAE\", \"NBP\" or a state (T, D, h, s), "
        "not \"" +
        std::string(name) + "\"");
}

std::string_view variable_name(Variable v) {
    return kVariableNames[static_cast<std::size_t>(v)];
}

Variable variable_of(std::string_view name) {
    for (std::size_t k = 0; k < VARIABLE_COUNT; ++k)
        if (kVariableNames[k] == name) return static_cast<Variable>(k);
    std::string why = "'";
    why.append(name).append("' is not a quantity of derivatives (T, p, D, v, u, h, s, g, f)");
    bad(why);
}

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
    for (const detail::PairRow& row : detail::pair_rows()) {
        if (row.first_name == first && row.second_name == second) return {row.input, false};
        if (row.first_name == second && row.second_name == first) return {row.input, true};
    }
    throw Error(ErrorKind::not_a_state, "the inputs " + std::string(first) + " and " +
                                            std::string(second) + " are not a supported pair " +
                                            pair_list());
}

std::pair<std::string_view, std::string_view> input_names(Input input) {
    const detail::PairRow& row = detail::pair_row(input);
    return {row.first_name, row.second_name};
}

// ---- Unit factors -----------------------------------------------------------------------------

UnitFactors unit_factors(Units units, double M) {
    switch (units) {
        case Units::molar:
            return {1.0, 1.0, 1.0};
        case Units::mass:
            return {1.0, M, 1.0 / M};
        case Units::SI:
            return {1e6, M, 1000.0 / M};
        case Units::SI_molar:
            return {1e6, 1000.0, 1.0};
    }
    return {};
}

double UnitFactors::of(detail::Var v) const {
    using detail::Var;
    switch (v) {
        case Var::T:
            return 1.0;
        case Var::p:
            return p;
        case Var::D:
            return D;
        case Var::v:
            return 1.0 / D;
        default:
            return energy;
    }
}

double UnitFactors::of(detail::Given g) const {
    return g == detail::Given::x ? 1.0 : of(detail::var_of(g));
}

}  // namespace xalt1
