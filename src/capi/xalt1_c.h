/* xalt1's C interface: thermodynamic properties of pure fluids for C, Fortran (iso_c_binding)
 * and any language with a C foreign-function interface. Plain C99; in libxalt1.so (and
 * libxalt1.a, which needs the C++ runtime when linked).
 *
 *     xalt1_fluid* f = NULL;
 *     if (xalt1_load("R1234yf", NULL, XALT1_MASS, XALT1_REFERENCE_TABLE, &f) != XALT1_OK)
 *         fprintf(stderr, "%s\n", xalt1_last_error());
 *     xalt1_state st;
 *     int rc = xalt1_state_of(f, XALT1_PH, 1.0, 420.0, XALT1_ANY_PHASE, &st);
 *     xalt1_free(f);
 *
 * Every call returns XALT1_OK (0) or an error code; the message of the calling thread's last
 * call is xalt1_last_error() (empty after a success). Nothing is written to the console, no
 * C++ exception leaves a call. Fluids are opaque handles: any number of threads may use one
 * handle or several at once; xalt1_free waits for calls on the handle to finish, and a freed
 * or unknown handle is refused (XALT1_BAD_HANDLE), not followed.
 *
 * Units, inputs, phases, states and errors are those of the C++ interface (xalt1.h); the
 * numbers of the enumerations below follow its enumerations. */
#ifndef XALT1_C_H
#define XALT1_C_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define XALT1_C_API __attribute__((visibility("default")))
#else
#define XALT1_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes: XALT1_OK, the kinds of xalt1::ErrorKind (plus 1), then errors of the call. */
enum {
    XALT1_OK = 0,
    XALT1_UNKNOWN_FLUID = 1,    /* the code is not a fluid of the table */
    XALT1_UNREADABLE_TABLE = 2, /* the table (or its metadata file) cannot be read */
    XALT1_BAD_INPUT = 3,        /* not finite, not positive where it must be, x not in [0, 1] */
    XALT1_OUT_OF_RANGE = 4,     /* an input or the state lies outside the fluid's range */
    XALT1_NO_SOLUTION = 5,      /* the equation gives no state for the inputs */
    XALT1_NOT_A_STATE = 6,      /* the pair does not fix one state */
    XALT1_BAD_ARGUMENT = 7,     /* a null pointer, an unknown enumerator, a negative length */
    XALT1_BAD_HANDLE = 8,       /* not a loaded fluid (null, freed or never loaded) */
    XALT1_INTERNAL = 9          /* out of memory or an unexpected failure */
};

/* Units, chosen at load. MOLAR: K, MPa, mol/dm3, J/mol, J/(mol K); MASS: K, MPa, kg/m3, kJ/kg,
 * kJ/(kg K); SI: K, Pa, kg/m3, J/kg, J/(kg K); SI_MOLAR: K, Pa, mol/m3, J/mol, J/(mol K).
 * Speed of sound in m/s; mu_JT in K/MPa (K/Pa in SI), kappa_T in 1/MPa (1/Pa in SI). */
enum { XALT1_MOLAR = 0, XALT1_MASS = 1, XALT1_SI = 2, XALT1_SI_MOLAR = 3 };

/* Reference state (the zero of u, h, s, f, g), chosen at load: the table's own, IIR
 * (h = 200 kJ/kg, s = 1 kJ/(kg K) for the saturated liquid at 0 C), ASHRAE (h = s = 0 for the
 * saturated liquid at -40 C), NBP (h = s = 0 for the saturated liquid at 0.101325 MPa). */
enum {
    XALT1_REFERENCE_TABLE = 0,
    XALT1_REFERENCE_IIR = 1,
    XALT1_REFERENCE_ASHRAE = 2,
    XALT1_REFERENCE_NBP = 3
};

/* Input pairs, the two values in the order of the name (XALT1_PH: p, then h). */
enum {
    XALT1_TD = 0,
    XALT1_TP = 1,
    XALT1_PD = 2,
    XALT1_PH = 3,
    XALT1_PS = 4,
    XALT1_TX = 5,
    XALT1_PX = 6,
    XALT1_HS = 7,
    XALT1_TH = 8,
    XALT1_TS = 9,
    XALT1_DH = 10,
    XALT1_DS = 11,
    XALT1_DU = 12,
    XALT1_PU = 13,
    XALT1_HX = 14,
    XALT1_SX = 15
};

/* The phase asked for: the stable state, or the liquid or vapour branch (metastable states
 * up to the spinodal included; never a mixture). */
enum { XALT1_ANY_PHASE = 0, XALT1_LIQUID_PHASE = 1, XALT1_VAPOUR_PHASE = 2 };

/* The phase of a state; XALT1_FAILED marks an element of an array call that was not found. */
enum {
    XALT1_FAILED = -1,
    XALT1_LIQUID = 0,
    XALT1_VAPOUR = 1,
    XALT1_SUPERCRITICAL = 2,
    XALT1_TWO_PHASE = 3
};

/* Quantities of derivatives: T, p, D, v = 1/D, u, h, s, g, f. */
enum {
    XALT1_VAR_T = 0,
    XALT1_VAR_P = 1,
    XALT1_VAR_D = 2,
    XALT1_VAR_V = 3,
    XALT1_VAR_U = 4,
    XALT1_VAR_H = 5,
    XALT1_VAR_S = 6,
    XALT1_VAR_G = 7,
    XALT1_VAR_F = 8
};

/* One state, every property at once, in the fluid's units. f Helmholtz and g Gibbs energy, w
 * speed of sound, x vapour fraction; NaN where the phase has none (x of a single phase; cv,
 * cp, w, mu_JT and kappa_T of a mixture), and every number NaN with phase XALT1_FAILED for a
 * failed element of an array call. */
