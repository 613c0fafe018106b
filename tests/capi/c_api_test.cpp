// The C interface of libxalt1.so: refused handles and arguments, the kinds of failed inputs, the
// C++ interface's values through it, arrays with failed elements and strides, threads, and no
// output on the console.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xalt1/xalt1.h>
#include <xalt1/xalt1_c.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// A loaded fluid for the length of a test.
struct Loaded {
    xalt1_fluid* handle = nullptr;
    explicit Loaded(const char* code, int units = XALT1_MOLAR) {
        EXPECT_EQ(xalt1_load(code, XALT1_SHIPPED_TABLE, units, XALT1_REFERENCE_TABLE, &handle),
                  XALT1_OK)
            << xalt1_last_error();
    }
    ~Loaded() { xalt1_free(handle); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
};

bool same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;  // NaN equals NaN
}

// Every number bit for bit (NaN equals NaN) and the phase; not the struct's padding.
bool same_state(const xalt1_state& a, const xalt1_state& b) {
    return std::memcmp(&a, &b, offsetof(xalt1_state, phase)) == 0 && a.phase == b.phase;
}

void expect_same(const xalt1_state& c, const xalt1::State& cpp) {
    const double values[] = {c.T,  c.p, c.D, c.u, c.h,     c.s,       c.cv,
                             c.cp, c.f, c.g, c.w, c.mu_JT, c.kappa_T, c.x};
    for (std::size_t q = 0; q < xalt1::QUANTITY_COUNT; ++q)
        EXPECT_TRUE(same(values[q], xalt1::value_of(cpp, static_cast<xalt1::Quantity>(q))))
            << xalt1::quantity_name(static_cast<xalt1::Quantity>(q));
    EXPECT_EQ(c.phase, static_cast<int>(cpp.phase));
}

struct Refusal {
    const char* what;
    std::function<int(xalt1_fluid*)> call;
    int status;
};

TEST(CInterface, RefusesBadHandlesAndArgumentsWithAMessage) {
    Loaded co2("CO2");
    xalt1_fluid* freed = nullptr;
    ASSERT_EQ(xalt1_load("Argon", XALT1_SHIPPED_TABLE, XALT1_MOLAR, 0, &freed), XALT1_OK);
    ASSERT_EQ(xalt1_free(freed), XALT1_OK);
    double stranger[4] = {1, 2, 3, 4};
    auto* not_a_fluid = reinterpret_cast<xalt1_fluid*>(stranger);
    xalt1_state st;
    xalt1_fluid* out = nullptr;
    const char* text = nullptr;
    double value = 0;
    const std::vector<Refusal> refusals = {
        {"null handle", [&](xalt1_fluid*) { return xalt1_state_of(nullptr, 0, 300, 1, 0, &st); },
         XALT1_BAD_HANDLE},
        {"freed handle", [&](xalt1_fluid*) { return xalt1_state_of(freed, 0, 300, 1, 0, &st); },
         XALT1_BAD_HANDLE},
        {"freed twice", [&](xalt1_fluid*) { return xalt1_free(freed); }, XALT1_BAD_HANDLE},
        {"not a handle", [&](xalt1_fluid*) { return xalt1_info_of(not_a_fluid, nullptr); },
         XALT1_BAD_HANDLE},
        {"input -1", [&](xalt1_fluid* f) { return xalt1_state_of(f, -1, 300, 1, 0, &st); },
         XALT1_BAD_ARGUMENT},
        {"input 16", [&](xalt1_fluid* f) { return xalt1_state_of(f, 16, 300, 1, 0, &st); },
         XALT1_BAD_ARGUMENT},
        {"phase 3", [&](xalt1_fluid* f) { return xalt1_state_of(f, XALT1_TD, 300, 1, 3, &st); },
         XALT1_BAD_ARGUMENT},
        {"null state", [&](xalt1_fluid* f) { return xalt1_state_of(f, 0, 300, 1, 0, nullptr); },
         XALT1_BAD_ARGUMENT},
        {"null liquid", [&](xalt1_fluid* f) { return xalt1_saturation_T(f, 250, nullptr, &st); },
         XALT1_BAD_ARGUMENT},
        {"text 6", [&](xalt1_fluid* f) { return xalt1_text(f, 6, &text); }, XALT1_BAD_ARGUMENT},
        {"variable 9",
         [&](xalt1_fluid* f) { return xalt1_derivative(f, 9, 0, 2, 0, 300, 1, 0, &value); },
         XALT1_BAD_ARGUMENT},
        {"units 4", [&](xalt1_fluid*) { return xalt1_load("CO2", nullptr, 4, 0, &out); },
         XALT1_BAD_ARGUMENT},
        {"reference 4", [&](xalt1_fluid*) { return xalt1_load("CO2", nullptr, 0, 4, &out); },
         XALT1_BAD_ARGUMENT},
        {"null code", [&](xalt1_fluid*) { return xalt1_load(nullptr, nullptr, 0, 0, &out); },
         XALT1_BAD_ARGUMENT},
        {"null out", [&](xalt1_fluid*) { return xalt1_load("CO2", nullptr, 0, 0, nullptr); },
         XALT1_BAD_ARGUMENT},
        {"unknown fluid",
         [&](xalt1_fluid*) { return xalt1_load("NoSuchFluid", XALT1_SHIPPED_TABLE, 0, 0, &out); },
         XALT1_UNKNOWN_FLUID},
        {"missing table",
         [&](xalt1_fluid*) { return xalt1_load("CO2", "/nonexistent/x.tab", 0, 0, &out); },
         XALT1_UNREADABLE_TABLE},
        {"NaN input", [&](xalt1_fluid* f) { return xalt1_state_of(f, 0, NAN, 1, 0, &st); },
         XALT1_BAD_INPUT},
        {"x above 1", [&](xalt1_fluid* f) { return xalt1_state_of(f, XALT1_TX, 250, 1.5, 0, &st); },
         XALT1_BAD_INPUT},
        {"T above range", [&](xalt1_fluid* f) { return xalt1_state_of(f, 0, 5000, 1, 0, &st); },
         XALT1_OUT_OF_RANGE},
        {"saturation above Tc",
         [&](xalt1_fluid* f) { return xalt1_saturation_T(f, 320, &st, &st); }, XALT1_OUT_OF_RANGE},
    };
    for (const Refusal& r : refusals) {
        EXPECT_EQ(r.call(co2.handle), r.status) << r.what << ": " << xalt1_last_error();
        EXPECT_STRNE(xalt1_last_error(), "") << r.what;
        EXPECT_EQ(out, nullptr) << r.what;
    }
    EXPECT_STREQ(xalt1_status_name(XALT1_BAD_HANDLE), "bad handle");
    EXPECT_STREQ(xalt1_status_name(XALT1_OUT_OF_RANGE), "out of range");
    EXPECT_STREQ(xalt1_status_name(99), "unknown status");
    // A success clears the thread's message.
    EXPECT_EQ(xalt1_state_of(co2.handle, XALT1_TP, 300, 1, 0, &st), XALT1_OK);
    EXPECT_STREQ(xalt1_last_error(), "");
}

