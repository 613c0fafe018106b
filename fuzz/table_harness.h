// One fuzz input run through the substance-table routines: the input is the table file
// "x_rstoff.tab" in the current (scratch) folder; the substance menu is answered with a few
// choices, each chosen substance is loaded, every line of the input is also fed to the two line
// parsers directly, and every word to the number fields. After each step the shared records must
// stay sound (term counts within their arrays, no NaN or infinity stored) and the menu must return
// the code that the table's menu line gives.
//
// Used by the libFuzzer target (fuzz/table_fuzzer.cpp) and by the regression test that replays
// every input kept in tests/data/fuzz_regressions/.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"
#include "substance/substance.h"
#include "substance/table_fields.h"
#include "substance/table_layout.h"

namespace table_harness {

// Thrown by the end-of-input handler: the scripted console has run out.
struct ConsoleEnded {};

inline void throw_console_ended() {
    throw ConsoleEnded{};
}

// An output stream that drops everything (the menu can be a thousand lines long).
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The records of the table as the channel layer gives them: split at line ends, cut after 80
// characters; a carriage return that ends a line of at most 80 characters reads as a blank.
inline std::vector<std::string> table_records(std::string_view bytes) {
    std::vector<std::string> records;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view full = bytes.substr(start, end - start);
        std::string rec(full.substr(0, 80));
        if (!full.empty() && full.back() == '\r' && full.size() <= 80) rec.back() = ' ';
        rec.resize(80, ' ');
        records.push_back(rec);
        start = end + 1;
    }
    return records;
}

// The menu that the table's menu section describes, by the table's layout
// (substance/table_layout.h) applied to the records as the program reads them: one code per
// menu line up to the end of the menu, at most 1000 entries.
inline std::vector<std::string> expected_menu(const std::vector<std::string>& records) {
    std::vector<std::string> menu;
    for (const std::string& rec : records) {
        if (table_layout::ends_menu(rec)) break;
        if (!table_layout::is_menu_line(rec) ||
            menu.size() == static_cast<std::size_t>(table_layout::MAX_MENU_ENTRIES))
            continue;
        std::string code(table_layout::menu_code(rec));
        code.resize(10, ' ');
        menu.push_back(code);
    }
    return menu;
}

