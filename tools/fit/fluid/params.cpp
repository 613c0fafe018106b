#include "fluid/params.h"

#include <algorithm>

namespace fit {

ParamArray to_array(const Params& p) {
    return {p.t, p.d, p.alpha, p.q2, p.dp, p.dc};
}

Params from_array(const double* v) {
    Params p;
    p.t = v[0];
    p.d = v[1];
    p.alpha = v[2];
    p.q2 = v[3];
    p.dp = v[4];
    p.dc = v[5];
    return p;
}

Params clamp_to_bounds(const Params& p, unsigned free) {
    ParamArray v = to_array(p);
    for (int k = 0; k < PARAM_COUNT; ++k)
        if (free & (1u << k)) v[k] = std::clamp(v[k], PARAM_LOWER[k], PARAM_UPPER[k]);
    return from_array(v.data());
}

}  // namespace fit
