#include "reference_data.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

namespace fit {

std::vector<std::string> split_csv(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    for (char ch : line) {
        if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            out.push_back(field);
            field.clear();
        } else if (ch != '\r') {
            field += ch;
        }
    }
    out.push_back(field);
    return out;
}

FluidClass class_from_text(const std::string& text) {
    if (text == "nonpolar") return FluidClass::nonpolar;
    if (text == "quadrupolar") return FluidClass::quadrupolar;
    if (text == "dipolar") return FluidClass::dipolar;
    if (text == "hbond") return FluidClass::hbond;
    throw std::runtime_error("unknown fluid class " + text);
}

const char* class_name(FluidClass c) {
    switch (c) {
        case FluidClass::nonpolar:
            return "nonpolar";
        case FluidClass::quadrupolar:
            return "quadrupolar";
        case FluidClass::dipolar:
            return "dipolar";
        default:
            return "hbond";
    }
}

std::vector<CsvRecord> read_csv_records(const std::string& path, std::string* header) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<CsvRecord> rows;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            if (header) *header = line;
            continue;
        }
        if (line.empty()) continue;
        rows.push_back({number, split_csv(line)});
    }
    return rows;
}

double csv_number(const std::string& text, const std::string& where) {
    try {
        size_t used = 0;
        const double v = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(v)) throw std::invalid_argument(text);
        return v;
    } catch (const std::exception&) {
        throw std::runtime_error("bad number '" + text + "' in " + where);
    }
}

namespace {

std::vector<std::vector<std::string>> read_csv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    for (CsvRecord& r : read_csv_records(path)) rows.push_back(std::move(r.fields));
    return rows;
}

double number(const std::string& text, const std::string& where) {
    return csv_number(text, where);
}

// Caloric values, one row per single-phase state in the same order and at the same (T, D).
void read_caloric(const std::string& path, Fluid& f) {
    if (!std::filesystem::exists(path)) return;
    const auto rows = read_csv(path);
    if (rows.size() != f.pvt.size())
        throw std::runtime_error(path + ": not one row per single-phase state");
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        if (r.size() < 7) throw std::runtime_error("short row in " + path);
        PvtPoint& s = f.pvt[i];
        if (std::fabs(number(r[0], path) - s.T) > 1e-9 * s.T ||
            std::fabs(number(r[1], path) - s.D) > 1e-9 * s.D)
            throw std::runtime_error(path + ": state differs from the single-phase data");
        s.cv = number(r[3], path);
        s.cp = number(r[4], path);
        s.w = number(r[5], path);
        s.CVR = number(r[6], path);
    }
}

}  // namespace

std::vector<Fluid> load_reference(const std::string& folder) {
    std::vector<Fluid> fluids;
    std::map<std::string, size_t> index;
    for (const auto& r : read_csv(folder + "/fluids.csv")) {
        if (r.size() < 12) throw std::runtime_error("short row in fluids.csv");
        Fluid f;
        f.code = r[0];
        f.name = r[1];
        f.cls = class_from_text(r[2]);
        const std::string w = "fluids.csv";
        f.M = number(r[3], w);
        f.Tc = number(r[4], w);
        f.pc = number(r[5], w);
        f.Dc = number(r[6], w);
        f.Ttriple = number(r[7], w);
        f.Tmax = number(r[8], w);
        f.pmax = number(r[9], w);
        f.R = number(r[10], w);
        index[f.code] = fluids.size();
        fluids.push_back(f);
    }
    for (const auto& r : read_csv(folder + "/idealgas.csv")) {
        if (r.size() < 5) throw std::runtime_error("short row in idealgas.csv");
        auto it = index.find(r[0]);
        if (it == index.end()) throw std::runtime_error("idealgas.csv: unknown fluid " + r[0]);
        const std::string w = "idealgas.csv";
        fluids[it->second].ideal.push_back({number(r[2], w), number(r[3], w), number(r[4], w)});
    }
    for (Fluid& f : fluids) {
        const std::string sp = folder + "/sat/" + f.code + ".csv";
        for (const auto& r : read_csv(sp)) {
            if (r.size() < 4) throw std::runtime_error("short row in " + sp);
            f.sat.push_back(
                {number(r[0], sp), number(r[1], sp), number(r[2], sp), number(r[3], sp)});
        }
        const std::string pp = folder + "/pvt/" + f.code + ".csv";
        for (const auto& r : read_csv(pp)) {
            if (r.size() < 7) throw std::runtime_error("short row in " + pp);
            f.pvt.push_back({number(r[0], pp), number(r[1], pp), number(r[2], pp), r[3],
                             number(r[4], pp), number(r[5], pp), number(r[6], pp)});
        }
        read_caloric(folder + "/caloric/" + f.code + ".csv", f);
    }
    return fluids;
}

}  // namespace fit
