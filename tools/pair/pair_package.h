// The package of the reference pairs: every pair of a reference folder's pairs.csv fitted, the
// binary file and the rule file written, and the document of how the fits and the rule meet
// the data, on the points they were fitted to and on points left out of their fits.
#pragma once

#include <string>

#include "api/binary_pairs.h"
#include "pair_fit.h"

namespace pair_fit {

// The binary file's line of a pair fitted to <folder>/vle/<A>_<B>.csv.
xalt1::detail::BinaryPair binary_pair_of(const std::string& folder, const std::string& a,
                                         const std::string& b, const FittedPair& fit);

// Fits the pairs, writes binary_file, rule_file and doc; the pairs' lines on standard output.
// Throws std::runtime_error (bad data, naming file and line) or xalt1::Error.
void package(const std::string& folder, const std::string& table, const std::string& binary_file,
             const std::string& rule_file, const std::string& doc);

}  // namespace pair_fit
