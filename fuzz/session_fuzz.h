// Fuzzed sessions of the whole program: scripted standard input made of random substance
// choices, modes and values (ordinary states of the fluid, zeros, negative numbers, 1e300,
// 1e-300, NaN and Inf spelled out, letters, empty and very long lines, end of input at a random
// point), run against the built program in a scratch folder with a time limit, and the result
// file checked afterwards. In some sessions the chosen fluid's entry is hand-edited first: one
// or two of its constants set to zero, a negative number or an extreme magnitude.
//
// A session passes when
//   - the program ends by itself within the time limit, with exit code 0 and no sanitizer report;
//   - "xalt1.dat" is empty (no substance was loaded) or consists of blocks, each the three header
//     lines of a substance of the table followed by result rows, and one "end" as its last line
//     (and nowhere else);
//   - no real number on the console, in "xalt1.tmp" or in "atest.log" is written as NaN or
//     Infinity;
//   - every result row has one of the two row layouts, and every value field of it holds a
//     number written in the field's form (F, E or G editing), or is filled with asterisks;
//     no row contains "NaN", "Inf" or any other text in a value field; T, D and the vapour
//     fraction are not negative and the vapour fraction is at most 1.
// A field of asterisks is the layout's mark for a finite value too wide for its field (a
// pressure below 1e-10 MPa, a temperature of 1e5 K). That such a mark never stands for a NaN or
// an infinity is checked where the row is made: the fuzzing build of the program (fuzz/, target
// xalt1_checked, built with the row guard) stops with a report when a row routine is handed a
// value that is not finite.
//
// Used by the session fuzzer of `make fuzz` (fuzz/session_fuzzer.cpp) and by the short
// deterministic batch that `make test` runs (tests/e2e/robust_session_fuzz_test.cpp).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "substance/table_layout.h"

namespace session_fuzz {

namespace fs = std::filesystem;

// ---- The fluids of the table ------------------------------------------------------------------

struct Fluid {
    std::string code;  // 10 characters, as in the menu
    double Tc = 150.0, Pc = 5.0, Dc = 10.0;
    bool left_out = false;  // a menu line without an entry: choosing it ends the run
};

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline std::string padded(std::string s, std::size_t n) {
    s.resize(n, ' ');
    return s;
}

// The menu codes of a table and the critical constants of each entry (used only to aim the
// random values at the interesting region of each fluid).
inline std::vector<Fluid> fluids_of(const std::string& table) {
    std::vector<std::string> lines = split_lines(table);
    for (std::string& l : lines) l = padded(l.substr(0, std::min<std::size_t>(l.size(), 80)), 80);
    std::vector<Fluid> fluids;
    std::size_t i = 0;
    for (; i < lines.size() && !table_layout::ends_menu(lines[i]); ++i) {
        if (!table_layout::is_menu_line(lines[i])) continue;
        Fluid f;
        f.code = padded(std::string(table_layout::menu_code(lines[i])), 10);
        fluids.push_back(f);
    }
    for (Fluid& f : fluids) {
        std::size_t h = i;
        while (h < lines.size() && !table_layout::is_entry_header(lines[h], f.code)) ++h;
        f.left_out = h == lines.size();
        for (++h; h < lines.size() && !table_layout::ends_section(lines[h]); ++h) {
            if (!table_layout::is_constants_line(lines[h], f.code)) continue;
            std::istringstream words(lines[h].substr(1));
            std::string label, value;
            while (words >> label) {
                if (label.empty() || label.back() != ':' || !(words >> value)) continue;
                const double v = std::strtod(value.c_str(), nullptr);
                if (!(v > 0.0) || !std::isfinite(v)) continue;
                if (label.compare(0, 2, "Tc") == 0) f.Tc = v;
                if (label.compare(0, 2, "Pc") == 0) f.Pc = v;
                if (label.compare(0, 2, "Dc") == 0) f.Dc = v;
            }
        }
    }
    return fluids;
}

// ---- Scripted input ---------------------------------------------------------------------------

class Generator {
  public:
    Generator(uint64_t seed, const std::vector<Fluid>& fluids) : rng_(seed), fluids_(fluids) {}

