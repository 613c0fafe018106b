// The one-sweep evaluation of the seven residual derivatives against the X_R_FRES calls, over
// random states of every fluid of the shipped table and of the demonstration table; its
// fallback to the X_R_FRES records; and the values the property routine keeps per substance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "eos/term_sweep.h"
#include "platform/status_codes.h"
#include "props/props.h"
#include "props/td_props.h"
#include "substance/substance.h"
#include "substance/table_layout.h"
#include "substance_support.h"

namespace {

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Menu numbers of a table (its menu lines); every menu line of the tables swept here has an
// entry.
std::vector<int> menu_numbers(const std::string& table) {
    std::istringstream in(table);
    std::vector<int> numbers;
    for (std::string line; std::getline(in, line);) {
        if (table_layout::ends_menu(line)) break;
        if (table_layout::is_menu_line(line))
            numbers.push_back(static_cast<int>(numbers.size()) + 1);
    }
    return numbers;
}

// Loads the menu entry that the session's console input chooses, as the main cycle does.
Text<10> load_entry() {
    Text<10> code = blank_text<10>();
    int32_t status = 0;
    X_STAUSW(UNIT_TABLE.i4_lun, code, status);
    EXPECT_EQ(status, 0);
    X_TABEIN(true, code, status);
    EXPECT_EQ(status, 0) << view(code);
    return code;
}

constexpr int32_t kPairs[7][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {2, 0}, {3, 0}};

double pick(const FresDeriv& f, int k) {
    const double values[7] = {f.F00, f.F01, f.F02, f.F10, f.F11, f.F20, f.F30};
    return values[k];
}

// Sum of the magnitudes of the term contributions to one derivative: the scale of the rounding
// that any way of summing the terms carries.
double term_magnitude(const double& D, const double& T, int32_t del, int32_t tau) {
    const SubstConst& sc = SUBST_CONST;
    double sum = 0.0, f = 0.0;
    const AttractionSet& fa = EOS_COEFF.Fa;
    for (int32_t i = 0; i < std::clamp(fa.i4_nz, 0, 40); ++i) {
        I4_X_RFA(D, sc.D0, T, sc.T0, sc.Alpha, fa.c[i], fa.m[i], fa.n[i], fa.j[i], fa.l[i], del,
                 tau, f);
        sum += std::fabs(f);
    }
    for (const auto& [set, P] :
         {std::pair{&EOS_COEFF.Fq, sc.Q2}, std::pair{&EOS_COEFF.Fd, sc.Dp}}) {
        if (!(P > 9.999999974752427e-07)) continue;
        for (int32_t i = 0; i < std::clamp(set->i4_nz, 0, 40); ++i) {
            I4_X_RFQ(D, sc.D0, T, sc.T0, P, set->c[i], set->n[i], set->m[i], set->k[i], set->o[i],
                     del, tau, f);
            sum += std::fabs(f);
        }
    }
    I4_X_RFH(D, sc.D0, T, sc.T0, sc.Alpha, A1_HARD_BODY, A2_HARD_BODY, del, tau, f);
    return sum + std::fabs(f);
}

// Density of packing fraction eta at T.
double density_of(double eta, double T) {
    const SubstConst& sc = SUBST_CONST;
    const double a1 = A1_HARD_BODY, a2 = A2_HARD_BODY;
    const double S = a2 + (1.0 - a2) * std::pow(T / sc.T0, a1);
    return eta * sc.D0 * S / PACKING;
}

struct Comparison {
    int states = 0;
    double worst = 0.0;  // largest |sweep - calls| / scale
};

// Random states from the dilute gas to a packing fraction of 0.9 and from 0.3 to 4 T0; the
// sweep must agree with the seven X_R_FRES calls to 1e-12 of the larger of the value and the
// sum of the magnitudes of its terms (where terms cancel, the rounding of any summation is of
// the terms' size).
Comparison compare_random_states(std::mt19937_64& rng, int count, const std::string& fluid) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Comparison c;
    for (int draws = 0; c.states < count; ++draws) {
        if (draws > 1000 * count) {
            ADD_FAILURE() << fluid << ": no state in range after " << draws << " draws";
            break;
        }
        const double T = SUBST_CONST.T0 * (0.3 + 3.7 * unit(rng));
        // Half the states spread evenly in eta, half evenly in log(eta) down to 1e-7.
        const double eta = (c.states % 2 == 0) ? 0.9 * unit(rng) : std::pow(10.0, -7.0 * unit(rng));
        const double D = density_of(std::min(eta, 0.9), T);
        if (!X_R_INRANGE(D, T) || D < 1.0000000116860974e-07) continue;
        ++c.states;
        FresDeriv sweep;
        int32_t status = -1;
        X_R_FDERIV(D, T, sweep, status);
        EXPECT_EQ(status, 0);
        for (int k = 0; k < 7; ++k) {
            double calls = 0.0;
            X_R_FRES(D, T, kPairs[k][0], kPairs[k][1], calls);
            const double scale =
                std::max(std::fabs(calls), term_magnitude(D, T, kPairs[k][0], kPairs[k][1]));
            const double deviation = std::fabs(pick(sweep, k) - calls) / scale;
            c.worst = std::max(c.worst, deviation);
            EXPECT_LE(deviation, 1e-12)
                << fluid << " pair (" << kPairs[k][0] << "," << kPairs[k][1] << ") D=" << D
                << " T=" << T << " sweep=" << pick(sweep, k) << " calls=" << calls;
        }
    }
    return c;
}

