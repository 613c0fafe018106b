// One line of the library's CSV files (the metadata file, the binary file): fields separated
// by commas; a field in double quotes may hold commas and doubled quotes.
#pragma once

#include <string>
#include <vector>

namespace xalt1::detail {

std::vector<std::string> csv_fields(const std::string& line);

}  // namespace xalt1::detail
