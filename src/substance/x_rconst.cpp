#include <string_view>

#include "platform/erraus.h"
#include "platform/record_io.h"
#include "platform/status_codes.h"
#include "platform/text_helpers.h"
#include "platform/unit_table.h"
#include "substance/subst_const.h"
#include "substance/substance.h"
#include "substance/table_fields.h"

namespace {

thread_local Text<8> tag;
thread_local Text<80> work;
thread_local Text<20> word;
thread_local Text<20> value_word;
thread_local Text<10> label;

// The constant a label word names: its leading characters are compared, first match wins.
struct LabelRule {
    std::string_view lead;
    double SubstConst::*field;
};
constexpr LabelRule kLabels[] = {
    {"Dc", &SubstConst::Dc},     {"Tc", &SubstConst::Tc},     {"Pc", &SubstConst::Pc},
    {"D0", &SubstConst::D0},     {"T0", &SubstConst::T0},     {"Alpha", &SubstConst::Alpha},
    {"Q2", &SubstConst::Q2},     {"Dp", &SubstConst::Dp},     {"MolWt", &SubstConst::MolWt},
    {"Dref", &SubstConst::Dref}, {"Tref", &SubstConst::Tref}, {"Href", &SubstConst::Href},
    {"Sref", &SubstConst::Sref},
};

double* field_of_label(const Text<10>& l) {
    for (const LabelRule& rule : kLabels)
        if (starts_with(l, rule.lead)) return &(SUBST_CONST.*(rule.field));
    return nullptr;
}

void trace_line(int32_t trace, const ListRecord& record) {
    if (UNIT_TABLE.l_trace) record.write_to(trace);
}

// Label group: the label word is still at the start of the work line. Returns the read status.
int32_t read_label_group(int32_t trace, int32_t length) {
    label = fixed<10>(view(word).substr(0, static_cast<std::size_t>(length)));
    blank_first(work, static_cast<std::size_t>(length));
    int32_t value_length = 0;
    next_word(work, value_word, value_length);
    double* field = field_of_label(label);
    if (field == nullptr) return STATUS_OK;  // unknown label: its value word is dropped
    double value = 0.0;
    const int32_t status = read_real_field(value_word, 17, value);
    if (status != STATUS_OK) return status;
    if (field == &SUBST_CONST.Tref) value += TREF_OFFSET;
    *field = value;
    trace_line(trace, ListRecord() << *field);
    return STATUS_OK;
}

// Ideal-gas group: the tag (first four characters) is still at the start of the work line; then
// the term index k and E(k), K(k), K2(k). Returns the read status.
int32_t read_ideal_gas_group(int32_t trace) {
    blank_first(work, 4);
    int32_t length = 0;
    int32_t k = 0;
    next_word(work, value_word, length);
    int32_t status = read_int_field(value_word, 2, k);
    if (status != STATUS_OK) return status;
    // Only terms 1..20 exist; any other index is rejected like an unreadable one.
    if (k < 1 || k > static_cast<int32_t>(SUBST_CONST.E.size())) return STATUS_BAD_INDEX;
    const auto at = static_cast<std::size_t>(k - 1);
    struct {
        double* target;
        int32_t width;
    } const values[] = {
        {&SUBST_CONST.E[at], 17}, {&SUBST_CONST.K[at], 20}, {&SUBST_CONST.K2[at], 20}};
    for (const auto& v : values) {
        next_word(work, value_word, length);
        status = read_real_field(value_word, v.width, *v.target);
        if (status != STATUS_OK) return status;
    }
    trace_line(trace, ListRecord() << SUBST_CONST.E[at] << SUBST_CONST.K[at] << SUBST_CONST.K2[at]);
    SUBST_CONST.i4_ncp0 = k;
    return STATUS_OK;
}

}  // namespace

// Reads one constants line of a substance entry into SUBST_CONST: label groups ("Tc: 150."),
// ideal-gas groups ("Cp01 k E K K2") and other words, which are skipped. Column 1 is the entry's
// marker. A value that does not read as a number is reported and ends the line with its status.
void X_RCONST(const int32_t& trace, const Text<80>& line, int32_t& status) {
    set_text(tag, "x_rconst");
    work = line;
    work[0] = ' ';
    while (!is_blank(work)) {
        int32_t length = 0;
        I4_CLEFT(work);
        I4_CSTR(work, word, length);
        const bool ideal_gas = starts_with(word, "Cp0");
        if (!ideal_gas && word[static_cast<std::size_t>(length - 1)] == ':') {
            status = read_label_group(trace, length);
        } else if (ideal_gas) {
            status = read_ideal_gas_group(trace);
        } else {
            blank_first(work, static_cast<std::size_t>(length));
        }
        if (status != STATUS_OK) {
            ERRAUS(view(tag), "Error at internal Read", status);
            return;
        }
    }
}
