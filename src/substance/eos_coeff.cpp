#include "substance/eos_coeff.h"

EosCoeff EOS_COEFF;
