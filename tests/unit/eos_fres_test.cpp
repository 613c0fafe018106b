// The residual Helmholtz sum: derivatives of the whole sum with a realistic coefficient set, the
// summation order, the worked sum, the input check, the polar gates and the records written to
// the status file on failures; the range test of the equation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "eos/eos.h"
#include "eos/term_forms.h"
#include "eos_test_support.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"
#include "test_support.h"

namespace {

using eos_test::cplx;

struct FaTerm {
    int32_t m, n, j, l;
    double c;
};
struct PolarTerm {
    int32_t n, m, k, o;
    double c;
};

// A coefficient set in the shape of a fitted one: attraction exponents m 1-10, n -16..0,
// j 0-2, l 0-4; polar n -16..0, m 1-12, k 2-8, o 0-2; coefficients of both signs.
const std::vector<FaTerm> kFa = {
    {1, -2, 0, 0, 0.62},    {1, -4, 1, 0, -1.93}, {1, -8, 0, 0, 0.41},     {2, -2, 0, 0, -0.35},
    {2, -6, 1, 0, 0.97},    {3, -3, 0, 0, 0.12},  {3, -10, 2, 0, -0.08},   {4, -1, 0, 1, 0.05},
    {5, -7, 1, 1, -0.21},   {2, -12, 0, 2, 0.33}, {6, -5, 0, 2, -0.017},   {1, -16, 2, 1, 0.0042},
    {8, -4, 0, 3, 0.0031},  {3, -9, 1, 3, -0.15}, {10, 0, 0, 4, -0.00052}, {4, -14, 2, 4, 0.09},
    {7, -11, 0, 1, 0.0065}, {2, -1, 1, 1, -0.44}, {5, -16, 0, 2, -0.027},  {9, -6, 1, 4, 0.0011}};
const std::vector<PolarTerm> kFq = {
    {-4, 2, 4, 0, -0.11}, {-6, 3, 4, 1, 0.062},    {-8, 4, 6, 0, -0.019},  {-10, 2, 8, 1, 0.007},
    {-3, 6, 4, 2, 0.031}, {-16, 5, 2, 1, -0.0025}, {-1, 12, 3, 2, 0.0008}, {-12, 7, 5, 0, 0.0014}};
const std::vector<PolarTerm> kFd = {{-2, 2, 4, 0, -0.0072},  {-6, 4, 4, 1, 0.0041},
                                    {-9, 3, 8, 0, -0.00033}, {-5, 8, 6, 2, 0.00021},
                                    {-14, 2, 2, 1, 0.00075}, {-4, 10, 4, 2, -0.00009},
                                    {-11, 1, 7, 0, 0.0002},  {-7, 5, 3, 1, -0.0006}};

void load_polar(PolarSet& set, const std::vector<PolarTerm>& terms) {
    set = PolarSet{};
    for (std::size_t i = 0; i < terms.size(); ++i) {
        set.n[i] = terms[i].n;
        set.m[i] = terms[i].m;
        set.k[i] = terms[i].k;
        set.o[i] = terms[i].o;
        set.c[i] = terms[i].c;
    }
    set.i4_nz = static_cast<int32_t>(terms.size());
}

void load_realistic() {
    SUBST_CONST = SubstConst{};
    SUBST_CONST.D0 = 12.4;
    SUBST_CONST.T0 = 235.0;
    SUBST_CONST.Alpha = 1.32;
    SUBST_CONST.Q2 = 0.85;
    SUBST_CONST.Dp = 6.3;
    EOS_COEFF = EosCoeff{};
    for (std::size_t i = 0; i < kFa.size(); ++i) {
        EOS_COEFF.Fa.m[i] = kFa[i].m;
        EOS_COEFF.Fa.n[i] = kFa[i].n;
        EOS_COEFF.Fa.j[i] = kFa[i].j;
        EOS_COEFF.Fa.l[i] = kFa[i].l;
        EOS_COEFF.Fa.c[i] = kFa[i].c;
    }
    EOS_COEFF.Fa.i4_nz = static_cast<int32_t>(kFa.size());
    load_polar(EOS_COEFF.Fq, kFq);
    load_polar(EOS_COEFF.Fd, kFd);
}

// The same sum written independently, for complex arguments.
cplx independent_sum(cplx D, cplx T) {
    const SubstConst& s = SUBST_CONST;
    cplx sum = 0.0;
    for (const FaTerm& a : kFa)
        sum += eos_test::attraction_value(D, s.D0, T, s.T0, s.Alpha, a.c, a.m, a.n, a.j, a.l);
    for (const PolarTerm& q : kFq)
        sum += eos_test::polar_value(D, s.D0, T, s.T0, s.Q2, q.c, q.n, q.m, q.k, q.o);
    for (const PolarTerm& q : kFd)
        sum += eos_test::polar_value(D, s.D0, T, s.T0, s.Dp, q.c, q.n, q.m, q.k, q.o);
    return sum + eos_test::hard_body_value(D, s.D0, T, s.T0, s.Alpha);
}

double fres(int32_t del, int32_t tau, double D, double T) {
    double f = std::numeric_limits<double>::quiet_NaN();
    X_R_FRES(D, T, del, tau, f);
    return f;
}

// The sum built term by term in the order attraction, quadrupolar, dipolar, hard body; with
// absolute = true the sum of the terms' magnitudes.
double term_by_term(int32_t del, int32_t tau, double D, double T, bool absolute) {
    const SubstConst& s = SUBST_CONST;
    const EosCoeff& e = EOS_COEFF;
    double sum = 0.0, term = 0.0;
    for (int32_t i = 0; i < e.Fa.i4_nz; ++i) {
        EXPECT_EQ(I4_X_RFA(D, s.D0, T, s.T0, s.Alpha, e.Fa.c[i], e.Fa.m[i], e.Fa.n[i], e.Fa.j[i],
                           e.Fa.l[i], del, tau, term),
                  0);
        sum += absolute ? std::fabs(term) : term;
    }
    for (const auto* set : {&e.Fq, &e.Fd}) {
        const double P = (set == &e.Fq) ? s.Q2 : s.Dp;
        if (!(P > 9.999999974752427e-07)) continue;
        for (int32_t i = 0; i < set->i4_nz; ++i) {
            EXPECT_EQ(I4_X_RFQ(D, s.D0, T, s.T0, P, set->c[i], set->n[i], set->m[i], set->k[i],
                               set->o[i], del, tau, term),
                      0);
            sum += absolute ? std::fabs(term) : term;
        }
    }
    EXPECT_EQ(I4_X_RFH(D, s.D0, T, s.T0, s.Alpha, A1_HARD_BODY, A2_HARD_BODY, del, tau, term), 0);
    return sum + (absolute ? std::fabs(term) : term);
}

// A session with the status file open on channel 20, as the main routine leaves it.
struct StatusFile {
    ScriptedSession session;
    explicit StatusFile(const std::string& input = "") : session(input) {
        UNIT_TABLE.i4_lun[STATUS_ENTRY - 1] = 20;
        EXPECT_EQ(open_channel(20, "xalt1.tmp"), 0);
    }
    std::string text() const { return session.read_file("xalt1.tmp"); }
};

// Items of a list-directed record.
std::string I(int32_t i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%12d", i);
    return buf;
}
std::string R(double x) {
    return list_real(x);
}

const int32_t kPairs[][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {0, 2}, {1, 1}};

TEST(EosResidualSum, EveryDerivativeOfTheWholeSumMatchesNumericalDerivatives) {
    StatusFile status_file;
    load_realistic();
    eos_test::Worst worst;
    for (double theta : {0.3, 0.55, 0.8, 1.0, 1.3, 2.0, 4.0}) {
        const double T = theta * SUBST_CONST.T0;
        const double S =
            0.6890000104904175 + (1.0 - 0.6890000104904175) * std::pow(theta, 0.36739999055862427);
        for (double eta : {1e-6, 1e-4, 0.003, 0.03, 0.1, 0.2, 0.3, 0.4, 0.5, 0.55, 0.6}) {
            const double D = eta * SUBST_CONST.D0 * S / 0.1617;
            char where[96];
            std::snprintf(where, sizeof where, "D %g T %g", D, T);
            // The sum is the terms added in order: identical to the last bit.
            for (const auto& p : kPairs)
                EXPECT_EQ(fres(p[0], p[1], D, T), term_by_term(p[0], p[1], D, T, false))
                    << where << " pair " << p[0] << p[1];
            eos_test::check_branches(
                fres, independent_sum, D, T, 0.01 * D, 0.02 * T, worst, where,
                [&](int32_t del, int32_t tau) { return term_by_term(del, tau, D, T, true); });
        }
    }
    worst.print("residual sum");
    // Nothing was reported for states inside the range.
    EXPECT_EQ(status_file.text(), "");
}

// The derivatives of F in Alpha, Q2 and Dp and their slopes in D, in T and in the parameter
// itself (X_R_FPARAM_SLOPES) against Ridders' differences of X_R_FRES and X_R_FPARAM, over gas
// to dense liquid states of the realistic set; X_R_FPARAM gives the same first derivatives.
TEST(EosResidualSum, ParameterSlopesMatchNumericalDerivatives) {
    load_realistic();
    const struct {
        const char* name;
        double SubstConst::*parameter;
        double FresParam::*slope;
    } parameters[] = {{"Alpha", &SubstConst::Alpha, &FresParam::F_Alpha},
                      {"Q2", &SubstConst::Q2, &FresParam::F_Q2},
                      {"Dp", &SubstConst::Dp, &FresParam::F_Dp}};
    const auto by_parameter = [](double D, double T) {
        FresParam set;
        int32_t status = -1;
        X_R_FPARAM(D, T, set, status);
        EXPECT_EQ(status, STATUS_OK);
        return set;
    };
    for (double theta : {0.6, 1.0, 2.5})
        for (double D : {0.05, 3.0, 18.0, 30.0}) {
            const double T = theta * SUBST_CONST.T0;
            FresParamSlopes got;
            int32_t status = -1;
            X_R_FPARAM_SLOPES(D, T, got, status);
            ASSERT_EQ(status, STATUS_OK);
            const FresParam first = by_parameter(D, T);
            for (const auto& p : parameters) {
                SCOPED_TRACE(testing::Message() << p.name << " D=" << D << " T=" << T);
                double& value = SUBST_CONST.*p.parameter;
                const double kept = value;
                const auto with = [&](double x, auto of) {
                    value = x;
                    const double result = of();
                    value = kept;
                    return result;
                };
                const double F_P = eos_test::ridders(
                    [&](double x) { return with(x, [&] { return fres(0, 0, D, T); }); }, kept,
                    0.01 * kept);
                const double F_PP = eos_test::ridders(
                    [&](double x) { return with(x, [&] { return by_parameter(D, T).*p.slope; }); },
                    kept, 0.01 * kept);
                const double F_PD = eos_test::ridders(
                    [&](double x) { return by_parameter(x, T).*p.slope; }, D, 0.01 * D);
                const double F_PT = eos_test::ridders(
                    [&](double x) { return by_parameter(D, x).*p.slope; }, T, 0.01 * T);
                const auto near = [](double a, double b) {
                    return std::fabs(a - b) <= 1e-8 * (std::fabs(b) + 1e-6);
                };
                EXPECT_EQ(first.*p.slope, got.F.*p.slope);
                EXPECT_PRED2(near, got.F.*p.slope, F_P);
                EXPECT_PRED2(near, got.by_itself.*p.slope, F_PP);
                EXPECT_PRED2(near, got.by_D.*p.slope, F_PD);
                EXPECT_PRED2(near, got.by_T.*p.slope, F_PT);
            }
        }
}

TEST(EosResidualSum, WorkedSum) {
    StatusFile status_file;
    SUBST_CONST = SubstConst{};
    SUBST_CONST.Alpha = 1.0;
    SUBST_CONST.D0 = 10.0;
    SUBST_CONST.T0 = 100.0;
    EOS_COEFF = EosCoeff{};
    EOS_COEFF.Fa.c[0] = 1.0;
    EOS_COEFF.Fa.m[0] = 1;
    EOS_COEFF.Fa.i4_nz = 1;
    EOS_COEFF.Fq.i4_nz = 3;  // switched off by Q2 = 0
    const double eta = 0.1617 / 10.0;
    const double y = 1.0 - eta;
    EXPECT_NEAR(fres(0, 0, 1.0, 100.0), 0.1 + (4.0 * eta - 3.0 * eta * eta) / (y * y), 1e-16);
    // d/deta of (4 eta - 3 eta^2)/(1 - eta)^2 is (4 - 2 eta)/(1 - eta)^3.
    EXPECT_NEAR(fres(1, 0, 1.0, 100.0), 0.1 + (4.0 - 2.0 * eta) / (y * y * y) * 0.01617, 1e-16);
    EXPECT_EQ(status_file.text(), "");
}

TEST(EosResidualSum, InputCheckUsesTheWidenedSinglePrecisionBounds) {
    StatusFile status_file;
    load_realistic();
    const double lowest_D = 1.0000000116860974e-07;
    const double lowest_T = 9.999999974752427e-07;
    struct Case {
        double D, T;
        bool rejected;
    };
    const Case cases[] = {
        {0.0, 300.0, true},                             // the ideal-gas limit
        {1e-7, 300.0, true},                            // 1e-7 as a 64-bit value is below
        {std::nextafter(lowest_D, 0.0), 300.0, true},   //
        {lowest_D, 300.0, false},                       // strict less-than
        {std::nextafter(lowest_D, 1.0), 300.0, false},  //
        {-1.0, 300.0, true},                            //
        {5.0, std::nextafter(lowest_T, 0.0), true},     //
        {5.0, 9.99999997e-07, true},                    //
        {5.0, lowest_T, false},                         //
        {5.0, 1e-6, false},                             // 1e-6 as a 64-bit value is above
        {5.0, -300.0, true},                            //
        {0.0, 0.0, true},                               //
    };
    std::string expected;
    for (const Case& c : cases) {
        double f = 123.0;
        X_R_FRES(c.D, c.T, 1, 0, f);
        if (c.rejected) {
            EXPECT_EQ(f, 0.0) << c.D << " " << c.T;
            expected += " Fehler bei der Uebergabe, Dichte=" + R(c.D) + " T=" + R(c.T) + "\n";
        } else {
            EXPECT_EQ(f, term_by_term(1, 0, c.D, c.T, false)) << c.D << " " << c.T;
        }
        EXPECT_EQ(status_file.text(), expected) << c.D << " " << c.T;
    }
    EXPECT_EQ(status_file.session.console(), "");  // no ERRAUS for the input check
}

TEST(EosResidualSum, PolarGates) {
    StatusFile status_file;
    load_realistic();
    const double D = 8.0, T = 260.0;
    auto sum_with = [&](double Q2, double Dp) {
        SUBST_CONST.Q2 = Q2;
        SUBST_CONST.Dp = Dp;
        return fres(0, 0, D, T);
    };
    const double none = sum_with(0.0, 0.0);
    double hard_and_fa = term_by_term(0, 0, D, T, false);
    EXPECT_EQ(none, hard_and_fa);
    // Q2 = 1e-6 as a 64-bit value exceeds the widened gate and switches the set on.
    const double q_on = sum_with(1e-6, 0.0);
    EXPECT_EQ(q_on, term_by_term(0, 0, D, T, false));
    EXPECT_NE(q_on, none);
    const double d_on = sum_with(0.0, 1e-6);
    EXPECT_NE(d_on, none);
    EXPECT_EQ(d_on, term_by_term(0, 0, D, T, false));
    // At or below the gate, zero and negative values included, the set is off.
    for (double P : {9.999999974752427e-07, 0.0, -1.0, -1e-3}) {
        EXPECT_EQ(sum_with(P, 0.0), none) << P;
        EXPECT_EQ(sum_with(0.0, P), none) << P;
    }
    // With no terms and both parameters off only the hard body is left.
    EOS_COEFF.Fa.i4_nz = 0;
    EOS_COEFF.Fq.i4_nz = 0;
    EOS_COEFF.Fd.i4_nz = 0;
    SUBST_CONST.Q2 = SUBST_CONST.Dp = 0.0;
    for (const auto& p : kPairs) {
        double hard = 0.0;
        ASSERT_EQ(I4_X_RFH(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha, A1_HARD_BODY,
                           A2_HARD_BODY, p[0], p[1], hard),
                  0);
        EXPECT_EQ(fres(p[0], p[1], D, T), hard);
    }
    EXPECT_EQ(status_file.text(), "");
}

TEST(EosResidualSum, UnsupportedPairFailsAtTheFirstAttractionTerm) {
    StatusFile status_file("\n");
    load_realistic();
    double f = 123.0;
    X_R_FRES(5.0, 300.0, 0, 3, f);
    EXPECT_EQ(f, 0.0);
    const std::string erraus = " x_r_fres: Error at Function i4_x_rfa! " + I(1);
    const std::string record = " " + I(kFa[0].n) + I(kFa[0].m) + I(kFa[0].j) + "i4_del: " + I(0) +
                               "i4_tau: " + I(3) + "r8_f: " + R(0.0);
    EXPECT_EQ(status_file.text(), erraus + "\n" + record + "\n");
    EXPECT_EQ(status_file.session.console(), erraus + "\n");
}

TEST(EosResidualSum, UnsupportedPairInAPolarSetReportsItsExponents) {
    for (const bool dipolar : {false, true}) {
        StatusFile status_file("\n");
        load_realistic();
        EOS_COEFF.Fa.i4_nz = 0;
        if (dipolar) SUBST_CONST.Q2 = 0.0;
        const PolarTerm& first = dipolar ? kFd[0] : kFq[0];
        double f = 123.0;
        X_R_FRES(5.0, 300.0, 2, 1, f);
        EXPECT_EQ(f, 0.0);
        const std::string erraus = " x_r_fres: Error at Function i4_x_rfq! " + I(1);
        const std::string record = " " + I(first.n) + I(first.m) + I(first.k) + I(first.o) +
                                   "i4_tau: " + I(1) + "r8_f: " + R(0.0);
        EXPECT_EQ(status_file.text(), erraus + "\n" + record + "\n") << dipolar;
        EXPECT_EQ(status_file.session.console(), erraus + "\n");
    }
}

TEST(EosResidualSum, UnsupportedPairReachesTheHardBodyWhenNoOtherTermIsActive) {
    StatusFile status_file;
    load_realistic();
    EOS_COEFF.Fa.i4_nz = 0;
    SUBST_CONST.Q2 = 0.0;
    SUBST_CONST.Dp = -2.0;
    double f = 123.0;
    X_R_FRES(5.0, 300.0, 0, 3, f);
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(status_file.text(),
              " Fehler in Function i4_x_rfh: \n i4_tau: " + I(3) + "r8_f: " + R(0.0) + "\n");
    EXPECT_EQ(status_file.session.console(), "");
}

TEST(EosResidualSum, StateBeyondTheHardBodyIsRecordedAndKeepsThePartialSum) {
    StatusFile status_file;
    load_realistic();
    const double T = 300.0;
    const double S = 0.6890000104904175 +
                     (1.0 - 0.6890000104904175) * std::pow(T / SUBST_CONST.T0, 0.36739999055862427);
    const double D = 1.01 * SUBST_CONST.D0 * S / 0.1617;  // packing fraction 1.01
    double attraction_and_polar = 0.0, term = 0.0;
    for (int32_t i = 0; i < EOS_COEFF.Fa.i4_nz; ++i) {
        I4_X_RFA(D, SUBST_CONST.D0, T, SUBST_CONST.T0, SUBST_CONST.Alpha, EOS_COEFF.Fa.c[i],
                 EOS_COEFF.Fa.m[i], EOS_COEFF.Fa.n[i], EOS_COEFF.Fa.j[i], EOS_COEFF.Fa.l[i], 0, 1,
                 term);
        attraction_and_polar += term;
    }
    for (const auto& [set, P] :
         {std::pair{&EOS_COEFF.Fq, SUBST_CONST.Q2}, {&EOS_COEFF.Fd, SUBST_CONST.Dp}})
        for (int32_t i = 0; i < set->i4_nz; ++i) {
            I4_X_RFQ(D, SUBST_CONST.D0, T, SUBST_CONST.T0, P, set->c[i], set->n[i], set->m[i],
                     set->k[i], set->o[i], 0, 1, term);
            attraction_and_polar += term;
        }
    double f = 123.0;
    X_R_FRES(D, T, 0, 1, f);
    EXPECT_EQ(f, attraction_and_polar);
    EXPECT_EQ(status_file.text(),
              " Fehler in Function i4_x_rfh: \n i4_tau: " + I(1) + "r8_f: " + R(0.0) + "\n");
    EXPECT_FALSE(X_R_INRANGE(D, T));
}

TEST(EosRange, InsideForGasToDenseLiquidOutsideBeyondTheTerms) {
    load_realistic();
    SUBST_CONST.i4_ncp0 = 2;
    SUBST_CONST.K[0] = 3.5;  // power-law term, E = 0
    SUBST_CONST.K[1] = 1.2;
    SUBST_CONST.K2[1] = 900.0;  // Planck-Einstein term
    const double T0 = SUBST_CONST.T0, D0 = SUBST_CONST.D0;
    for (double theta : {1e-4, 0.3, 1.0, 4.0, 100.0})
        for (double eta : {1e-12, 1e-6, 0.3, 0.6, 0.95}) {
            const double S = 0.6890000104904175 +
                             (1.0 - 0.6890000104904175) * std::pow(theta, 0.36739999055862427);
            EXPECT_TRUE(X_R_INRANGE(eta * D0 * S / 0.1617, theta * T0)) << theta << " " << eta;
            EXPECT_FALSE(X_R_INRANGE(1.0001 * D0 * S / 0.1617, theta * T0)) << theta;
        }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (auto [D, T] : {std::pair{0.0, 300.0},
                        {-1.0, 300.0},
                        {nan, 300.0},
                        {inf, 300.0},
                        {5.0, 0.0},
                        {5.0, -10.0},
                        {5.0, nan},
                        {5.0, inf}})
        EXPECT_FALSE(X_R_INRANGE(D, T)) << D << " " << T;
    EXPECT_TRUE(X_R_INRANGE(5.0, 300.0));
    // A negative characteristic temperature, or an ideal-gas part that overflows, is outside.
    SUBST_CONST.K2[1] = -900.0;
    EXPECT_FALSE(X_R_INRANGE(5.0, 300.0));
    SUBST_CONST.K2[1] = 900.0;
    SUBST_CONST.E[0] = 2.0;
    EXPECT_TRUE(X_R_INRANGE(5.0, 1e6));
    EXPECT_FALSE(X_R_INRANGE(5.0, 1e120));
    // A substance whose constants were never loaded has no range.
    SUBST_CONST = SubstConst{};
    EXPECT_FALSE(X_R_INRANGE(5.0, 300.0));
}

}  // namespace
