// Runs the built program in a fresh temporary folder with a given substance table and scripted
// standard input, and gives access to its console output and work files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ProgramRun {
    std::filesystem::path dir;  // the work folder (kept until the object is destroyed)
    std::string console;        // everything written to standard output
    int exit_code = -1;
    bool timed_out = false;

    // Content of a work file, empty when it does not exist.
    std::string file(const std::string& name) const;
    bool has_file(const std::string& name) const;
    std::vector<std::string> file_lines(const std::string& name) const;
    std::vector<std::string> console_lines() const;

    ProgramRun() = default;
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
    ~ProgramRun();
};

// The table is given as text; an empty optional text means "no table file at all".
// Standard input is the given text followed by its end.
void run_program(ProgramRun& run, const std::string& table_text, const std::string& input,
                 double timeout_seconds = 60.0, bool with_table = true);

std::string read_text_file(const std::filesystem::path& path);
std::vector<std::string> split_lines(const std::string& text);
// Path of a test table under tests/data, or the shipped table.
std::string test_table(const std::string& name);
std::string shipped_table();

// The mode menu line as the console shows it.
extern const std::string kModeMenu;
// Console line numbers of every mode menu shown.
std::vector<std::size_t> menu_rows(const std::vector<std::string>& lines);
