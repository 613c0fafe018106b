// The pair tool end to end: a pair fitted from five bubble points of one isotherm meets the
// pair's other isotherms; bad data stop it with the file and line named and write nothing; the
// binary file keeps one line per pair.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/binary_pairs.h"
#include "api/xalt1.h"
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
    const pair_fit::Figures f = pair_fit::figures_of(binary, pairs[0].xi, all);
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
        try {
            xalt1::detail::read_binary_pairs(s.path("pairs.csv"));
            ADD_FAILURE() << c.text;
        } catch (const xalt1::Error& e) {
            EXPECT_EQ(e.kind(), xalt1::ErrorKind::unreadable_table);
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

}  // namespace
