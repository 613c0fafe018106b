#include <initializer_list>
#include <string>

#include "main/run_control.h"
#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "props/props.h"
#include "substance/substance.h"

namespace {

// Run variables of the main routine; they live for the whole run.
Text<8> tag;
Text<10> code;
bool read_coeff = false;
Text<10> date;
int32_t mode = 0;
double T = 0.0;
double D = 0.0;
double P = 0.0;
int32_t status = 0;

const Text<10> kQuitCode = fixed<10>("0");

// Closes the work files when standard input ends at any prompt.
void close_down_at_end_of_input() {
    int32_t close_status = 0;
    X_CLOSE(close_status);
}

struct Cell {
    std::size_t column;
    std::string_view text;
};

// A formatted line with each text from its column (counted from 1).
std::string laid_out(std::initializer_list<Cell> cells) {
    std::string line;
    for (const Cell& cell : cells) place(line, cell.column, cell.text);
    return line;
}

// The three header lines of a substance block, then the end marker, on the result channel.
void write_run_header() {
    const int32_t lun = lun_of(RESULT_ENTRY);
    write_record(lun, laid_out({{20, view(code)},
                                {30, " - Thermodynamic Properties"},
                                {68, view(date).substr(0, 8)},
                                {76, "-"},
                                {77, view(date).substr(8, 2)}}));
    write_record(lun, laid_out({{8, "T"},
                                {17, "D"},
                                {28, "P"},
                                {38, "u"},
                                {47, "h"},
                                {56, "s"},
                                {66, "cv"},
                                {74, "cp"},
                                {84, "f"}}));
    write_record(lun, laid_out({{8, "K"},
                                {14, "mol/dm3"},
                                {27, "MPa"},
                                {36, "J/mol"},
                                {45, "J/mol"},
                                {53, "J/mol-K"},
                                {63, "J/mol-K"},
                                {72, "J/mol-K"},
                                {83, "J/mol"}}));
    write_record(lun, "end");
}

// The mode loop of one substance. Returns false when the run must end.
bool run_modes() {
    mode = 1;
    while (mode != 0) {
        X_RINOUT(T, D, P, mode, status);
        if (status != 0) ERRAUS(view(tag), "Error at Routine x_rinout", status);
        if (mode >= 1 && mode <= 5) {
            X_PVT(T, D, P, status);
            if (status != 0) {
                ERRAUS(view(tag), "Error at Routine x_pvt", status);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

// The program's entry routine: title page, work files, then the substance loop around the
// mode loop, until the quit code is chosen or a load or a calculation fails.
void MXALT1() {
    set_text(tag, "xalt1");
    code = blank_text<10>();
    read_coeff = true;
    UNIT_TABLE.l_trace = false;
    UNIT_TABLE.l_status = true;
    set_end_of_input_handler(&close_down_at_end_of_input);

    X_COPYR();
    X_OPEN(status);
    if (!channel_is_open(lun_of(TABLE_ENTRY))) {
        console_line(" The substance table \"x_rstoff.tab\" cannot be read in this folder.");
        console_line(" Start xalt1 in the folder that holds the substance table.");
        X_CLOSE(status);
        return;
    }

    while (code != kQuitCode) {
        X_STAUSW(UNIT_TABLE.i4_lun, code, status);
        if (is_blank(code) || code == kQuitCode) continue;
        X_TABEIN(read_coeff, code, status);
        if (status != 0) {
            ERRAUS(view(tag), "Error at Routine x_tabein", status);
            break;
        }
        DATE_HH(date);
        write_run_header();
        if (!run_modes()) break;
    }
    X_CLOSE(status);
}
