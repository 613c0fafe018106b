// The library's check of a substance table before the program's loader reads it. The loader
// takes what it can read: a table cut short, a line lost, a misspelt label or an absurd number
// pass it and give wrong values later. The check asks more:
//   the coefficient section: every line's fields as its layout gives them, each set's terms
//     numbered 1, 2, 3, ... without a gap, coefficients |c| <= 1e3, exponents |n| <= 100, and
//     the section closed by "#####";
//   an entry: every constant (Tc, Dc, Pc, T0, D0, Alpha, Q2, Dp, MolWt, Dref, Tref, Href, Sref)
//     once, labelled exactly so, within physical bounds; its ideal-gas terms "Cp0: k E K K2"
//     numbered 1, 2, 3, ... without a gap, within bounds; no other word; the entry closed by
//     "#####" (a table cut short loses it).
// A number must fit its field, as the loader reads only the field's width.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace xalt1::detail {

class TableCheck {
  public:
    // Reads the table and checks its coefficient section; throws Error (unreadable_table).
    explicit TableCheck(const std::string& path);
    // Checks the entry of `code` (one the menu lists); an entry that is not there is left to
    // the loader. Throws Error (unreadable_table) naming the file, the entry and the line.
    void entry(const std::string& code) const;

  private:
    void coefficients();
    [[noreturn]] void refuse(const std::string& where, std::size_t line,
                             const std::string& why) const;

    std::string path_;
    std::vector<std::string> lines_;  // the first 80 characters of each line
    std::size_t entries_ = 0;         // the first line after the coefficient section
    friend class EntryCheck;
};

}  // namespace xalt1::detail
