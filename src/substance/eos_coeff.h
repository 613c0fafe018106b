// EOS_COEFF: the three coefficient sets of the residual Helmholtz energy, the same for every
// substance. Term i (1..40) is held at index i - 1.
#pragma once

#include <array>
#include <cstdint>

struct AttractionSet {
    std::array<int32_t, 40> m{};  // reduced-density exponent
    std::array<int32_t, 40> n{};  // temperature exponent, in halves
    std::array<int32_t, 40> j{};  // power of Alpha
    std::array<int32_t, 40> l{};  // density exponent in the exponential; 0: no exponential
    std::array<double, 40> c{};   // coefficient
    int32_t i4_nz = 0;            // terms 1..i4_nz are summed
};

struct PolarSet {
    std::array<int32_t, 40> m{};  // reduced-density exponent, in halves
    std::array<int32_t, 40> n{};  // temperature exponent, in halves
    std::array<int32_t, 40> k{};  // power of the polar parameter, in quarters
    std::array<int32_t, 40> o{};  // factor of the squared reduced density in the exponential
    std::array<double, 40> c{};   // coefficient
    int32_t i4_nz = 0;
};

struct EosCoeff {
    AttractionSet Fa;  // attraction set, lines "Fa-"
    PolarSet Fq;       // quadrupolar set, lines "Fq-"
    PolarSet Fd;       // dipolar set, lines "Fd-"
};

// One instance per thread, like SUBST_CONST.
extern thread_local constinit EosCoeff EOS_COEFF;
