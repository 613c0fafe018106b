// A mixture inside the library: its components and their series, the pairs' parameters, the
// one-fluid model and the mixture's range; every call brought to the core's molar units and back.
// mixture.cpp loads a mixture, mixture_states.cpp gives its states, bubble and dew points and
// array calls, mixture_curves.cpp its envelope, critical point and diagrams.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "api/fluid_impl.h"
#include "api/mixture_envelope.h"
#include "api/mixture_model.h"
#include "api/mixture_vle.h"
#include "api/solve_support.h"
#include "api/xalt1.h"

namespace xalt1 {

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

// Molar properties (core units) as a state in the units of the factors (x NaN, no phase yet).
MixtureState state_of_properties(const StateProperties& r, double T, double D,
                                 const UnitFactors& f);

}  // namespace xalt1