inline bool finite_all(const double* values, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

// What is wrong with the shared records, or an empty text.
inline std::string unsound_records() {
    const SubstConst& s = SUBST_CONST;
    const double scalars[] = {s.Dc, s.Tc,    s.Pc,   s.D0,   s.T0,   s.Alpha, s.Q2,
                              s.Dp, s.MolWt, s.Dref, s.Tref, s.Href, s.Sref};
    if (!finite_all(scalars, std::size(scalars))) return "a constant is not finite";
    if (!finite_all(s.E.data(), 20) || !finite_all(s.K.data(), 20) || !finite_all(s.K2.data(), 20))
        return "an ideal-gas value is not finite";
    if (s.i4_ncp0 < 0 || s.i4_ncp0 > 20) return "ideal-gas term count outside 0..20";
    const EosCoeff& e = EOS_COEFF;
    if (!finite_all(e.Fa.c.data(), 40) || !finite_all(e.Fq.c.data(), 40) ||
        !finite_all(e.Fd.c.data(), 40))
        return "a coefficient is not finite";
    for (int32_t nz : {e.Fa.i4_nz, e.Fq.i4_nz, e.Fd.i4_nz})
        if (nz < 0 || nz > 40) return "term count outside 0..40";
    return "";
}

// Runs the menu with a scripted answer repeated a few times (an error report's pause takes one
// line, an answer above the count shows the menu again). Returns true when the menu returned.
inline bool run_menu(std::istringstream& in, int32_t answer, Text<10>& code, int32_t& status) {
    std::string script;
    for (int i = 0; i < 4; ++i) script += std::to_string(answer) + "\n";
    in.clear();
    in.str(script);
    code = blank_text<10>();
    try {
        X_STAUSW(UNIT_TABLE.i4_lun, code, status);
        return true;
    } catch (const ConsoleEnded&) {
        return false;
    }
}

// Feeds one input through the routines. Returns a description of the first fault found, or an
// empty text. Memory faults and undefined behaviour are caught by the sanitizers.
inline std::string run_input(const uint8_t* data, std::size_t size) {
    static NullBuffer null_buffer;
    static std::ostream null_out(&null_buffer);
    static std::istringstream in;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    for (int32_t lun = 1; lun <= 99; ++lun) close_channel(lun);
    std::ofstream("x_rstoff.tab", std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    set_console_streams(&in, &null_out);
    set_end_of_input_handler(&throw_console_ended);
    UNIT_TABLE.l_trace = size % 4 == 0;  // the trace lines get their share of inputs
    UNIT_TABLE.l_status = true;
    SUBST_CONST = SubstConst{};
    EOS_COEFF = EosCoeff{};
    int32_t status = 0;
    X_OPEN(status);

    const std::vector<std::string> records = table_records(bytes);
    const std::vector<std::string> menu = expected_menu(records);
    const auto count = static_cast<int32_t>(menu.size());

    // Menu and loader: the first two entries and the last, then a choice above the count.
    std::vector<int32_t> answers = {1, 2, count, count + 1, 0};
    for (int32_t answer : answers) {
        if (answer < 0) continue;
        Text<10> code;
        status = 0;
        if (!run_menu(in, answer, code, status)) {
            if (answer >= 0 && answer <= count) return "menu did not take the answer";
            continue;
        }
        if (answer == 0) {
            if (code != fixed<10>("0")) return "answer 0 did not give the quit code";
            continue;
        }
        if (answer > count) return "menu returned for an answer above the count";
        if (view(code) != menu[static_cast<std::size_t>(answer - 1)])
            return "menu returned code '" + std::string(view(code)) + "' for entry " +
                   std::to_string(answer) + ", table gives '" +
                   menu[static_cast<std::size_t>(answer - 1)] + "'";
        if (is_blank(code) || code == fixed<10>("0")) continue;
        in.clear();
        in.str(std::string(200, '\n'));  // pauses of error reports
        status = 0;
        try {
            X_TABEIN(true, code, status);
        } catch (const ConsoleEnded&) {
            return "loader read more console lines than error reports";
        }
        const std::string fault = unsound_records();
        if (!fault.empty()) return "after loading entry " + std::to_string(answer) + ": " + fault;
    }

    // Line parsers on every line (the first 200), whatever section it stands in.
    in.clear();
    in.str(std::string(1000, '\n'));
    const std::size_t lines = std::min<std::size_t>(records.size(), 200);
    for (std::size_t i = 0; i < lines; ++i) {
        const Text<80> line = fixed<80>(records[i]);
        const int32_t trace = lun_of(TRACE_ENTRY);
        try {
            status = 0;
            X_RCOEFF(trace, line, status);
            status = 0;
            X_RCONST(trace, line, status);
        } catch (const ConsoleEnded&) {
            return "line parsers read more console lines than error reports";
        }
        const std::string fault = unsound_records();
        if (!fault.empty()) return "after parsing line " + std::to_string(i + 1) + ": " + fault;
    }

    // Number fields on the words of those lines, at every width the parsers use.
    for (std::size_t i = 0; i < lines; ++i) {
        Text<80> work = fixed<80>(records[i]);
        Text<20> word;
        int32_t length = 0;
        for (next_word(work, word, length); length > 0; next_word(work, word, length)) {
            for (int32_t width : {2, 4, 17, 19, 20}) {
                int32_t iv = 12345;
                if (read_int_field(word, width, iv) != STATUS_OK && iv != 12345)
                    return "failed integer read changed its value";
                double rv = 0.5;
                const int32_t rs = read_real_field(word, width, rv);
                if (rs == STATUS_OK && !std::isfinite(rv)) return "real field read a non-finite";
                if (rs != STATUS_OK && rv != 0.5) return "failed real read changed its value";
            }
        }
    }
    for (int32_t lun = 1; lun <= 99; ++lun) close_channel(lun);
    return "";
}

}  // namespace table_harness
