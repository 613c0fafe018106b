#include "api/binary_pairs.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "api/csv_line.h"
#include "api/xalt1.h"

namespace xalt1::detail {

namespace {

constexpr const char* kHeader = "A,B,xi,eta,source,figures";

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

}  // namespace

std::string binary_pairs_path(const std::string& table) {
    const std::size_t slash = table.rfind('/');
    return (slash == std::string::npos ? "" : table.substr(0, slash + 1)) + "binary_pairs.csv";
}

std::vector<BinaryPair> read_binary_pairs(const std::string& path) {
    std::vector<BinaryPair> pairs;
    std::ifstream in(path);
    if (!in) return pairs;
    const auto refuse = [&](int line, const std::string& why) {
        throw Error(ErrorKind::unreadable_table,
                    "binary file " + path + ", line " + std::to_string(line) + ": " + why);
    };
    std::string line;
    if (!std::getline(in, line) || csv_fields(line) != csv_fields(kHeader))
        refuse(1, std::string("the header is not ") + kHeader);
    for (int number = 2; std::getline(in, line); ++number) {
        if (line.empty() || line == "\r") continue;
        const std::vector<std::string> f = csv_fields(line);
        BinaryPair p;
        if (f.size() != 6) refuse(number, "a pair has six fields, not " + std::to_string(f.size()));
        if (f[0].empty() || f[1].empty() || f[0] == f[1]) refuse(number, "two different fluids");
        if (!positive_number(f[2], p.xi) || !positive_number(f[3], p.eta))
            refuse(number, "xi and eta must be positive numbers");
        p.a = f[0];
        p.b = f[1];
        p.source = f[4];
        p.figures = f[5];
        pairs.push_back(p);
    }
    return pairs;
}

void write_binary_pairs(const std::string& path, const std::vector<BinaryPair>& pairs) {
    std::ofstream out(path);
    out << kHeader << '\n';
    out.precision(10);
    for (const BinaryPair& p : pairs)
        out << p.a << ',' << p.b << ',' << p.xi << ',' << p.eta << ',' << quoted(p.source) << ','
            << quoted(p.figures) << '\n';
    if (!out)
        throw Error(ErrorKind::unreadable_table, "binary file " + path + ": cannot be written");
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

}  // namespace xalt1::detail
