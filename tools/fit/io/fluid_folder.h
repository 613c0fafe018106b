// Fluid data in the layout of the reference package: fluids.csv, idealgas.csv, sat/CODE.csv,
// optional pvt/CODE.csv and caloric/CODE.csv. One reader for both uses: the whole package
// (make data, make fit) and one fluid's own data folder (add), every field checked.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fluid/fluid.h"
#include "io/csv.h"

namespace fit {

struct FluidData {
    Fluid fluid;
    std::vector<bool> vapour_given;  // per saturation point: D'' from the data
    size_t caloric_states = 0;       // single-phase states with cv, cp and w
    bool has_pvt = false;
    bool measured_pvt = false;  // the pvt file holds T, D, p only
};

// Fewest saturation points a fluid is fitted from.
constexpr size_t kMinSatPoints = 8;

// A substance code of the table: 1 to 10 characters, no blanks, not a section marker, not the
// menu's quit code. Throws InputError.
void check_code(const std::string& code, const std::string& where);

// Reads the fluid's files from the folder and checks that they can be physical. The caloric
// values (cv, cp, w) go to the single-phase states at the same (T, D). Saturation points without
// D'' get an estimate of it (second virial coefficient of the corresponding states);
// vapour_given tells which. Throws InputError naming the file and line.
FluidData load_fluid_folder(const std::string& dir, const std::string& code);

// Gives the saturation points whose D'' is not given an estimate of it (second virial
// coefficient of the corresponding states, with the acentric factor of the fluid's ps).
void estimate_missing_vapour(Fluid& f, const std::vector<bool>& given);

// Every fluid of the package's fluids.csv, in its order, read as above.
std::vector<Fluid> load_reference(const std::string& folder);

}  // namespace fit
