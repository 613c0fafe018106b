#include <array>
#include <string_view>

#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/unit_table.h"
#include "substance/eos_coeff.h"
#include "substance/substance.h"
#include "substance/table_fields.h"

namespace {

thread_local Text<8> tag;
thread_local Text<80> work;
thread_local Text<20> word;
thread_local int32_t i4_z = 0;

// Reads the term index (width 2) from the next word; only terms 1..40 exist, so any other index
// is rejected like an unreadable one.
int32_t read_index() {
    int32_t length = 0;
    next_word(work, word, length);
    int32_t z = 0;
    const int32_t status = read_int_field(word, 2, z);
    if (status != STATUS_OK) return status;
    if (z < 1 || z > 40) return STATUS_BAD_INDEX;
    i4_z = z;
    return STATUS_OK;
}

std::size_t at() {
    return static_cast<std::size_t>(i4_z - 1);
}

int32_t read_int(std::array<int32_t, 40>& target) {
    int32_t length = 0;
    next_word(work, word, length);
    return read_int_field(word, 4, target[at()]);
}

int32_t read_real(std::array<double, 40>& target, int32_t width) {
    int32_t length = 0;
    next_word(work, word, length);
    return read_real_field(word, width, target[at()]);
}

bool failed(int32_t status, std::string_view message) {
    if (status == STATUS_OK) return false;
    ERRAUS(view(tag), message, status);
    return true;
}

// "Fa-" line: index, c, n, m, j, l.
void read_attraction(int32_t trace, AttractionSet& set, int32_t& status) {
    if (failed(status = read_index(), "Error at internal Read i4_z:")) return;
    if (failed(status = read_real(set.c, 17), "Error at internal Read c:")) return;
    if (failed(status = read_int(set.n), "Error at internal Read n:")) return;
    if (failed(status = read_int(set.m), "Error at internal Read m:")) return;
    if (failed(status = read_int(set.j), "Error at internal Read j:")) return;
    int32_t length = 0;
    next_word(work, word, length);
    if (UNIT_TABLE.l_trace) (ListRecord() << word << length).write_to(trace);
    if (failed(status = read_int_field(word, 4, set.l[at()]), "Error at internal Read l:")) return;
    if (UNIT_TABLE.l_trace)
        (ListRecord() << set.m[at()] << set.n[at()] << set.j[at()] << set.l[at()] << set.c[at()])
            .write_to(trace);
    set.i4_nz = i4_z;
}

// "Fq-" or "Fd-" line: index, m, n, k, o, c.
void read_polar(int32_t trace, PolarSet& set, int32_t& status) {
    if (failed(status = read_index(), "Error at internal Read i4_z:")) return;
    if (failed(status = read_int(set.m), "Error at internal Read m:")) return;
    if (failed(status = read_int(set.n), "Error at internal Read n:")) return;
    if (failed(status = read_int(set.k), "Error at internal Read k:")) return;
    if (failed(status = read_int(set.o), "Error at internal Read o:")) return;
    if (failed(status = read_real(set.c, 19), "Error at internal Read c:")) return;
    if (UNIT_TABLE.l_trace)
        (ListRecord() << set.m[at()] << set.n[at()] << set.k[at()] << set.o[at()] << set.c[at()])
            .write_to(trace);
    set.i4_nz = i4_z;
}

}  // namespace

// Reads one coefficient line ("Fa-", "Fq-" or "Fd-" in columns 1-3) into the term set of
// EOS_COEFF that its tag names; the term index selects the array elements. Any other line is
// left alone. A field that does not read is reported with its own message and ends the line;
// the term count then stays as it was.
void X_RCOEFF(const int32_t& trace, const Text<80>& line, int32_t& status) {
    set_text(tag, "x_rcoeff");
    work = line;
    if (starts_with(line, "Fa-")) {
        blank_first(work, 3);
        read_attraction(trace, EOS_COEFF.Fa, status);
    } else if (starts_with(line, "Fq-")) {
        blank_first(work, 3);
        read_polar(trace, EOS_COEFF.Fq, status);
    } else if (starts_with(line, "Fd-")) {
        blank_first(work, 3);
        read_polar(trace, EOS_COEFF.Fd, status);
    }
}
