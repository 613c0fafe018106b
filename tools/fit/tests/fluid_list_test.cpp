// The user's fluid list, the reference-state rule, the accuracy report and the plots'
// legibility.
#include "output/fluid_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "output/report.h"
#include "output/svg_plot.h"
#include "policy/fluids.h"

namespace {

fit::Fluid fluid(const std::string& code, double Ttriple, double Tc) {
    fit::Fluid f;
    f.code = code;
    f.name = code + " name";
    f.cls = fit::FluidClass::dipolar;
    f.M = 102.032;
    f.Tc = Tc;
    f.Ttriple = Ttriple;
    f.Tmax = 455;
    f.pmax = 70;
    return f;
}

TEST(ReferenceState, IirWhereZeroCelsiusLiesInTheRangeElseNormalBoilingPoint) {
    struct Case {
        const char* code;
        double Ttriple, Tc;
        fit::ReferenceState expected;
    } cases[] = {
        {"R134a", 169.85, 374.2, fit::ReferenceState::iir},
        {"Ethylene", 103.989, 282.35, fit::ReferenceState::iir},
        {"Edge", 273.15, 300.0, fit::ReferenceState::iir},       // the triple point itself
        {"Argon", 83.806, 150.687, fit::ReferenceState::nbp},    // Tc below 0 degC
        {"Benzene", 278.674, 562.02, fit::ReferenceState::nbp},  // triple point above 0 degC
        {"AtTc", 100.0, 273.15, fit::ReferenceState::nbp},       // no liquid at Tc
        {"Water", 273.16, 647.096, fit::ReferenceState::triple},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fit::reference_state_of(fluid(c.code, c.Ttriple, c.Tc), c.Tc), c.expected)
            << c.code;
}

TEST(FluidList, OneRowPerEntryStartingWithItsCode) {
    const fit::Fluid a = fluid("R134a", 169.85, 374.2), b = fluid("Argon", 83.806, 150.687);
    std::vector<fit::Entry> entries(2);
    entries[0].fluid = &a;
    entries[0].Tc = 374.0123;
    entries[0].Pc = 4.05;
    entries[0].Dc = 5.1;
    entries[0].reference = fit::ReferenceState::iir;
    entries[1].fluid = &b;
    entries[1].reference = fit::ReferenceState::nbp;
    std::vector<fit::FluidAccuracy> accuracy(2);
    // one saturation state 1.24 % off: the ps target is missed
    fit::add(accuracy[1].stat(fit::Measure::saturation_pressure), 1.24);
    const std::vector<fit::MenuLine> menu = {{"R134a", "R134a name", &entries[0]},
                                             {"Argon", "Argon name", &entries[1]}};
    const std::string text = fit::fluid_list_text(menu, entries, accuracy, {a, b});
    EXPECT_NE(text.find("\n| R134a | 1 | R134a name | dipolar | 102.0320 | 374.012 | 4.0500 | "
                        "5.1000 | 169.850 | 455 | 70 | IIR | met |\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n| Argon | 2 | Argon name | dipolar |"), std::string::npos);
    EXPECT_NE(text.find(" | NBP | ps 1.24 % |\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Left out"), std::string::npos) << text;
    EXPECT_THROW(fit::fluid_list_text(menu, entries, {}, {a, b}), std::runtime_error);
}

// Fluids without a menu line are listed after the table's fluids, without a number: with why
// they are left out and their figures where they have an entry, else with the reason that no
// entry could be made.
TEST(FluidList, LeftOutFluidsHaveNoNumberButTheirReason) {
    const fit::Fluid a = fluid("Water", 273.16, 647.096), b = fluid("R11", 162.68, 471.11),
                     c = fluid("Gone", 200.0, 500.0);
    std::vector<fit::Entry> entries(2);
    entries[0].fluid = &a;
    entries[1].fluid = &b;
    std::vector<fit::FluidAccuracy> accuracy(2);
    accuracy[0].cls = fit::FluidClass::dipolar;
    accuracy[0].dTc = 4.5;
    accuracy[0].guard_states = 3;
    fit::add(accuracy[0].stat(fit::Measure::saturation_pressure), 0.4);
    const std::vector<fit::MenuLine> menu = {{"R11", "R11 name", &entries[1]}};
    const std::string text = fit::fluid_list_text(menu, entries, accuracy, {a, b, c});
    EXPECT_NE(text.find("\n| R11 | 1 | R11 name |"), std::string::npos) << text;
    const std::size_t section = text.find("\n## Left out of the table\n");
    ASSERT_NE(section, std::string::npos) << text;
    EXPECT_NE(text.find("\n| Water | Water name | dipolar | 102.0320 | 273.160 | 455 | 70 | "
                        "Tc 4.50 %, physics check: 3 states | 0.40 | 0.00 | 0.00 | 0.00 | 0.00 | "
                        "0.00 | 0.00 | 4.500 | 0.00 |\n",
                        section),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find("\n| Gone | Gone name | dipolar | 102.0320 | 200.000 | 455 | 70 | no entry: ",
                  section),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("| R11 |", section), std::string::npos) << text;
}

// The library's metadata file: the shipped fluids in menu order with an empty left_out, then
// the left-out fluids with the reason of the fluid list.
TEST(FluidMetadata, ShippedRowsThenLeftOutRowsWithTheirReason) {
    fit::Fluid a = fluid("Water", 273.16, 647.096), b = fluid("R11", 162.68, 471.11),
               c = fluid("Gone", 200.0, 500.0);
    b.name = "trichloro,fluoromethane";
    std::vector<fit::Entry> entries(2);
    entries[0].fluid = &a;
    entries[1].fluid = &b;
    entries[1].reference = fit::ReferenceState::iir;
    std::vector<fit::FluidAccuracy> accuracy(2);
    accuracy[0].cls = fit::FluidClass::dipolar;
    accuracy[0].dTc = 4.5;
    accuracy[0].guard_states = 3;
    const std::vector<fit::MenuLine> menu = {{"R11", "R11 name", &entries[1]}};
    EXPECT_EQ(fit::fluid_metadata_text(menu, entries, accuracy, {a, b, c}),
              "code,name,class,Ttriple,Tmax,pmax,reference_state,targets,left_out\n"
              "R11,\"trichloro,fluoromethane\",dipolar,162.680,455,70,IIR,met,\n"
              "Water,Water name,dipolar,273.160,455,70,,,\"Tc 4.50 %, physics check: 3 states\"\n"
              "Gone,Gone name,dipolar,200.000,455,70,,,no entry: the fitted equation has no "
              "saturated liquid at the reference-state temperature\n");
}

// The menu holds the shipped entries only: in the menu order, a listed fluid that is not shipped
// without a line (the numbers after it move up), an unlisted one at the end.
TEST(Menu, ShippedEntriesInTheMenuOrder) {
    const std::vector<std::string> order = {"Argon", "Water", "R11"};
    const fit::Fluid argon = fluid("Argon", 83.8, 150.7), r11 = fluid("R11", 162.7, 471.1),
                     neon = fluid("Neon", 24.6, 44.5);
    std::vector<fit::Entry> shipped(3);
    shipped[0].fluid = &neon;
    shipped[1].fluid = &r11;
    shipped[2].fluid = &argon;
    const std::vector<fit::MenuLine> menu = fit::menu_lines(order, shipped);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].code, "Argon");
    EXPECT_EQ(menu[1].code, "R11");
    EXPECT_EQ(menu[2].code, "Neon");
    EXPECT_EQ(menu[1].entry, &shipped[1]);
    EXPECT_EQ(menu[1].name, "R11 name");
}

