/* xalt1_c.h compiled as strict C99, and a C program's view of the refusals: a null handle, an
 * unknown fluid. Exits 0 when every check holds. */
#include <stdio.h>
#include <string.h>
#include <xalt1/xalt1_c.h>

static int check(int ok, const char* what) {
    if (!ok) fprintf(stderr, "failed: %s\n", what);
    return ok ? 0 : 1;
}

int main(void) {
    xalt1_state st;
    xalt1_fluid* fluid = NULL;
    int failures = 0;
    failures +=
        check(xalt1_state_of(NULL, XALT1_TD, 300.0, 1.0, XALT1_ANY_PHASE, &st) == XALT1_BAD_HANDLE,
              "null handle");
    failures += check(xalt1_load("NoSuchFluid", NULL, XALT1_MOLAR, XALT1_REFERENCE_TABLE, &fluid) ==
                              XALT1_UNKNOWN_FLUID &&
                          fluid == NULL,
                      "unknown fluid");
    failures += check(strstr(xalt1_last_error(), "NoSuchFluid") != NULL, "message");
    failures += check(xalt1_free(NULL) == XALT1_OK && strlen(xalt1_version()) >= 5, "version");
    return failures;
}
