// The pair tool end to end: a pair fitted from five bubble points of one isotherm meets the
// pair's other isotherms; bad data stop it with the file and line named and write nothing; the
// binary file keeps one line per pair. eta fitted where xi alone misses D'; the single-phase
// densities; the rule of the fluid classes, its file, and a mixture that takes xi from it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/binary_pairs.h"
#include "api/xalt1.h"
#include "pair_checks.h"
#include "pair_fit.h"

namespace {

namespace fs = std::filesystem;

class Scratch {
  public:
    Scratch() : dir_(fs::temp_directory_path() / ("pair_test_" + std::to_string(::getpid()))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "vle");
    }
    ~Scratch() { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name) << text;
    }
    // Runs the tool; its exit code, its output in `output`.
    int run(const std::string& args, std::string& output) const {
        const std::string log = path("log.txt");
        const int status =
            std::system((std::string(XALT1_PAIR_TOOL) + " " + args + " >" + log + " 2>&1").c_str());
        std::ifstream in(log);
        output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WEXITSTATUS(status);
    }

  private:
    fs::path dir_;
};

// The message of the unreadable_table Error that `call` throws; a failure if it throws none.
template <class Call>
std::string unreadable(Call call) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const xalt1::Error& e) {
        EXPECT_EQ(e.kind(), xalt1::ErrorKind::unreadable_table);
        return e.what();
    }
    return "";
}

// The first isotherm's rows of a reference file, up to `count` mixtures' points.
std::string first_points(const std::string& pair, int count) {
    std::ifstream in(std::string(XALT1_MIXREF_DIR) + "/vle/" + pair + ".csv");
    std::string header, line, text;
    std::getline(in, header);
    text = header + "\n";
    std::string T0;
    int kept = 0;
    while (std::getline(in, line) && kept < count) {
        const std::string T = line.substr(0, line.find(','));
        if (T0.empty()) T0 = T;
        if (T != T0) break;
        if (line.find(",0,") != std::string::npos || line.find(",1,") != std::string::npos)
            continue;  // the pure ends
        text += line + "\n";
        ++kept;
    }
    return text;
}

TEST(PairTool, FiveBubblePointsOfOneIsothermFitThePair) {
    Scratch s;
    s.write("vle/R32_R134a.csv", first_points("R32_R134a", 5));
    std::string out;
    const std::string file = s.path("binary_pairs.csv");
    ASSERT_EQ(s.run("fit " + s.path("") + " R32 R134a " XALT1_SHIPPED_TABLE " " + file, out), 0)
        << out;
    EXPECT_NE(out.find("R32 with R134a: xi = "), std::string::npos) << out;
    const std::vector<xalt1::detail::BinaryPair> pairs = xalt1::detail::read_binary_pairs(file);
    ASSERT_EQ(pairs.size(), 1u);
    // Over all of the pair's isotherms.
    const pair_fit::Binary binary(XALT1_SHIPPED_TABLE, "R32", "R134a");
    const auto all = pair_fit::read_bubble_points(XALT1_MIXREF_DIR, "R32", "R134a");
    const pair_fit::Figures f = pair_fit::figures_of(binary, {pairs[0].xi, pairs[0].eta}, all);
    EXPECT_LT(f.p, 0.03);
    EXPECT_LT(f.y, 0.03);
    // Fitted again: the pair's line is replaced, not repeated.
    ASSERT_EQ(s.run("fit " + s.path("") + " R32 R134a " XALT1_SHIPPED_TABLE " " + file, out), 0);
    EXPECT_EQ(xalt1::detail::read_binary_pairs(file).size(), 1u);
}

