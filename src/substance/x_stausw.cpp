#include "substance/substance.h"

// Placeholder until the substance menu is built: always returns the quit code.
void X_STAUSW(const std::array<int32_t, 10>&, Text<10>& code, int32_t& status) {
    code = fixed<10>("0");
    status = 0;
}
