// Linked into the fuzzing build of the program (xalt1_checked) with the linker's symbol
// wrapping: every call of the two row routines passes through here first. A row must only ever
// be made of finite values, a positive temperature and density, and a vapour fraction strictly
// between 0 and 1; anything else is reported and the run stops, so that the session fuzzer sees
// it even where the row's number editing would have hidden it behind asterisks.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void refuse(const char* what) {
    std::printf("\nrow check: non-finite value or impossible state handed to a result row: %s\n",
                what);
    std::fflush(stdout);
    std::abort();
}

bool all_finite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
extern "C" {
std::string __real__Z8full_rowB5cxx11St17basic_string_viewIcSt11char_traitsIcEEddddddddd(
    std::string_view marker, double T, double D, double p, double u, double h, double s, double cv,
    double cp, double f);
std::string __real__Z13two_phase_rowB5cxx11fdddddd(float x, double D, double p, double u, double h,
                                                   double s, double f);

std::string __wrap__Z8full_rowB5cxx11St17basic_string_viewIcSt11char_traitsIcEEddddddddd(
    std::string_view marker, double T, double D, double p, double u, double h, double s, double cv,
    double cp, double f) {
    if (!all_finite({T, D, p, u, h, s, cv, cp, f})) refuse("full row");
    if (!(T > 0.0) || !(D > 0.0)) refuse("full row with T or D not positive");
    return __real__Z8full_rowB5cxx11St17basic_string_viewIcSt11char_traitsIcEEddddddddd(
        marker, T, D, p, u, h, s, cv, cp, f);
}

std::string __wrap__Z13two_phase_rowB5cxx11fdddddd(float x, double D, double p, double u, double h,
                                                   double s, double f) {
    if (!all_finite({x, D, p, u, h, s, f})) refuse("two-phase row");
    if (!(x > 0.0f && x < 1.0f) || !(D > 0.0)) refuse("two-phase row with x or D out of range");
    return __real__Z13two_phase_rowB5cxx11fdddddd(x, D, p, u, h, s, f);
}
}
