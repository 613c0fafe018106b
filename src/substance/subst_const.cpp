#include "substance/subst_const.h"

SubstConst SUBST_CONST;
