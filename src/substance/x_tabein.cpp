#include "substance/substance.h"

// Placeholder until the loader is built.
void X_TABEIN(const bool&, const Text<10>&, int32_t& status) {
    status = 0;
}
