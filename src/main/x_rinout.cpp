#include <array>
#include <string>

#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "substance/subst_const.h"

namespace {

constexpr int kScreenLines = 20;
constexpr int kHeaderLines = 3;

// Lines 1 to 3 of the screen keep the first header of the run; the latest lines of the result
// file scroll through lines 4 to 20.
using Screen = std::array<Text<80>, kScreenLines>;

// Reads the result file from its start up to the end marker and leaves the channel just before
// the marker, so that the next record written replaces it. Returns the number of lines held in
// the screen; status is the code of a failed read (0 at the marker or at the end of the file).
int read_back(int32_t lun, Screen& screen, int32_t& status) {
    rewind_channel(lun);
    status = STATUS_OK;
    int n = 0;
    while (status == STATUS_OK) {
        Text<80> line;
        status = read_record(lun, line);
        if (status != STATUS_OK) break;
        if (starts_with(line, "end")) {
            backspace_channel(lun);
            break;
        }
        if (n == kScreenLines) {
            for (int i = kHeaderLines; i < kScreenLines - 1; ++i) screen[i] = screen[i + 1];
            --n;
        }
        screen[n++] = line;
    }
    if (status == STATUS_END_OF_FILE) status = STATUS_OK;
    return n;
}

// Shows the header and the latest lines, skipping blank lines, then fills up with empty lines
// so that the menu stays on the same console row as the table grows.
void draw(const Screen& screen, int n) {
    int k = 0;
    if (n > kHeaderLines) {
        console_empty_line();
        console_empty_line();
        for (int i = 0; i < n; ++i) {
            if (n == kHeaderLines + 1 || !is_blank(screen[i])) {
                console_line(" " + std::string(view(screen[i]).substr(0, 78)));
            } else {
                ++k;
            }
        }
    }
    n -= k;
    if (n < kScreenLines) {
        for (int i = 0; i < kScreenLines + 1 - n; ++i) console_empty_line();
    }
}

void show_menu() {
    console_line(
        " 1=T/Density   2=Pressure/T   3=Pressure/Density"
        "  4=Ts  5=Ps  0=Quit  Input: ");
}

// The mode typed after the menu; an answer that is not a whole number asks again.
int32_t ask_mode() {
    int32_t mode = 0;
    while (read_console_int(mode) != STATUS_OK) show_menu();
    return mode;
}

// One prompt and its answer; an answer that is not a number shows the prompt again.
double ask_value(std::string_view prompt) {
    double value = 0.0;
    do {
        ListRecord line;
        line << prompt;
        line.write_to_console();
    } while (read_console_real(value) != STATUS_OK);
    return value;
}

// The constants of the current substance, one labelled value each, as one record.
int32_t write_constants_echo() {
    const SubstConst& c = SUBST_CONST;
    ListRecord record;
    record << "Dc: " << c.Dc << "Tc: " << c.Tc << "Pc: " << c.Pc << "D0: " << c.D0 << "T0: " << c.T0
           << "Alpha: " << c.Alpha << "Q2: " << c.Q2 << "Dp: " << c.Dp << "MolWt: " << c.MolWt
           << "Tref: " << c.Tref << "Href: " << c.Href << "Sref: " << c.Sref;
    record << "Cp01 E1:" << c.E[0] << "Cp02 E2:" << c.E[1] << "Cp03 E3:" << c.E[2]
           << "Cp04 E4:" << c.E[3];
    record << "Cp01 K1:" << c.K[0] << "Cp02 K2:" << c.K[1] << "Cp03 K3:" << c.K[2]
           << "Cp04 K4:" << c.K[3];
    record << "Cp01 K21:" << c.K2[0] << "Cp02 K22:" << c.K2[1] << "Cp03 K23:" << c.K2[2]
           << "Cp04 K24:" << c.K2[3];
    record << "Dref: " << c.Dref;
    return record.write_to(lun_of(ECHO_ENTRY));
}

}  // namespace

// One step of the mode dialogue: redraws the result table read back from "xalt1.dat" with the
// mode menu below it, reads the mode and the values it asks for (the others stay 0.0), and
// leaves the result file just before its end marker. Mode 0 also echoes the substance's
// constants to "atest.log". status is the code of a failed read of the result file, or of a
// failed echo.
void X_RINOUT(double& T, double& D, double& P, int32_t& mode, int32_t& status) {
    Screen screen;
    screen.fill(blank_text<80>());
    mode = 0;
    const int n = read_back(lun_of(RESULT_ENTRY), screen, status);
    draw(screen, n);
    show_menu();
    mode = ask_mode();
    if (mode == 0) {
        const int32_t echo_status = write_constants_echo();
        if (status == STATUS_OK) status = echo_status;
    }
    T = 0.0;
    D = 0.0;
    P = 0.0;
    switch (mode) {
        case 1:
            T = ask_value("Input Temperature [K]:");
            D = ask_value("Input Density [mol/dm3]:");
            break;
        case 2:
            P = ask_value("Input Pressure [MPa]:");
            T = ask_value("Input Temperature [K]:");
            break;
        case 3:
            P = ask_value("Input Pressure [MPa]:");
            D = ask_value("Input Density [mol/dm3]:");
            break;
        case 4:
            T = ask_value("Input Saturation-Temperature [K]:");
            break;
        case 5:
            P = ask_value("Input Saturation-Pressure [MPa]:");
            break;
        default:
            break;
    }
}