    // One session's standard input, starting with the substance of the given index.
    std::string session(std::size_t first_fluid, int steps) {
        std::string in;
        in += pick(4) == 0 ? junk() + "\n" : "\n";  // the title page's pause
        in += substance_answer(first_fluid);
        for (int s = 0; s < steps; ++s) {
            const uint32_t r = pick(100);
            if (r < 4) {  // back to the substance menu, then another fluid or quit
                in += "0\n";
                in += pick(6) == 0 ? std::string("0\n")
                                   : substance_answer(pick(static_cast<uint32_t>(fluids_.size())));
                continue;
            }
            if (r < 14) {  // an answer that is no mode
                in += junk() + "\n";
                continue;
            }
            const int mode = 1 + static_cast<int>(pick(5));
            in += std::to_string(mode) + "\n";
            const Fluid& f = fluids_[current_];
            switch (mode) {
                case 1:
                    in += value(f, 'T') + value(f, 'D');
                    break;
                case 2:
                    in += value(f, 'P') + value(f, 'T');
                    break;
                case 3:
                    in += value(f, 'P') + value(f, 'D');
                    break;
                case 4:
                    in += value(f, 'T');
                    break;
                case 5:
                    in += value(f, 'P');
                    break;
            }
            if (pick(5) == 0) in += "\n";  // a spare line for an error report's pause
        }
        if (pick(10) < 7) {
            in += "0\n0\n";  // quit: mode 0, then 0 at the substance menu
        } else {
            in.resize(pick(static_cast<uint32_t>(in.size()) + 1));  // input ends anywhere
        }
        return in;
    }

    // The table for a session on the given fluid: mostly as shipped; sometimes a hand-edited
    // entry with one or two constants set to zero, a negative value or an extreme magnitude, so
    // that the state routines meet constants that no fit would give.
    std::string table(const std::string& shipped, std::size_t fluid) {
        if (pick(100) >= 15) return shipped;
        static const char* kLabels[] = {"Dc:", "Tc:", "Pc:",   "D0:",   "T0:",   "Alpha:",
                                        "Q2:", "Dp:", "Dref:", "Tref:", "Href:", "Sref:"};
        static const char* kValues[] = {"0.",      "-1.",   "-150.",  "1.E300", "1.E-300",
                                        "-1.E300", "1.E30", "1.E-30", "1.E-6",  "0.1"};
        const std::string& code = fluids_[fluid % fluids_.size()].code;
        std::vector<std::string> lines = split_lines(shipped);
        std::size_t header = 0;
        while (header < lines.size() && padded(lines[header], 10).compare(0, 10, code) != 0)
            ++header;
        const int edits = 1 + static_cast<int>(pick(2));
        for (int e = 0; e < edits; ++e) {
            const std::string label = kLabels[pick(sizeof kLabels / sizeof kLabels[0])];
            const std::string value = kValues[pick(sizeof kValues / sizeof kValues[0])];
            for (std::size_t i = header + 1; i < lines.size(); ++i) {
                if (lines[i].compare(0, 5, "#####") == 0) break;
                const std::size_t at = lines[i].find(" " + label + " ");
                if (at == std::string::npos) continue;
                const std::size_t start = at + label.size() + 2;
                const std::size_t end = lines[i].find(' ', start);
                lines[i].replace(start, end == std::string::npos ? std::string::npos : end - start,
                                 value);
                break;
            }
        }
        std::string text;
        for (const std::string& l : lines) text += l + "\n";
        return text;
    }

