// The C interface over the C++ one: handles kept in a registry so that a freed or unknown one is
// refused instead of followed, every exception turned into a return code and the thread's last
// message.
#include "capi/xalt1_c.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <unordered_set>

#include "api/xalt1.h"

struct xalt1_fluid {
    xalt1::Fluid fluid;
};

namespace {

using xalt1::Fluid;

static_assert(XALT1_SX == static_cast<int>(xalt1::Input::sx) && xalt1::INPUT_COUNT == XALT1_SX + 1);
static_assert(XALT1_SI_MOLAR == static_cast<int>(xalt1::Units::SI_molar));
static_assert(XALT1_REFERENCE_NBP == static_cast<int>(xalt1::Reference::Kind::NBP));
static_assert(XALT1_VAPOUR_PHASE == static_cast<int>(xalt1::PhaseChoice::vapour));
static_assert(XALT1_TWO_PHASE == static_cast<int>(xalt1::Phase::two_phase));
static_assert(XALT1_VAR_F == static_cast<int>(xalt1::Variable::f) &&
              xalt1::VARIABLE_COUNT == XALT1_VAR_F + 1);
static_assert(XALT1_NOT_A_STATE == static_cast<int>(xalt1::ErrorKind::not_a_state) + 1);

constexpr int kTextCount = XALT1_TEXT_TABLE + 1;
constexpr int kReferenceCount = XALT1_REFERENCE_NBP + 1;
constexpr int kUnitsCount = XALT1_SI_MOLAR + 1;
constexpr int kPhaseChoiceCount = XALT1_VAPOUR_PHASE + 1;

thread_local std::string last_message;
thread_local std::string default_table_text;

// The loaded handles. Calls hold the lock shared; xalt1_free holds it alone, so a handle is
// never freed under a running call.
std::shared_mutex registry_lock;
std::unordered_set<const xalt1_fluid*>& registry() {
    static std::unordered_set<const xalt1_fluid*> handles;
    return handles;
}

// A failure of the call's own arguments, thrown inside a guarded call.
struct CallError {
    int status;
    const char* why;
};

void require(bool ok, const char* why) {
    if (!ok) throw CallError{XALT1_BAD_ARGUMENT, why};
}

bool within(int value, int count) {
    return value >= 0 && value < count;
}

int status_of(const xalt1::Error& e) {
    return static_cast<int>(e.kind()) + 1;
}

int failed(int status, const char* why) {
    last_message = why;
    return status;
}

// Runs `call` (which returns a status) with the thread's message cleared; any exception becomes
// a status and the message.
template <class Call>
int guarded(Call&& call) noexcept {
    try {
        last_message.clear();
        return call();
    } catch (const CallError& e) {
        return failed(e.status, e.why);
    } catch (const xalt1::Error& e) {
        return failed(status_of(e), e.what());
    } catch (const std::bad_alloc&) {
        return failed(XALT1_INTERNAL, "out of memory");
    } catch (const std::exception& e) {
        return failed(XALT1_INTERNAL, e.what());
    } catch (...) {
        return failed(XALT1_INTERNAL, "an unexpected failure");
    }
}

// `call(fluid)` on a loaded handle, the handle kept alive while it runs.
template <class Call>
int with_fluid(const xalt1_fluid* handle, Call&& call) noexcept {
    return guarded([&] {
        std::shared_lock<std::shared_mutex> hold(registry_lock);
        if (handle == nullptr || registry().count(handle) == 0)
            throw CallError{XALT1_BAD_HANDLE, "not a loaded fluid"};
        return call(handle->fluid);
    });
}

void put(const xalt1::State& st, xalt1_state& out) {
    out = {st.T, st.p,     st.D,       st.u, st.h,
           st.s, st.cv,    st.cp,      st.f, st.g,
           st.w, st.mu_JT, st.kappa_T, st.x, static_cast<int>(st.phase)};
}

void put_failure(xalt1_state& out) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    out = {nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, XALT1_FAILED};
}

