// The derivative pairs (order in D, order in T) that every term function offers.
#pragma once

#include <cstdint>

// (0,0), (1,0), (2,0), (3,0), (0,1), (0,2), (1,1).
inline bool supported_pair(int32_t i4_del, int32_t i4_tau) {
    return (i4_tau == 0 && i4_del >= 0 && i4_del <= 3) ||
           (i4_del == 0 && i4_tau >= 1 && i4_tau <= 2) || (i4_del == 1 && i4_tau == 1);
}
