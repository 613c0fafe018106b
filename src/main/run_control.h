// Run control and console dialogue: the main routine, work files, banner and mode dialogue.
// The error report and the text helpers, which the lower layers use as well, live on the
// floor below them all (platform/erraus.h, platform/text_helpers.h).
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

// The program's entry routine: banner, work files, substance loop and mode loop.
void MXALT1();

// Fills UNIT_TABLE and opens the work files; status is the result of the last open attempted.
void X_OPEN(int32_t& status);
// Closes the work files of entries 1 to 9; status is the result of the last close attempted.
void X_CLOSE(int32_t& status);
// Current local date and hour as CCYYMMDDhh.
void DATE_HH(Text<10>& text);

// Title page, then a pause for Enter.
void X_COPYR();

// Redraws the result screen and the mode menu; returns the mode and the values it asks for.
void X_RINOUT(double& T, double& D, double& P, int32_t& mode, int32_t& status);
