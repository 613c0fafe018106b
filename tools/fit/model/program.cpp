#include "model/program.h"

#include <cmath>
#include <istream>
#include <ostream>
#include <streambuf>

#include "platform/fixed_text.h"
#include "platform/record_io.h"
#include "props/props.h"
#include "props/saturation_pair.h"
#include "props/td_props.h"
#include "substance/eos_coeff.h"
#include "substance/substance.h"

namespace fit {

void load_equation(const Model& model, const Fluid& f, const Params& p) {
    SUBST_CONST.Tc = f.Tc;
    SUBST_CONST.Dc = f.Dc;
    SUBST_CONST.Pc = f.pc;
    SUBST_CONST.T0 = T0_of(f, p);
    SUBST_CONST.D0 = D0_of(f, p);
    SUBST_CONST.Alpha = p.alpha;
    SUBST_CONST.Q2 = p.q2;
    SUBST_CONST.Dp = p.dp;
    SUBST_CONST.MolWt = f.M;
    const auto& fa = model.terms[0];
    EOS_COEFF.Fa.i4_nz = static_cast<int32_t>(fa.size());
    for (size_t i = 0; i < fa.size(); ++i) {
        EOS_COEFF.Fa.m[i] = fa[i].e[0];
        EOS_COEFF.Fa.n[i] = fa[i].e[1];
        EOS_COEFF.Fa.j[i] = fa[i].e[2];
        EOS_COEFF.Fa.l[i] = fa[i].e[3];
        EOS_COEFF.Fa.c[i] = model.coeff[0][i];
    }
    for (int s = 1; s <= 2; ++s) {
        PolarSet& set = s == 1 ? EOS_COEFF.Fq : EOS_COEFF.Fd;
        const auto& t = model.terms[s];
        set.i4_nz = static_cast<int32_t>(t.size());
        for (size_t i = 0; i < t.size(); ++i) {
            set.n[i] = t[i].e[0];
            set.m[i] = t[i].e[1];
            set.k[i] = t[i].e[2];
            set.o[i] = t[i].e[3];
            set.c[i] = model.coeff[s][i];
        }
    }
}

void load_entry(const Model& model, const Entry& e) {
    load_equation(model, *e.fluid, e.p);
    SUBST_CONST.T0 = printed_T0(e);
    SUBST_CONST.D0 = printed_D0(e);
    SUBST_CONST.Tc = e.Tc;
    SUBST_CONST.Dc = e.Dc;
    SUBST_CONST.Pc = e.Pc;
    SUBST_CONST.Dref = e.Dref;
    SUBST_CONST.Tref = e.Tref + TREF_OFFSET;
    SUBST_CONST.Href = e.Href;
    SUBST_CONST.Sref = e.Sref;
    SUBST_CONST.i4_ncp0 = static_cast<int32_t>(e.ideal.size());
    for (size_t i = 0; i < e.ideal.size() && i < 20; ++i) {
        SUBST_CONST.E[i] = e.ideal[i].E;
        SUBST_CONST.K[i] = e.ideal[i].K;
        SUBST_CONST.K2[i] = e.ideal[i].K2;
    }
}

namespace {

// Reads the lines with one of the program's line parsers up to the first that does not read;
// returns its index, or lines.size().
template <class Parser>
size_t parse_lines(const std::vector<std::string>& lines, Parser parse) {
    for (size_t i = 0; i < lines.size(); ++i) {
        int32_t status = 0;
        parse(0, fixed<80>(lines[i]), status);
        if (status != 0) return i;
    }
    return lines.size();
}

}  // namespace

Model read_coefficient_lines(const std::vector<std::string>& lines, size_t& bad) {
    EOS_COEFF = EosCoeff{};
    bad = parse_lines(lines, X_RCOEFF);
    Model model;
    const AttractionSet& fa = EOS_COEFF.Fa;
    for (int32_t i = 0; i < fa.i4_nz; ++i) {
        model.terms[0].push_back({SetKind::Fa, {fa.m[i], fa.n[i], fa.j[i], fa.l[i]}});
        model.coeff[0].push_back(fa.c[i]);
    }
    for (int s = 1; s <= 2; ++s) {
        const PolarSet& p = s == 1 ? EOS_COEFF.Fq : EOS_COEFF.Fd;
        for (int32_t i = 0; i < p.i4_nz; ++i) {
            model.terms[s].push_back({static_cast<SetKind>(s), {p.n[i], p.m[i], p.k[i], p.o[i]}});
            model.coeff[s].push_back(p.c[i]);
        }
    }
    return model;
}

SubstConst read_constants_lines(const std::vector<std::string>& lines, size_t& bad) {
    SUBST_CONST = SubstConst{};
    bad = parse_lines(lines, X_RCONST);
    return SUBST_CONST;
}

bool maxwel_saturation(double T, double& ps, double& Dliq, double& Dvap) {
    int32_t status = 0;
    double p = 0, dl = 0, dv = 0;
    X_MAXWEL(T, p, dl, dv, status);
    if (status != 0 || !(dl > dv) || !(dv > 0) || !(p > 0)) return false;
    ps = p;
    Dliq = dl;
    Dvap = dv;
    return true;
}

bool program_caloric(double D, double T, double& u, double& h, double& s) {
    int32_t status = 0;
    X_TD_DAT(true, D, T, -1.0f, status);
    u = TD_PROPS.u;
    h = TD_PROPS.h;
    s = TD_PROPS.s;
    return status == 0;
}

namespace {

bool near(double a, double b) {
    return std::fabs(a - b) <= SAME_SATURATION * std::fabs(b);
}

// Whether X_MAXWEL gives another pair at T than the direct solve (a failed direct solve: no
// outermost pair to compare with).
bool saturation_conflict(double T) {
    double ps = 0, dl = 0, dv = 0, ps_d = 0, dl_d = 0, dv_d = 0;
    int32_t status = 0, status_d = 0;
    X_SAT_PAIR(T, ps_d, dl_d, dv_d, status_d);
    if (status_d != 0) return false;
    X_MAXWEL(T, ps, dl, dv, status);
    return status != 0 || !near(ps, ps_d) || !near(dl, dl_d) || !near(dv, dv_d);
}

}  // namespace

int saturation_conflicts(double lowest) {
    const double Tc = SUBST_CONST.Tc;
    if (!(Tc > lowest)) return 0;
    const int even =
        static_cast<int>(std::ceil((CONFLICT_EVEN_UP_TO - lowest / Tc) / CONFLICT_STEP));
    int conflicts = 0;
    for (int i = 0; i < even; ++i)
        conflicts += saturation_conflict(lowest + i * CONFLICT_STEP * Tc);
    const double t_low = 1.0 - CONFLICT_EVEN_UP_TO, t_high = 1e-6;
    for (int i = 0; i < CONFLICT_NEAR_TC; ++i)
        conflicts += saturation_conflict(
            Tc * (1.0 - t_low * std::pow(t_high / t_low, i / (CONFLICT_NEAR_TC - 1.0))));
    return conflicts;
}

namespace {

// A stream buffer that yields an endless sequence of empty lines.
class EmptyLines : public std::streambuf {
  protected:
    int_type underflow() override {
        ch_ = '\n';
        setg(&ch_, &ch_, &ch_ + 1);
        return traits_type::to_int_type(ch_);
    }

  private:
    char ch_ = '\n';
};

}  // namespace

void unattended_console() {
    static EmptyLines lines;
    static std::istream in(&lines);
    static std::ostream out(nullptr);
    set_console_streams(&in, &out);
}

}  // namespace fit
