// Randomly mutated substance tables and table lines (fixed seed, so every run is the same) fed
// to the menu, the loader and the two line parsers. Under the sanitizers any write outside an
// array or any undefined behaviour ends the test; here we check that every call ends, that the
// term counts stay within their arrays and that no stored value is NaN or infinite.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/status_codes.h"
#include "substance/substance.h"
#include "substance_support.h"

namespace {

std::string data_table(const std::string& name) {
    std::ifstream in(std::string(XALT1_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Pieces that steer the parsers into their less common paths.
const std::vector<std::string> kTokens = {
    "R-",   "R-   ",  "##########", "#####", "#########",
    "Fa-",  "Fq-",    "Fd-",        "fa-",   "Cp0",
    "Cp01", "Cp0(",   "Tc:",        "Tref:", "Alpha:",
    ":",    "Dc: ",   " 1 ",        " 0 ",   " 21 ",
    " 41 ", " 99 ",   " -1 ",       "1.5E2", "1.5+2",
    "1.5D", "1.e999", "150",        "150.",  "-",
    "+",    ".",      "\n",         "\r\n",  "\t",
    " ",    "Argon",  "Argon\n",    "A    ", "12345678901234567890123",
};

class Mutator {
  public:
    explicit Mutator(uint32_t seed) : rng_(seed) {}
    uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(rng_() % n); }

    std::string mutate(std::string text) {
        const uint32_t steps = 1 + below(8);
        for (uint32_t s = 0; s < steps; ++s) {
            const std::size_t at = below(static_cast<uint32_t>(text.size() + 1));
            switch (below(7)) {
                case 0:  // one byte replaced by any byte
                    if (at < text.size()) text[at] = static_cast<char>(below(256));
                    break;
                case 1:  // a token inserted
                    text.insert(at, kTokens[below(static_cast<uint32_t>(kTokens.size()))]);
                    break;
                case 2:  // a range deleted
                    text.erase(at, below(40));
                    break;
                case 3:  // a line repeated
                    repeat_line(text, at, 1 + below(3));
                    break;
                case 4:  // a digit changed
                    if (at < text.size()) text[at] = static_cast<char>('0' + below(10));
                    break;
                case 5:  // the file cut
                    if (below(4) == 0) text.resize(at);
                    break;
                case 6:  // rarely: a line repeated a thousand times (menu overflow)
                    if (below(50) == 0) repeat_line(text, at, 1000 + below(50));
                    break;
            }
        }
        return text;
    }

    std::string answers() {
        static const char* kAnswers[] = {"0", "1", "2", "3", "5", "8", "20", "1000", "-1", "x", ""};
        std::string input;
        for (int i = 0; i < 12; ++i) input += std::string(kAnswers[below(11)]) + "\n";
        return input;
    }

    std::string line() {
        std::string l = below(2) == 0 ? "Fa-" : "A  ";
        if (below(3) == 0) l = below(2) == 0 ? "Fq-" : "Fd-";
        while (l.size() < 90) l += kTokens[below(static_cast<uint32_t>(kTokens.size()))];
        for (char& c : l)
            if (c == '\n' || c == '\r') c = ' ';
        return l.substr(0, 80);
    }

  private:
    static void repeat_line(std::string& text, std::size_t at, uint32_t times) {
        const std::size_t begin = text.rfind('\n', at == 0 ? 0 : at - 1);
        const std::size_t start = begin == std::string::npos ? 0 : begin + 1;
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        std::string copies;
        for (uint32_t i = 0; i < times; ++i) copies += line;
        if (!line.empty() && line.back() != '\n') copies += '\n';
        text.insert(start, copies);
    }

    std::mt19937 rng_;
};

bool records_are_sound() {
    auto finite = [](const auto& values) {
        for (double v : values)
            if (!std::isfinite(v)) return false;
        return true;
    };
    const SubstConst& s = SUBST_CONST;
    const double scalars[] = {s.Dc, s.Tc,    s.Pc,   s.D0,   s.T0,   s.Alpha, s.Q2,
                              s.Dp, s.MolWt, s.Dref, s.Tref, s.Href, s.Sref};
    bool ok = finite(scalars) && finite(s.E) && finite(s.K) && finite(s.K2);
    ok = ok && s.i4_ncp0 >= 0 && s.i4_ncp0 <= 20;
    const EosCoeff& e = EOS_COEFF;
    ok = ok && finite(e.Fa.c) && finite(e.Fq.c) && finite(e.Fd.c);
    for (int32_t nz : {e.Fa.i4_nz, e.Fq.i4_nz, e.Fd.i4_nz}) ok = ok && nz >= 0 && nz <= 40;
    return ok;
}

TEST(TableFuzz, MutatedTablesThroughMenuAndLoader) {
    const std::vector<std::string> seeds = {data_table("substance_sections.tab"),
                                            data_table("substance_minimal.tab"),
                                            data_table("substance_menu20.tab")};
    Mutator m(20261207u);
    const auto start = std::chrono::steady_clock::now();
    int loads = 0;
    for (int run = 0; run < 3000; ++run) {
        const std::string table = m.mutate(seeds[static_cast<std::size_t>(run) % seeds.size()]);
        TableSession t(table, m.answers(), false);
        try {
            Text<10> code = blank_text<10>();
            int32_t status = 0;
            X_STAUSW(UNIT_TABLE.i4_lun, code, status);
            if (!is_blank(code) && code != fixed<10>("0")) {
                X_TABEIN(true, code, status);
                ++loads;
            }
        } catch (const EndOfInput&) {
            // the scripted answers ran out: the run would close down here
        }
        ASSERT_TRUE(records_are_sound()) << "run " << run << "\n" << table;
    }
    EXPECT_GT(loads, 500);  // the mutations leave most tables loadable
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 30.0);
}

TEST(TableFuzz, RandomLinesThroughTheLineParsers) {
    Mutator m(7u);
    TableSession t("", std::string(40000, '\n'));
    for (int i = 0; i < 20000; ++i) {
        const Text<80> line = fixed<80>(m.line());
        int32_t status = 0;
        if (line[0] == 'F')
            X_RCOEFF(lun_of(TRACE_ENTRY), line, status);
        else
            X_RCONST(lun_of(TRACE_ENTRY), line, status);
        ASSERT_TRUE(records_are_sound()) << view(line);
    }
}

}  // namespace
