#include "fluid_folder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

namespace fit {

namespace {

[[noreturn]] void fail(const std::string& file, int line, const std::string& what) {
    throw InputError(file + (line > 0 ? ":" + std::to_string(line) : "") + ": " + what);
}

// Columns of a CSV file found by the names of its header line.
class Columns {
  public:
    Columns(std::string path) : path_(std::move(path)) {
        if (!std::filesystem::is_regular_file(path_)) fail(path_, 0, "file not found");
        std::string header;
        records_ = read_csv_records(path_, &header);
        const auto names = split_csv(header);
        for (size_t i = 0; i < names.size(); ++i) index_[names[i]] = i;
    }

    const std::vector<CsvRecord>& records() const { return records_; }
    const std::string& path() const { return path_; }
    bool has(const std::string& name) const { return index_.count(name) > 0; }

    void require(std::initializer_list<const char*> names) const {
        for (const char* n : names)
            if (!has(n)) fail(path_, 1, std::string("the header has no column ") + n);
    }

    // The text of a column of a record ("" when the record is shorter).
    std::string text(const CsvRecord& r, const std::string& name) const {
        const size_t i = index_.at(name);
        return i < r.fields.size() ? r.fields[i] : "";
    }

    double number(const CsvRecord& r, const std::string& name) const {
        const std::string t = text(r, name);
        double v = 0;
        try {
            v = csv_number(t, path_);
        } catch (const std::runtime_error&) {
            fail(path_, r.line, name + " '" + t + "' is not a number");
        }
        return v;
    }

    double positive(const CsvRecord& r, const std::string& name) const {
        const double v = number(r, name);
        if (!(v > 0)) fail(path_, r.line, name + " must be positive");
        return v;
    }

