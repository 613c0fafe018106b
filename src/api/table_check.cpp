#include "api/table_check.h"

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

#include "api/solve_support.h"
#include "api/xalt1.h"
#include "platform/status_codes.h"
#include "substance/table_fields.h"
#include "substance/table_layout.h"

namespace xalt1::detail {

namespace {

// Widths of the loader's fields.
constexpr int32_t kIndexWidth = 2;
constexpr int32_t kIntWidth = 4;
constexpr int32_t kConstantWidth = 17;
constexpr int32_t kAttractionWidth = 17;
constexpr int32_t kPolarWidth = 19;
constexpr int32_t kCp0Widths[] = {17, 20, 20};  // E, K, K2
constexpr std::size_t kCoefficientFields = 6;
constexpr double kLargestCoefficient = 1e3;
constexpr int32_t kLargestExponent = 100;
constexpr int32_t kMostCp0Terms = 20;

struct Bounds {
    double lo, hi;
    bool open_below;  // lo itself is out
};

struct Constant {
    const char* label;
    Bounds bounds;
};

// The constants of an entry, with what a real fluid can have.
constexpr Constant kConstants[] = {
    {"Tc", {0, 5000, true}},      {"Dc", {0, 100, true}},    {"Pc", {0, 1000, true}},
    {"T0", {0, 5000, true}},      {"D0", {0, 200, true}},    {"Alpha", {1, 10, false}},
    {"Q2", {0, 100, false}},      {"Dp", {0, 100, false}},   {"MolWt", {0, 10000, true}},
    {"Dref", {0, 100, true}},     {"Tref", {0, 5000, true}}, {"Href", {-1e7, 1e7, false}},
    {"Sref", {-1e5, 1e5, false}},
};
constexpr Bounds kCp0Bounds[] = {{-10, 10, false}, {-1e6, 1e6, false}, {0, 1e5, false}};

bool inside(double v, const Bounds& b) {
    return (b.open_below ? v > b.lo : v >= b.lo) && v <= b.hi;
}

std::string bounds_text(const Bounds& b) {
    std::string t(b.open_below ? "(" : "[");
    t += exact_text(b.lo);
    t += ", ";
    t += exact_text(b.hi);
    return t + "]";
}

std::vector<std::string> words_of(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

bool real_of(const std::string& word, int32_t width, double& v) {
    return word.size() <= static_cast<std::size_t>(width) &&
           read_real_field(word, width, v) == STATUS_OK;
}

bool int_of(const std::string& word, int32_t width, int32_t& v) {
    return word.size() <= static_cast<std::size_t>(width) &&
           read_int_field(word, width, v) == STATUS_OK;
}

std::string quoted(const std::string& word) {
    return "'" + word + "'";
}

}  // namespace

// One entry's constants lines, word by word as the loader reads them.
class EntryCheck {
  public:
    EntryCheck(const TableCheck& table, const std::string& code)
        : table_(table), where_("the entry of " + code) {}

    void line(std::size_t k) {
        line_ = k;
        std::string text = table_.lines_[k];
        text[0] = ' ';
        const std::vector<std::string> w = words_of(text);
        for (std::size_t i = 0; i < w.size();) i = group(w, i);
    }

    void complete(std::size_t k) const {
        for (const Constant& c : kConstants)
            if (!seen_.count(c.label))
                table_.refuse(where_, k, std::string("no constant ") + c.label + ": in the entry");
        if (cp0_terms_ == 0) table_.refuse(where_, k, "no ideal-gas term Cp0: in the entry");
    }

  private:
    std::size_t group(const std::vector<std::string>& w, std::size_t i) {
        if (w[i] == "Cp0:") return cp0_group(w, i + 1);
        if (w[i].back() != ':') refuse("an unexpected word " + quoted(w[i]));
        const std::string label = w[i].substr(0, w[i].size() - 1);
        const Constant* c = constant(label);
        if (c == nullptr) refuse("an unknown label " + quoted(w[i]));
        if (seen_.count(label)) refuse("the constant " + w[i] + " a second time");
        double v = 0;
        if (i + 1 >= w.size() || !real_of(w[i + 1], kConstantWidth, v))
            refuse(w[i] + " without a number of at most 17 characters");
        if (!inside(v, c->bounds))
            refuse(w[i] + " " + exact_text(v) + " outside " + bounds_text(c->bounds));
        seen_[label] = v;
        return i + 2;
    }

