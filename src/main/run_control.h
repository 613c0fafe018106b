// Run control and console dialogue: the main routine, work files, error reports, banner, mode
// dialogue and the fixed-width text helpers.
#pragma once

#include <cstdint>
#include <string_view>

#include "main/fixed_text.h"

// The program's entry routine: banner, work files, substance loop and mode loop.
void MXALT1();

// Fills UNIT_TABLE and opens the work files; status is the result of the last open attempted.
void X_OPEN(int32_t& status);
// Closes the work files of entries 1 to 9; status is the result of the last close attempted.
void X_CLOSE(int32_t& status);
// Current local date and hour as CCYYMMDDhh.
void DATE_HH(Text<10>& text);

// Reports one failure: a line in the status file and on the console, then a pause for Enter.
void ERRAUS(std::string_view tag, std::string_view message, const int32_t& status);

// Title page, then a pause for Enter.
void X_COPYR();

// Redraws the result screen and the mode menu; returns the mode and the values it asks for.
void X_RINOUT(double& T, double& D, double& P, int32_t& mode, int32_t& status);

// Fixed-width text helpers; each works on the fixed widths whatever the caller holds.
int32_t I4_CLEFT(Text<80>& line);
int32_t I4_CSTR(const Text<80>& line, Text<20>& word, int32_t& length);
int32_t I4_ZENTER(const Text<80>& source, Text<80>& target);
