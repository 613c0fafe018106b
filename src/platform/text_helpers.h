// Fixed-width text helpers of the run control, used by the table readers as well; each works
// on the fixed widths whatever the caller holds.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

int32_t I4_CLEFT(Text<80>& line);
int32_t I4_CSTR(const Text<80>& line, Text<20>& word, int32_t& length);
int32_t I4_ZENTER(const Text<80>& source, Text<80>& target);
