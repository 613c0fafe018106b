#include "substance/eos_coeff.h"

thread_local constinit EosCoeff EOS_COEFF{};
