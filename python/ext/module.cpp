// The compiled part of the Python package xalt1 (imported as xalt1._xalt1): the library's
// fluids, their metadata and the vectorised state and saturation calls over numpy arrays.
// Each array call crosses into C++ once and runs without the interpreter lock, so threads with
// fluids of their own work in parallel. The keyword interface is xalt1/__init__.py.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "api/xalt1.h"
#include "module_support.h"

namespace py = pybind11;

namespace {

using namespace xalt1_py;

// The Python exception of the library's errors, xalt1.Error: a ValueError with the error's kind
// as `kind`. Made once at import and kept to the end of the process.
PyObject* error_type = nullptr;

void raise_error(const xalt1::Error& e) {
    py::object type = py::reinterpret_borrow<py::object>(error_type);
    py::object err = type(e.what());
    err.attr("kind") = py::str(std::string(xalt1::kind_name(e.kind())));
    PyErr_SetObject(error_type, err.ptr());
}

// The phase asked for: "" for the stable state, else "liquid", "vapour" or "gas".
xalt1::PhaseChoice phase_of(const std::string& name) {
    return name.empty() ? xalt1::PhaseChoice::any : xalt1::phase_choice_of(name);
}

// The pair of two input names; its error names the fluid, as the library's errors of a state do.
xalt1::Pair pair_of(const xalt1::Fluid& fluid, const std::string& first,
                    const std::string& second) {
    try {
        return xalt1::input_pair(first, second);
    } catch (const xalt1::Error& e) {
        throw xalt1::Error(e.kind(), fluid.info().code + ": " + e.what());
    }
}

py::dict states(const xalt1::Fluid& fluid, const std::string& first_name,
                const std::string& second_name, const DoubleArray& first, const DoubleArray& second,
                const std::string& phase) {
    const xalt1::PhaseChoice choice = phase_of(phase);
    auto pair = pair_of(fluid, first_name, second_name);
    const DoubleArray& a = pair.swapped ? second : first;
    const DoubleArray& b = pair.swapped ? first : second;
    std::size_t n = length_of(a, b);
    xalt1::Column ca = column_of(a, n), cb = column_of(b, n);
    Columns cols(n);
    std::size_t failures;
    {
        py::gil_scoped_release unlocked;
        failures = fluid.states(pair.input, ca, cb, n, cols.out, choice);
    }
    return cols.to_dict(failures);
}

py::dict state(const xalt1::Fluid& fluid, const std::string& first_name,
               const std::string& second_name, double first, double second,
               const std::string& phase) {
    auto pair = pair_of(fluid, first_name, second_name);
    const xalt1::PhaseChoice choice = phase_of(phase);
    if (pair.swapped) std::swap(first, second);
    xalt1::State st;
    {
        py::gil_scoped_release unlocked;
        st = fluid.state(pair.input, first, second, choice);
    }
    return state_dict(st);
}

// A derivative asked for as (of, wrt, constant) or (of, wrt, constant, wrt2, constant2).
xalt1::Derivative derivative_of(const py::tuple& spec) {
    if (spec.size() != 3 && spec.size() != 5)
        throw py::value_error("a derivative is (of, wrt, const) or (of, wrt, const, wrt2, const2)");
    const auto var = [&](std::size_t k) { return xalt1::variable_of(spec[k].cast<std::string>()); };
    xalt1::Derivative d{var(0), var(1), var(2)};
    if (spec.size() == 5) {
        d.second = true;
        d.wrt2 = var(3);
        d.constant2 = var(4);
    }
    return d;
}

// Derivatives of n states, each solved once: {"values": [array per derivative], "state": the
// state columns (as states() gives them), "why": [(index, reason), ...]}.
py::dict derivatives(const xalt1::Fluid& fluid, const py::list& asked,
                     const std::string& first_name, const std::string& second_name,
                     const DoubleArray& first, const DoubleArray& second,
                     const std::string& phase) {
    std::vector<xalt1::Derivative> specs;
    for (const py::handle& spec : asked) specs.push_back(derivative_of(spec.cast<py::tuple>()));
    auto pair = pair_of(fluid, first_name, second_name);
    const xalt1::PhaseChoice choice = phase_of(phase);
    const DoubleArray& a = pair.swapped ? second : first;
    const DoubleArray& b = pair.swapped ? first : second;
    const std::size_t n = length_of(a, b);
    const xalt1::Column ca = column_of(a, n), cb = column_of(b, n);
    Columns cols(n);
    std::vector<py::array_t<double>> values;
    std::vector<double*> out;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        values.emplace_back(static_cast<py::ssize_t>(n));
        out.push_back(values.back().mutable_data());
    }
    std::vector<std::string> why(n);
    std::size_t failures;
    {
        py::gil_scoped_release unlocked;
        failures = fluid.derivatives(pair.input, ca, cb, n, specs, out.data(), cols.out, why.data(),
                                     choice);
    }
    py::dict d;
    py::list columns;
    for (auto& v : values) columns.append(v);
    d["values"] = columns;
    d["state"] = cols.to_dict(failures);
    py::list reasons;
    for (std::size_t i = 0; i < n; ++i)
        if (!why[i].empty()) reasons.append(py::make_tuple(i, why[i]));
    d["why"] = reasons;
    return d;
}