typedef struct xalt1_state {
    double T, p, D, u, h, s, cv, cp, f, g, w, mu_JT, kappa_T, x;
    int phase;
} xalt1_state;

/* A loaded fluid's facts: M in g/mol; Tc, pc, Dc of the table's equation (K, MPa, mol/dm3);
 * Ttriple, Tmax, pmax from the table's metadata file (NaN where it does not list the fluid);
 * ptriple, Tnbp and the acentric factor of the equation (NaN where there is none); the range
 * the fluid answers in (K, MPa); whether the table meets every accuracy target for it. */
typedef struct xalt1_info {
    double M, Tc, pc, Dc, Ttriple, Tmax, pmax, ptriple, Tnbp, acentric;
    double range_Tmin, range_Tmax, range_pmax;
    int meets_targets;
} xalt1_info;

/* The texts of a loaded fluid (xalt1_text). */
enum {
    XALT1_TEXT_CODE = 0,      /* "R1234yf" */
    XALT1_TEXT_NAME = 1,      /* "2,3,3,3-tetrafluoropropene" */
    XALT1_TEXT_CLASS = 2,     /* "nonpolar", "quadrupolar", "dipolar", "hbond" or "" */
    XALT1_TEXT_REFERENCE = 3, /* the table's reference state: "IIR", "NBP", "triple point" */
    XALT1_TEXT_TARGETS = 4,   /* "met", or the accuracy figures that miss */
    XALT1_TEXT_TABLE = 5      /* the path of the table it was loaded from */
};

typedef struct xalt1_fluid xalt1_fluid;

/* ---- Library -------------------------------------------------------------------------- */

XALT1_C_API const char* xalt1_version(void); /* "major.minor.patch" */
/* The message of the calling thread's last call ("" after a success); valid until the
 * thread's next call. */
XALT1_C_API const char* xalt1_last_error(void);
/* The same copied into buffer (cut to size - 1 characters, always terminated when size > 0);
 * returns the message's full length. For languages without C strings (Fortran). */
XALT1_C_API size_t xalt1_last_error_copy(char* buffer, size_t size);
/* A return code as words: "ok", "unknown fluid", ..., "bad handle", "internal error". */
XALT1_C_API const char* xalt1_status_name(int status);
/* Property evaluations (equation of state at (T, D)) made by the calling thread so far. */
XALT1_C_API uint64_t xalt1_evaluation_count(void);
/* The table a load without one reads: $XALT1_TABLE where set, else the one installed with
 * the library. Valid until the thread's next call. */
XALT1_C_API const char* xalt1_default_table(void);

/* ---- Fluids --------------------------------------------------------------------------- */

/* Loads fluid `code` (its code in any case, its name or refrigerant number) from `table`
 * (NULL or "": the default table) with the given units and reference state, into *fluid
 * (NULL on failure). */
XALT1_C_API int xalt1_load(const char* code, const char* table, int units, int reference,
                           xalt1_fluid** fluid);
/* Frees a handle; NULL is ignored. XALT1_BAD_HANDLE for a handle not loaded (or freed). */
XALT1_C_API int xalt1_free(xalt1_fluid* fluid);

XALT1_C_API int xalt1_info_of(const xalt1_fluid* fluid, xalt1_info* info);
/* One of the fluid's texts (XALT1_TEXT_...); *text stays valid while the handle lives. */
XALT1_C_API int xalt1_text(const xalt1_fluid* fluid, int which, const char** text);
/* The critical point of the table's equation (phase supercritical). */
XALT1_C_API int xalt1_critical(const xalt1_fluid* fluid, xalt1_state* state);

/* ---- States --------------------------------------------------------------------------- */

/* The state of an input pair (XALT1_TD ... XALT1_SX) in the phase asked for. */
XALT1_C_API int xalt1_state_of(const xalt1_fluid* fluid, int input, double first, double second,
                               int phase, xalt1_state* state);

/* n states: element i from first[i * first_stride] and second[i * second_stride]; strides
 * count doubles (elements, not bytes; 1 for a plain array, 0 repeats one value, negative walks
 * backwards). Every element is computed and written to states[i]; a failed one has NaN in every
 * number and phase XALT1_FAILED. status (NULL: not wanted) gets each element's code. Returns
 * XALT1_OK when every element is found, else the code of the first failed one (its message is
 * xalt1_last_error()); *failed (NULL: not wanted) gets the number of failed elements. An error
 * of the call itself (bad handle, null pointer, unknown pair) writes nothing. */
XALT1_C_API int xalt1_states(const xalt1_fluid* fluid, int input, const double* first,
                             ptrdiff_t first_stride, const double* second, ptrdiff_t second_stride,
                             size_t n, int phase, xalt1_state* states, int* status, size_t* failed);

/* The saturated liquid and vapour at T (Tmin <= T < Tc) or at p (p(Tmin) <= p < pc). */
XALT1_C_API int xalt1_saturation_T(const xalt1_fluid* fluid, double T, xalt1_state* liquid,
                                   xalt1_state* vapour);
XALT1_C_API int xalt1_saturation_p(const xalt1_fluid* fluid, double p, xalt1_state* liquid,
                                   xalt1_state* vapour);

/* (d of / d wrt) at constant `constant` (XALT1_VAR_...) at the state of an input pair, exact
 * from the equation's derivatives; a mixture gives the homogeneous mixture's. */
XALT1_C_API int xalt1_derivative(const xalt1_fluid* fluid, int of, int wrt, int constant, int input,
                                 double first, double second, int phase, double* value);

#ifdef __cplusplus
}
#endif

#endif /* XALT1_C_H */
