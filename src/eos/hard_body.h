// Fixed constants of the hard-body term, held in single precision.
#pragma once

constexpr float A1_HARD_BODY = 0.3674f;  // exponent of the size factor's temperature dependence
constexpr float A2_HARD_BODY = 0.689f;   // temperature-independent share of the size factor
