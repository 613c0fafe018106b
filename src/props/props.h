// Properties of one state, the saturation state and the state solver.
#pragma once

#include <cstdint>

struct StateProperties;

// Properties at (D, T) into TD_PROPS; unless silent, the result row for phase marker x.
void X_TD_DAT(const bool& silent, const double& D, const double& T, const float& x,
              int32_t& status);
// The whole property set at (D, T) as a silent X_TD_DAT evaluates it (cp from its formula at
// every state, and densities below the residual sum's input check taken as they come), without
// TD_PROPS: for callers from code.
void X_TD_STATE(const double& D, const double& T, StateProperties& props, int32_t& status);
// Solves one request given by T, D and p (the mode's inputs, the others 0) and writes its rows.
void X_PVT(double& T, double& D, double& p, int32_t& status);
// Saturation pressure and saturated densities at T by the Maxwell construction.
void X_MAXWEL(const double& T, double& ps, double& Dliq, double& Dvap, int32_t& status);
