// Mixtures in the compiled module: a Mixture of fluids of a table, its states by two inputs
// (scalars or numpy arrays, each array call once into C++ without the interpreter lock), its
// bubble and dew points, and the named blends. The keyword interface is xalt1/__init__.py.
#include <pybind11/stl.h>

#include <utility>

#include "module_support.h"

namespace xalt1_py {

namespace {

// A mixture state as a dict: the outputs of a state with the mole fractions z, and those of
// the liquid and the vapour (None in single phase).
py::dict mixture_dict(const xalt1::MixtureState& st) {
    py::dict d = state_dict(st);
    d["z"] = st.z;
    d["liquid"] = st.liquid.empty() ? py::object(py::none()) : py::cast(st.liquid);
    d["vapour"] = st.vapour.empty() ? py::object(py::none()) : py::cast(st.vapour);
    return d;
}

xalt1::Pair pair_of(const xalt1::Mixture& mix, const std::string& first,
                    const std::string& second) {
    try {
        return xalt1::input_pair(first, second);
    } catch (const xalt1::Error& e) {
        throw xalt1::Error(e.kind(), mix.name() + ": " + e.what());
    }
}

py::dict state(const xalt1::Mixture& mix, const std::string& first_name,
               const std::string& second_name, double first, double second) {
    const xalt1::Pair pair = pair_of(mix, first_name, second_name);
    if (pair.swapped) std::swap(first, second);
    xalt1::MixtureState st;
    {
        py::gil_scoped_release unlocked;
        st = mix.state(pair.input, first, second);
    }
    return mixture_dict(st);
}

// Output columns of n mixture states: those of a state and n x components arrays of the
// compositions.
struct MixtureColumns {
    Columns numbers;
    py::array_t<double> z, liquid, vapour;
    xalt1::MixtureOutputs out;

