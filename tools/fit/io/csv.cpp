#include "io/csv.h"

#include <cmath>
#include <filesystem>
#include <fstream>

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

CsvFile::CsvFile(std::string path) : path_(std::move(path)) {
    if (!std::filesystem::is_regular_file(path_)) fail(0, "file not found");
    std::ifstream in(path_);
    if (!in) fail(0, "cannot be read");
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            const auto names = split_csv(line);
            for (size_t i = 0; i < names.size(); ++i) index_[names[i]] = i;
            continue;
        }
        if (line.empty()) continue;
        records_.push_back({number, split_csv(line)});
    }
}

void CsvFile::fail(int line, const std::string& what) const {
    throw InputError(path_ + (line > 0 ? ":" + std::to_string(line) : "") + ": " + what);
}

void CsvFile::require(std::initializer_list<const char*> names) const {
    for (const char* n : names)
        if (!has(n)) fail(1, std::string("the header has no column ") + n);
}

std::string CsvFile::text(const CsvRecord& r, const std::string& name) const {
    const size_t i = index_.at(name);
    return i < r.fields.size() ? r.fields[i] : "";
}

double CsvFile::number(const CsvRecord& r, const std::string& name) const {
    const std::string t = text(r, name);
    try {
        size_t used = 0;
        const double v = std::stod(t, &used);
        if (used == t.size() && std::isfinite(v)) return v;
    } catch (const std::exception&) {
    }
    fail(r.line, name + " '" + t + "' is not a number");
}

double CsvFile::positive(const CsvRecord& r, const std::string& name) const {
    const double v = number(r, name);
    if (!(v > 0)) fail(r.line, name + " must be positive");
    return v;
}

}  // namespace fit
