#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/text_helpers.h"

namespace {

// Writes the text (its second piece from the given column) centred in 80 columns; the console
// line is the first 78 characters of the centred field.
void centred_line(std::string_view text, std::string_view second = {}, std::size_t column = 0) {
    Text<80> work = blank_text<80>();
    std::copy_n(text.begin(), std::min(text.size(), work.size()), work.begin());
    if (!second.empty()) {
        const std::size_t room = work.size() - (column - 1);
        std::copy_n(second.begin(), std::min(second.size(), room),
                    work.begin() + static_cast<long>(column - 1));
    }
    Text<80> centred;
    I4_ZENTER(work, centred);
    console_line(view(centred).substr(0, 78));
}

}  // namespace

// The title page, shown once at start-up; it stays until the user presses Enter.
void X_COPYR() {
    console_empty_line();
    console_empty_line();
    centred_line("X A L T R I X S O L O");
    console_empty_line();
    centred_line("Computer Program for the Calculation of Thermodynamic Properties");
    centred_line("pVT, Enthalpy, Internal Energy, Entropy,", " Heat Capacities, Helmholtz Function",
                 41);
    console_empty_line();
    centred_line("Program by the xalt1 maintainers, revision of December 2026");
    console_empty_line();
    centred_line("Thermodynamic Property Software Group ", " - Leitung: the maintainers", 39);
    centred_line("Maintained with its source code; see the README");
    centred_line("Questions and reports: through the project's issues");
    centred_line("No postal address");
    console_empty_line();
    centred_line("Phone : none");
    centred_line("Fax : none");
    centred_line("E-Mail: none; see the README");
    console_empty_line();
    console_line(" Users who publish results obtained with this program are asked to cite it as:");
    console_line("            xalt1, thermodynamic properties of pure fluids from a molecular");
    console_line("            equation of state, program documentation (README.md), 2026.");
    console_empty_line();
    console_line(" Disclaimer : Users assume all risk and responsibility !");
    console_empty_line();
    wait_for_enter();
}