void compare_table(const std::string& path, int states_per_fluid) {
    const std::string table = file_text(path);
    const std::vector<int> numbers = menu_numbers(table);
    ASSERT_FALSE(numbers.empty()) << path;
    std::mt19937_64 rng(20261207);
    double worst = 0.0;
    for (int k : numbers) {
        TableSession session(table, std::to_string(k) + "\n");
        const Text<10> code = load_entry();
        const Comparison c = compare_random_states(rng, states_per_fluid, std::string(view(code)));
        worst = std::max(worst, c.worst);
        // Nothing was refused: no record in the status file.
        EXPECT_EQ(session.status_file(), "") << view(code);
    }
    std::ostringstream text;
    text << std::scientific << worst;
    testing::Test::RecordProperty("worst_relative_deviation", text.str());
}

TEST(TermSweep, AgreesWithTheTermFunctionsOnEveryShippedFluid) {
    compare_table(XALT1_SHIPPED_TABLE, 300);
}

// Three fluids of the fitted table, whose terms use every kind of exponential group, whatever
// the shipped table holds.
TEST(TermSweep, AgreesWithTheTermFunctionsOnThreeFittedFluids) {
    compare_table(std::string(XALT1_TEST_DATA) + "/sweep_three_fluids.tab", 1000);
}

TEST(TermSweep, AgreesWithTheTermFunctionsOnTheDemonstrationFluid) {
    compare_table(std::string(XALT1_TEST_DATA) + "/props_demo.tab", 2000);
}

// States in range that X_R_FRES reports (below its lowest density or temperature): the sweep
// hands them to it, so that the same records appear, in the same order, with the same values.
// States out of range are refused before any call, with nothing written.
TEST(TermSweep, ReportedStatesWriteTheRecordsOfTheSevenCallsAndRefusedOnesNothing) {
    const std::string table = file_text(std::string(XALT1_TEST_DATA) + "/props_demo.tab");
    struct Case {
        const char* what;
        double D, T;
        bool in_range;
    };
    const Case cases[] = {
        {"density below 1e-7", 5e-8, 300.0, true},
        {"temperature below 1e-6", 1.0, 5e-7, true},
        {"packing fraction above 1", 200.0, 300.0, false},
        {"temperature not a number", 1.0, std::nan(""), false},
    };
    for (const Case& c : cases) {
        std::string by_calls, by_sweep;
        FresDeriv calls, sweep;
        int32_t status = -1;
        {
            TableSession session(table, "1\n");
            load_entry();
            X_R_FRES(c.D, c.T, 0, 0, calls.F00);
            X_R_FRES(c.D, c.T, 0, 1, calls.F01);
            X_R_FRES(c.D, c.T, 0, 2, calls.F02);
            X_R_FRES(c.D, c.T, 1, 0, calls.F10);
            X_R_FRES(c.D, c.T, 1, 1, calls.F11);
            X_R_FRES(c.D, c.T, 2, 0, calls.F20);
            X_R_FRES(c.D, c.T, 3, 0, calls.F30);
            by_calls = session.status_file();
        }
        {
            TableSession session(table, "1\n");
            load_entry();
            X_R_FDERIV(c.D, c.T, sweep, status);
            by_sweep = session.status_file();
        }
        EXPECT_NE(by_calls, "") << c.what;
        if (!c.in_range) {
            EXPECT_EQ(status, STATUS_OUT_OF_RANGE) << c.what;
            EXPECT_EQ(by_sweep, "") << c.what;
            for (int k = 0; k < 7; ++k) EXPECT_EQ(pick(sweep, k), 0.0) << c.what << " " << k;
            continue;
        }
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(by_sweep, by_calls) << c.what;
        for (int k = 0; k < 7; ++k) EXPECT_EQ(pick(sweep, k), pick(calls, k)) << c.what << " " << k;
    }
}

// The prepared terms and the values the property routine keeps per substance must follow every
// field of both records, whether changed by a load or by a direct write. Each 4-byte word of
// SUBST_CONST and EOS_COEFF is changed in turn (its lowest bit flipped: an integer by one, a
// double in its lowest or in its 33rd mantissa bit), and the evaluation with the kept values
// must equal, to the bit, one with everything prepared anew.
struct Evaluation {
    int32_t status;
    TdProps props;
};

Evaluation evaluation_at(double D, double T) {
    Evaluation e{0, {}};
    X_TD_DAT(true, D, T, -1.0f, e.status);
    e.props = TD_PROPS;
    return e;
}

bool same_bits(const Evaluation& a, const Evaluation& b) {
    return a.status == b.status && std::memcmp(&a.props, &b.props, sizeof(TdProps)) == 0;
}

