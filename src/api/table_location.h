// Where a call that names no table finds one.
#pragma once

#include <string>

namespace xalt1::detail {

// $XALT1_TABLE where it is set; else the table installed with the library (share/xalt1 of the
// prefix the library's own file lies in, so that an installed tree can be moved); else the
// table of the source tree the library was built from; else the one under the install prefix
// the build was configured for.
std::string shipped_table();

}  // namespace xalt1::detail
