#include "main/run_control.h"

// Placeholder until the mode dialogue is built: returns mode 0.
void X_RINOUT(double& T, double& D, double& P, int32_t& mode, int32_t& status) {
    T = D = P = 0.0;
    mode = 0;
    status = 0;
}
