#include "io/fluid_folder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <set>

#include "fluid/reference.h"
#include "policy/classes.h"

namespace fit {

namespace {

constexpr std::initializer_list<const char*> kFluidColumns = {
    "code", "name", "class", "M", "Tc", "pc", "Dc", "Ttriple", "Tmax", "pmax", "R"};

// The fluid of a row of fluids.csv, its constants checked.
Fluid fluid_of_row(const CsvFile& csv, const CsvRecord& row) {
    Fluid f;
    f.code = csv.text(row, "code");
    f.name = csv.text(row, "name").empty() ? f.code : csv.text(row, "name");
    try {
        f.cls = class_from_text(csv.text(row, "class"));
    } catch (const std::runtime_error&) {
        csv.fail(row.line, "unknown class '" + csv.text(row, "class") +
                               "' (nonpolar, quadrupolar, dipolar or hbond)");
    }
    f.M = csv.positive(row, "M");
    f.Tc = csv.positive(row, "Tc");
    f.pc = csv.positive(row, "pc");
    f.Dc = csv.positive(row, "Dc");
    f.Ttriple = csv.number(row, "Ttriple");
    f.Tmax = csv.positive(row, "Tmax");
    f.pmax = csv.positive(row, "pmax");
    f.R = csv.positive(row, "R");
    if (f.Ttriple < 0 || f.Ttriple >= f.Tc) csv.fail(row.line, "Ttriple must lie in 0..Tc");
    return f;
}

void read_ideal_gas(const CsvFile& csv, Fluid& f) {
    for (const CsvRecord& r : csv.records()) {
        if (csv.text(r, "code") != f.code) continue;
        const double i = csv.number(r, "i");
        if (i != static_cast<double>(f.ideal.size() + 1) || i > 20)
            csv.fail(r.line, "term numbers must run 1, 2, 3, ... up to 20");
        IdealTerm t{csv.number(r, "E"), csv.number(r, "K"), csv.number(r, "K2")};
        if (t.K2 < 0) csv.fail(r.line, "K2 must not be negative");
        f.ideal.push_back(t);
    }
    if (f.ideal.empty()) csv.fail(0, "no ideal-gas terms for " + f.code);
}

void check_saturation_point(const CsvFile& csv, const CsvRecord& r, const Fluid& f,
                            const SatPoint& s, bool vapour) {
    if (s.T >= f.Tc) csv.fail(r.line, "T is not below Tc");
    if (vapour && !(s.Dliq > s.Dvap)) csv.fail(r.line, "D' is not above D''");
    if (f.sat.empty()) return;
    const SatPoint& prev = f.sat.back();
    if (!(s.T > prev.T)) csv.fail(r.line, "T does not increase");
    if (!(s.ps > prev.ps)) csv.fail(r.line, "ps does not increase with T");
}

// Saturated vapour density from the second virial coefficient of the corresponding states
// (Pitzer), as long as no equation gives a better one.
double virial_vapour_density(const Fluid& f, double T, double ps, double omega) {
    const double R = 8.314462618;  // J/(mol K), the molar gas constant of CODATA
    const double tr = T / f.Tc;
    const double b =
        0.083 - 0.422 / std::pow(tr, 1.6) + omega * (0.139 - 0.172 / std::pow(tr, 4.2));
    const double z = std::max(1.0 + b * (ps / f.pc) / tr, 0.3);
    return ps * 1000.0 / (z * R * T);
}

}  // namespace

void estimate_missing_vapour(Fluid& f, const std::vector<bool>& given) {
    const double omega = acentric_factor(f);
    for (size_t i = 0; i < f.sat.size(); ++i)
        if (!given[i])
            f.sat[i].Dvap = std::min(virial_vapour_density(f, f.sat[i].T, f.sat[i].ps, omega),
                                     0.9 * f.sat[i].Dliq);
}

namespace {

void read_saturation(const std::string& dir, FluidData& d) {
    Fluid& f = d.fluid;
    const CsvFile csv(dir + "/sat/" + f.code + ".csv");
    csv.require({"T", "ps", "Dliq"});
    for (const CsvRecord& r : csv.records()) {
        SatPoint s{csv.positive(r, "T"), csv.positive(r, "ps"), csv.positive(r, "Dliq"), 0.0};
        const bool vapour = csv.has("Dvap") && !csv.text(r, "Dvap").empty();
        if (vapour) s.Dvap = csv.positive(r, "Dvap");
        check_saturation_point(csv, r, f, s, vapour);
        f.sat.push_back(s);
        d.vapour_given.push_back(vapour);
    }
    if (f.sat.size() < kMinSatPoints)
        csv.fail(0, std::to_string(f.sat.size()) + " saturation points; at least " +
                        std::to_string(kMinSatPoints) + " are needed");
    estimate_missing_vapour(f, d.vapour_given);
}

// Phase of a measured state: above Tc supercritical, else by the side of the critical density.
std::string measured_phase(const Fluid& f, double T, double D) {
    if (T >= f.Tc) return "supercritical";
    return D > f.Dc ? "liquid" : "gas";
}

void read_single_phase(const std::string& dir, FluidData& d) {
    Fluid& f = d.fluid;
    const std::string path = dir + "/pvt/" + f.code + ".csv";
    if (!std::filesystem::exists(path)) return;
    const CsvFile csv(path);
    csv.require({"T", "D", "p"});
    d.has_pvt = true;
    d.measured_pvt = !(csv.has("F") && csv.has("ZM1") && csv.has("TFT") && csv.has("phase"));
    for (const CsvRecord& r : csv.records()) {
        PvtPoint s{csv.positive(r, "T"), csv.positive(r, "D"), csv.positive(r, "p"), "", 0, 0, 0};
        if (d.measured_pvt) {
            s.phase = measured_phase(f, s.T, s.D);
            s.ZM1 = s.p * 1000.0 / (s.D * f.R * s.T) - 1.0;
            s.helmholtz = false;
        } else {
            s.phase = csv.text(r, "phase");
            s.F = csv.number(r, "F");
            s.ZM1 = csv.number(r, "ZM1");
            s.TFT = csv.number(r, "TFT");
        }
        f.pvt.push_back(s);
    }
}

bool same_state(const PvtPoint& s, double T, double D) {
    return std::fabs(s.T - T) <= 1e-9 * T && std::fabs(s.D - D) <= 1e-9 * D;
}

// The pvt state at (T, D), or null; the one of the same index first (the caloric file usually
// follows the pvt file row by row).
PvtPoint* state_at(Fluid& f, double T, double D, size_t index) {
    if (index < f.pvt.size() && same_state(f.pvt[index], T, D)) return &f.pvt[index];
    for (PvtPoint& s : f.pvt)
        if (same_state(s, T, D)) return &s;
    return nullptr;
}

void read_caloric(const std::string& dir, FluidData& d) {
    const std::string path = dir + "/caloric/" + d.fluid.code + ".csv";
    if (!std::filesystem::exists(path)) return;
    const CsvFile csv(path);
    csv.require({"T", "D", "cv", "cp", "w"});
    for (const CsvRecord& r : csv.records()) {
        PvtPoint* s =
            state_at(d.fluid, csv.positive(r, "T"), csv.positive(r, "D"), d.caloric_states);
        if (!s) csv.fail(r.line, "no state at this T and D in pvt/" + d.fluid.code + ".csv");
        s->cv = csv.positive(r, "cv");
        s->cp = csv.positive(r, "cp");
        s->w = csv.positive(r, "w");
        ++d.caloric_states;
    }
}

}  // namespace

void check_code(const std::string& code, const std::string& where) {
    auto fail = [&](const std::string& what) {
        throw InputError(where + ": code '" + code + "' " + what);
    };
    if (code.empty() || code.size() > 10) fail("is not 1-10 characters");
    if (code.find_first_of(" \t,\"") != std::string::npos)
        fail("holds a blank, a comma or a quote");
    if (code[0] == '#' || code == "0") fail("is reserved by the table");
}

namespace {

// The saturation, single-phase and caloric files of the fluid.
void read_fluid_files(const std::string& dir, FluidData& d) {
    read_saturation(dir, d);
    read_single_phase(dir, d);
    read_caloric(dir, d);
}

}  // namespace

FluidData load_fluid_folder(const std::string& dir, const std::string& code) {
    check_code(code, "CODE");
    if (!std::filesystem::is_directory(dir)) throw InputError(dir + ": no such folder");
    const CsvFile fluids(dir + "/fluids.csv");
    fluids.require(kFluidColumns);
    const CsvRecord* row = nullptr;
    for (const CsvRecord& r : fluids.records()) {
        if (fluids.text(r, "code") != code) continue;
        if (row) fluids.fail(r.line, "a second row for " + code);
        row = &r;
    }
    if (!row) fluids.fail(0, "no row for " + code);
    const CsvFile ideal(dir + "/idealgas.csv");
    ideal.require({"code", "i", "E", "K", "K2"});
    FluidData d;
    d.fluid = fluid_of_row(fluids, *row);
    read_ideal_gas(ideal, d.fluid);
    read_fluid_files(dir, d);
    return d;
}

std::vector<Fluid> load_reference(const std::string& folder) {
    if (!std::filesystem::is_directory(folder)) throw InputError(folder + ": no such folder");
    const CsvFile fluids(folder + "/fluids.csv");
    fluids.require(kFluidColumns);
    const CsvFile ideal(folder + "/idealgas.csv");
    ideal.require({"code", "i", "E", "K", "K2"});
    std::vector<Fluid> out;
    std::set<std::string> codes;
    for (const CsvRecord& r : fluids.records()) {
        const std::string code = fluids.text(r, "code");
        check_code(code, fluids.path() + ":" + std::to_string(r.line));
        if (!codes.insert(code).second) fluids.fail(r.line, "a second row for " + code);
        FluidData d;
        d.fluid = fluid_of_row(fluids, r);
        read_ideal_gas(ideal, d.fluid);
        read_fluid_files(folder, d);
        out.push_back(std::move(d.fluid));
    }
    return out;
}

}  // namespace fit
