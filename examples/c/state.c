/* R1234yf at p = 1 MPa and h = 420 kJ/kg through the C interface, then an isobar as one array
 * call. Prints the state with every digit, so that it can be compared with other interfaces. */
#include <stdio.h>
#include <xalt1/xalt1_c.h>

int main(void) {
    xalt1_fluid* fluid = NULL;
    if (xalt1_load("R1234yf", NULL, XALT1_MASS, XALT1_REFERENCE_TABLE, &fluid) != XALT1_OK) {
        fprintf(stderr, "%s\n", xalt1_last_error());
        return 1;
    }
    xalt1_state st;
    int rc = xalt1_state_of(fluid, XALT1_PH, 1.0, 420.0, XALT1_ANY_PHASE, &st);
    if (rc != XALT1_OK) {
        fprintf(stderr, "%s: %s\n", xalt1_status_name(rc), xalt1_last_error());
        xalt1_free(fluid);
        return 1;
    }
    printf("C: T=%.17g D=%.17g s=%.17g phase=%d\n", st.T, st.D, st.s, st.phase);

    /* Five enthalpies at one pressure (stride 0 repeats p); the last lies above the range. */
    const double p = 1.0, h[5] = {250.0, 300.0, 380.0, 420.0, 5000.0};
    xalt1_state states[5];
    int status[5];
    size_t failed = 0;
    xalt1_states(fluid, XALT1_PH, &p, 0, h, 1, 5, XALT1_ANY_PHASE, states, status, &failed);
    for (int i = 0; i < 5; ++i)
        printf("h=%g: T=%.3f x=%.4f status=%s\n", h[i], states[i].T, states[i].x,
               xalt1_status_name(status[i]));
    printf("failed %zu, table %s, version %s\n", failed, xalt1_default_table(), xalt1_version());
    xalt1_free(fluid);
    return 0;
}