TEST(FluidList, TargetsTextNamesEveryMissedFigure) {
    fit::FluidAccuracy a;
    EXPECT_EQ(fit::targets_text(a), "met");
    a.dTc = -0.5;
    a.dpc = 2.5;
    EXPECT_EQ(fit::targets_text(a), "Tc 0.50 %, pc 2.50 %");
    a.sat_failures = 2;
    EXPECT_EQ(fit::missed_targets(a).front(), "saturation failures");
}

// Within the bounds of use a fluid is shipped, whatever targets it misses; a failed saturation,
// a second saturated pair, a failed density or a physics-check state keeps it out.
TEST(ShippingRule, BoundsOfUseAndSoundnessDecide) {
    fit::FluidAccuracy within;
    within.cls = fit::FluidClass::dipolar;
    within.dpc = 4.9;
    fit::add(within.stat(fit::Measure::sound_speed), 4.9);
    EXPECT_TRUE(fit::shipped(within));
    const std::pair<const char*, void (*)(fit::FluidAccuracy&)> faults[] = {
        {"saturation failure", [](fit::FluidAccuracy& a) { a.sat_failures = 1; }},
        {"second saturated pair", [](fit::FluidAccuracy& a) { a.sat_conflicts = 1; }},
        {"density failure", [](fit::FluidAccuracy& a) { a.density_failures = 1; }},
        {"physics check", [](fit::FluidAccuracy& a) { a.guard_states = 1; }},
        {"pc beyond the bounds", [](fit::FluidAccuracy& a) { a.dpc = -5.1; }},
    };
    for (const auto& [name, fault] : faults) {
        fit::FluidAccuracy a = within;
        fault(a);
        EXPECT_FALSE(fit::shipped(a)) << name;
    }
    within.sat_conflicts = 1;
    EXPECT_EQ(fit::targets_text(within).rfind("second saturated pair", 0), 0u);
}

