// What the compiled module's files share: numpy columns in and out of the library's array
// calls, and a state as a dict.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "api/xalt1.h"

namespace xalt1_py {

namespace py = pybind11;

using DoubleArray = py::array_t<double, py::array::forcecast>;
constexpr std::array<xalt1::Quantity, xalt1::QUANTITY_COUNT> QUANTITIES = {
    xalt1::Quantity::T,       xalt1::Quantity::p, xalt1::Quantity::D,  xalt1::Quantity::u,
    xalt1::Quantity::h,       xalt1::Quantity::s, xalt1::Quantity::cv, xalt1::Quantity::cp,
    xalt1::Quantity::f,       xalt1::Quantity::g, xalt1::Quantity::w,  xalt1::Quantity::mu_JT,
    xalt1::Quantity::kappa_T, xalt1::Quantity::x};

// An input of n values: a one-dimensional array of n, or one value repeated (stride 0).
inline xalt1::Column column_of(const DoubleArray& a, std::size_t n) {
    if (a.ndim() > 1) throw py::value_error("inputs must be scalars or one-dimensional arrays");
    if (a.size() == 1) return {a.data(), 0};
    if (static_cast<std::size_t>(a.size()) != n)
        throw py::value_error("input arrays of different lengths");
    if (a.strides(0) % static_cast<py::ssize_t>(sizeof(double)) != 0)
        throw py::value_error("input array not aligned to its elements");
    return {a.data(), a.strides(0) / static_cast<py::ssize_t>(sizeof(double))};
}

inline std::size_t length_of(const DoubleArray& a, const DoubleArray& b) {
    return static_cast<std::size_t>(a.size() == 1 ? b.size() : a.size());
}

// Output columns of n elements, each a fresh numpy array, and the messages of failed elements.
struct Columns {
    std::array<py::array_t<double>, xalt1::QUANTITY_COUNT> numbers;
    py::array_t<std::int8_t> phase;
    std::vector<std::string> error;
    xalt1::Outputs out;

    explicit Columns(std::size_t n) : phase(static_cast<py::ssize_t>(n)), error(n) {
        for (auto& column : numbers) column = py::array_t<double>(static_cast<py::ssize_t>(n));
        double** slots[] = {&out.T,  &out.p, &out.D, &out.u, &out.h,     &out.s,       &out.cv,
                            &out.cp, &out.f, &out.g, &out.w, &out.mu_JT, &out.kappa_T, &out.x};
        static_assert(std::size(slots) == QUANTITIES.size());
        for (std::size_t i = 0; i < QUANTITIES.size(); ++i) *slots[i] = numbers[i].mutable_data();
        out.phase = phase.mutable_data();
        out.error = error.data();
    }

    // {"T": array, ..., "phase": int8 array, "failed": [(index, message), ...]}
    py::dict to_dict(std::size_t failures) const {
        py::dict d;
        for (std::size_t i = 0; i < QUANTITIES.size(); ++i)
            d[py::str(std::string(xalt1::quantity_name(QUANTITIES[i])))] = numbers[i];
        d["phase"] = phase;
        py::list failed;
        for (std::size_t i = 0; failures > 0 && i < error.size(); ++i)
            if (!error[i].empty()) failed.append(py::make_tuple(i, error[i]));
        d["failed"] = failed;
        return d;
    }
};

inline py::dict state_dict(const xalt1::State& st) {
    py::dict d;
    for (auto q : QUANTITIES)
        d[py::str(std::string(xalt1::quantity_name(q)))] = xalt1::value_of(st, q);
    d["phase"] = static_cast<int>(st.phase);
    return d;
}

// The mixtures' classes (mixture.cpp).
void bind_mixture(py::module_& m);

}  // namespace xalt1_py
