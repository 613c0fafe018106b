#include "props_fluid.h"

#include <sstream>

#include "main/run_control.h"
#include "platform/record_io.h"
#include "platform/unit_table.h"
#include "props/td_props.h"
#include "substance/eos_coeff.h"
#include "substance/subst_const.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

void load_demo_fluid() {
    SubstConst& sc = SUBST_CONST;
    sc = SubstConst{};
    sc.Dc = kDemoDc;
    sc.Tc = kDemoTc;
    sc.Pc = kDemoPc;
    sc.D0 = 10.0;
    sc.T0 = 300.0;
    sc.Alpha = 1.05;
    sc.Q2 = 0.5;
    sc.Dp = 0.5;
    sc.MolWt = 40.0;
    sc.Dref = 1.0e-6;
    sc.Tref = 298.15 + 9.999999747378752e-06;
    sc.Href = 5000.0;
    sc.Sref = 100.0;
    sc.E[0] = 0.0;
    sc.K[0] = 2.5;
    sc.K2[0] = 0.0;
    sc.E[1] = 0.0;
    sc.K[1] = 1.5;
    sc.K2[1] = 400.0;
    sc.i4_ncp0 = 2;

    EOS_COEFF = EosCoeff{};
    AttractionSet& fa = EOS_COEFF.Fa;
    fa.c[0] = -2.0;
    fa.n[0] = -2;
    fa.m[0] = 1;
    fa.i4_nz = 1;
    PolarSet& fq = EOS_COEFF.Fq;
    fq.m[0] = 2;
    fq.n[0] = -4;
    fq.k[0] = 4;
    fq.c[0] = -0.6;
    fq.i4_nz = 1;
    PolarSet& fd = EOS_COEFF.Fd;
    fd.m[0] = 2;
    fd.n[0] = -6;
    fd.k[0] = 8;
    fd.c[0] = -0.4;
    fd.i4_nz = 1;
    TD_PROPS = TdProps{};
}

PropsSession::PropsSession(int enters) : session_(std::string(enters, '\n')) {
    UNIT_TABLE.l_trace = false;
    UNIT_TABLE.l_status = true;
    int32_t status = 0;
    X_OPEN(status);
    load_demo_fluid();
}

std::vector<std::string> PropsSession::result_lines() const {
    return lines_of(session_.read_file("xalt1.dat"));
}

std::vector<std::string> PropsSession::status_lines() const {
    return lines_of(session_.read_file("xalt1.tmp"));
}
