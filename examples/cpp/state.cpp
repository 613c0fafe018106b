// R1234yf at p = 1 MPa and h = 420 kJ/kg through the C++ interface, printed with every digit.
#include <xalt1/xalt1.h>

#include <cstdio>

int main() {
    try {
        xalt1::Fluid f("R1234yf", {}, xalt1::Units::mass);
        const xalt1::State st = f.state_ph(1.0, 420.0);
        std::printf("C++: T=%.17g D=%.17g s=%.17g phase=%d\n", st.T, st.D, st.s,
                    static_cast<int>(st.phase));
        std::printf("table %s, version %s\n", xalt1::default_table().c_str(),
                    xalt1::version().data());
    } catch (const xalt1::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
