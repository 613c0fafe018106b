// A short, fixed batch of fuzzed sessions (fuzz/session_fuzz.h) of the built program on the
// shipped table: random substance choices, modes and values, extremes and non-numbers included,
// end of input at random points. Every session must end by itself, leave "xalt1.dat" as whole
// blocks with "end" as its last line, and write only rows whose value fields are numbers.
// `make fuzz` runs thousands of such sessions; this batch keeps the seeds fixed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../fuzz/session_fuzz.h"

namespace sf = session_fuzz;

namespace {

constexpr int kSessionsPerShard = 20;
constexpr int kStepsPerSession = 30;
constexpr double kTimeLimit = 100.0;  // seconds per session under the sanitizers

void run_shard(int shard) {
    const std::string table = sf::read_file(XALT1_SHIPPED_TABLE);
    const std::vector<sf::Fluid> fluids = sf::fluids_of(table);
    ASSERT_FALSE(fluids.empty());
    sf::Tally tally;
    for (int i = 0; i < kSessionsPerShard; ++i) {
        const int n = shard * kSessionsPerShard + i;
        sf::Generator gen(20261207ULL * 1000003ULL + static_cast<unsigned long long>(n), fluids);
        const std::size_t fluid = static_cast<std::size_t>(n) % fluids.size();
        const std::string session_table = gen.table(table, fluid);
        const std::string input = gen.session(fluid, kStepsPerSession);
        const sf::Outcome o = sf::run_session(XALT1_BINARY, session_table, input, kTimeLimit);
        const std::string fault = sf::check_session(o, fluids, tally);
        EXPECT_EQ(fault, "") << "session " << n << "\n--- input:\n"
                             << input.substr(0, 4000) << "\n--- xalt1.dat:\n"
                             << o.result_file;
    }
    EXPECT_GT(tally.rows, 0);
}

TEST(RobustSessionFuzz, Shard0) {
    run_shard(0);
}
TEST(RobustSessionFuzz, Shard1) {
    run_shard(1);
}
TEST(RobustSessionFuzz, Shard2) {
    run_shard(2);
}
TEST(RobustSessionFuzz, Shard3) {
    run_shard(3);
}
TEST(RobustSessionFuzz, Shard4) {
    run_shard(4);
}
TEST(RobustSessionFuzz, Shard5) {
    run_shard(5);
}
TEST(RobustSessionFuzz, Shard6) {
    run_shard(6);
}
TEST(RobustSessionFuzz, Shard7) {
    run_shard(7);
}

// Sessions kept from fuzzing (tests/data/fuzz_sessions/: NAME.in is the standard input, NAME.tab
// the table it ran on); each once hung, crashed or broke the result file.
TEST(RobustSessionFuzz, KeptSessionsRunClean) {
    namespace fs = std::filesystem;
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(XALT1_TEST_DATA) / "fuzz_sessions")) {
        if (entry.path().extension() != ".in") continue;
        fs::path table_path = entry.path();
        table_path.replace_extension(".tab");
        const std::string table = sf::read_file(table_path);
        const std::vector<sf::Fluid> fluids = sf::fluids_of(table);
        const sf::Outcome o =
            sf::run_session(XALT1_BINARY, table, sf::read_file(entry.path()), kTimeLimit);
        sf::Tally tally;
        EXPECT_EQ(sf::check_session(o, fluids, tally), "") << entry.path();
        ++kept;
    }
    EXPECT_GT(kept, 0);
}

// The checker itself: it must accept the program's own row layouts and refuse broken ones.
TEST(RobustSessionFuzz, CheckerTellsGoodFilesFromBroken) {
    const std::vector<sf::Fluid> fluids = sf::fluids_of("R-   Demo\n##########\n#####\n");
    const std::string header =
        "                   Demo       - Thermodynamic Properties           20261207-09\n"
        "       T        D          P         u        h        s         cv      cp        f\n"
        "       K     mol/dm3      MPa      J/mol    J/mol   J/mol-K   J/mol-K  J/mol-K    "
        "J/mol\n";
    const std::string liquid =
        "l   100.000  21.8121 0.407740E+0  -6993.5  -6974.8  -78.7669   50.056   99.067     "
        "883.2\n";
    const std::string mixture =
        "x=.002322    20.0000 0.407740E+0  -6981.4  -6961.0  -78.6285                       "
        "881.5\n";
    const std::string wide =
        "  ********* ******** 0.831434E-92488846.23320280.2  372.4050   24.943   33.257"
        "**********\n";
    const std::string dilute =
        "    300.000 .4009E-4 0.100000E-3   3624.8   6119.1  137.9911   12.472   20.786  "
        "-37772.7\n";
    struct Case {
        std::string file;
        bool good;
    };
    const std::vector<Case> cases = {
        {"", true},
        {header + "end\n", true},
        {header + liquid + mixture + wide + dilute + "end\n", true},
        {header + liquid + header + dilute + "end\n", true},
        {header + liquid, false},                                             // no end marker
        {header + liquid + "end\n" + liquid + "end\n", false},                // marker inside
        {header.substr(0, header.find('\n') + 1) + liquid + "end\n", false},  // cut header
        {liquid + "end\n", false},                                            // no header
        {header + "l   100.000      NaN 0.407740E+0  -6993.5  -6974.8  -78.7669   50.056   "
                  "99.067     883.2\n"
                  "end\n",
         false},
        {header + "l   100.000  21.8121 0.407740E+0 Infinity  -6974.8  -78.7669   50.056   "
                  "99.067     883.2\n"
                  "end\n",
         false},
        {header + "l   100.000  21.8121 0.407740E+0  -6993.5  -6974.8  -78.7669   50.056   "
                  "99.067     8*3.2\n"
                  "end\n",
         false},
        {header + "x=1.50000    20.0000 0.407740E+0  -6981.4  -6961.0  -78.6285              "
                  "         881.5\n"
                  "end\n",
         false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        sf::Tally tally;
        EXPECT_EQ(sf::check_result_file(cases[i].file, fluids, tally).empty(), cases[i].good)
            << "case " << i;
    }
}

// A session passes only when it ended by itself, cleanly, and wrote no NaN or infinity anywhere.
TEST(RobustSessionFuzz, CheckerTellsGoodSessionsFromBroken) {
    const std::vector<sf::Fluid> fluids = sf::fluids_of("R-   Demo\n##########\n#####\n");
    auto outcome = [] {
        sf::Outcome o;
        o.exit_code = 0;
        o.console = " 1=T/Density\n";
        return o;
    };
    sf::Tally tally;
    EXPECT_EQ(sf::check_session(outcome(), fluids, tally), "");
    sf::Outcome late = outcome();
    late.timed_out = true;
    EXPECT_NE(sf::check_session(late, fluids, tally), "");
    sf::Outcome crashed = outcome();
    crashed.exit_code = 1;
    EXPECT_NE(sf::check_session(crashed, fluids, tally), "");
    sf::Outcome sanitizer = outcome();
    sanitizer.console += "x.cpp:12:5: runtime error: division by zero\n";
    EXPECT_NE(sf::check_session(sanitizer, fluids, tally), "");
    sf::Outcome not_finite = outcome();
    not_finite.status_file =
        " Fehler bei der Uebergabe, Dichte=                      NaN T=  300.\n";
    EXPECT_NE(sf::check_session(not_finite, fluids, tally), "");
    sf::Outcome echo = outcome();
    echo.echo_file = " Dc:                  Infinity\n";
    EXPECT_NE(sf::check_session(echo, fluids, tally), "");
}

}  // namespace