    MixtureColumns(std::size_t n, std::size_t components)
        : numbers(n), z({n, components}), liquid({n, components}), vapour({n, components}) {
        static_cast<xalt1::Outputs&>(out) = numbers.out;
        out.z = z.mutable_data();
        out.liquid = liquid.mutable_data();
        out.vapour = vapour.mutable_data();
    }
    py::dict to_dict(std::size_t failures) const {
        py::dict d = numbers.to_dict(failures);
        d["z"] = z;
        d["liquid"] = liquid;
        d["vapour"] = vapour;
        return d;
    }
};

py::dict states(const xalt1::Mixture& mix, const std::string& first_name,
                const std::string& second_name, const DoubleArray& first,
                const DoubleArray& second) {
    const xalt1::Pair pair = pair_of(mix, first_name, second_name);
    const DoubleArray& a = pair.swapped ? second : first;
    const DoubleArray& b = pair.swapped ? first : second;
    const std::size_t n = length_of(a, b);
    const xalt1::Column ca = column_of(a, n), cb = column_of(b, n);
    MixtureColumns cols(n, mix.components().size());
    std::size_t failures;
    {
        py::gil_scoped_release unlocked;
        failures = mix.states(pair.input, ca, cb, n, cols.out);
    }
    return cols.to_dict(failures);
}

// The bubble ("bubble") or dew ("dew") point at T ("T") or p ("p"): (liquid, vapour).
py::tuple saturated(const xalt1::Mixture& mix, const std::string& kind, const std::string& by,
                    double value) {
    if (kind != "bubble" && kind != "dew") throw py::value_error("kind is \"bubble\" or \"dew\"");
    if (by != "T" && by != "p") throw py::value_error("by is \"T\" or \"p\"");
    std::pair<xalt1::MixtureState, xalt1::MixtureState> phases;
    {
        py::gil_scoped_release unlocked;
        if (kind == "bubble")
            phases = by == "T" ? mix.bubble_T(value) : mix.bubble_p(value);
        else
            phases = by == "T" ? mix.dew_T(value) : mix.dew_p(value);
    }
    return py::make_tuple(mixture_dict(phases.first), mixture_dict(phases.second));
}

py::tuple point_tuple(const xalt1::EnvelopePoint& pt) {
    return py::make_tuple(mixture_dict(pt.liquid), mixture_dict(pt.vapour), pt.bubble);
}

// The envelope: its points as (liquid, vapour, bubble) tuples, the critical point, the
// cricondenbar and the cricondentherm.
py::dict envelope(const xalt1::Mixture& mix) {
    xalt1::MixtureEnvelope e;
    {
        py::gil_scoped_release unlocked;
        e = mix.envelope();
    }
    py::list points;
    for (const xalt1::EnvelopePoint& pt : e.points) points.append(point_tuple(pt));
    py::dict d;
    d["points"] = points;
    d["critical"] = mixture_dict(e.critical);
    d["cricondenbar"] = point_tuple(e.cricondenbar);
    d["cricondentherm"] = point_tuple(e.cricondentherm);
    return d;
}

py::dict critical(const xalt1::Mixture& mix) {
    xalt1::MixtureState st;
    {
        py::gil_scoped_release unlocked;
        st = mix.critical();
    }
    return mixture_dict(st);
}

// A diagram of a binary as a dict of arrays: bubble_x, bubble_y, bubble (p or T), dew_x, dew_y,
// dew, critical_x and critical (NaN where the lines do not end at a critical point).
py::dict diagram(const xalt1::Mixture& mix, const std::string& by, double value, int n) {
    if (by != "T" && by != "p") throw py::value_error("by is \"T\" or \"p\"");
    xalt1::BinaryDiagram d;
    {
        py::gil_scoped_release unlocked;
        d = by == "T" ? mix.pxy(value, n) : mix.txy(value, n);
    }
    const auto array = [](const std::vector<double>& v) {
        return py::array_t<double>(v.size(), v.data());
    };
    py::dict out;
    out["bubble_x"] = array(d.bubble_x);
    out["bubble_y"] = array(d.bubble_y);
    out["bubble"] = array(d.bubble_value);
    out["dew_x"] = array(d.dew_x);
    out["dew_y"] = array(d.dew_y);
    out["dew"] = array(d.dew_value);
    out["critical_x"] = d.critical_x;
    out["critical"] = d.critical_value;
    return out;
}

using Fractions = std::vector<std::pair<std::string, double>>;

std::vector<xalt1::Component> components_of(const Fractions& given) {
    std::vector<xalt1::Component> out;
    for (const auto& [code, fraction] : given) out.push_back({code, fraction});
    return out;
}

py::list blend_list() {
    py::list out;
    for (const xalt1::Blend& b : xalt1::blends()) {
        Fractions fractions;
        for (const xalt1::Component& c : b.components) fractions.emplace_back(c.code, c.fraction);
        out.append(
            py::make_tuple(b.name, fractions, b.basis == xalt1::Basis::mass ? "mass" : "mole"));
    }
    return out;
}

}  // namespace

void bind_mixture(py::module_& m) {
    py::class_<xalt1::Mixture>(m, "Mixture")
        .def(py::init([](const Fractions& components, const std::string& basis,
                         const std::string& table, const std::string& units,
                         const std::string& pairs, const std::string& name) {
                 const xalt1::Basis b = xalt1::basis_of(basis);
                 const xalt1::Units u = xalt1::units_of(units);
                 py::gil_scoped_release unlocked;
                 if (!name.empty()) return xalt1::Mixture(xalt1::blend(name), table, u, pairs);
                 return xalt1::Mixture(components_of(components), b, table, u, pairs);
             }),
             py::arg("components"), py::arg("basis") = "mole", py::arg("table") = "",
             py::arg("units") = "molar", py::arg("pairs") = "", py::arg("blend") = "")
        .def_property_readonly("components", &xalt1::Mixture::components)
        .def_property_readonly("z", &xalt1::Mixture::z)
        .def_property_readonly("M", &xalt1::Mixture::molar_mass)
        .def_property_readonly("name", &xalt1::Mixture::name)
        .def_property_readonly("table", &xalt1::Mixture::table)
        .def_property_readonly(
            "units",
            [](const xalt1::Mixture& mix) { return std::string(xalt1::units_name(mix.units())); })
        .def_property_readonly("range",
                               [](const xalt1::Mixture& mix) {
                                   const xalt1::Range r = mix.range();
                                   return py::make_tuple(r.Tmin, r.Tmax, r.pmax);
                               })
        .def_property_readonly("binary",
                               [](const xalt1::Mixture& mix) {
                                   py::list out;
                                   for (const xalt1::BinaryInfo& b : mix.binary())
                                       out.append(py::make_tuple(b.a, b.b, b.xi, b.eta, b.source));
                                   return out;
                               })
        .def("state", &state)
        .def("states", &states)
        .def("saturated", &saturated)
        .def("envelope", &envelope)
        .def("critical", &critical)
        .def("diagram", &diagram);
    m.def("blends", &blend_list);
}

}  // namespace xalt1_py
