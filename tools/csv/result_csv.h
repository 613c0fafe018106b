// The result file "xalt1.dat" as CSV: one header line, then one line per result row, with the
// substance of the row's block, its phase marker and vapour fraction as columns of their own,
// and every number exactly as the result file prints it.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace result_csv {

// The header line (without its line end).
std::string header();

// Converts a result file read from `dat` and writes the CSV to `csv`. Run headers, column
// headings and the end marker are left out. Returns the number of result rows written.
int convert(std::istream& dat, std::ostream& csv);

// A CSV cell: quoted (with doubled quotes) only when it holds a comma, a quote or a line end.
std::string cell(std::string_view text);

}  // namespace result_csv
