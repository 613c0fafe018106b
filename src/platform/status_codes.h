// Status values shared by the routines: 0 success, -1 end of file, positive codes for failures.
#pragma once

#include <cstdint>

constexpr int32_t STATUS_OK = 0;
constexpr int32_t STATUS_END_OF_FILE = -1;
constexpr int32_t STATUS_UNSUPPORTED_PAIR = 1;  // term function: derivative pair not offered
constexpr int32_t STATUS_NOT_OPEN = 2;          // channel has no open file
constexpr int32_t STATUS_OPEN_FAILED = 3;       // file could not be opened or created
constexpr int32_t STATUS_READ_FAILED = 4;       // read error other than end of file
constexpr int32_t STATUS_WRITE_FAILED = 5;      // record could not be written
constexpr int32_t STATUS_CLOSE_FAILED = 6;      // close reported an error
constexpr int32_t STATUS_BAD_NUMBER = 7;        // a field or an answer is not a number
constexpr int32_t STATUS_BAD_INDEX = 8;         // a term index outside its array
constexpr int32_t STATUS_OUT_OF_RANGE = 98;     // state outside the equation's range
constexpr int32_t STATUS_NEAR_CRITICAL = 99;    // saturation not found (near the critical point)
