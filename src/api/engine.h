// The library's hold on the core: a loaded fluid's records, the scope of one library call on
// the calling thread (the fluid installed into the thread's records, the core's reports
// captured, no work files), and the one evaluation of a state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/report_capture.h"
#include "platform/unit_table.h"
#include "props/state_properties.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace xalt1::detail {

// The two records a load fills, as the fluid's own copy.
struct Records {
    SubstConst subst{};
    EosCoeff coeff{};
};

// A number for each loaded fluid, never used twice in the process.
uint64_t next_fluid_id();
// After a load into the thread's records: the next call installs its fluid again.
void forget_installed_fluid();

// One library call on the calling thread. On entry the fluid's records are made the thread's
// records (unless they are so already and unchanged), the core's reports go to `reports` and
// the thread's work files are out of reach (UNIT_TABLE blank); on exit the UNIT_TABLE and the
// report route of the caller come back. Scopes nest: an inner one changes nothing.
class CallScope {
  public:
    CallScope(const Records& records, uint64_t fluid_id);
    // A scope without a fluid (loading a table).
    CallScope();
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

    // Reports of the core since this scope began (an inner scope sees those of the outer
    // scope's capture), and the first of them.
    int32_t new_reports() const;
    std::string first_new_report() const;

    ReportCapture reports;

  private:
    bool outer_ = false;
    bool units_set_aside_ = false;
    std::size_t first_line_ = 0;
    int32_t first_report_ = 0;
    UnitTable kept_units_{};
    ReportCapture* kept_capture_ = nullptr;
};

// A state of the equation: (T, D) and its properties.
struct Point {
    double T = 0, D = 0;
    StateProperties props;
};

// Evaluates (T, D) into `pt` (one property evaluation, counted); false where the equation
// refuses the state or its values are not all finite.
bool evaluate(double T, double D, Point& pt);

// Property evaluations made by the calling thread.
uint64_t& thread_evaluations();

}  // namespace xalt1::detail
