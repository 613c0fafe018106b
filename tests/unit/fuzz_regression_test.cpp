// Replays the table inputs kept from fuzzing (tests/data/fuzz_regressions/), the test tables and
// the shipped table through the same menu, loader, line-parser and number-field run that the
// fuzz target makes. Each kept input once made that run fail; under the sanitizers a memory or
// undefined-behaviour fault ends the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../../fuzz/table_harness.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputs_in(const fs::path& folder, bool tables_only) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() != ".md" &&
            (!tables_only || entry.path().extension() == ".tab"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string bytes_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string run(const std::string& bytes) {
    ScriptedSession session;
    return table_harness::run_input(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(TableFuzzRegressions, KeptInputsRunClean) {
    const auto files = inputs_in(fs::path(XALT1_TEST_DATA) / "fuzz_regressions", false);
    for (const fs::path& file : files) EXPECT_EQ(run(bytes_of(file)), "") << file;
}

TEST(TableFuzzRegressions, SeedTablesRunClean) {
    auto files = inputs_in(XALT1_TEST_DATA, true);
    for (const fs::path& seed : inputs_in(fs::path(XALT1_TEST_DATA) / "../../fuzz/seeds", true))
        files.push_back(seed);
    files.push_back(XALT1_SHIPPED_TABLE);
    ASSERT_GE(files.size(), 5u);
    for (const fs::path& file : files) EXPECT_EQ(run(bytes_of(file)), "") << file;
}

// The harness's own menu reading must agree with the menu routine on tricky lines, or it would
// report faults that are not there.
TEST(TableFuzzRegressions, HarnessMenuReadingFollowsTheTableRules) {
    const std::string table =
        "R-   Short name\r\n"
        "R-xx ABCDEFGHIJKLMNOP long code cut\n"
        "R-\n"
        "r-   lower\n"
        " R-  indented\n"
        "R-   " +
        std::string(80, 'Z') +
        "\n"
        "#########\n"
        "R-   AfterNine\n"
        "##########\n"
        "R-   AfterTen\n";
    const auto menu = table_harness::expected_menu(table_harness::table_records(table));
    const std::vector<std::string> want = {"Short     ", "ABCDEFGHIJ", "          ", "ZZZZZZZZZZ",
                                           "AfterNine "};
    EXPECT_EQ(menu, want);
    EXPECT_EQ(run(table), "");
}

}  // namespace
