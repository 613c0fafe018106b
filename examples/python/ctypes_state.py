"""R1234yf at p = 1 MPa and h = 420 kJ/kg through libxalt1.so's C interface with ctypes: any
language with a C foreign-function interface calls the library the same way.

    python3 examples/python/ctypes_state.py [path/to/libxalt1.so]
"""

import ctypes
import ctypes.util
import sys

from ctypes import POINTER, c_char_p, c_double, c_int, c_size_t, c_ssize_t, c_void_p

XALT1_OK, XALT1_MASS, XALT1_PH, XALT1_ANY_PHASE = 0, 1, 3, 0


class State(ctypes.Structure):
    """xalt1_state: every property of a state, phase -1 for a failed element."""
    _fields_ = [(name, c_double) for name in
                "T p D u h s cv cp f g w mu_JT kappa_T x".split()] + [("phase", c_int)]


def load_library(path=None):
    """libxalt1 with the signatures of the calls used here."""
    lib = ctypes.CDLL(path or ctypes.util.find_library("xalt1") or "libxalt1.so.1")
    lib.xalt1_load.argtypes = [c_char_p, c_char_p, c_int, c_int, POINTER(c_void_p)]
    lib.xalt1_free.argtypes = [c_void_p]
    lib.xalt1_state_of.argtypes = [c_void_p, c_int, c_double, c_double, c_int, POINTER(State)]
    lib.xalt1_states.argtypes = [c_void_p, c_int, POINTER(c_double), c_ssize_t,
                                 POINTER(c_double), c_ssize_t, c_size_t, c_int, POINTER(State),
                                 POINTER(c_int), POINTER(c_size_t)]
    lib.xalt1_last_error.restype = c_char_p
    lib.xalt1_version.restype = c_char_p
    return lib


def main(path=None):
    lib = load_library(path)
    fluid = c_void_p()
    if lib.xalt1_load(b"R1234yf", None, XALT1_MASS, 0, ctypes.byref(fluid)) != XALT1_OK:
        sys.exit(lib.xalt1_last_error().decode())
    st = State()
    if lib.xalt1_state_of(fluid, XALT1_PH, 1.0, 420.0, XALT1_ANY_PHASE, ctypes.byref(st)):
        sys.exit(lib.xalt1_last_error().decode())
    print(f"ctypes: T={st.T!r} D={st.D!r} s={st.s!r} phase={st.phase}")
    # An isobar in one call: the pressure repeated (stride 0), three enthalpies.
    p, h = c_double(1.0), (c_double * 3)(300.0, 420.0, 5000.0)
    states, failed = (State * 3)(), c_size_t()
    lib.xalt1_states(fluid, XALT1_PH, ctypes.byref(p), 0, h, 1, 3, XALT1_ANY_PHASE, states,
                     None, ctypes.byref(failed))
    print("T along the isobar:", [round(s.T, 3) for s in states], "failed", failed.value)
    lib.xalt1_free(fluid)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else None)
