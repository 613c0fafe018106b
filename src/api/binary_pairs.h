// The binary parameters of mixtures: a file of their own next to the substance table
// (x_rstoff.tab -> binary_pairs.csv), one line per pair "A,B,xi,eta,source,figures" under that
// header. A pair the file does not list takes xi from the rule file next to it
// (binary_rule.csv), one line per pair of fluid classes "class_A,class_B,xi,pairs": xi fitted
// over the listed pairs of those classes, eta = 1. A pair neither file covers has xi = eta = 1.
#pragma once

#include <string>
#include <vector>

#include "api/mixture_model.h"

namespace xalt1::detail {

struct BinaryPair {
    std::string a, b;
    double xi = 1.0, eta = 1.0;
    std::string source;   // where the parameters came from
    std::string figures;  // how well they meet the data
};

// The binary file next to `table`.
std::string binary_pairs_path(const std::string& table);
// The file's pairs; an absent file has none. Throws Error (unreadable_table) naming the file
// and the line of a line that is not a pair with finite, positive xi and eta.
std::vector<BinaryPair> read_binary_pairs(const std::string& path);
void write_binary_pairs(const std::string& path, const std::vector<BinaryPair>& pairs);
// The pair of A and B in either order, or xi = eta = 1.
BinaryParameters parameters_of(const std::vector<BinaryPair>& pairs, const std::string& a,
                               const std::string& b);
// The pairs with `pair` in place of the one of the same fluids, or added at the end.
void put_pair(std::vector<BinaryPair>& pairs, const BinaryPair& pair);

// One line of the rule: the xi of a pair of fluid classes ("nonpolar", "quadrupolar",
// "dipolar", "hbond") and the pairs ("A/B") it was fitted over.
struct RuleLine {
    std::string class_a, class_b;
    double xi = 1.0;
    std::vector<std::string> pairs;
};

// The rule file next to `table`.
std::string binary_rule_path(const std::string& table);
// The rule's lines; an absent file has none. Throws Error (unreadable_table) naming the file
// and the line of a line that is not two classes with a finite, positive xi, or that repeats
// a pair of classes.
std::vector<RuleLine> read_binary_rule(const std::string& path);
void write_binary_rule(const std::string& path, const std::vector<RuleLine>& rule);
// The rule's parameters for two fluids of the classes a and b (either order), its source
// "predicted: nonpolar-quadrupolar mean of 3 pairs"; where the rule has no line for the
// classes, xi = eta = 1 "not fitted: xi = 1".
BinaryPair predicted_pair(const std::vector<RuleLine>& rule, const std::string& class_a,
                          const std::string& class_b);

}  // namespace xalt1::detail
