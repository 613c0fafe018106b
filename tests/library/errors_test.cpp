// Bad input raises an Error whose message names the input, the fluid's range and the reason, or
// marks its element of an array call; the library never writes to the console or a work file
// and never waits for input.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "library/library_support.h"
#include "platform/record_io.h"

namespace {

using xalt1::Error;
using xalt1::ErrorKind;
using xalt1::Fluid;
using xalt1::Input;
using xalt1::Units;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The kind and the parts of the message an error must carry.
void expect_error(const std::function<void()>& call, ErrorKind kind,
                  const std::vector<std::string>& parts) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), kind) << e.what();
        for (const std::string& part : parts)
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << "'" << part << "' not in: " << e.what();
    }
}

struct BadState {
    const char* what;
    Input input;
    double a, b;  // b < -1e9: the saturation pressure at a
    ErrorKind kind;
    std::vector<std::string> parts;
};

constexpr double kSaturationPressure = -1e10;

// R1234yf in mass units: range 121.6.. (raised to 0.3 Tc) to 410 K, up to 100 MPa.
const BadState kBadStates[] = {
    {"NaN temperature", Input::Tp, kNaN, 1.0, ErrorKind::bad_input, {"T = nan", "not a finite"}},
    {"infinite enthalpy", Input::ph, 1.0, kInf, ErrorKind::bad_input, {"h = inf kJ/kg"}},
    {"negative density", Input::TD, 300.0, -1.0, ErrorKind::bad_input, {"D must be positive"}},
    {"zero pressure", Input::ps, 0.0, 1.0, ErrorKind::bad_input, {"p must be positive"}},
    {"x above 1", Input::Tx, 300.0, 1.5, ErrorKind::bad_input, {"x must lie in [0, 1]"}},
    {"T above Tmax", Input::Tp, 500.0, 1.0, ErrorKind::out_of_range, {"T = 500 K", "to 410 K"}},
    {"T below Tmin", Input::TD, 50.0, 1000.0, ErrorKind::out_of_range, {"T outside"}},
    {"p above pmax", Input::Tp, 300.0, 150.0, ErrorKind::out_of_range, {"p up to 100 MPa"}},
    {"h beyond Tmax", Input::ph, 1.0, 5000.0, ErrorKind::out_of_range, {"h lies above"}},
    {"beyond close packing", Input::TD, 300.0, 1e5, ErrorKind::out_of_range, {"close packing"}},
    {"saturation above Tc", Input::Tx, 380.0, 0.5, ErrorKind::out_of_range, {"no saturation"}},
    {"p on the saturation line",
     Input::Tp,
     273.15,
     kSaturationPressure,
     ErrorKind::not_a_state,
     {"saturation pressure", "vapour fraction"}},
};

class BadInput : public testing::TestWithParam<BadState> {};

TEST_P(BadInput, RaisesErrorNamingInputRangeAndReason) {
    const Fluid& f = shipped_fluid("R1234yf", Units::mass);
    BadState bad = GetParam();
    // The saturation pressure itself, as the pair computes it.
    if (bad.b == kSaturationPressure) bad.b = f.saturation_T(bad.a).second.p;
    expect_error([&] { f.state(bad.input, bad.a, bad.b); }, bad.kind,
                 [&] {
                     std::vector<std::string> parts = bad.parts;
                     parts.push_back("R1234yf at ");
                     parts.push_back("the range of R1234yf: T from");
                     return parts;
                 }());
}

