// A mixture for code, loaded: its components from one table, the fractions checked and turned
// into mole fractions, the pairs' parameters from the binary file (else the rule of their
// classes), the mixture's range.
#include <algorithm>
#include <cmath>
#include <limits>

#include "api/binary_pairs.h"
#include "api/mixture_impl.h"
#include "api/table.h"

namespace xalt1 {

using detail::exact_text;

namespace {

constexpr double kSumTolerance = 1e-9;

[[noreturn]] void refuse(const std::string& why) {
    throw Error(ErrorKind::bad_input, why);
}

std::string fractions_text(const std::vector<Component>& components) {
    std::string t;
    for (const Component& c : components)
        t += (t.empty() ? "" : ", ") + c.code + " " + exact_text(c.fraction);
    return t;
}

// The fractions checked: at least one component, none twice, each finite and >= 0, summing to
// 1 within round-off.
void check_fractions(const std::vector<Component>& components) {
    if (components.empty()) refuse("a mixture needs at least one component");
    double sum = 0;
    for (const Component& c : components) {
        if (!std::isfinite(c.fraction) || c.fraction < 0.0)
            refuse("the fraction of " + c.code + " is " + exact_text(c.fraction) +
                   ": fractions must be finite and not negative (" + fractions_text(components) +
                   ")");
        sum += c.fraction;
    }
    if (std::fabs(sum - 1.0) > kSumTolerance)
        refuse("the fractions sum to " + exact_text(sum) + ", not 1 (" +
               fractions_text(components) + ")");
}

}  // namespace

namespace {

void load_components(Mixture::Impl& m, const std::vector<Component>& given, Basis basis) {
    std::vector<double> amounts;
    for (const Component& c : given) {
        Fluid fluid(c.code, m.table);
        const FluidInfo& info = fluid.info();
        if (std::find(m.codes.begin(), m.codes.end(), info.code) != m.codes.end())
            refuse(info.code + " is given twice (" + fractions_text(given) + ")");
        m.codes.push_back(info.code);
        m.M.push_back(info.M);
        m.ranges.push_back(fluid.range());
        m.pure.push_back(detail::critical_constants_of(fluid));
        amounts.push_back(basis == Basis::mass ? c.fraction / info.M : c.fraction);
        m.fluids.push_back(std::move(fluid));
    }
    for (const Fluid& fluid : m.fluids) m.series.push_back(detail::series_source(fluid));
    double total = 0;
    for (double a : amounts) total += a;
    for (double a : amounts) m.z.push_back(a / total);
}

// Each pair's parameters: the binary file's, else the rule's for the two fluids' classes.
void load_pairs(Mixture::Impl& m, const std::string& pairs) {
    const std::vector<detail::BinaryPair> file =
        detail::read_binary_pairs(pairs.empty() ? detail::binary_pairs_path(m.table) : pairs);
    const std::vector<detail::RuleLine> rule =
        detail::read_binary_rule(detail::binary_rule_path(m.table));
    std::vector<detail::LoadedFluid> loaded;
    for (const std::string& code : m.codes) loaded.push_back(detail::load_fluid(m.table, code));
    const std::size_t n = m.codes.size();
    std::vector<std::vector<detail::BinaryParameters>> k(n,
                                                         std::vector<detail::BinaryParameters>(n));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            detail::BinaryPair p = detail::predicted_pair(rule, loaded[i].info.fluid_class,
                                                          loaded[j].info.fluid_class);
            for (const detail::BinaryPair& listed : file)
                if ((listed.a == m.codes[i] && listed.b == m.codes[j]) ||
                    (listed.a == m.codes[j] && listed.b == m.codes[i]))
                    p = listed;
            k[i][j] = k[j][i] = {p.xi, p.eta};
            m.binary.push_back({m.codes[i], m.codes[j], p.xi, p.eta, p.source});
        }
    std::vector<detail::Records> records;
    for (const detail::LoadedFluid& fluid : loaded) records.push_back(fluid.records);
    m.model = std::make_unique<detail::MixtureModel>(records, k);
}

void set_range(Mixture::Impl& m) {
    m.range = {0.0, 0.0, std::numeric_limits<double>::infinity()};
    for (std::size_t i = 0; i < m.z.size(); ++i) {
        m.range.Tmin += m.z[i] * m.ranges[i].Tmin;
        m.range.Tmax += m.z[i] * m.ranges[i].Tmax;
        if (m.z[i] > 0.0) m.range.pmax = std::min(m.range.pmax, m.ranges[i].pmax);
    }
}

}  // namespace

Mixture::Mixture(const std::vector<Component>& components, Basis basis, const std::string& table,
                 Units units, const std::string& pairs)
    : impl_(std::make_unique<Impl>()) {
    check_fractions(components);
    Impl& m = *impl_;
    m.table = table.empty() ? default_table() : table;
    m.units = units;
    load_components(m, components, basis);
    for (const std::string& code : m.codes) m.name += (m.name.empty() ? "" : "/") + code;
    load_pairs(m, pairs);
    set_range(m);
}

Mixture::Mixture(const Blend& blend, const std::string& table, Units units,
                 const std::string& pairs)
    : Mixture(blend.components, blend.basis, table, units, pairs) {
    impl_->name = blend.name;
}

Mixture::~Mixture() = default;
Mixture::Mixture(Mixture&&) noexcept = default;
Mixture& Mixture::operator=(Mixture&&) noexcept = default;

const std::vector<std::string>& Mixture::components() const {
    return impl_->codes;
}
const std::vector<double>& Mixture::z() const {
    return impl_->z;
}
double Mixture::molar_mass() const {
    return impl_->molar_mass(impl_->z);
}
Units Mixture::units() const {
    return impl_->units;
}
const std::string& Mixture::table() const {
    return impl_->table;
}
const std::string& Mixture::name() const {
    return impl_->name;
}
std::vector<BinaryInfo> Mixture::binary() const {
    return impl_->binary;
}
Range Mixture::range() const {
    return impl_->range;
}

}  // namespace xalt1