xalt1::Input input_of(int input) {
    require(within(input, static_cast<int>(xalt1::INPUT_COUNT)), "unknown input pair");
    return static_cast<xalt1::Input>(input);
}

xalt1::PhaseChoice phase_of(int phase) {
    require(within(phase, kPhaseChoiceCount), "unknown phase choice");
    return static_cast<xalt1::PhaseChoice>(phase);
}

xalt1::Variable variable_of(int v) {
    require(within(v, static_cast<int>(xalt1::VARIABLE_COUNT)), "unknown derivative variable");
    return static_cast<xalt1::Variable>(v);
}

const std::string& text_of(const Fluid& f, int which) {
    const xalt1::FluidInfo& info = f.info();
    switch (which) {
        case XALT1_TEXT_CODE:
            return info.code;
        case XALT1_TEXT_NAME:
            return info.name;
        case XALT1_TEXT_CLASS:
            return info.fluid_class;
        case XALT1_TEXT_REFERENCE:
            return info.reference_state;
        case XALT1_TEXT_TARGETS:
            return info.targets;
        default:
            return f.table();
    }
}

// Element i of a strided input column.
double at(const double* column, ptrdiff_t stride, size_t i) {
    return column[static_cast<ptrdiff_t>(i) * stride];
}

int saturation(const xalt1_fluid* handle, Fluid::SaturationBy by, double value, xalt1_state* liquid,
               xalt1_state* vapour) {
    return with_fluid(handle, [&](const Fluid& f) {
        require(liquid != nullptr && vapour != nullptr, "null state");
        const auto [l, v] =
            by == Fluid::SaturationBy::T ? f.saturation_T(value) : f.saturation_p(value);
        put(l, *liquid);
        put(v, *vapour);
        return XALT1_OK;
    });
}

}  // namespace