py::dict slopes_dict(const xalt1::SaturationSlopes& s) {
    py::dict d;
    d["T"] = s.T;
    d["ps"] = s.ps;
    const std::pair<const char*, double> entries[] = {
        {"dps/dT", s.dps_dT}, {"dT/dp", s.dT_dp},    {"dD'/dT", s.dDl_dT}, {"dD''/dT", s.dDv_dT},
        {"dh'/dT", s.dhl_dT}, {"dh''/dT", s.dhv_dT}, {"ds'/dT", s.dsl_dT}, {"ds''/dT", s.dsv_dT},
        {"du'/dT", s.dul_dT}, {"du''/dT", s.duv_dT}, {"dv'/dT", s.dvl_dT}, {"dv''/dT", s.dvv_dT},
        {"dD'/dp", s.dDl_dp}, {"dD''/dp", s.dDv_dp}, {"dh'/dp", s.dhl_dp}, {"dh''/dp", s.dhv_dp},
        {"ds'/dp", s.dsl_dp}, {"ds''/dp", s.dsv_dp}, {"du'/dp", s.dul_dp}, {"du''/dp", s.duv_dp},
        {"dv'/dp", s.dvl_dp}, {"dv''/dp", s.dvv_dp}};
    for (const auto& [key, value] : entries) d[key] = value;
    return d;
}

py::dict saturation_slopes(const xalt1::Fluid& fluid, const std::string& by, double value);

py::tuple series(const xalt1::Fluid& fluid, const std::string& by, double value);

py::dict residual(const xalt1::Fluid& fluid, double T, double D) {
    xalt1::Residual r;
    {
        py::gil_scoped_release unlocked;
        r = fluid.residual(T, D);
    }
    py::dict d;
    d["tau"] = r.tau;
    d["delta"] = r.delta;
    d["alphar"] = r.alphar;
    d["delta*dalphar/ddelta"] = r.delta_d;
    d["tau*dalphar/dtau"] = r.tau_t;
    d["delta^2*d2alphar/ddelta2"] = r.delta2_dd;
    d["tau^2*d2alphar/dtau2"] = r.tau2_tt;
    d["delta*tau*d2alphar/ddelta/dtau"] = r.delta_tau_dt;
    d["delta^3*d3alphar/ddelta3"] = r.delta3_ddd;
    return d;
}

xalt1::Fluid::SaturationBy saturation_by(const std::string& name) {
    if (name == "T") return xalt1::Fluid::SaturationBy::T;
    if (name == "p") return xalt1::Fluid::SaturationBy::p;
    throw py::value_error("saturation() takes T or p, not " + name);
}

py::tuple saturation(const xalt1::Fluid& fluid, const std::string& by, double value) {
    auto kind = saturation_by(by);
    std::pair<xalt1::State, xalt1::State> pair;
    {
        py::gil_scoped_release unlocked;
        pair = kind == xalt1::Fluid::SaturationBy::T ? fluid.saturation_T(value)
                                                     : fluid.saturation_p(value);
    }
    return py::make_tuple(state_dict(pair.first), state_dict(pair.second));
}

py::dict saturation_slopes(const xalt1::Fluid& fluid, const std::string& by, double value) {
    const auto kind = saturation_by(by);
    xalt1::SaturationSlopes s;
    {
        py::gil_scoped_release unlocked;
        s = fluid.saturation_slopes(kind, value);
    }
    return slopes_dict(s);
}

py::tuple series(const xalt1::Fluid& fluid, const std::string& by, double value) {
    const xalt1::SeriesPoint s = fluid.saturation_series(saturation_by(by), value);
    return py::make_tuple(s.T, s.p, s.Dl, s.Dv);
}

py::tuple saturations(const xalt1::Fluid& fluid, const std::string& by, const DoubleArray& values) {
    auto kind = saturation_by(by);
    std::size_t n = static_cast<std::size_t>(values.size());
    xalt1::Column c = column_of(values, n);
    Columns liquid(n), vapour(n);
    std::size_t failures;
    {
        py::gil_scoped_release unlocked;
        failures = fluid.saturation(kind, c, n, liquid.out, vapour.out);
    }
    return py::make_tuple(liquid.to_dict(failures), vapour.to_dict(failures));
}