  private:
    uint32_t pick(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(rng_() % n); }
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng_);
    }
    double log_uniform(double a, double b) { return std::exp(uniform(std::log(a), std::log(b))); }

    static std::string number(double v, int digits) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*g", digits, v);
        return buf;
    }

    std::string substance_answer(std::size_t fluid) {
        std::string in;
        if (pick(5) == 0) in += junk() + "\n";  // shows the menu again (or is a pause)
        current_ = fluid % fluids_.size();
        in += " " + std::to_string(current_ + 1) + "\n";
        return in;
    }

    std::string junk() {
        static const char* kJunk[] = {
            "",    " ",   "abc",        "x",   "-1",  "9",     "6",
            "-0",  "1.5", "2147483648", "NaN", "Inf", "1e999", "0x10",
            "1,2", "\t",  "1d",         "+",   "-",   ".",     "99999999999999999999"};
        const uint32_t r = pick(sizeof kJunk / sizeof kJunk[0] + 2);
        if (r == sizeof kJunk / sizeof kJunk[0]) return std::string(5000 + pick(5000), 'A');
        if (r == sizeof kJunk / sizeof kJunk[0] + 1) return std::string(3000, ' ') + "7";
        return kJunk[r];
    }

    // A value for a prompt: mostly a state near the fluid's own range, sometimes an extreme or
    // something that is not a number at all.
    std::string value(const Fluid& f, char kind) {
        static const char* kExtreme[] = {"0",
                                         "-0",
                                         "0.0",
                                         "-1",
                                         "-150.5",
                                         "1e300",
                                         "-1e300",
                                         "1e-300",
                                         "1E+308",
                                         "4.9e-324",
                                         "NaN",
                                         "nan",
                                         "Inf",
                                         "-Inf",
                                         "Infinity",
                                         "1e999",
                                         "abc",
                                         "",
                                         "1.5.5",
                                         "1e",
                                         "--1",
                                         "1.5D2",
                                         "1.5d-2",
                                         "1e-12",
                                         "1e5",
                                         "1e-3",
                                         "1e3",
                                         "100000",
                                         "0.001",
                                         "1e-7",
                                         "1.0000000116860974e-07"};
        const uint32_t r = pick(100);
        if (r < 22) {
            const std::size_t n = sizeof kExtreme / sizeof kExtreme[0];
            std::string v = kExtreme[pick(static_cast<uint32_t>(n))];
            // A non-number is asked again: follow it by an ordinary value most of the time.
            if (pick(2) == 0) v += "\n" + ordinary(f, kind);
            return v + "\n";
        }
        if (r < 24) return std::string(4000 + pick(4000), '9') + "\n";  // overflows: asked again
        if (r < 26) return std::string(2000, ' ') + ordinary(f, kind) + " trailing words\n";
        return ordinary(f, kind) + "\n";
    }

    std::string ordinary(const Fluid& f, char kind) {
        const int digits = pick(2) == 0 ? 6 : 17;
        switch (kind) {
            case 'T': {
                static const double kNear[] = {0.3, 0.5, 0.7, 0.9, 0.99, 0.999, 1.0, 1.001, 1.01};
                if (pick(3) == 0) return number(f.Tc * kNear[pick(9)], digits);
                return number(f.Tc * uniform(0.2, 4.0), digits);
            }
            case 'D':
                if (pick(4) == 0) return number(f.Dc * uniform(0.9, 1.1), digits);
                return number(f.Dc * log_uniform(1e-5, 3.5), digits);
            default:
                if (pick(6) == 0) return number(f.Pc * uniform(0.9, 1.0), digits);
                return number(f.Pc * log_uniform(1e-6, 100.0), digits);
        }
    }

    std::mt19937_64 rng_;
    const std::vector<Fluid>& fluids_;
    std::size_t current_ = 0;
};

// ---- Running the program ----------------------------------------------------------------------

struct Outcome {
    std::string console;
    std::string result_file;  // "xalt1.dat"
    std::string status_file;  // "xalt1.tmp"
    std::string echo_file;    // "atest.log"
    int exit_code = -1;
    bool timed_out = false;
    double seconds = 0.0;
};

