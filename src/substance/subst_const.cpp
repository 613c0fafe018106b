#include "substance/subst_const.h"

thread_local constinit SubstConst SUBST_CONST{};