TEST(CInterface, MessageCopiedIntoABufferIsCutAndTerminated) {
    xalt1_fluid* out = nullptr;
    ASSERT_EQ(xalt1_load("NoSuchFluid", XALT1_SHIPPED_TABLE, 0, 0, &out), XALT1_UNKNOWN_FLUID);
    const std::string full = xalt1_last_error();
    char small[8];
    EXPECT_EQ(xalt1_last_error_copy(small, sizeof small), full.size());
    EXPECT_EQ(std::string(small), full.substr(0, 7));
    EXPECT_EQ(xalt1_last_error_copy(nullptr, 0), full.size());
    EXPECT_NE(full.find("NoSuchFluid"), std::string::npos);
}

struct PairCase {
    int input;
    double first, second;
    int phase;
};

TEST(CInterface, StatesSaturationAndDerivativesAreTheCppInterfaces) {
    Loaded c("R1234yf", XALT1_MASS);
    const xalt1::Fluid cpp("R1234yf", XALT1_SHIPPED_TABLE, xalt1::Units::mass);
    const std::vector<PairCase> cases = {
        {XALT1_TD, 300, 50, 0},  {XALT1_TP, 300, 1, 0},      {XALT1_PH, 1, 420, 0},
        {XALT1_PS, 1, 1.7, 0},   {XALT1_TX, 273.15, 0.3, 0}, {XALT1_HS, 400, 1.75, 0},
        {XALT1_TH, 300, 250, 1}, {XALT1_PD, 2, 1000, 0},     {XALT1_TP, 300, 0.5, 1}};
    for (const PairCase& k : cases) {
        xalt1_state st;
        ASSERT_EQ(xalt1_state_of(c.handle, k.input, k.first, k.second, k.phase, &st), XALT1_OK)
            << xalt1_last_error();
        expect_same(st, cpp.state(static_cast<xalt1::Input>(k.input), k.first, k.second,
                                  static_cast<xalt1::PhaseChoice>(k.phase)));
    }
    xalt1_state liquid, vapour;
    ASSERT_EQ(xalt1_saturation_T(c.handle, 273.15, &liquid, &vapour), XALT1_OK);
    expect_same(liquid, cpp.saturation_T(273.15).first);
    expect_same(vapour, cpp.saturation_T(273.15).second);
    ASSERT_EQ(xalt1_saturation_p(c.handle, 0.5, &liquid, &vapour), XALT1_OK);
    expect_same(vapour, cpp.saturation_p(0.5).second);
    double dDdh = 0;
    ASSERT_EQ(xalt1_derivative(c.handle, XALT1_VAR_D, XALT1_VAR_H, XALT1_VAR_P, XALT1_PH, 1, 420, 0,
                               &dDdh),
              XALT1_OK);
    using V = xalt1::Variable;
    EXPECT_EQ(dDdh, cpp.derivative({V::D, V::h, V::p}, xalt1::Input::ph, 1, 420));
    xalt1_state critical;
    ASSERT_EQ(xalt1_critical(c.handle, &critical), XALT1_OK);
    expect_same(critical, cpp.critical());
}