    std::size_t cp0_group(const std::vector<std::string>& w, std::size_t i) {
        int32_t k = 0;
        if (i + 4 > w.size() || !int_of(w[i], kIndexWidth, k))
            refuse("Cp0: needs its term number and three numbers E K K2");
        if (k != cp0_terms_ + 1 || k > kMostCp0Terms)
            refuse("Cp0: term " + std::to_string(k) + " where term " +
                   std::to_string(cp0_terms_ + 1) + " belongs (a line lost or out of order)");
        for (std::size_t f = 0; f < 3; ++f) {
            double v = 0;
            if (!real_of(w[i + 1 + f], kCp0Widths[f], v))
                refuse("Cp0: term " + std::to_string(k) + " has a field that is not a number");
            if (!inside(v, kCp0Bounds[f]))
                refuse("Cp0: term " + std::to_string(k) + " value " + exact_text(v) + " outside " +
                       bounds_text(kCp0Bounds[f]));
        }
        ++cp0_terms_;
        return i + 4;
    }

    static const Constant* constant(const std::string& label) {
        for (const Constant& c : kConstants)
            if (label == c.label) return &c;
        return nullptr;
    }

    [[noreturn]] void refuse(const std::string& why) const { table_.refuse(where_, line_, why); }

    const TableCheck& table_;
    std::string where_;
    std::size_t line_ = 0;
    std::map<std::string, double> seen_;
    int32_t cp0_terms_ = 0;
};

TableCheck::TableCheck(const std::string& path) : path_(path) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line.substr(0, std::min(line.size(), table_layout::LINE_WIDTH)));
    }
    coefficients();
}

void TableCheck::refuse(const std::string& where, std::size_t line, const std::string& why) const {
    throw Error(ErrorKind::unreadable_table, "table " + path_ + ": " + where + ", line " +
                                                 std::to_string(line + 1) + ": " + why);
}

void TableCheck::coefficients() {
    const std::string where = "the coefficient section";
    std::size_t k = 0;
    while (k < lines_.size() && !table_layout::ends_menu(lines_[k])) ++k;
    std::map<char, int32_t> terms;  // by set: 'a', 'q', 'd'
    for (++k; k < lines_.size(); ++k) {
        const std::string& line = lines_[k];
        if (table_layout::ends_section(line)) {
            entries_ = k + 1;
            return;
        }
        if (!table_layout::is_coefficient_line(line)) continue;
        const char set = line[1];
        const std::vector<std::string> w = words_of(std::string_view(line).substr(3));
        if (w.size() != kCoefficientFields)
            refuse(where, k, "a coefficient line has six fields, not " + std::to_string(w.size()));
        int32_t index = 0;
        if (!int_of(w[0], kIndexWidth, index) || index != ++terms[set])
            refuse(where, k,
                   "term " + quoted(w[0]) + " of the F" + set + " set where term " +
                       std::to_string(terms[set]) + " belongs (a line lost or out of order)");
        const bool attraction = set == 'a';
        double c = 0;
        if (!real_of(attraction ? w[1] : w[5], attraction ? kAttractionWidth : kPolarWidth, c) ||
            !(std::fabs(c) <= kLargestCoefficient))
            refuse(where, k, "the coefficient is not a number within +-1e3");
        for (std::size_t f = attraction ? 2 : 1, n = 0; n < 4; ++f, ++n) {
            int32_t e = 0;
            if (!int_of(w[f], kIntWidth, e) || std::abs(e) > kLargestExponent)
                refuse(where, k,
                       "the exponent " + quoted(w[f]) + " is not an integer within +-100");
        }
    }
    refuse(where, k == 0 ? 0 : k - 1, "no line ##### ends it: the table may be cut short");
}

void TableCheck::entry(const std::string& code) const {
    std::size_t k = entries_;
    while (k < lines_.size() && !table_layout::is_entry_header(lines_[k], code)) ++k;
    if (k == lines_.size()) return;
    EntryCheck check(*this, code);
    for (++k; k < lines_.size() && !table_layout::ends_section(lines_[k]); ++k)
        if (table_layout::is_constants_line(lines_[k], code)) check.line(k);
    if (k == lines_.size())
        refuse("the entry of " + code, k - 1,
               "the entry ends with the file, without its closing line #####: the table may be "
               "cut short");
    check.complete(k);
}

}  // namespace xalt1::detail
