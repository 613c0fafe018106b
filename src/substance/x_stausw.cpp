#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/text_helpers.h"
#include "substance/substance.h"
#include "substance/table_layout.h"

namespace {

// From this many entries on the menu is shown four to a line.
constexpr int32_t kFourColumnsFrom = 20;

thread_local Text<8> tag;
thread_local Text<80> line;
thread_local Text<10> menu[table_layout::MAX_MENU_ENTRIES];
thread_local int32_t count = 0;
thread_local int32_t choice = 0;

const Text<10> kQuitCode = fixed<10>("0");

// Reads the menu section (substance/table_layout.h): every menu line up to the end of the menu
// gives one entry with its code. Returns the first failing status.
int32_t build_menu(int32_t table) {
    int32_t status = STATUS_OK;
    count = 0;
    line = blank_text<80>();
    while (!table_layout::ends_menu(view(line)) && status == STATUS_OK) {
        status = read_record(table, line);
        if (status != STATUS_OK) {
            ERRAUS(view(tag), "Error at Read into x_rstoff.tab", status);
            continue;
        }
        if (!table_layout::is_menu_line(view(line))) continue;
        // The menu holds the first 1000 entries; further menu lines are passed over.
        if (count == table_layout::MAX_MENU_ENTRIES) continue;
        menu[count++] = fixed<10>(table_layout::menu_code(view(line)));
    }
    return status;
}

std::string right_aligned(int32_t number, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%*d", width, number);
    return buf;
}

// One cell of the four-column form: the number in two columns, or in the cell's first three
// columns from 100 on (three asterisks from 1000), then from the cell's fourth column the code
// and a blank.
void put_cell(Text<80>& row, std::size_t column, int32_t number) {
    const std::string digits = number < 100    ? right_aligned(number, 2)
                               : number < 1000 ? right_aligned(number, 3)
                                               : "***";
    const Text<10>& code = menu[number - 1];
    std::copy(digits.begin(), digits.end(), row.begin() + static_cast<long>(column - 1));
    std::copy(code.begin(), code.end(), row.begin() + static_cast<long>(column + 2));
    row[column + 12] = ' ';
}

void show_menu() {
    if (count < kFourColumnsFrom) {
        for (int32_t k = 1; k <= count; ++k)
            (ListRecord() << right_aligned(k, 7) << "  " << menu[k - 1]).write_to_console();
    } else {
        for (int32_t first = 1; first <= count; first += 4) {
            Text<80> row = blank_text<80>();
            for (int32_t k = first; k < first + 4 && k <= count; ++k)
                put_cell(row, 1 + 20 * static_cast<std::size_t>(k - first), k);
            (ListRecord() << view(row).substr(0, 78)).write_to_console();
        }
    }
    console_empty_line();
    (ListRecord() << "  0"
                  << "  "
                  << "0..Exit")
        .write_to_console();
    for (int32_t k = count; k < kFourColumnsFrom; ++k) ListRecord().write_to_console();
    (ListRecord() << "Option :").write_to_console();
}

}  // namespace

// The substance menu. Rewinds the table, builds the menu from its menu section (leaving the
// channel just after the "##########" line, where the loader goes on), shows it and asks for a
// number until the answer is 0 (quit code) or a menu entry. The chosen code is returned, all
// blanks when the chosen menu line carried no code.
void X_STAUSW(const std::array<int32_t, 10>& units, Text<10>& code, int32_t& status) {
    const int32_t table = units[0];
    rewind_channel(table);
    set_text(tag, "x_stausw");
    status = build_menu(table);

    // A number above the count, a negative number or a non-number shows the menu again.
    choice = count + 1;
    while (choice > count) {
        show_menu();
        int32_t answer = 0;
        if (read_console_int(answer) != STATUS_OK || answer < 0) continue;
        choice = answer;
        if (choice == 0)
            code = kQuitCode;
        else if (choice <= count)
            code = menu[choice - 1];
    }
    if (code != kQuitCode && status != STATUS_OK)
        ERRAUS(view(tag), "Error at Routine x_stausw", status);
}

// The menu without the dialogue: reads the menu section of the table on channel `table` from
// where the channel stands and returns the codes of its menu lines in menu order, as X_STAUSW
// offers them; the channel is left just after the "##########" line.
void X_RMENU(const int32_t& table, std::vector<Text<10>>& codes, int32_t& status) {
    set_text(tag, "x_stausw");
    status = build_menu(table);
    codes.assign(menu, menu + count);
}
