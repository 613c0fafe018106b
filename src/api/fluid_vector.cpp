// The vectorised calls: n states, saturated pairs or derivatives in one call, a failed element
// marked instead of thrown.
#include <cmath>
#include <limits>

#include "api/fluid_impl.h"

namespace xalt1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double at(const Column& c, std::size_t i) {
    return c.data[static_cast<std::ptrdiff_t>(i) * c.stride];
}

void put(const Outputs& out, std::size_t i, const State& st) {
    for (std::size_t k = 0; k < QUANTITY_COUNT; ++k) {
        double* column = out.column(static_cast<Quantity>(k));
        if (column != nullptr) column[i] = value_of(st, static_cast<Quantity>(k));
    }
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
                          const Outputs& out, PhaseChoice phase) const {
    std::size_t failed = 0;
    detail::CallScope scope(impl_->records, impl_->id);
    for (std::size_t i = 0; i < n; ++i) {
        try {
            put(out, i, impl_->solve(input, at(first, i), at(second, i), phase));
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

std::size_t Fluid::derivatives(Input input, Column first, Column second, std::size_t n,
                               const std::vector<Derivative>& asked, double* const* out,
                               const Outputs& states, std::string* why, PhaseChoice phase) const {
    const Impl& m = *impl_;
    std::size_t failed = 0;
    detail::CallScope scope(m.records, m.id);
    for (std::size_t i = 0; i < n; ++i) {
        if (why != nullptr) why[i].clear();
        try {
            const detail::Found found = m.find(input, at(first, i), at(second, i), phase);
            put(states, i, m.state_of(found));
            for (std::size_t k = 0; k < asked.size(); ++k) {
                std::string reason;
                out[k][i] = m.derivative_of(found, asked[k], reason);
                if (why != nullptr && !reason.empty() && why[i].empty()) why[i] = reason;
            }
        } catch (const std::exception& e) {
            put_failure(states, i, e.what());
            for (std::size_t k = 0; k < asked.size(); ++k) out[k][i] = kNaN;
            if (why != nullptr) why[i] = e.what();
            ++failed;
        }
    }
    return failed;
}

}  // namespace xalt1
