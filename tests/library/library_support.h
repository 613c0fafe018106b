// Shared pieces of the library tests: loaded fluids kept for the whole run, the console program
// run on the shipped table with a fluid picked by its code, and result rows made from states.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/xalt1.h"

// The fluid `code` of the shipped table, loaded once per units.
const xalt1::Fluid& shipped_fluid(const std::string& code,
                                  xalt1::Units units = xalt1::Units::molar);

// The codes of the shipped fluids in menu order, and a test name made of a code.
std::vector<std::string> shipped_codes();
std::string fluid_test_name(const testing::TestParamInfo<std::string>& info);

// The menu number of `code` in the shipped table (its menu lines in order).
int menu_number(const std::string& code);

// Runs the program on the shipped table: picks `code`, answers the mode dialogue with
// `requests` (modes and values, one per line), leaves. The result rows without the run header
// and the end markers.
std::vector<std::string> console_rows(const std::string& code, const std::string& requests);

// The result row of a library state as the program writes it (molar units): a full row with
// the marker ("  ", "l ", "v "), or the mixture row of a two-phase state.
std::string row_of(const xalt1::State& st, const std::string& marker);

// True when the program's row shows the state to its printed digits: the same text, or a last
// digit that differs only where the state's value lies within a relative `tie` of the rounding
// boundary between the two (the program's own searches stop within about 1e-7 of it). u and f
// may differ by the program's reference-state offsets (up to 1e-4 R T): the library's follow
// from its h and s.
bool same_printed(const std::string& program_row, const xalt1::State& st, const std::string& marker,
                  double tie = 2e-7);

// A temporary folder made the current one for the life of the object.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    std::string path(const std::string& name) const;
    std::vector<std::string> files() const;

  private:
    std::string old_, dir_;
};
