// The demonstration fluid of tests/data/props_demo.tab, set directly into the shared records,
// and the work channels that the property routines write to.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

// Critical point of the demonstration fluid, as its table gives it.
constexpr double kDemoTc = 415.167056;
constexpr double kDemoDc = 8.18814667;
constexpr double kDemoPc = 10.1338230;
constexpr double kGasConstant = 8.314339637756348;

// Fills SUBST_CONST and EOS_COEFF with the demonstration fluid.
void load_demo_fluid();

// A scripted session with the result file and the status file open on their channels and the
// demonstration fluid loaded; `enters` lines of console input answer the error pauses.
class PropsSession {
  public:
    explicit PropsSession(int enters = 40);
    std::vector<std::string> result_lines() const;  // xalt1.dat, line by line
    std::vector<std::string> status_lines() const;  // xalt1.tmp, line by line
    std::string file(const std::string& name) const { return session_.read_file(name); }
    std::string console() const { return session_.console(); }

  private:
    ScriptedSession session_;
};
