// Pieces the library's benchmarks share: their options, a fixed pseudo-random sequence, the
// thread's CPU time, and output columns for every quantity of an array call.
#pragma once

#include <time.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "api/xalt1.h"

namespace bench_support {

// --table=PATH (default the default table), --fluids=A,B (default Argon, CO2, R134a),
// --mixtures=A+B,C+D (binaries; default R32+R1234yf, CO2+Ethane, Methane+Ethane,
// Propane+n-Butane), --markdown=PATH; the other arguments are left for Google Benchmark.
struct Options {
    std::string table = xalt1::default_table(), markdown;
    std::vector<std::string> fluids, mixtures;
    std::vector<char*> rest;
};

inline std::vector<std::string> comma_list(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream list(text);
    for (std::string item; std::getline(list, item, ',');)
        if (!item.empty()) items.push_back(item);
    return items;
}

inline Options options_of(int argc, char** argv) {
    Options o;
    std::string fluids = "Argon,CO2,R134a";
    std::string mixtures = "R32+R1234yf,CO2+Ethane,Methane+Ethane,Propane+n-Butane";
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--table=", 0) == 0)
            o.table = arg.substr(8);
        else if (arg.rfind("--fluids=", 0) == 0)
            fluids = arg.substr(9);
        else if (arg.rfind("--mixtures=", 0) == 0)
            mixtures = arg.substr(11);
        else if (arg.rfind("--markdown=", 0) == 0)
            o.markdown = arg.substr(11);
        else
            o.rest.push_back(argv[i]);
    }
    o.fluids = comma_list(fluids);
    o.mixtures = comma_list(mixtures);
    return o;
}

// A fixed pseudo-random sequence in [0, 1).
struct Sequence {
    uint64_t seed = 12345;
    double next() {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(seed >> 11) / 9007199254740992.0;
    }
};

inline double thread_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// n elements of every quantity and the phases, bound to the Outputs of an array call.
class AllColumns {
  public:
    explicit AllColumns(std::size_t n)
        : columns_(xalt1::QUANTITY_COUNT, std::vector<double>(n)), phase_(n) {
        double* xalt1::Outputs::*const members[xalt1::QUANTITY_COUNT] = {
            &xalt1::Outputs::T,       &xalt1::Outputs::p,  &xalt1::Outputs::D,
            &xalt1::Outputs::u,       &xalt1::Outputs::h,  &xalt1::Outputs::s,
            &xalt1::Outputs::cv,      &xalt1::Outputs::cp, &xalt1::Outputs::f,
            &xalt1::Outputs::g,       &xalt1::Outputs::w,  &xalt1::Outputs::mu_JT,
            &xalt1::Outputs::kappa_T, &xalt1::Outputs::x};
        for (std::size_t q = 0; q < xalt1::QUANTITY_COUNT; ++q)
            out.*members[q] = columns_[q].data();
        out.phase = phase_.data();
    }
    xalt1::Outputs out{};

  private:
    std::vector<std::vector<double>> columns_;
    std::vector<int8_t> phase_;
};

}  // namespace bench_support
