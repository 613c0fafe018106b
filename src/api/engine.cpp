#include "api/engine.h"

#include <atomic>
#include <cstring>

#include "platform/status_codes.h"
#include "props/props.h"

namespace xalt1::detail {

namespace {

std::atomic<uint64_t> fluid_ids{0};

// The fluid whose records the thread holds (0: none known). Loading a table forgets it; its
// constants are compared as well, so that a routine of the program run on the same thread since
// (a load, a test that sets the records) has the fluid installed again.
thread_local uint64_t installed_fluid = 0;
thread_local int scope_depth = 0;
thread_local uint64_t evaluations = 0;

bool installed(const Records& records, uint64_t fluid_id) {
    return installed_fluid == fluid_id &&
           std::memcmp(&SUBST_CONST, &records.subst, sizeof(SubstConst)) == 0;
}

// The thread's work files are out of reach of a library call: only where it has any (a thread
// that runs the program as well) are they set aside.
bool units_in_use() {
    for (int32_t lun : UNIT_TABLE.i4_lun)
        if (lun != 0) return true;
    return UNIT_TABLE.l_trace || UNIT_TABLE.l_status;
}

void install(const Records& records, uint64_t fluid_id) {
    if (installed(records, fluid_id)) return;
    // Byte for byte, padding included, so that the comparison above holds after it.
    std::memcpy(&SUBST_CONST, &records.subst, sizeof(SubstConst));
    std::memcpy(&EOS_COEFF, &records.coeff, sizeof(EosCoeff));
    installed_fluid = fluid_id;
}

}  // namespace

uint64_t next_fluid_id() {
    return ++fluid_ids;
}

void forget_installed_fluid() {
    installed_fluid = 0;
}

CallScope::CallScope() {
    outer_ = scope_depth++ == 0;
    if (outer_) {
        units_set_aside_ = units_in_use();
        if (units_set_aside_) {
            kept_units_ = UNIT_TABLE;
            UNIT_TABLE = UnitTable{};
        }
        kept_capture_ = report_capture();
        capture_reports(&reports);
    }
    first_line_ = report_capture()->lines.size();
    first_report_ = report_capture()->reports;
}

int32_t CallScope::new_reports() const {
    return report_capture()->reports - first_report_;
}

std::string CallScope::first_new_report() const {
    const std::vector<std::string>& lines = report_capture()->lines;
    for (std::size_t k = first_line_; k < lines.size(); ++k) {
        const std::size_t start = lines[k].find_first_not_of(' ');
        if (start != std::string::npos) return lines[k].substr(start);
    }
    return {};
}

CallScope::CallScope(const Records& records, uint64_t fluid_id) : CallScope() {
    if (outer_) install(records, fluid_id);  // an inner scope belongs to the same call
}

CallScope::~CallScope() {
    --scope_depth;
    if (!outer_) return;
    if (units_set_aside_) UNIT_TABLE = kept_units_;
    capture_reports(kept_capture_);
}

bool evaluate(double T, double D, Point& pt) {
    ++evaluations;
    pt.T = T;
    pt.D = D;
    int32_t status = STATUS_OK;
    X_TD_STATE(D, T, pt.props, status);
    return status == STATUS_OK;
}

uint64_t& thread_evaluations() {
    return evaluations;
}

}  // namespace xalt1::detail
