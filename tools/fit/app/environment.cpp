#include "app/environment.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fit {

void read_environment(Settings& settings) {
    if (const char* v = std::getenv("FIT_THREADS"))
        settings.threads = std::clamp(std::atoi(v), 1, 64);
    if (const char* v = std::getenv("FIT_CRIT")) settings.crit_scale = std::atof(v);
    settings.verbose_check = std::getenv("FIT_VERBOSE_CHECK") != nullptr;
    settings.own_saturation = std::getenv("FIT_OWN_SATURATION") != nullptr;
    SearchSettings& search = settings.search;
    if (const char* v = std::getenv("FIT_TERMS"))
        std::sscanf(v, "%d,%d,%d", &search.terms[0], &search.terms[1], &search.terms[2]);
    if (const char* v = std::getenv("FIT_ROUNDS")) search.rounds = std::atoi(v);
    if (const char* v = std::getenv("FIT_STAGES")) search.stages = std::clamp(std::atoi(v), 0, 3);
}

}  // namespace fit
