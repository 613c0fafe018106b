// Shared set-up of the substance-table tests: a scripted session in a temporary folder, the
// work files opened as in a run, and both records cleared as at program start.
#pragma once

#include <string>

#include "main/run_control.h"
#include "platform/unit_table.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"
#include "test_support.h"

class TableSession {
  public:
    // The table text becomes "x_rstoff.tab"; the input is the scripted console.
    explicit TableSession(const std::string& table, const std::string& input = "",
                          bool clear_records = true)
        : session_(input) {
        session_.write_file("x_rstoff.tab", table);
        UNIT_TABLE.l_trace = false;
        UNIT_TABLE.l_status = true;
        int32_t status = 0;
        X_OPEN(status);
        if (clear_records) {
            SUBST_CONST = SubstConst{};
            EOS_COEFF = EosCoeff{};
        }
    }
    std::string console() const { return session_.console(); }
    std::string status_file() const { return session_.read_file("xalt1.tmp"); }
    const ScriptedSession& session() const { return session_; }

  private:
    ScriptedSession session_;
};
