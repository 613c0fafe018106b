// Mixtures of shipped fluids for the mixture tests: the one-fluid model and the components'
// critical constants and saturation series.
#pragma once

#include <string>
#include <vector>

#include "api/mixture_vle.h"

struct TestMixture {
    xalt1::detail::MixtureModel model;
    std::vector<xalt1::detail::CriticalConstants> pure;
    std::vector<xalt1::detail::SaturationSource> series;  // the fluids' saturation series
};

// The shipped fluids `codes` with xi for every pair.
TestMixture shipped_mixture(const std::vector<std::string>& codes, double xi);
