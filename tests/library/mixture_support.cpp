#include "library/mixture_support.h"

#include "api/table.h"
#include "library/library_support.h"

TestMixture shipped_mixture(const std::vector<std::string>& codes, double xi) {
    using xalt1::detail::BinaryParameters;
    std::vector<xalt1::detail::Records> records;
    std::vector<xalt1::detail::CriticalConstants> pure;
    std::vector<xalt1::detail::SaturationSource> series;
    for (const std::string& code : codes) {
        records.push_back(xalt1::detail::load_fluid(XALT1_SHIPPED_TABLE, code).records);
        const xalt1::Fluid& f = shipped_fluid(code);
        pure.push_back(xalt1::detail::critical_constants_of(f));
        series.push_back(xalt1::detail::series_source(f));
    }
    std::vector<std::vector<BinaryParameters>> k(codes.size(),
                                                 std::vector<BinaryParameters>(codes.size()));
    for (std::size_t i = 0; i < codes.size(); ++i)
        for (std::size_t j = 0; j < codes.size(); ++j)
            if (i != j) k[i][j].xi = xi;
    return {xalt1::detail::MixtureModel(records, k), pure, series};
}