TEST(CInterface, MetadataAndVersionAreTheCppInterfaces) {
    Loaded c("R1234yf");
    const xalt1::Fluid cpp("R1234yf", XALT1_SHIPPED_TABLE);
    xalt1_info info;
    ASSERT_EQ(xalt1_info_of(c.handle, &info), XALT1_OK);
    const xalt1::FluidInfo& i = cpp.info();
    EXPECT_EQ(info.M, i.M);
    EXPECT_EQ(info.Tc, i.Tc);
    EXPECT_EQ(info.pc, i.pc);
    EXPECT_TRUE(same(info.Tnbp, i.Tnbp));
    EXPECT_TRUE(same(info.acentric, i.acentric));
    EXPECT_EQ(info.range_Tmin, cpp.range().Tmin);
    EXPECT_EQ(info.range_pmax, cpp.range().pmax);
    EXPECT_EQ(info.meets_targets, i.meets_targets ? 1 : 0);
    const std::vector<std::pair<int, std::string>> texts = {
        {XALT1_TEXT_CODE, i.code},         {XALT1_TEXT_NAME, i.name},
        {XALT1_TEXT_CLASS, i.fluid_class}, {XALT1_TEXT_REFERENCE, i.reference_state},
        {XALT1_TEXT_TARGETS, i.targets},   {XALT1_TEXT_TABLE, XALT1_SHIPPED_TABLE}};
    for (const auto& [which, expected] : texts) {
        const char* text = nullptr;
        ASSERT_EQ(xalt1_text(c.handle, which, &text), XALT1_OK);
        EXPECT_EQ(text, expected) << which;
    }
    EXPECT_EQ(std::string(xalt1_version()), xalt1::version());
    EXPECT_EQ(std::string(xalt1_default_table()), xalt1::default_table());
}

TEST(CInterface, ArrayMarksFailedElementsAndReportsTheFirst) {
    Loaded c("CO2");
    const double T[] = {300, 5000, 250, NAN, 320};
    const double p = 1.0;  // stride 0: one pressure for every element
    xalt1_state states[5];
    int status[5];
    size_t failed = 0;
    const uint64_t before = xalt1_evaluation_count();
    EXPECT_EQ(xalt1_states(c.handle, XALT1_TP, T, 1, &p, 0, 5, 0, states, status, &failed),
              XALT1_OUT_OF_RANGE);
    EXPECT_GT(xalt1_evaluation_count(), before);
    const std::string first_message = xalt1_last_error();
    EXPECT_NE(first_message.find("5000"), std::string::npos) << first_message;
    EXPECT_EQ(failed, 2u);
    const int expected[] = {XALT1_OK, XALT1_OUT_OF_RANGE, XALT1_OK, XALT1_BAD_INPUT, XALT1_OK};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(status[i], expected[i]) << i;
        xalt1_state one;
        const int rc = xalt1_state_of(c.handle, XALT1_TP, T[i], p, 0, &one);
        EXPECT_EQ(rc, expected[i]);
        if (rc == XALT1_OK) {
            EXPECT_TRUE(same_state(one, states[i])) << i;
        } else {
            EXPECT_EQ(states[i].phase, XALT1_FAILED);
            EXPECT_TRUE(std::isnan(states[i].T) && std::isnan(states[i].h));
        }
    }
}

TEST(CInterface, ArrayStridesCountElements) {
    Loaded c("Argon");
    // (T, D) interleaved in one array: stride 2 from two starting points; then backwards.
    const double TD[] = {150, 1, 200, 2, 250, 3};
    xalt1_state forward[3], backward[3];
    ASSERT_EQ(xalt1_states(c.handle, XALT1_TD, TD, 2, TD + 1, 2, 3, 0, forward, nullptr, nullptr),
              XALT1_OK);
    ASSERT_EQ(
        xalt1_states(c.handle, XALT1_TD, TD + 4, -2, TD + 5, -2, 3, 0, backward, nullptr, nullptr),
        XALT1_OK);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(forward[i].T, TD[2 * i]);
        EXPECT_EQ(forward[i].D, TD[2 * i + 1]);
        EXPECT_TRUE(same_state(forward[i], backward[2 - i]));
    }
    // No elements: no arrays needed; a null array with elements is refused, nothing written.
    EXPECT_EQ(
        xalt1_states(c.handle, XALT1_TD, nullptr, 1, nullptr, 1, 0, 0, nullptr, nullptr, nullptr),
        XALT1_OK);
    size_t failed = 7;
    EXPECT_EQ(xalt1_states(c.handle, XALT1_TD, TD, 1, nullptr, 1, 3, 0, forward, nullptr, &failed),
              XALT1_BAD_ARGUMENT);
    EXPECT_EQ(failed, 7u);
}

