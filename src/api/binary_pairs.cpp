#include "api/binary_pairs.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "api/csv_line.h"
#include "api/xalt1.h"

namespace xalt1::detail {

namespace {

constexpr const char* kHeader = "A,B,xi,eta,source,figures";
constexpr const char* kRuleHeader = "class_A,class_B,xi,pairs";
constexpr const char* kPairSeparator = "; ";

bool positive_number(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(v) && v > 0.0;
}

std::string quoted(const std::string& text) {
    return text.find(',') == std::string::npos ? text : "\"" + text + "\"";
}

bool same_pair(const BinaryPair& p, const std::string& a, const std::string& b) {
    return (p.a == a && p.b == b) || (p.a == b && p.b == a);
}

bool same_classes(const RuleLine& r, const std::string& a, const std::string& b) {
    return (r.class_a == a && r.class_b == b) || (r.class_a == b && r.class_b == a);
}

std::string folder_of(const std::string& table) {
    const std::size_t slash = table.rfind('/');
    return slash == std::string::npos ? "" : table.substr(0, slash + 1);
}

// Refuses a line of a file (`what` names its kind, "binary file").
[[noreturn]] void refuse(const std::string& what, const std::string& path, int line,
                         const std::string& why) {
    throw Error(ErrorKind::unreadable_table,
                what + " " + path + ", line " + std::to_string(line) + ": " + why);
}

// A line of a CSV file: its fields, and where it is for refusing it.
struct CsvLine {
    std::string what, path;
    int number = 0;
    std::vector<std::string> fields;
    [[noreturn]] void refuse(const std::string& why) const {
        detail::refuse(what, path, number, why);
    }
};

// The lines under the header, blank lines left out, each as wide as the header; an absent file
// has none.
std::vector<CsvLine> read_lines(const std::string& what, const std::string& path,
                                const std::string& header) {
    std::vector<CsvLine> lines;
    std::ifstream in(path);
    if (!in) return lines;
    const std::vector<std::string> names = csv_fields(header);
    std::string line;
    if (!std::getline(in, line) || csv_fields(line) != names)
        refuse(what, path, 1, "the header is not " + header);
    for (int number = 2; std::getline(in, line); ++number) {
        if (line.empty() || line == "\r") continue;
        CsvLine l{what, path, number, csv_fields(line)};
        if (l.fields.size() != names.size())
            refuse(what, path, number,
                   "a line has " + std::to_string(names.size()) + " fields, not " +
                       std::to_string(l.fields.size()));
        lines.push_back(std::move(l));
    }
    return lines;
}

void write_lines(const std::string& what, const std::string& path, const std::string& header,
                 const std::string& lines) {
    std::ofstream out(path);
    out << header << '\n' << lines;
    if (!out) throw Error(ErrorKind::unreadable_table, what + " " + path + ": cannot be written");
}

std::vector<std::string> pair_names(const std::string& text) {
    std::vector<std::string> names;
    const std::string separator(kPairSeparator);
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = std::min(text.find(separator, from), text.size());
        names.push_back(text.substr(from, end - from));
        from = end + separator.size();
    }
    return names;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : kPairSeparator) + n;
    return text;
}

}  // namespace

std::string binary_pairs_path(const std::string& table) {
    return folder_of(table) + "binary_pairs.csv";
}

std::vector<BinaryPair> read_binary_pairs(const std::string& path) {
    std::vector<BinaryPair> pairs;
    for (const CsvLine& l : read_lines("binary file", path, kHeader)) {
        const std::vector<std::string>& f = l.fields;
        BinaryPair p;
        if (f[0].empty() || f[1].empty() || f[0] == f[1]) l.refuse("two different fluids");
        if (!positive_number(f[2], p.xi) || !positive_number(f[3], p.eta))
            l.refuse("xi and eta must be positive numbers");
        p.a = f[0];
        p.b = f[1];
        p.source = f[4];
        p.figures = f[5];
        pairs.push_back(p);
    }
    return pairs;
}

void write_binary_pairs(const std::string& path, const std::vector<BinaryPair>& pairs) {
    std::ostringstream lines;
    lines.precision(10);
    for (const BinaryPair& p : pairs)
        lines << p.a << ',' << p.b << ',' << p.xi << ',' << p.eta << ',' << quoted(p.source) << ','
              << quoted(p.figures) << '\n';
    write_lines("binary file", path, kHeader, lines.str());
}

BinaryParameters parameters_of(const std::vector<BinaryPair>& pairs, const std::string& a,
                               const std::string& b) {
    for (const BinaryPair& p : pairs)
        if (same_pair(p, a, b)) return {p.xi, p.eta};
    return {};
}

void put_pair(std::vector<BinaryPair>& pairs, const BinaryPair& pair) {
    for (BinaryPair& p : pairs)
        if (same_pair(p, pair.a, pair.b)) {
            p = pair;
            return;
        }
    pairs.push_back(pair);
}

std::string binary_rule_path(const std::string& table) {
    return folder_of(table) + "binary_rule.csv";
}

std::vector<RuleLine> read_binary_rule(const std::string& path) {
    std::vector<RuleLine> rule;
    for (const CsvLine& l : read_lines("binary rule file", path, kRuleHeader)) {
        const std::vector<std::string>& f = l.fields;
        RuleLine r;
        if (f[0].empty() || f[1].empty()) l.refuse("two fluid classes");
        if (!positive_number(f[2], r.xi)) l.refuse("xi must be a positive number");
        for (const RuleLine& earlier : rule)
            if (same_classes(earlier, f[0], f[1]))
                l.refuse("the classes " + f[0] + " and " + f[1] + " are listed twice");
        r.class_a = f[0];
        r.class_b = f[1];
        r.pairs = pair_names(f[3]);
        rule.push_back(r);
    }
    return rule;
}

void write_binary_rule(const std::string& path, const std::vector<RuleLine>& rule) {
    std::ostringstream lines;
    lines.precision(10);
    for (const RuleLine& r : rule)
        lines << r.class_a << ',' << r.class_b << ',' << r.xi << ',' << quoted(joined(r.pairs))
              << '\n';
    write_lines("binary rule file", path, kRuleHeader, lines.str());
}

BinaryPair predicted_pair(const std::vector<RuleLine>& rule, const std::string& class_a,
                          const std::string& class_b) {
    BinaryPair p;
    p.source = "not fitted: xi = 1";
    for (const RuleLine& r : rule)
        if (same_classes(r, class_a, class_b)) {
            const std::size_t n = r.pairs.size();
            p.xi = r.xi;
            p.source = "predicted: " + r.class_a + "-" + r.class_b + " mean of " +
                       std::to_string(n) + (n == 1 ? " pair" : " pairs");
        }
    return p;
}

}  // namespace xalt1::detail
