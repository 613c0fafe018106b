// CSV files of fluid data: records after a header line, and their columns found by the names
// of the header, each field checked as it is read.
#pragma once

#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace fit {

// Bad input: the message names the file and line.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Splits one CSV record; fields in double quotes may contain commas.
std::vector<std::string> split_csv(const std::string& line);

// The records of a CSV file after its header, with their line numbers (empty lines skipped).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

// A CSV file read whole, its columns found by the names of its header line. Throws InputError
// naming the file when it cannot be read.
class CsvFile {
  public:
    explicit CsvFile(std::string path);

    const std::vector<CsvRecord>& records() const { return records_; }
    const std::string& path() const { return path_; }
    bool has(const std::string& name) const { return index_.count(name) > 0; }
    // Throws InputError when the header lacks one of the columns.
    void require(std::initializer_list<const char*> names) const;

    // The text of a column of a record ("" when the record is shorter).
    std::string text(const CsvRecord& r, const std::string& name) const;
    // A number field, and one that must be positive; throw InputError naming file and line.
    double number(const CsvRecord& r, const std::string& name) const;
    double positive(const CsvRecord& r, const std::string& name) const;

    // Throws InputError for the record's line (0: the file as a whole).
    [[noreturn]] void fail(int line, const std::string& what) const;

  private:
    std::string path_;
    std::vector<CsvRecord> records_;
    std::map<std::string, size_t> index_;
};

}  // namespace fit
