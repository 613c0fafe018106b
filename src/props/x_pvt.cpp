#include "props/props.h"

// Placeholder until the state solver is built.
void X_PVT(double&, double&, double&, int32_t&) {}
