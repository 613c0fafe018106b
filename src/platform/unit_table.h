// UNIT_TABLE: channel numbers, file names and the two switches of the work files.
#pragma once

#include <array>
#include <cstdint>

#include "platform/fixed_text.h"

struct UnitTable {
    std::array<int32_t, 10> i4_lun{};      // entry i (1..10) uses channel 10 + i
    std::array<Text<16>, 10> file_name{};  // blank name: the entry has no file
    bool l_trace = false;                  // trace file on entry 9
    bool l_status = false;                 // status file on entry 10, echo on entry 8
};

// One instance per thread (as every shared record): the program runs on one thread, and each
// thread of a library caller works with records of its own.
extern thread_local constinit UnitTable UNIT_TABLE;

// Entries of UNIT_TABLE (counted from 1) and their roles.
constexpr int TABLE_ENTRY = 1;    // "x_rstoff.tab", the substance table
constexpr int RESULT_ENTRY = 2;   // "xalt1.dat", the result table
constexpr int ECHO_ENTRY = 8;     // "atest.log", the constants echo
constexpr int TRACE_ENTRY = 9;    // "xalt1.log", the trace file
constexpr int STATUS_ENTRY = 10;  // "xalt1.tmp", the status file

// Channel number of an entry.
inline int32_t lun_of(int entry) {
    return UNIT_TABLE.i4_lun[entry - 1];
}
