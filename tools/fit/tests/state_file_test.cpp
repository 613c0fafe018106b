// The stored fit reads back exactly: the state file of the repository is written again byte for
// byte, a state of every kind of line survives a write and a read, weight lines of fewer groups
// read with the others at 1, and a line that does not read is named.
#include "io/state_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using namespace fit;

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

FitState every_kind_of_line() {
    FitState s;
    s.model.terms[0] = {{SetKind::Fa, {1, -10, 1, 2}}, {SetKind::Fa, {4, -1, 0, 0}}};
    s.model.coeff[0] = {0.1, -1.0 / 3.0};
    s.model.terms[1] = {{SetKind::Fq, {-3, 2, 4, 0}}};
    s.model.coeff[1] = {2.0e-17};
    s.model.terms[2] = {{SetKind::Fd, {-5, 2, 4, 1}}};
    s.model.coeff[2] = {-123456.789};
    Row g = guard_row(0.7, 251.3, {0, 1.4, 0, 0.49, 0, 0, 0}, -0.3, 0.02, 1);
    s.guards["R134a"] = {g, guard_row(1e-7, 400.1, {0, 0, 0, 0, 0, 1, 0}, 1.0 / 7.0, 0.1, -1)};
    Weights w = UNIT_WEIGHTS;
    w[2] = 1.44;
    w[8] = 12.0;
    s.weights["Ethane"] = w;
    s.shapes["Ethane"] = P_T | P_D | P_ALPHA | P_DC | P_Q2;
    s.untrained = {"Neon", "R32"};
    s.params["Argon"] = {0.8, 1.25, 1.0, 0.0, 0.0, 0.98765432101234567};
    s.params["Ethane"] = {0.7777, 1.3, 1.4 + 1e-15, 0.123, 0.0, 1.01};
    s.eight_point["Ethane"] = {0.7776, 1.31, 1.4 - 1e-15, 0.0, 0.0, 0.99};
    s.held["Ethane"] = {0.14, 1.0 / 3.0};
    return s;
}

void expect_same(const FitState& a, const FitState& b) {
    for (int s = 0; s < SET_COUNT; ++s) {
        EXPECT_EQ(a.model.terms[s], b.model.terms[s]) << s;
        EXPECT_EQ(a.model.coeff[s], b.model.coeff[s]) << s;
    }
    EXPECT_EQ(a.params, b.params);
    EXPECT_EQ(a.eight_point, b.eight_point);
    EXPECT_EQ(a.weights, b.weights);
    EXPECT_EQ(a.shapes, b.shapes);
    EXPECT_EQ(a.untrained, b.untrained);
    ASSERT_EQ(a.held.size(), b.held.size());
    for (const auto& [code, h] : a.held) {
        EXPECT_EQ(h.ps, b.held.at(code).ps) << code;
        EXPECT_EQ(h.dvap, b.held.at(code).dvap) << code;
    }
    ASSERT_EQ(a.guards.size(), b.guards.size());
    for (const auto& [code, rows] : a.guards) {
        const std::vector<Row>& other = b.guards.at(code);
        ASSERT_EQ(rows.size(), other.size()) << code;
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].e[0].D, other[i].e[0].D);
            EXPECT_EQ(rows[i].e[0].T, other[i].e[0].T);
            EXPECT_EQ(rows[i].e[0].a, other[i].e[0].a);
            EXPECT_EQ(rows[i].target, other[i].target);
            EXPECT_EQ(rows[i].sigma, other[i].sigma);
            EXPECT_EQ(rows[i].bound, other[i].bound);
            EXPECT_EQ(other[i].kind, RowKind::guard);
        }
    }
}

TEST(StateFile, StoredFitIsWrittenAgainByteForByte) {
    const std::string text = file_text(XALT1_FIT_STATE);
    ASSERT_FALSE(text.empty());
    const FitState state = read_state(XALT1_FIT_STATE);
    EXPECT_EQ(state_text(state), text);
}

TEST(StateFile, EveryKindOfLineSurvivesAWriteAndARead) {
    const FitState s = every_kind_of_line();
    const std::string text = state_text(s);
    const FitState back = parse_state(text, "memory");
    expect_same(s, back);
    EXPECT_EQ(state_text(back), text);
}

// A state written before a group of weights was added reads with the new group at 1.
TEST(StateFile, WeightGroupsAddedLaterWeighOne) {
    const FitState s = parse_state("weight R22 2 3\n", "memory");
    Weights expected = UNIT_WEIGHTS;
    expected[0] = 2;
    expected[1] = 3;
    EXPECT_EQ(s.weights.at("R22"), expected);
}

TEST(StateFile, LineThatDoesNotReadIsNamed) {
    const char* bad[] = {"term Fa 1 2 3\n", "guard X 1 2 3 4\n",     "param X 0.8 1.2\n",
                         "shape X many\n",  "term Fx 1 2 3 4 0.5\n", "held X 0.1\n"};
    for (const char* line : bad) {
        const std::string text = std::string("# fit\n") + line;
        try {
            parse_state(text, "state.txt");
            ADD_FAILURE() << line;
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("state.txt:2"), std::string::npos) << what;
        }
    }
}

}  // namespace