INSTANTIATE_TEST_SUITE_P(Table, BadInput, testing::ValuesIn(kBadStates), [](const auto& info) {
    std::string name = info.param.what;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(BadFluid, UnknownCodesAndUnreadableTables) {
    TemporaryFolder folder;
    std::ofstream(folder.path("empty.tab")) << "";
    std::filesystem::create_directory(folder.path("folder.tab"));
    // A hand-made table whose menu names a fluid without an entry.
    {
        std::ifstream shipped(xalt1::default_table());
        std::ofstream menu_only(folder.path("menu_only.tab"));
        std::string line;
        bool added = false;
        while (std::getline(shipped, line)) {
            if (!added && line.rfind("R-   ", 0) == 0) {
                menu_only << "R-   Water      water\n";
                added = true;
            }
            menu_only << line << '\n';
        }
    }
    struct Case {
        std::string code, table;
        ErrorKind kind;
        std::string part;
    };
    const Case cases[] = {
        {"Unobtainium", "", ErrorKind::unknown_fluid, "not a code of the menu"},
        {"", "", ErrorKind::unknown_fluid, "not a code"},
        {"Water", "", ErrorKind::unknown_fluid, "not a code of the menu"},  // left out
        {"Water", folder.path("menu_only.tab"), ErrorKind::unknown_fluid, "has no entry"},
        {"Argon", folder.path("missing.tab"), ErrorKind::unreadable_table, "cannot be opened"},
        {"Argon", folder.path("folder.tab"), ErrorKind::unreadable_table, "folder.tab"},
        {"Argon", folder.path("empty.tab"), ErrorKind::unreadable_table, "menu section"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code + " " + c.table);
        expect_error([&] { Fluid f(c.code, c.table); }, c.kind, {c.part});
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path("missing.tab")));  // not created
    expect_error([] { xalt1::input_pair("T", "u"); }, ErrorKind::not_a_state, {"(p,h)", "(h,s)"});
    expect_error([] { xalt1::input_pair("T", "T"); }, ErrorKind::not_a_state, {"not a supported"});
}

// An equation whose critical temperature in the table lies far above its own: no saturated pair
// near the table's Tc, so the saturation curve cannot be built.
TEST(BadFluid, NoSaturationCurve) {
    TemporaryFolder folder;
    std::ifstream in(XALT1_SHIPPED_TABLE);
    std::ostringstream table;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("Tc: 150.");
        if (line.rfind("A    Tc:", 0) == 0 && at != std::string::npos)
            line.replace(at, 8, "Tc: 450.");
        table << line << '\n';
    }
    std::ofstream(folder.path("hot.tab")) << table.str();
    expect_error([&] { Fluid f("Argon", folder.path("hot.tab")); }, ErrorKind::no_solution,
                 {"no saturated pair"});
}

// An array call marks its failed elements (NaN, phase -1, the message) and goes on.
TEST(Arrays, FailedElementsAreMarked) {
    const Fluid& f = shipped_fluid("R1234yf", Units::mass);
    const std::vector<double> p = {1.0, 1.0, -1.0, 1.0, kNaN};
    const std::vector<double> h = {420.0, 300.0, 420.0, 1e6, 420.0};
    const std::size_t n = p.size();
    std::vector<double> T(n), x(n), D(n);
    std::vector<int8_t> phase(n);
    std::vector<std::string> error(n, "stale");
    xalt1::Outputs out;
    out.T = T.data();
    out.x = x.data();
    out.D = D.data();
    out.phase = phase.data();
    out.error = error.data();
    EXPECT_EQ(f.states(Input::ph, {p.data(), 1}, {h.data(), 1}, n, out), 3u);
    for (std::size_t i : {0u, 1u}) {
        EXPECT_TRUE(error[i].empty());
        EXPECT_EQ(T[i], f.state_ph(p[i], h[i]).T);
    }
    EXPECT_EQ(phase[0], static_cast<int8_t>(xalt1::Phase::vapour));
    EXPECT_EQ(phase[1], static_cast<int8_t>(xalt1::Phase::two_phase));
    EXPECT_GT(x[1], 0.0);
    EXPECT_TRUE(std::isnan(x[0]));
    for (std::size_t i : {2u, 3u, 4u}) {
        EXPECT_TRUE(std::isnan(T[i]) && std::isnan(D[i]) && std::isnan(x[i]));
        EXPECT_EQ(phase[i], -1);
        EXPECT_NE(error[i].find("R1234yf at p = "), std::string::npos) << error[i];
    }
    // A stride of 0 repeats one value.
    const double one_pressure = 1.0;
    EXPECT_EQ(f.states(Input::ph, {&one_pressure, 0}, {h.data(), 1}, 2, out), 0u);
    EXPECT_EQ(T[1], f.state_ph(1.0, h[1]).T);
}

// Failures inside the core (an unknown fluid's console line, reports of a refused state) reach
// neither the console nor a work file, and nothing waits for Enter: standard input here is an
// empty stream, whose end would end the process.
TEST(Quiet, NoConsoleNoFilesNoPause) {
    TemporaryFolder folder;
    std::istringstream no_input;
    std::ostringstream console;
    set_console_streams(&no_input, &console);
    expect_error([] { Fluid f("Unobtainium"); }, ErrorKind::unknown_fluid, {});
    expect_error([] { Fluid f("Water"); }, ErrorKind::unknown_fluid, {});
    const Fluid& f = shipped_fluid("Argon");
    expect_error([&] { f.state_TD(100.0, 1e4); }, ErrorKind::out_of_range, {});
    expect_error([&] { f.state_Tp(100.0, 1e4); }, ErrorKind::out_of_range, {});
    EXPECT_GT(f.state_TD(100.0, 1e-9).p, 0.0);  // below the residual part's lowest density
    set_console_streams(nullptr, nullptr);
    EXPECT_EQ(console.str(), "");
    EXPECT_TRUE(folder.files().empty());
}

}  // namespace