template <typename Record>
void change_every_word(Record& record, const char* name, double D, double T) {
    const Record original = record;
    for (std::size_t at = 0; at + 4 <= sizeof(Record); at += 4) {
        record = original;
        evaluation_at(D, T);  // keeps the values of the original records
        uint32_t word = 0;
        std::memcpy(&word, reinterpret_cast<char*>(&record) + at, 4);
        word ^= 1u;
        std::memcpy(reinterpret_cast<char*>(&record) + at, &word, 4);
        const Evaluation kept = evaluation_at(D, T);
        term_sweep::forget();
        const Evaluation fresh = evaluation_at(D, T);
        EXPECT_TRUE(same_bits(kept, fresh)) << name << " byte " << at;
    }
    record = original;
}

TEST(TermSweep, KeptValuesFollowEveryFieldOfTheRecords) {
    const std::string table = file_text(std::string(XALT1_TEST_DATA) + "/sweep_three_fluids.tab");
    for (int k : menu_numbers(table)) {
        TableSession session(table, std::to_string(k) + "\n" + std::string(200, '\n'));
        load_entry();
        // Both polar sets in use, so that every set counts.
        SUBST_CONST.Q2 = std::max(SUBST_CONST.Q2, 0.5);
        SUBST_CONST.Dp = std::max(SUBST_CONST.Dp, 0.5);
        const double T = 1.1 * SUBST_CONST.Tc, D = 0.7 * SUBST_CONST.Dc;
        change_every_word(SUBST_CONST, "SUBST_CONST", D, T);
        change_every_word(EOS_COEFF, "EOS_COEFF", D, T);
    }
}

// A mixture's one fluid changes D0, T0, Alpha, Q2 and Dp from call to call, a liquid's and a
// vapour's composition in turn: the terms kept and their coefficients formed anew must give,
// to the bit, what terms prepared anew give, and so must the derivatives by the parameters;
// a polar parameter moved across its gate takes its set in or out.
TEST(TermSweep, ParametersChangedAloneGiveWhatAFreshPreparationGives) {
    const std::string table = file_text(std::string(XALT1_TEST_DATA) + "/sweep_three_fluids.tab");
    TableSession session(table, "1\n" + std::string(200, '\n'));
    load_entry();
    const SubstConst base = SUBST_CONST;
    const double T = 1.05 * base.Tc, D = 0.8 * base.Dc;
    const auto with = [&](double scale, double Q2, double Dp) {
        SUBST_CONST = base;
        SUBST_CONST.D0 *= scale;
        SUBST_CONST.T0 *= 2.0 - scale;
        SUBST_CONST.Alpha *= scale;
        SUBST_CONST.Q2 = Q2;
        SUBST_CONST.Dp = Dp;
    };
    const struct {
        double scale, Q2, Dp;
    } steps[] = {{1.00, 0.5, 0.3}, {1.02, 0.4, 0.35}, {0.99, 0.5, 0.3},
                 {1.01, 0.0, 0.3}, {1.00, 0.6, 0.0},  {1.03, 0.6, 0.2}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.scale << " " << step.Q2 << " " << step.Dp);
        with(step.scale, step.Q2, step.Dp);
        FresDeriv kept, fresh;
        FresParamSlopes kept_slopes, fresh_slopes;
        int32_t status = 0;
        X_R_FDERIV(D, T, kept, status);
        ASSERT_EQ(status, 0);
        X_R_FPARAM_SLOPES(D, T, kept_slopes, status);
        ASSERT_EQ(status, 0);
        term_sweep::forget();
        X_R_FDERIV(D, T, fresh, status);
        X_R_FPARAM_SLOPES(D, T, fresh_slopes, status);
        EXPECT_EQ(std::memcmp(&kept, &fresh, sizeof kept), 0);
        EXPECT_EQ(std::memcmp(&kept_slopes, &fresh_slopes, sizeof kept_slopes), 0);
        // A set out of use has no slope by its parameter.
        EXPECT_EQ(kept_slopes.F.F_Q2 != 0.0, step.Q2 > 0.0);
        EXPECT_EQ(kept_slopes.F.F_Dp != 0.0, step.Dp > 0.0);
    }
}

// A reference state outside the range is not kept: its X_R_FRES records appear on every call.
TEST(TermSweep, ReferenceRecordsAppearOnEveryEvaluation) {
    const std::string table = file_text(std::string(XALT1_TEST_DATA) + "/props_demo.tab");
    TableSession session(table, "1\n" + std::string(20, '\n'));
    load_entry();
    SUBST_CONST.Dref = 0.0;
    for (int call = 0; call < 3; ++call) {
        int32_t status = 0;
        X_TD_DAT(true, 1.0, 450.0, -1.0f, status);
    }
    std::istringstream lines(session.status_file());
    int handover = 0, dref = 0;
    for (std::string line; std::getline(lines, line);) {
        handover += line.find("Fehler bei der Uebergabe") != std::string::npos;
        dref += line.find("Error at Read Dref") != std::string::npos;
    }
    EXPECT_EQ(handover, 9);  // three reference calls per evaluation
    EXPECT_EQ(dref, 6);      // twice per evaluation
}

}  // namespace