inline Outcome run_session(const std::string& binary, const std::string& table,
                           const std::string& input, double time_limit) {
    char pattern[] = "/tmp/xalt1_session_XXXXXX";
    const fs::path base = mkdtemp(pattern);
    const fs::path work = base / "work";
    fs::create_directory(work);
    std::ofstream(work / "x_rstoff.tab", std::ios::binary) << table;
    std::ofstream(base / "stdin.txt", std::ios::binary) << input;
    const fs::path stdin_path = base / "stdin.txt";
    const fs::path stdout_path = base / "stdout.txt";

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(work.c_str()) != 0) _exit(126);
        const int in = open(stdin_path.c_str(), O_RDONLY);
        const int out = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Outcome o;
    const auto deadline = start + std::chrono::duration<double>(time_limit);
    int wstatus = 0;
    for (;;) {
        if (waitpid(pid, &wstatus, WNOHANG) == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            o.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.exit_code = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    o.console = read_file(stdout_path);
    o.result_file = read_file(work / "xalt1.dat");
    o.status_file = read_file(work / "xalt1.tmp");
    o.echo_file = read_file(work / "atest.log");
    std::error_code ec;
    fs::remove_all(base, ec);
    return o;
}

// ---- Checking the outcome ---------------------------------------------------------------------

// Counts over many sessions.
struct Tally {
    long rows = 0;
    long two_phase_rows = 0;
    std::map<std::string, long> asterisk_fields;  // field name -> rows with it in asterisks
};

inline std::string place_all(std::initializer_list<std::pair<std::size_t, const char*>> items) {
    std::string line;
    for (const auto& [column, text] : items) {
        const std::string t(text);
        if (line.size() < column - 1 + t.size()) line.resize(column - 1 + t.size(), ' ');
        line.replace(column - 1, t.size(), t);
    }
    return line;
}

// One value field of a row: its name, columns and the forms it may take.
struct Field {
    const char* name;
    std::size_t first, width;
    const std::regex* form;
};

// What is wrong with one value field, or an empty text; counts asterisk fields.
inline std::string check_field(const std::string& row, const Field& f, Tally& tally) {
    const std::string text = row.substr(f.first - 1, f.width);
    if (text.find_first_not_of('*') == std::string::npos) {
        ++tally.asterisk_fields[f.name];
        return "";
    }
    if (!std::regex_match(text, *f.form)) return std::string(f.name) + " field '" + text + "'";
    return "";
}

// What is wrong with one result row, or an empty text.
inline std::string check_row(const std::string& row, Tally& tally) {
    static const std::regex F93(" *-?[0-9]*\\.[0-9]{3}"), F84(" *-?[0-9]*\\.[0-9]{4}"),
        F91(" *-?[0-9]*\\.[0-9]"), F104(" *-?[0-9]*\\.[0-9]{4}"), F101(" *-?[0-9]*\\.[0-9]"),
        F76(" *[0-9]?\\.[0-9]{6}"), E116(" *-?0?\\.[0-9]{6}E[-+][0-9]"),
        // F8.4, or G8.4E1 below 0.1: exponent form, or fixed form with 3 trailing blanks.
        DENS(" *-?[0-9]*\\.[0-9]{4}| *-?0?\\.[0-9]{4}E[-+][0-9]| *-?[0-9]*\\.[0-9]{1,4}   ");
    for (const char* bad : {"nan", "NaN", "NAN", "inf", "Inf", "INF"})
        if (row.find(bad) != std::string::npos) return "row holds " + std::string(bad);
    if (row.size() != 88) return "row of " + std::to_string(row.size()) + " characters";
    const std::string marker = row.substr(0, 2);
    std::vector<Field> fields;
    if (marker == "x=") {
        ++tally.two_phase_rows;
        if (row.substr(9, 3) != "   " || row.substr(60, 18) != std::string(18, ' '))
            return "two-phase row with text in its blank columns";
        fields = {{"x", 3, 7, &F76},   {"D", 13, 8, &DENS}, {"P", 22, 11, &E116},
                  {"u", 33, 9, &F91},  {"h", 42, 9, &F91},  {"s", 51, 10, &F104},
                  {"f", 79, 10, &F101}};
    } else if (marker == "  " || marker == "l " || marker == "v ") {
        if (row[11] != ' ' && row[11] != '*') return "full row without blank column 12";
        fields = {{"T", 3, 9, &F93},   {"D", 13, 8, &DENS}, {"P", 22, 11, &E116},
                  {"u", 33, 9, &F91},  {"h", 42, 9, &F91},  {"s", 51, 10, &F104},
                  {"cv", 61, 9, &F93}, {"cp", 70, 9, &F93}, {"f", 79, 10, &F101}};
    } else {
        return "line is neither a header, a row nor the end marker";
    }
    ++tally.rows;
    for (const Field& f : fields) {
        const std::string fault = check_field(row, f, tally);
        if (!fault.empty()) return fault;
    }
    for (const Field& f : fields) {
        const std::string name = f.name;
        if (name != "T" && name != "D" && name != "x") continue;
        const std::string text = row.substr(f.first - 1, f.width);
        if (text.find('*') != std::string::npos) continue;
        const double v = std::strtod(text.c_str(), nullptr);
        if (v < 0.0 || (name == "x" && v > 1.0)) return name + " out of range: '" + text + "'";
    }
    return "";
}

// What is wrong with the result file, or an empty text.
inline std::string check_result_file(const std::string& text, const std::vector<Fluid>& fluids,
                                     Tally& tally) {
    if (text.empty()) return "";
    if (text.back() != '\n') return "last line without a line end";
    const std::vector<std::string> lines = split_lines(text);
    if (lines.empty() || lines.back() != "end") return "last line is not \"end\"";
    static const std::string heading = place_all({{8, "T"},
                                                  {17, "D"},
                                                  {28, "P"},
                                                  {38, "u"},
                                                  {47, "h"},
                                                  {56, "s"},
                                                  {66, "cv"},
                                                  {74, "cp"},
                                                  {84, "f"}});
    static const std::string units = place_all({{8, "K"},
                                                {14, "mol/dm3"},
                                                {27, "MPa"},
                                                {36, "J/mol"},
                                                {45, "J/mol"},
                                                {53, "J/mol-K"},
                                                {63, "J/mol-K"},
                                                {72, "J/mol-K"},
                                                {83, "J/mol"}});
    static const std::regex title(" {19}(.{10}) - Thermodynamic Properties {11}[0-9]{8}-[0-9]{2}");
    std::size_t i = 0;
    const std::size_t last = lines.size() - 1;
    if (last < 3) return "file shorter than one header";
    while (i < last) {
        std::smatch m;
        if (!std::regex_match(lines[i], m, title)) {
            const std::string fault = check_row(lines[i], tally);
            if (i < 3) return "block does not start with a header";
            if (!fault.empty()) return "line " + std::to_string(i + 1) + ": " + fault;
            ++i;
            continue;
        }
        const std::string code = m[1];
        if (std::none_of(fluids.begin(), fluids.end(),
                         [&](const Fluid& f) { return f.code == code; }))
            return "header of a substance not in the menu: '" + code + "'";
        if (i + 2 >= last || lines[i + 1] != heading || lines[i + 2] != units)
            return "header at line " + std::to_string(i + 1) + " is not whole";
        i += 3;
    }
    return "";
}

// What is wrong with one session, or an empty text.
inline std::string check_session(const Outcome& o, const std::vector<Fluid>& fluids, Tally& tally) {
    if (o.timed_out) return "session did not end within its time limit";
    for (const char* report : {"AddressSanitizer", "runtime error", "LeakSanitizer",
                               "UndefinedBehaviorSanitizer", "non-finite value"})
        if (o.console.find(report) != std::string::npos)
            return std::string("sanitizer or row check reported: ") + report;
    if (o.exit_code != 0) return "exit code " + std::to_string(o.exit_code);
    // No real written anywhere (console, status file, constants echo) is a NaN or infinite.
    const std::pair<const char*, const std::string*> texts[] = {
        {"console", &o.console}, {"xalt1.tmp", &o.status_file}, {"atest.log", &o.echo_file}};
    for (const auto& [name, text] : texts)
        for (const char* bad : {"NaN", "Infinity"})
            if (text->find(bad) != std::string::npos) return std::string(name) + " shows " + bad;
    return check_result_file(o.result_file, fluids, tally);
}

}  // namespace session_fuzz
