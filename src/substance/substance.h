// Substance data: the table reader, the substance menu and the two line parsers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/fixed_text.h"

// The substance menu: rewinds the table, shows its menu section and returns the chosen code
// ("0" and nine blanks to quit, all blanks when the chosen line carried no code).
void X_STAUSW(const std::array<int32_t, 10>& units, Text<10>& code, int32_t& status);
// The codes of the menu section, read from where the table channel stands, in menu order;
// leaves the channel after the menu section, where X_TABEIN goes on.
void X_RMENU(const int32_t& table, std::vector<Text<10>>& codes, int32_t& status);
// Loads the coefficient section (when read_coeff) and the entry of the given code.
void X_TABEIN(const bool& read_coeff, const Text<10>& code, int32_t& status);
// Parses one constants line into SUBST_CONST.
void X_RCONST(const int32_t& trace, const Text<80>& line, int32_t& status);
// Parses one coefficient line ("Fa-", "Fq-", "Fd-") into EOS_COEFF.
void X_RCOEFF(const int32_t& trace, const Text<80>& line, int32_t& status);