  private:
    std::string path_;
    std::vector<CsvRecord> records_;
    std::map<std::string, size_t> index_;
};

Fluid read_fluid_row(const std::string& dir, const std::string& code) {
    const Columns csv(dir + "/fluids.csv");
    csv.require({"code", "name", "class", "M", "Tc", "pc", "Dc", "Ttriple", "Tmax", "pmax", "R"});
    const CsvRecord* row = nullptr;
    for (const CsvRecord& r : csv.records()) {
        if (csv.text(r, "code") != code) continue;
        if (row) fail(csv.path(), r.line, "a second row for " + code);
        row = &r;
    }
    if (!row) fail(csv.path(), 0, "no row for " + code);
    Fluid f;
    f.code = code;
    f.name = csv.text(*row, "name").empty() ? code : csv.text(*row, "name");
    try {
        f.cls = class_from_text(csv.text(*row, "class"));
    } catch (const std::runtime_error&) {
        fail(csv.path(), row->line,
             "unknown class '" + csv.text(*row, "class") +
                 "' (nonpolar, quadrupolar, dipolar or hbond)");
    }
    f.M = csv.positive(*row, "M");
    f.Tc = csv.positive(*row, "Tc");
    f.pc = csv.positive(*row, "pc");
    f.Dc = csv.positive(*row, "Dc");
    f.Ttriple = csv.number(*row, "Ttriple");
    f.Tmax = csv.positive(*row, "Tmax");
    f.pmax = csv.positive(*row, "pmax");
    f.R = csv.positive(*row, "R");
    if (f.Ttriple < 0 || f.Ttriple >= f.Tc)
        fail(csv.path(), row->line, "Ttriple must lie in 0..Tc");
    return f;
}

void read_ideal_gas(const std::string& dir, Fluid& f) {
    const Columns csv(dir + "/idealgas.csv");
    csv.require({"code", "i", "E", "K", "K2"});
    for (const CsvRecord& r : csv.records()) {
        if (csv.text(r, "code") != f.code) continue;
        const double i = csv.number(r, "i");
        if (i != static_cast<double>(f.ideal.size() + 1) || i > 20)
            fail(csv.path(), r.line, "term numbers must run 1, 2, 3, ... up to 20");
        IdealTerm t{csv.number(r, "E"), csv.number(r, "K"), csv.number(r, "K2")};
        if (t.K2 < 0) fail(csv.path(), r.line, "K2 must not be negative");
        f.ideal.push_back(t);
    }
    if (f.ideal.empty()) fail(csv.path(), 0, "no ideal-gas terms for " + f.code);
}

void check_saturation_point(const Columns& csv, const CsvRecord& r, const Fluid& f,
                            const SatPoint& s, bool vapour) {
    if (s.T >= f.Tc) fail(csv.path(), r.line, "T is not below Tc");
    if (vapour && !(s.Dliq > s.Dvap)) fail(csv.path(), r.line, "D' is not above D''");
    if (f.sat.empty()) return;
    const SatPoint& prev = f.sat.back();
    if (!(s.T > prev.T)) fail(csv.path(), r.line, "T does not increase");
    if (!(s.ps > prev.ps)) fail(csv.path(), r.line, "ps does not increase with T");
}

// Saturated vapour density from the second virial coefficient of the corresponding states
// (Pitzer), as long as no equation gives a better one.
double virial_vapour_density(const Fluid& f, double T, double ps, double omega) {
    const double R = 8.314462618;
    const double tr = T / f.Tc;
    const double b =
        0.083 - 0.422 / std::pow(tr, 1.6) + omega * (0.139 - 0.172 / std::pow(tr, 4.2));
    const double z = std::max(1.0 + b * (ps / f.pc) / tr, 0.3);
    return ps * 1000.0 / (z * R * T);
}

// Acentric factor from the saturation points (ln ps linear in 1/T through 0.7 Tc).
double acentric_factor(const Fluid& f) {
    const auto& s = f.sat;
    const double T = 0.7 * f.Tc;
    size_t i = 1;
    while (i + 1 < s.size() && s[i].T < T) ++i;
    const double x0 = 1 / s[i - 1].T, x1 = 1 / s[i].T;
    const double w = (1 / T - x0) / (x1 - x0);
    const double lp = std::log(s[i - 1].ps) + w * (std::log(s[i].ps) - std::log(s[i - 1].ps));
    return std::clamp(-std::log10(std::exp(lp) / f.pc) - 1.0, -0.3, 1.5);
}

void read_saturation(const std::string& dir, FluidData& d) {
    Fluid& f = d.fluid;
    const Columns csv(dir + "/sat/" + f.code + ".csv");
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
        fail(csv.path(), 0,
             std::to_string(f.sat.size()) + " saturation points; at least " +
                 std::to_string(kMinSatPoints) + " are needed");
    const double omega = acentric_factor(f);
    for (size_t i = 0; i < f.sat.size(); ++i)
        if (!d.vapour_given[i])
            f.sat[i].Dvap = std::min(virial_vapour_density(f, f.sat[i].T, f.sat[i].ps, omega),
                                     0.9 * f.sat[i].Dliq);
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
    const Columns csv(path);
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

// The pvt state at (T, D), or null.
PvtPoint* state_at(Fluid& f, double T, double D) {
    for (PvtPoint& s : f.pvt)
        if (std::fabs(s.T - T) <= 1e-9 * T && std::fabs(s.D - D) <= 1e-9 * D) return &s;
    return nullptr;
}

void read_caloric(const std::string& dir, FluidData& d) {
    const std::string path = dir + "/caloric/" + d.fluid.code + ".csv";
    if (!std::filesystem::exists(path)) return;
    const Columns csv(path);
    csv.require({"T", "D", "cv", "cp", "w"});
    for (const CsvRecord& r : csv.records()) {
        PvtPoint* s = state_at(d.fluid, csv.positive(r, "T"), csv.positive(r, "D"));
        if (!s)
            fail(csv.path(), r.line, "no state at this T and D in pvt/" + d.fluid.code + ".csv");
        s->cv = csv.positive(r, "cv");
        s->cp = csv.positive(r, "cp");
        s->w = csv.positive(r, "w");
        ++d.caloric_states;
    }
}

}  // namespace

void check_code(const std::string& code, const std::string& where) {
    if (code.empty() || code.size() > 10)
        fail(where, 0, "code '" + code + "' is not 1-10 characters");
    if (code.find_first_of(" \t,\"") != std::string::npos)
        fail(where, 0, "code '" + code + "' holds a blank, a comma or a quote");
    if (code[0] == '#' || code == "0")
        fail(where, 0, "code '" + code + "' is reserved by the table");
}

FluidData load_fluid_folder(const std::string& dir, const std::string& code) {
    check_code(code, "CODE");
    if (!std::filesystem::is_directory(dir)) fail(dir, 0, "no such folder");
    FluidData d;
    d.fluid = read_fluid_row(dir, code);
    read_ideal_gas(dir, d.fluid);
    read_saturation(dir, d);
    read_single_phase(dir, d);
    read_caloric(dir, d);
    return d;
}

}  // namespace fit
