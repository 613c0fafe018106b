// The named blends a mixture can be made of, and the names of the bases of fractions.
#include "api/table.h"
#include "api/xalt1.h"

namespace xalt1 {

Basis basis_of(std::string_view name) {
    if (name == "mole") return Basis::mole;
    if (name == "mass") return Basis::mass;
    throw Error(ErrorKind::bad_input, "the basis of fractions is \"mole\" or \"mass\", not \"" +
                                          std::string(name) + "\"");
}

// Refrigerant blends by their mass fractions as designated; air by its mole fractions.
const std::vector<Blend>& blends() {
    static const std::vector<Blend> kBlends = {
        {"R454B", {{"R32", 0.689}, {"R1234yf", 0.311}}, Basis::mass},
        {"R454C", {{"R32", 0.215}, {"R1234yf", 0.785}}, Basis::mass},
        {"R513A", {{"R1234yf", 0.56}, {"R134a", 0.44}}, Basis::mass},
        {"R516A", {{"R1234yf", 0.775}, {"R134a", 0.085}, {"R152a", 0.14}}, Basis::mass},
        {"R455A", {{"CO2", 0.03}, {"R32", 0.215}, {"R1234yf", 0.755}}, Basis::mass},
        {"Air", {{"Nitrogen", 0.7812}, {"Oxygen", 0.2096}, {"Argon", 0.0092}}, Basis::mole},
    };
    return kBlends;
}

const Blend& blend(std::string_view name) {
    for (const Blend& b : blends())
        if (detail::same_text(b.name, name)) return b;
    std::string names;
    for (const Blend& b : blends()) names += (names.empty() ? "" : ", ") + b.name;
    throw Error(ErrorKind::unknown_fluid,
                "no blend named \"" + std::string(name) + "\"; the blends are " + names);
}

}  // namespace xalt1
