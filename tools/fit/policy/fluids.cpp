#include "policy/fluids.h"

#include <algorithm>
#include <iterator>

namespace fit {

namespace {

struct NamedFluid {
    const char* code;
    Role role = Role::none;
};

// The first fluids in the order they have always had, then the fluids added later by family.
// Only the fluids shipped with an entry get a menu line, numbered in this order. Fitted alone
// are the large molecules whose reference equations rest on few data over a narrow range
// (siloxanes, the long alkanes, the methyl esters, the long perfluoroalkanes), neon with its
// quantum effects, and cyclopropane, whose saturation data below 273 K are the extrapolation
// of an old equation.
// clang-format off
const NamedFluid kFluids[] = {
    {"Argon", Role::anchor_fa},
    {"Nitrogen"},
    {"Oxygen"},
    {"Methane"},
    {"Ethane"},
    {"Propane"},
    {"n-Butane"},
    {"Isobutane"},
    {"n-Pentane"},
    {"n-Hexane"},
    {"n-Octane"},
    {"C-Hexane"},
    {"Benzene"},
    {"Toluene"},
    {"Ethylene"},
    {"Propylene"},
    {"CO2", Role::anchor_fq},
    {"CO"},
    {"Ammonia"},
    {"Water", Role::triple_point},
    {"R11"},
    {"R12"},
    {"R13"},
    {"R14"},
    {"R22"},
    {"R23"},
    {"R32"},
    {"R113"},
    {"R114"},
    {"R115"},
    {"R116"},
    {"R123"},
    {"R124"},
    {"R134a", Role::anchor_fd},
    {"R141b"},
    {"R142b"},
    {"R143a"},
    {"R152a"},
    {"R218"},
    {"R227ea"},
    {"R236fa"},
    {"RC318"},
    {"SF6"},
    {"DME"},
    {"Acetone"},
    {"Methanol"},
    {"SO2"},
    {"Krypton"},
    {"Neon", Role::alone},
    {"Fluorine"},
    {"Chlorine"},
    {"HCl"},
    {"COS"},
    {"Neopentane"},
    {"n-Decane"},
    {"n-Undecane", Role::alone},
    {"n-Dodecane", Role::alone},
    {"C-Propane", Role::alone},
    {"C-Pentane"},
    {"1-Butene"},
    {"Isobutene"},
    {"cis2Butene"},
    {"tr2Butene"},
    {"EBenzene"},
    {"o-Xylene"},
    {"m-Xylene"},
    {"p-Xylene"},
    {"THF"},
    {"EO"},
    {"DMC"},
    {"Novec649", Role::alone},
    {"EDC"},
    {"VCM"},
    {"MPalmita", Role::alone},
    {"MStearat", Role::alone},
    {"MOleate", Role::alone},
    {"MLinolea", Role::alone},
    {"MLinolen", Role::alone},
    {"MM", Role::alone},
    {"MDM", Role::alone},
    {"MD2M", Role::alone},
    {"MD3M", Role::alone},
    {"MD4M", Role::alone},
    {"D4", Role::alone},
    {"D5", Role::alone},
    {"D6", Role::alone},
    {"R21"},
    {"R40"},
    {"R41"},
    {"R161"},
    {"R13I1"},
    {"R236ea"},
    {"R245ca"},
    {"R365mfc"},
    {"HFE143m"},
    {"C4F10"},
    {"C5F12", Role::alone},
    {"C6F14", Role::alone},
    {"R1123"},
    {"R1130E"},
    {"R1132E"},
    {"R1132a"},
    {"R1224ydZ"},
    {"R1233zdE"},
    {"R1234yf"},
    {"R1234zeE"},
    {"R1234zeZ"},
    {"R1336mzzE"},
    {"R1336mzzZ"},
    {"Ethanol"},
    {"D2O"},
    {"PG"},
};
// clang-format on

}  // namespace

Role role_of(const std::string& code) {
    const auto it = std::find_if(std::begin(kFluids), std::end(kFluids),
                                 [&](const NamedFluid& n) { return code == n.code; });
    return it != std::end(kFluids) ? it->role : Role::none;
}

std::vector<std::string> menu_order() {
    std::vector<std::string> codes;
    for (const NamedFluid& n : kFluids) codes.push_back(n.code);
    return codes;
}

ReferenceState reference_state_of(const Fluid& f, double Tc) {
    if (role_of(f.code) == Role::triple_point) return ReferenceState::triple;
    if (f.Ttriple <= IIR_TEMPERATURE && IIR_TEMPERATURE < Tc) return ReferenceState::iir;
    return ReferenceState::nbp;
}

const char* reference_state_text(ReferenceState r) {
    switch (r) {
        case ReferenceState::iir:
            return "IIR";
        case ReferenceState::triple:
            return "triple point";
        case ReferenceState::nbp:
            break;
    }
    return "NBP";
}

}  // namespace fit
