// Reference data of real fluids: constants, ideal-gas terms, saturation and single-phase states.
#pragma once

#include <cmath>
#include <string>
#include <vector>

namespace fit {

struct IdealTerm {
    double E = 0, K = 0, K2 = 0;  // cp0/R term in the fluid's own R
};

struct SatPoint {
    double T, ps, Dliq, Dvap;
};

struct PvtPoint {
    double T, D, p;
    std::string phase;
    double F, ZM1, TFT;
    bool helmholtz = true;  // F and TFT known (reference equation); false: measured T, D, p
    // Caloric values at the same state (cv, cp in J/(mol K), w in m/s, CVR = cv_res/R); not a
    // number where the data hold none.
    double cv = NAN, cp = NAN, w = NAN, CVR = NAN;
    bool has_caloric() const { return std::isfinite(cv) && std::isfinite(cp) && std::isfinite(w); }
};

enum class FluidClass { nonpolar, quadrupolar, dipolar, hbond };

struct Fluid {
    std::string code, name;
    FluidClass cls = FluidClass::nonpolar;
    double M = 0, Tc = 0, pc = 0, Dc = 0, Ttriple = 0, Tmax = 0, pmax = 0, R = 0;
    std::vector<IdealTerm> ideal;
    std::vector<SatPoint> sat;
    std::vector<PvtPoint> pvt;
};

FluidClass class_from_text(const std::string& text);
const char* class_name(FluidClass c);

// Reads fluids.csv, idealgas.csv, sat/<code>.csv, pvt/<code>.csv and, where present,
// caloric/<code>.csv from the folder. Throws std::runtime_error when a file is missing or
// malformed.
std::vector<Fluid> load_reference(const std::string& folder);

// Splits one CSV record; fields in double quotes may contain commas.
std::vector<std::string> split_csv(const std::string& line);

// The records of a CSV file after its header, with their line numbers (empty lines skipped).
// Throws std::runtime_error naming the file when it cannot be opened.
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};
std::vector<CsvRecord> read_csv_records(const std::string& path, std::string* header = nullptr);

// A number field; throws std::runtime_error naming `where` when the text is not a number.
double csv_number(const std::string& text, const std::string& where);

}  // namespace fit