extern "C" {

const char* xalt1_version(void) {
    return xalt1::version().data();
}

const char* xalt1_last_error(void) {
    return last_message.c_str();
}

size_t xalt1_last_error_copy(char* buffer, size_t size) {
    if (buffer != nullptr && size > 0) {
        const size_t n = std::min(size - 1, last_message.size());
        last_message.copy(buffer, n);
        buffer[n] = '\0';
    }
    return last_message.size();
}

const char* xalt1_status_name(int status) {
    static const char* const kNames[] = {
        "ok",          "unknown fluid", "unreadable table", "bad input",  "out of range",
        "no solution", "not a state",   "bad argument",     "bad handle", "internal error"};
    return within(status, XALT1_INTERNAL + 1) ? kNames[status] : "unknown status";
}

uint64_t xalt1_evaluation_count(void) {
    return xalt1::evaluation_count();
}

const char* xalt1_default_table(void) {
    const int status = guarded([] {
        default_table_text = xalt1::default_table();
        return XALT1_OK;
    });
    return status == XALT1_OK ? default_table_text.c_str() : "";
}

int xalt1_load(const char* code, const char* table, int units, int reference, xalt1_fluid** fluid) {
    return guarded([&] {
        require(fluid != nullptr, "null fluid pointer");
        *fluid = nullptr;
        require(code != nullptr, "null fluid code");
        require(within(units, kUnitsCount), "unknown units");
        require(within(reference, kReferenceCount), "unknown reference state");
        xalt1::Options options{static_cast<xalt1::Units>(units),
                               {static_cast<xalt1::Reference::Kind>(reference)}};
        auto loaded =
            std::make_unique<xalt1_fluid>(Fluid(code, table == nullptr ? "" : table, options));
        std::unique_lock<std::shared_mutex> hold(registry_lock);
        registry().insert(loaded.get());
        *fluid = loaded.release();
        return XALT1_OK;
    });
}

int xalt1_free(xalt1_fluid* fluid) {
    if (fluid == nullptr) return guarded([] { return XALT1_OK; });
    return guarded([&] {
        std::unique_lock<std::shared_mutex> hold(registry_lock);
        if (registry().erase(fluid) == 0) throw CallError{XALT1_BAD_HANDLE, "not a loaded fluid"};
        delete fluid;
        return XALT1_OK;
    });
}

int xalt1_info_of(const xalt1_fluid* fluid, xalt1_info* info) {
    return with_fluid(fluid, [&](const Fluid& f) {
        require(info != nullptr, "null info");
        const xalt1::FluidInfo& i = f.info();
        const xalt1::Range r = f.range();
        *info = {i.M,       i.Tc,   i.pc,       i.Dc,   i.Ttriple, i.Tmax, i.pmax,
                 i.ptriple, i.Tnbp, i.acentric, r.Tmin, r.Tmax,    r.pmax, i.meets_targets ? 1 : 0};
        return XALT1_OK;
    });
}

int xalt1_text(const xalt1_fluid* fluid, int which, const char** text) {
    return with_fluid(fluid, [&](const Fluid& f) {
        require(text != nullptr, "null text pointer");
        require(within(which, kTextCount), "unknown text");
        *text = text_of(f, which).c_str();
        return XALT1_OK;
    });
}

int xalt1_critical(const xalt1_fluid* fluid, xalt1_state* state) {
    return with_fluid(fluid, [&](const Fluid& f) {
        require(state != nullptr, "null state");
        put(f.critical(), *state);
        return XALT1_OK;
    });
}

int xalt1_state_of(const xalt1_fluid* fluid, int input, double first, double second, int phase,
                   xalt1_state* state) {
    return with_fluid(fluid, [&](const Fluid& f) {
        require(state != nullptr, "null state");
        put(f.state(input_of(input), first, second, phase_of(phase)), *state);
        return XALT1_OK;
    });
}

int xalt1_states(const xalt1_fluid* fluid, int input, const double* first, ptrdiff_t first_stride,
                 const double* second, ptrdiff_t second_stride, size_t n, int phase,
                 xalt1_state* states, int* status, size_t* failed) {
    return with_fluid(fluid, [&](const Fluid& f) {
        const xalt1::Input pair = input_of(input);
        const xalt1::PhaseChoice choice = phase_of(phase);
        require(n == 0 || (first != nullptr && second != nullptr && states != nullptr),
                "null array");
        int first_failure = XALT1_OK;
        size_t count = 0;
        for (size_t i = 0; i < n; ++i) {
            int element = XALT1_OK;
            try {
                put(f.state(pair, at(first, first_stride, i), at(second, second_stride, i), choice),
                    states[i]);
            } catch (const xalt1::Error& e) {
                element = status_of(e);
                if (first_failure == XALT1_OK) last_message = e.what();
            }
            if (element != XALT1_OK) {
                put_failure(states[i]);
                if (first_failure == XALT1_OK) first_failure = element;
                ++count;
            }
            if (status != nullptr) status[i] = element;
        }
        if (failed != nullptr) *failed = count;
        return first_failure;
    });
}

int xalt1_saturation_T(const xalt1_fluid* fluid, double T, xalt1_state* liquid,
                       xalt1_state* vapour) {
    return saturation(fluid, Fluid::SaturationBy::T, T, liquid, vapour);
}

int xalt1_saturation_p(const xalt1_fluid* fluid, double p, xalt1_state* liquid,
                       xalt1_state* vapour) {
    return saturation(fluid, Fluid::SaturationBy::p, p, liquid, vapour);
}

int xalt1_derivative(const xalt1_fluid* fluid, int of, int wrt, int constant, int input,
                     double first, double second, int phase, double* value) {
    return with_fluid(fluid, [&](const Fluid& f) {
        require(value != nullptr, "null value");
        const xalt1::Derivative d{variable_of(of), variable_of(wrt), variable_of(constant)};
        *value = f.derivative(d, input_of(input), first, second, phase_of(phase));
        return XALT1_OK;
    });
}

}  // extern "C"
