#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/substance.h"
#include "substance/table_layout.h"

namespace {

thread_local Text<8> tag;
thread_local Text<80> line;

void trace_line(const Text<80>& l) {
    if (UNIT_TABLE.l_trace) (ListRecord() << l).write_to(lun_of(TRACE_ENTRY));
}

}  // namespace

// Loads one substance. The table channel stands just after the menu section (the menu has just
// read it). With read_coeff the coefficient section is read into EOS_COEFF first; then the entry
// whose header line starts with the code is searched forward, and its constants lines (those
// whose column 1 is the code's first character) are read into SUBST_CONST up to "#####" or the
// end of the file. Neither record is cleared: what the file does not set keeps its value, and a
// failed load leaves the records partly updated.
void X_TABEIN(const bool& read_coeff, const Text<10>& code, int32_t& status) {
    const int32_t table = lun_of(TABLE_ENTRY);
    const int32_t trace = lun_of(TRACE_ENTRY);
    set_text(tag, "x_tabein");
    status = STATUS_OK;
    line = blank_text<80>();

    if (read_coeff) {
        while (!table_layout::ends_section(view(line)) && status == STATUS_OK) {
            if (table_layout::is_coefficient_line(view(line))) {
                X_RCOEFF(trace, line, status);
                if (status != STATUS_OK) break;
            }
            status = read_record(table, line);
            trace_line(line);
            if (status != STATUS_OK) {
                ERRAUS(view(tag), "Error at Read into x_rstoff.tab", status);
                return;
            }
        }
    }

    while (!table_layout::is_entry_header(view(line), view(code)) && status == STATUS_OK)
        status = read_record(table, line);
    if (status != STATUS_OK) {
        (ListRecord() << "Fehler in der Tabelle-Reinstoffdaten zu " << code << " fehlen !")
            .write_to_console();
        return;
    }

    while (!table_layout::ends_section(view(line)) && status == STATUS_OK) {
        const int32_t read_status = read_record(table, line);
        if (read_status == STATUS_END_OF_FILE) return;  // the last entry needs no terminator
        if (read_status != STATUS_OK) {
            status = read_status;
            ERRAUS(view(tag), "Error at Read into x_rstoff.tab", status);
            return;
        }
        if (table_layout::is_constants_line(view(line), view(code))) {
            trace_line(line);
            X_RCONST(trace, line, status);
        }
    }
}