void bind_info(py::module_& m) {
    py::class_<xalt1::FluidInfo>(m, "FluidInfo",
                                 "Metadata of one fluid of a table (M in g/mol, T in K, p in "
                                 "MPa, Dc in mol/dm3)")
        .def_readonly("code", &xalt1::FluidInfo::code)
        .def_readonly("name", &xalt1::FluidInfo::name)
        .def_readonly("fluid_class", &xalt1::FluidInfo::fluid_class)
        .def_readonly("M", &xalt1::FluidInfo::M)
        .def_readonly("Tc", &xalt1::FluidInfo::Tc)
        .def_readonly("pc", &xalt1::FluidInfo::pc)
        .def_readonly("Dc", &xalt1::FluidInfo::Dc)
        .def_readonly("Ttriple", &xalt1::FluidInfo::Ttriple)
        .def_readonly("Tmax", &xalt1::FluidInfo::Tmax)
        .def_readonly("pmax", &xalt1::FluidInfo::pmax)
        .def_readonly("reference_state", &xalt1::FluidInfo::reference_state)
        .def_readonly("meets_targets", &xalt1::FluidInfo::meets_targets)
        .def_readonly("targets", &xalt1::FluidInfo::targets)
        .def_readonly("ptriple", &xalt1::FluidInfo::ptriple)
        .def_readonly("Tnbp", &xalt1::FluidInfo::Tnbp)
        .def_readonly("acentric", &xalt1::FluidInfo::acentric)
        .def("__repr__", [](const xalt1::FluidInfo& i) {
            return "FluidInfo(code=" + i.code + ", name=" + i.name +
                   ", M=" + py::repr(py::float_(i.M)).cast<std::string>() +
                   ", Tc=" + py::repr(py::float_(i.Tc)).cast<std::string>() +
                   ", pc=" + py::repr(py::float_(i.pc)).cast<std::string>() + ")";
        });
}

void bind_fluid(py::module_& m) {
    py::class_<xalt1::Fluid>(m, "Fluid")
        .def(
            py::init([](const std::string& code, const std::string& table, const std::string& units,
                        const std::string& reference, const std::vector<double>& state) {
                xalt1::Options options;
                options.units = xalt1::units_of(units);
                if (!state.empty()) {
                    if (state.size() != 4)
                        throw py::value_error("a reference state is (T, D, h, s)");
                    options.reference = {xalt1::Reference::Kind::state, state[0], state[1],
                                         state[2], state[3]};
                } else {
                    options.reference.kind = xalt1::reference_of(reference);
                }
                py::gil_scoped_release unlocked;
                return xalt1::Fluid(code, table, options);
            }),
            py::arg("code"), py::arg("table") = "", py::arg("units") = "molar",
            py::arg("reference") = "table", py::arg("reference_state") = std::vector<double>{})
        .def_property_readonly("info", &xalt1::Fluid::info)
        .def_property_readonly(
            "units",
            [](const xalt1::Fluid& f) { return std::string(xalt1::units_name(f.units())); })
        .def_property_readonly("table", &xalt1::Fluid::table)
        .def_property_readonly("range",
                               [](const xalt1::Fluid& f) {
                                   auto r = f.range();
                                   return py::make_tuple(r.Tmin, r.Tmax, r.pmax);
                               })
        .def_property_readonly("critical",
                               [](const xalt1::Fluid& f) { return state_dict(f.critical()); })
        .def_property_readonly("build_cost",
                               [](const xalt1::Fluid& f) {
                                   auto c = f.build_cost();
                                   return py::make_tuple(c.solves, c.evaluations);
                               })
        .def("state", &state)
        .def("states", &states)
        .def("derivatives", &derivatives)
        .def("saturation", &saturation)
        .def("saturations", &saturations)
        .def("saturation_slopes", &saturation_slopes)
        .def("saturation_series", &series)
        .def("residual", &residual);
}

}  // namespace

PYBIND11_MODULE(_xalt1, m) {
    m.doc() = "xalt1 library: fluids of a substance table, states and saturation";
    error_type = PyErr_NewException("xalt1.Error", PyExc_ValueError, nullptr);
    m.attr("Error") = py::reinterpret_borrow<py::object>(error_type);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const xalt1::Error& e) {
            raise_error(e);
        }
    });
    m.def("fluids", &xalt1::fluids, py::arg("table") = "");
    m.def("default_table", &xalt1::default_table);
    m.def("set_default_table", &xalt1::set_default_table, py::arg("path"));
    m.def("metadata_path", &xalt1::metadata_path, py::arg("table"));
    m.def("evaluation_count", &xalt1::evaluation_count);
    m.def("version", [] { return std::string(xalt1::version()); });
    m.attr("UNITS_NAMES") = py::make_tuple("molar", "mass", "SI", "SI-molar");
    m.attr("QUANTITIES") = [] {
        py::list names;
        for (auto q : QUANTITIES) names.append(std::string(xalt1::quantity_name(q)));
        return py::tuple(names);
    }();
    m.attr("PHASES") = [] {
        py::list names;
        for (int i = 0; i < 4; ++i)
            names.append(std::string(xalt1::phase_name(static_cast<xalt1::Phase>(i))));
        return py::tuple(names);
    }();
    bind_info(m);
    bind_fluid(m);
    xalt1_py::bind_mixture(m);
}