std::vector<std::string> attribute_values(const std::string& svg, const std::string& attribute) {
    std::vector<std::string> values;
    for (std::size_t at = svg.find(attribute + "=\""); at != std::string::npos;
         at = svg.find(attribute + "=\"", at + 1)) {
        const std::size_t start = at + attribute.size() + 2;
        values.push_back(svg.substr(start, svg.find('"', start) - start));
    }
    return values;
}

TEST(SvgPlot, EveryTickOfTheReducedTemperatureAxisIsLabelled) {
    // The reference states start a hair above 0.5 Tc (temperatures rounded to 0.01 K).
    fit::Series s{"A", {{0.50003, 1.0}, {0.95, -1.0}}, false, 0};
    const std::string svg = fit::svg_plot("t", "T/Tc", "dev", {s});
    for (const char* label : {">0.5<", ">0.6<", ">0.7<", ">0.8<", ">0.9<"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
}

TEST(SvgPlot, TenFluidsTenColoursAndNeighboursDifferInShape) {
    std::vector<fit::Series> series;
    for (int i = 0; i < 10; ++i)
        series.push_back({"F" + std::to_string(i), {{0.5, i * 1.0}, {0.9, i + 1.0}}, true, i});
    const std::string svg = fit::svg_plot("t", "T/Tc", "dev", series);
    const auto strokes = attribute_values(svg, "stroke");
    std::set<std::string> colours(strokes.begin(), strokes.end());
    colours.erase("black");
    colours.erase("#ddd");
    EXPECT_EQ(colours.size(), 10u);
    EXPECT_NE(svg.find("<circle"), std::string::npos);
    EXPECT_NE(svg.find("<rect x="), std::string::npos);
    EXPECT_NE(svg.find("<polygon"), std::string::npos);
}

}  // namespace

namespace {

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The accuracy report: the summary has a column for every figure of the figure table, the
// per-fluid table marks a fluid that misses its bounds as left out, the report states the
// targets, the bounds of use and the physics check's limits, and names a shipped fluid over its
// held ps.
TEST(Report, SummaryByClassAndPerFluidRows) {
    const std::string folder = testing::TempDir() + "report_test";
    const fit::Fluid a = fluid("R134a", 169.85, 374.2), b = fluid("R11", 162.68, 471.11);
    std::vector<fit::Entry> entries(2);
    entries[0].fluid = &a;
    entries[1].fluid = &b;
    std::vector<fit::FluidAccuracy> acc(2);
    acc[0].code = "R134a";
    acc[1].code = "R11";
    acc[0].cls = acc[1].cls = fit::FluidClass::dipolar;
    fit::add(acc[0].stat(fit::Measure::saturation_pressure), 0.2);
    fit::add(acc[1].stat(fit::Measure::saturation_pressure), 2.5);  // beyond the bounds of use
    acc[0].held = {0.15, 0.5};                                      // shipped over its held ps
    acc[1].held = {0.1, 0.5};                                       // left out: not named
    fit::write_report(folder, entries, acc, {"Gone"}, {}, "X_MAXWEL", "data/reference");
    const std::string md = file_text(folder + "/accuracy.md");
    EXPECT_NE(md.find("| class | fluids | shipped | meeting all targets | ps % | D' % | D'' % | "
                      "D % | cp % | w % | hvap % | abs Tc % | abs pc % |\n"
                      "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n"
                      "| dipolar | 2 | 1 | 1 | 1.35 |"),
              std::string::npos)
        << md;
    EXPECT_NE(md.find("| R11 | dipolar | 2.50 |"), std::string::npos);
    EXPECT_NE(md.find("| left out |\n"), std::string::npos);
    EXPECT_NE(md.find("ps <= 0.5 %, D' <= 0.3 %, D'' <= 1 %, single-phase D <= 1 %, cp and w <= "
                      "2 %,\nenthalpy of vaporisation <= 1 %; Tc within 0.3 %, pc within 2 %."),
              std::string::npos);
    EXPECT_NE(md.find("(ps 2 %, D' 1 %, D'' 3 %, D 2 %, cp and\nw 5 %, enthalpy of vaporisation "
                      "3 %, Tc 1 %, pc 5 %)"),
              std::string::npos);
    EXPECT_NE(md.find("from max(Ttriple, 0.3 Tc) to 3 Tc"), std::string::npos);
    EXPECT_NE(md.find("(of 300 densities per isotherm)"), std::string::npos);
    EXPECT_NE(md.find("no entry could be made"), std::string::npos);
    EXPECT_NE(md.find(": Gone."), std::string::npos);
    EXPECT_NE(md.find("over their held ps or D''\n\n* R134a: ps 0.20 % against 0.15 % held\n\n"),
              std::string::npos)
        << md;
    std::filesystem::remove_all(folder);
}

}  // namespace
