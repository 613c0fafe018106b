#include "library/library_support.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "e2e/harness.h"
#include "platform/result_row.h"

namespace fs = std::filesystem;

const xalt1::Fluid& shipped_fluid(const std::string& code, xalt1::Units units) {
    static std::map<std::pair<std::string, int>, std::unique_ptr<xalt1::Fluid>> loaded;
    auto& slot = loaded[{code, static_cast<int>(units)}];
    if (!slot) slot = std::make_unique<xalt1::Fluid>(code, XALT1_SHIPPED_TABLE, units);
    return *slot;
}

std::vector<std::string> shipped_codes() {
    std::vector<std::string> codes;
    for (const xalt1::FluidInfo& info : xalt1::fluids(XALT1_SHIPPED_TABLE))
        codes.push_back(info.code);
    return codes;
}

std::string fluid_test_name(const testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

int menu_number(const std::string& code) {
    std::ifstream in(XALT1_SHIPPED_TABLE);
    int number = 0;
    for (std::string line; std::getline(in, line) && line.rfind("##########", 0) != 0;) {
        if (line.rfind("R-", 0) != 0) continue;
        ++number;
        std::istringstream words(line.size() > 5 ? line.substr(5) : "");
        std::string word;
        words >> word;
        if (word.substr(0, 10) == code) return number;
    }
    return -1;
}

std::vector<std::string> console_rows(const std::string& code, const std::string& requests) {
    ProgramRun run;
    run_program(run, shipped_table(),
                "\n" + std::to_string(menu_number(code)) + "\n" + requests + "0\n0\n");
    std::vector<std::string> rows;
    const std::vector<std::string> lines = run.file_lines("xalt1.dat");
    for (std::size_t i = 3; i < lines.size(); ++i)
        if (lines[i] != "end") rows.push_back(lines[i]);
    return rows;
}

std::string row_of(const xalt1::State& st, const std::string& marker) {
    if (st.phase == xalt1::Phase::two_phase)
        return two_phase_row(static_cast<float>(st.x), st.D, st.p, st.u, st.h, st.s, st.f);
    return full_row(marker, st.T, st.D, st.p, st.u, st.h, st.s, st.cv, st.cp, st.f);
}

namespace {

// The columns of each value of a row: full rows T, D, p, u, h, s, cv, cp, f; mixture rows x, D,
// p, u, h, s, f.
struct Span {
    std::size_t first, width;
    double xalt1::State::*value;
};
const Span kFullSpans[] = {
    {2, 9, &xalt1::State::T},   {12, 8, &xalt1::State::D},  {21, 11, &xalt1::State::p},
    {32, 9, &xalt1::State::u},  {41, 9, &xalt1::State::h},  {50, 10, &xalt1::State::s},
    {60, 9, &xalt1::State::cv}, {69, 9, &xalt1::State::cp}, {78, 10, &xalt1::State::f}};
const Span kMixtureSpans[] = {{2, 7, &xalt1::State::x},   {12, 8, &xalt1::State::D},
                              {21, 11, &xalt1::State::p}, {32, 9, &xalt1::State::u},
                              {41, 9, &xalt1::State::h},  {50, 10, &xalt1::State::s},
                              {78, 10, &xalt1::State::f}};

std::string field(const std::string& row, const Span& span) {
    return row.size() >= span.first + span.width ? row.substr(span.first, span.width) : row;
}

// The step of the last printed digit of a field ("-2834.2": 0.1, " 0.219420E+1": 1e-5).
double last_digit(const std::string& text) {
    const std::size_t dot = text.find('.'), e = text.find('E');
    if (dot == std::string::npos) return 1.0;
    const std::size_t end = e == std::string::npos ? text.find_last_not_of(' ') + 1 : e;
    const int decimals = static_cast<int>(end - dot - 1);
    const int exponent = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
    return std::pow(10.0, exponent - decimals);
}

// The library's u and f follow from its h and s (u = h - p v, f = u - T s) to round-off; the
// program's carry the offsets of its reference-state constants, up to 1e-4 R T.
bool within_reference_offset(const std::string& ours, const std::string& program, const Span& span,
                             double T) {
    if (span.value != &xalt1::State::u && span.value != &xalt1::State::f) return false;
    const double offset = 1e-4 * 8.31434 * T + last_digit(program);
    return std::fabs(std::stod(ours) - std::stod(program)) <= offset;
}

}  // namespace

bool same_printed(const std::string& program_row, const xalt1::State& st, const std::string& marker,
                  double tie) {
    const std::string ours = row_of(st, marker);
    if (ours == program_row) return true;
    if (ours.size() != program_row.size() || ours.substr(0, 2) != program_row.substr(0, 2))
        return false;
    const bool mixture = st.phase == xalt1::Phase::two_phase;
    for (const Span& span :
         mixture ? std::vector<Span>(std::begin(kMixtureSpans), std::end(kMixtureSpans))
                 : std::vector<Span>(std::begin(kFullSpans), std::end(kFullSpans))) {
        if (field(ours, span) == field(program_row, span)) continue;
        if (within_reference_offset(field(ours, span), field(program_row, span), span, st.T))
            continue;
        bool near_tie = false;
        for (double factor : {1.0 - tie, 1.0 + tie}) {
            xalt1::State shifted = st;
            shifted.*span.value *= factor;
            near_tie = near_tie || field(row_of(shifted, marker), span) == field(program_row, span);
        }
        if (!near_tie) return false;
    }
    return true;
}

TemporaryFolder::TemporaryFolder() : old_(fs::current_path()) {
    char pattern[] = "/tmp/xalt1_library_XXXXXX";
    dir_ = mkdtemp(pattern);
    fs::current_path(dir_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ec;
    fs::current_path(old_, ec);
    fs::remove_all(dir_, ec);
}

std::string TemporaryFolder::path(const std::string& name) const {
    return (fs::path(dir_) / name).string();
}

std::vector<std::string> TemporaryFolder::files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    return names;
}
