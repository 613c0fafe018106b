// Mixtures of shipped fluids for the mixture tests: the one-fluid model and the components'
// critical constants.
#pragma once

#include <string>
#include <vector>

#include "api/mixture_vle.h"

struct TestMixture {
    xalt1::detail::MixtureModel model;
    std::vector<xalt1::detail::CriticalConstants> pure;
};

// The shipped fluids `codes` with xi for every pair.
TestMixture shipped_mixture(const std::vector<std::string>& codes, double xi);