TEST(PairTool, BadDataStopsItAndWritesNothing) {
    const std::string header = "T,p,x,y,Dliq,Dvap\n";
    const std::string good = "250,0.5,0.2,,,\n250,0.6,0.4,,,\n250,0.7,0.6,,,\n250,0.8,0.8,,,\n";
    const struct {
        std::string what, a, b, text, expected;
    } cases[] = {
        {"missing file", "R32", "R143a", "", "R32_R143a.csv: file not found"},
        {"unknown fluid", "R32", "Unobtainium", header + good + "250,0.9,0.9,,,\n", "Unobtainium"},
        {"fraction above 1", "R32", "R134a", header + good + "250,0.9,1.5,,,\n",
         "R32_R134a.csv:6: x lies outside [0, 1]"},
        {"four points", "R32", "R134a", header + good, "fewer than 5"},
        {"T not a number", "R32", "R134a", header + good + "warm,0.9,0.9,,,\n",
         "R32_R134a.csv:6: T is not a positive number"},
        {"p not a number", "R32", "R134a", header + good + "250,high,0.9,,,\n",
         "R32_R134a.csv:6: p is not a positive number"},
        {"header", "R32", "R134a", "T,p,x\n" + good, "R32_R134a.csv:1: the header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch s;
        if (!c.text.empty()) s.write("vle/" + c.a + "_" + c.b + ".csv", c.text);
        std::string out;
        const std::string file = s.path("binary_pairs.csv");
        EXPECT_EQ(s.run("fit " + s.path("") + " " + c.a + " " + c.b + " " XALT1_SHIPPED_TABLE +
                            " " + file,
                        out),
                  1);
        EXPECT_NE(out.find(c.expected), std::string::npos) << out;
        EXPECT_FALSE(fs::exists(file));
    }
}

TEST(BinaryFile, LinesThatAreNotPairsAreNamed) {
    Scratch s;
    const struct {
        std::string text, expected;
    } cases[] = {
        {"A,B,xi\n", "line 1: the header"},
        {"A,B,xi,eta,source,figures\nR32,R134a,abc,1,,\n", "line 2: xi and eta"},
        {"A,B,xi,eta,source,figures\nR32,R134a,1,1,,\nR32,R32,1,1,,\n", "line 3: two different"},
        {"A,B,xi,eta,source,figures\nR32,R134a,-1,1,,\n", "line 2: xi and eta"},
    };
    for (const auto& c : cases) {
        s.write("pairs.csv", c.text);
        const std::string what =
            unreadable([&] { xalt1::detail::read_binary_pairs(s.path("pairs.csv")); });
        EXPECT_NE(what.find(c.expected), std::string::npos) << what;
    }
}

// ---- eta and the single-phase densities -------------------------------------------------------

// CO2 with ethane: xi alone leaves D' 3 % off; eta more than halves that and keeps p and y.
TEST(EtaFit, HalvesTheLiquidDensityDeviationOfCO2WithEthane) {
    const pair_fit::Binary binary(XALT1_SHIPPED_TABLE, "CO2", "Ethane");
    const auto points = pair_fit::read_bubble_points(XALT1_MIXREF_DIR, "CO2", "Ethane");
    const pair_fit::FittedPair fit = pair_fit::fit_pair(binary, points);
    const pair_fit::Figures xi_alone = pair_fit::figures_of(binary, {fit.k.xi, 1.0}, points);
    EXPECT_GT(xi_alone.Dliq, 0.02);
    EXPECT_NE(fit.k.eta, 1.0);
    EXPECT_LT(fit.fitted.Dliq, 0.5 * xi_alone.Dliq);
    EXPECT_LT(fit.fitted.Dliq, 0.02);
    EXPECT_TRUE(pair_fit::meets_p_and_y(fit.fitted)) << pair_fit::figures_text(fit);
    EXPECT_NE(fit.eta_note.find("eta fitted"), std::string::npos) << fit.eta_note;
}

// A pair whose D' xi alone meets keeps eta = 1, and says why.
TEST(EtaFit, StaysOneWhereXiAloneMeetsTheLiquidDensity) {
    const pair_fit::Binary binary(XALT1_SHIPPED_TABLE, "Nitrogen", "Argon");
    const auto points = pair_fit::read_bubble_points(XALT1_MIXREF_DIR, "Nitrogen", "Argon");
    const pair_fit::FittedPair fit = pair_fit::fit_pair(binary, points);
    EXPECT_EQ(fit.k.eta, 1.0);
    EXPECT_EQ(fit.eta_note, "eta = 1: D' within 1 % with xi alone");
}

// The stable root at the reference's single-phase states: liquid, vapour and supercritical
// states of nitrogen with argon, all found, within a percent on average; eta moves them.
TEST(SinglePhase, DensitiesAtTheStatesPressures) {
    const pair_fit::Binary binary(XALT1_SHIPPED_TABLE, "Nitrogen", "Argon");
    const auto states = pair_fit::read_pvt_states(XALT1_MIXREF_DIR, "Nitrogen", "Argon");
    const pair_fit::DensityFigures f = pair_fit::density_figures(binary, {}, states);
    EXPECT_GT(f.states, 100);
    EXPECT_EQ(f.found, f.states);
    EXPECT_LT(f.D, 0.01);
    EXPECT_NE(pair_fit::density_figures(binary, {1.0, 1.05}, states).D, f.D);
}

TEST(SinglePhase, BadStatesAreNamed) {
    const std::string header = "T,D,x,p,Z,hres_RT,sres_R,cvres_R\n";
    const struct {
        std::string text, expected;
    } cases[] = {
        {"T,D,x\n", "R32_R134a.csv:1: the header"},
        {header + "300,1,0.5,0.1,1,0,0,0\n300,-1,0.5,0.1,1,0,0,0\n",
         "R32_R134a.csv:3: T, D and p must be positive"},
        {header + "300,1,1.5,0.1,1,0,0,0\n", "R32_R134a.csv:2: x lies outside"},
        {header + "300,1,0.5,0.1\n", "R32_R134a.csv:2: eight fields"},
    };
    Scratch s;
    fs::create_directories(s.path("pvt"));
    for (const auto& c : cases) {
        s.write("pvt/R32_R134a.csv", c.text);
        try {
            pair_fit::read_pvt_states(s.path(""), "R32", "R134a");
            ADD_FAILURE() << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

// ---- Five points of one isotherm -------------------------------------------------------------

// The middle isotherm at or above Tmin, at a tenth, three tenths, ... of its points in x.
TEST(FivePoints, MiddleIsothermSpreadInX) {
    std::vector<pair_fit::BubblePoint> points;
    int line = 2;
    for (double T : {100.0, 200.0, 300.0, 400.0})
        for (int k = 1; k <= 11; ++k)
            points.push_back({T, 1.0, 1.0 - k / 12.0, {}, {}, {}, line++});
    const struct { double Tmin, T; } cases[] = {{0.0, 200.0}, {150.0, 300.0}, {350.0, 400.0}};
    for (const auto& c : cases) {
        const auto five = pair_fit::five_points(points, c.Tmin);
        ASSERT_EQ(five.size(), 5u);
        for (std::size_t i = 0; i < five.size(); ++i) {
            EXPECT_EQ(five[i].T, c.T);
            EXPECT_NEAR(five[i].x, (1 + 2 * i + 1) / 12.0, 1e-12);  // 1/6, 1/3, ..., 5/6
        }
    }
    EXPECT_TRUE(pair_fit::five_points(points, 500.0).empty());
}

// ---- The rule --------------------------------------------------------------------------------

TEST(Rule, MeanOfEachClassPairWithOneLeftOut) {
    const std::vector<pair_fit::ClassedPair> pairs = {
        {"Methane", "Ethane", "nonpolar", "nonpolar", 1.01},
        {"Nitrogen", "Methane", "quadrupolar", "nonpolar", 0.96},
        {"Methane", "CO2", "nonpolar", "quadrupolar", 0.98},
        {"Propane", "Butane", "nonpolar", "nonpolar", 0.99},
    };
    const auto rule = pair_fit::rule_of(pairs);
    ASSERT_EQ(rule.size(), 2u);
    EXPECT_EQ(rule[0].class_a + "-" + rule[0].class_b, "nonpolar-nonpolar");
    EXPECT_NEAR(rule[0].xi, 1.00, 1e-12);
    EXPECT_EQ(rule[1].class_a + "-" + rule[1].class_b, "nonpolar-quadrupolar");
    EXPECT_NEAR(rule[1].xi, 0.97, 1e-12);
    EXPECT_EQ(rule[1].pairs, (std::vector<std::string>{"Nitrogen/Methane", "Methane/CO2"}));
    const auto without = pair_fit::rule_of(pairs, 1);
    EXPECT_NEAR(without[1].xi, 0.98, 1e-12);
    EXPECT_EQ(without[1].pairs.size(), 1u);
    EXPECT_EQ(pair_fit::rule_of({pairs[1]}, 0).size(), 0u);
}

TEST(Rule, PredictsByClassesInEitherOrder) {
    const std::vector<xalt1::detail::RuleLine> rule = {
        {"nonpolar", "quadrupolar", 0.97, {"Nitrogen/Methane", "Methane/CO2", "Argon/CO2"}},
        {"dipolar", "dipolar", 0.985, {"R32/R134a"}},
    };
    const struct {
        std::string a, b;
        double xi;
        std::string source;
    } cases[] = {
        {"quadrupolar", "nonpolar", 0.97, "predicted: nonpolar-quadrupolar mean of 3 pairs"},
        {"nonpolar", "quadrupolar", 0.97, "predicted: nonpolar-quadrupolar mean of 3 pairs"},
        {"dipolar", "dipolar", 0.985, "predicted: dipolar-dipolar mean of 1 pair"},
        {"dipolar", "hbond", 1.0, "not fitted: xi = 1"},
        {"", "nonpolar", 1.0, "not fitted: xi = 1"},
    };
    for (const auto& c : cases) {
        const xalt1::detail::BinaryPair p = xalt1::detail::predicted_pair(rule, c.a, c.b);
        EXPECT_EQ(p.xi, c.xi) << c.a << " " << c.b;
        EXPECT_EQ(p.eta, 1.0);
        EXPECT_EQ(p.source, c.source);
    }
}

TEST(RuleFile, WrittenAndReadBack) {
    Scratch s;
    const std::vector<xalt1::detail::RuleLine> rule = {
        {"dipolar", "dipolar", 0.9851234567, {"R32/R134a", "R143a/R134a"}},
        {"nonpolar", "quadrupolar", 0.97, {"Nitrogen/Methane"}},
    };
    xalt1::detail::write_binary_rule(s.path("rule.csv"), rule);
    const auto back = xalt1::detail::read_binary_rule(s.path("rule.csv"));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].xi, 0.9851234567);
    EXPECT_EQ(back[0].pairs, rule[0].pairs);
    EXPECT_EQ(back[1].class_b, "quadrupolar");
    EXPECT_TRUE(xalt1::detail::read_binary_rule(s.path("absent.csv")).empty());
    EXPECT_EQ(xalt1::detail::binary_rule_path("run/x_rstoff.tab"), "run/binary_rule.csv");
}

TEST(RuleFile, LinesThatAreNotRulesAreNamed) {
    Scratch s;
    const std::string header = "class_A,class_B,xi,pairs\n";
    const struct {
        std::string text, expected;
    } cases[] = {
        {"class_A,class_B,xi\n", "line 1: the header"},
        {header + "nonpolar,nonpolar,abc,\n", "line 2: xi must be a positive number"},
        {header + "nonpolar,nonpolar,0,\n", "line 2: xi must be a positive number"},
        {header + "nonpolar,nonpolar,inf,\n", "line 2: xi must be a positive number"},
        {header + "nonpolar,,1,\n", "line 2: two fluid classes"},
        {header + "nonpolar,dipolar,1\n", "line 2: a line has 4 fields, not 3"},
        {header + "dipolar,nonpolar,1,\n\nnonpolar,dipolar,0.9,\n",
         "line 4: the classes nonpolar and dipolar are listed twice"},
    };
    for (const auto& c : cases) {
        s.write("rule.csv", c.text);
        const std::string what =
            unreadable([&] { xalt1::detail::read_binary_rule(s.path("rule.csv")); });
        EXPECT_NE(what.find("binary rule file " + s.path("rule.csv")), std::string::npos);
        EXPECT_NE(what.find(c.expected), std::string::npos) << what;
    }
}

// A copy of the shipped table with a binary file and a rule file of the test's own.
std::string table_with(const Scratch& s, const std::string& pairs, const std::string& rule) {
    const fs::path shipped(XALT1_SHIPPED_TABLE);
    fs::copy_file(shipped, s.path("x_rstoff.tab"), fs::copy_options::overwrite_existing);
    fs::copy_file(shipped.parent_path() / "x_rstoff.fluids.csv", s.path("x_rstoff.fluids.csv"),
                  fs::copy_options::overwrite_existing);
    s.write("binary_pairs.csv", "A,B,xi,eta,source,figures\n" + pairs);
    s.write("binary_rule.csv", "class_A,class_B,xi,pairs\n" + rule);
    return s.path("x_rstoff.tab");
}

// A pair the binary file lists keeps its line; one it does not takes the rule's xi for its
// classes; classes the rule does not list (hbond with dipolar) keep xi = 1.
TEST(RuleFile, MixturesTakeXiFromTheRuleForPairsNotListed) {
    Scratch s;
    const std::string table = table_with(s, "Propane,n-Butane,0.995,1.01,fitted by hand,\n",
                                         "nonpolar,nonpolar,0.98,Methane/Ethane; Propane/n-Butane\n"
                                         "dipolar,nonpolar,0.93,R32/Propane\n");
    const xalt1::Mixture m({{"Propane", 0.4}, {"Isobutane", 0.3}, {"n-Butane", 0.2}, {"R32", 0.1}},
                           xalt1::Basis::mole, table);
    const std::vector<xalt1::BinaryInfo> pairs = m.binary();
    ASSERT_EQ(pairs.size(), 6u);
    const struct {
        std::string a, b;
        double xi, eta;
        std::string source;
    } expected[] = {
        {"Propane", "Isobutane", 0.98, 1.0, "predicted: nonpolar-nonpolar mean of 2 pairs"},
        {"Propane", "n-Butane", 0.995, 1.01, "fitted by hand"},
        {"Propane", "R32", 0.93, 1.0, "predicted: dipolar-nonpolar mean of 1 pair"},
        {"Isobutane", "n-Butane", 0.98, 1.0, "predicted: nonpolar-nonpolar mean of 2 pairs"},
        {"Isobutane", "R32", 0.93, 1.0, "predicted: dipolar-nonpolar mean of 1 pair"},
        {"n-Butane", "R32", 0.93, 1.0, "predicted: dipolar-nonpolar mean of 1 pair"},
    };
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        SCOPED_TRACE(expected[i].a + " " + expected[i].b);
        EXPECT_EQ(pairs[i].a, expected[i].a);
        EXPECT_EQ(pairs[i].b, expected[i].b);
        EXPECT_EQ(pairs[i].xi, expected[i].xi);
        EXPECT_EQ(pairs[i].eta, expected[i].eta);
        EXPECT_EQ(pairs[i].source, expected[i].source);
    }
    const xalt1::Mixture ammonia({{"Ammonia", 0.5}, {"R32", 0.5}}, xalt1::Basis::mole, table);
    EXPECT_EQ(ammonia.binary()[0].source, "not fitted: xi = 1");
}

TEST(RuleFile, ABadRuleFileStopsAMixture) {
    Scratch s;
    const std::string table = table_with(s, "", "nonpolar,nonpolar,-1,\n");
    const std::string what = unreadable([&] {
        xalt1::Mixture({{"Propane", 0.5}, {"Isobutane", 0.5}}, xalt1::Basis::mole, table);
    });
    EXPECT_NE(what.find("binary_rule.csv, line 2"), std::string::npos) << what;
}

// The shipped rule: propane with isobutane, a pair without data, takes the mean of the shipped
// nonpolar pairs.
TEST(RuleFile, TheShippedRuleGivesPropaneWithIsobutaneItsXi) {
    const std::string table = XALT1_SHIPPED_TABLE;
    const auto rule = xalt1::detail::read_binary_rule(xalt1::detail::binary_rule_path(table));
    const xalt1::detail::BinaryPair p = xalt1::detail::predicted_pair(rule, "nonpolar", "nonpolar");
    const xalt1::BinaryInfo info =
        xalt1::Mixture({{"Propane", 0.5}, {"Isobutane", 0.5}}, xalt1::Basis::mole, table)
            .binary()[0];
    EXPECT_EQ(info.source.rfind("predicted: nonpolar-nonpolar mean of ", 0), 0u) << info.source;
    EXPECT_EQ(info.xi, p.xi);
    EXPECT_NE(info.xi, 1.0);
    EXPECT_GT(info.xi, 0.95);
    EXPECT_LT(info.xi, 1.05);
}

}  // namespace