// Each thread's states, one handle shared and one of its own, and its own last message.
TEST(CInterface, TwoThreadsGetTheSingleThreadResultsAndTheirOwnMessages) {
    Loaded shared("R134a"), one("CO2"), two("Propane");
    std::vector<double> T(60), p(60);
    for (int i = 0; i < 60; ++i) T[i] = 240.0 + 2.0 * i, p[i] = 0.2 + 0.05 * i;
    auto run = [&](xalt1_fluid* f) {
        std::vector<xalt1_state> out(T.size());
        xalt1_states(f, XALT1_TP, T.data(), 1, p.data(), 1, T.size(), 0, out.data(), nullptr,
                     nullptr);
        return out;
    };
    const auto shared_alone = run(shared.handle), one_alone = run(one.handle),
               two_alone = run(two.handle);
    auto same_states = [](const std::vector<xalt1_state>& a, const std::vector<xalt1_state>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), same_state);
    };
    bool first_ok = true, second_ok = true;
    std::string first_message, second_message;
    std::thread first([&] {
        for (int round = 0; round < 3; ++round)
            first_ok = first_ok && same_states(run(shared.handle), shared_alone) &&
                       same_states(run(one.handle), one_alone);
        xalt1_state st;
        xalt1_state_of(one.handle, XALT1_TP, 5000, 1, 0, &st);
        first_message = xalt1_last_error();
    });
    std::thread second([&] {
        for (int round = 0; round < 3; ++round)
            second_ok = second_ok && same_states(run(shared.handle), shared_alone) &&
                        same_states(run(two.handle), two_alone);
        second_message = xalt1_last_error();
    });
    first.join();
    second.join();
    EXPECT_TRUE(first_ok);
    EXPECT_TRUE(second_ok);
    EXPECT_NE(first_message.find("5000"), std::string::npos);
    EXPECT_EQ(second_message, "");
}

// Everything written to file descriptors 1 and 2 while it lives.
class ConsoleCapture {
  public:
    ConsoleCapture() : file_(std::tmpfile()) {
        std::fflush(nullptr);
        for (int fd : {1, 2}) {
            kept_[fd - 1] = dup(fd);
            dup2(fileno(file_), fd);
        }
    }
    ~ConsoleCapture() { std::fclose(file_); }
    std::string finish() {
        std::fflush(nullptr);
        for (int fd : {1, 2}) {
            dup2(kept_[fd - 1], fd);
            close(kept_[fd - 1]);
        }
        std::string text;
        std::rewind(file_);
        for (int ch = std::fgetc(file_); ch != EOF; ch = std::fgetc(file_))
            text.push_back(static_cast<char>(ch));
        return text;
    }

  private:
    std::FILE* file_;
    int kept_[2] = {-1, -1};
};

TEST(CInterface, WritesNothingToTheConsoleWhateverFails) {
    ConsoleCapture console;
    xalt1_fluid* f = nullptr;
    xalt1_load("NoSuchFluid", XALT1_SHIPPED_TABLE, 0, 0, &f);
    xalt1_load("CO2", "/nonexistent/x.tab", 0, 0, &f);
    xalt1_load("CO2", XALT1_SHIPPED_TABLE, 0, 0, &f);
    xalt1_state st, vap;
    const double T[] = {304.1, 216.0, 1e-3, 5000, 250};
    const double D[] = {10.6, 1e-9, 1.0, 1.0, 30.0};
    xalt1_states(f, XALT1_TD, T, 1, D, 1, 5, 0, nullptr, nullptr, nullptr);
    std::vector<xalt1_state> out(5);
    xalt1_states(f, XALT1_TD, T, 1, D, 1, 5, 0, out.data(), nullptr, nullptr);
    xalt1_saturation_T(f, 304.12, &st, &vap);
    xalt1_saturation_p(f, 7.37, &st, &vap);
    xalt1_state_of(f, XALT1_PH, 1e-9, 1.0, 0, &st);
    xalt1_state_of(f, XALT1_PD, 1000.0, 30.0, 0, &st);
    xalt1_free(f);
    xalt1_free(f);
    EXPECT_EQ(console.finish(), "");
}

}  // namespace
