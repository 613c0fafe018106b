// Shared set-up of the saturation tests: a substance table in a scripted session whose fluids
// are loaded by code, the temperatures a fluid's saturation is checked from, and an independent
// look at an isotherm's loop.
#pragma once

#include <string>
#include <vector>

#include "props/td_props.h"
#include "test_support.h"

// The shipped table and the table of pinned cases under tests/data.
std::string shipped_table_path();
std::string saturation_cases_path();

// A table copied into a scripted session (its console answers every error pause), with the work
// files open as in a run.
class FluidTable {
  public:
    explicit FluidTable(const std::string& path);
    const std::vector<std::string>& codes() const { return codes_; }
    // Loads one fluid through the program's loader; false when the load fails.
    bool load(const std::string& code);
    std::vector<std::string> result_lines() const;
    std::vector<std::string> status_lines() const;

  private:
    ScriptedSession session_;
    std::vector<std::string> codes_;
};

// The lowest temperature a fluid's saturation is asked for: its triple point from the reference
// data (data/reference/fluids.csv), but not below 0.3 Tc; a fluid the reference data do not
// hold starts at 0.3 Tc. A reference file that cannot be read fails the test.
double lowest_temperature(const std::string& code, double Tc);

// The silent evaluation of a state of the loaded fluid.
TdProps state_at(double D, double T);

// True when the isotherm T of the loaded fluid has no saturated pair on its outermost stable
// branches. Found independently of the saturation routines, from a fine scan of dp/dD: the
// isotherm has no loop, or the pressures of the two outer branches do not overlap, or over their
// overlap the Gibbs energy of the liquid stays above that of the vapour.
bool no_pair_on_outer_branches(double T);
