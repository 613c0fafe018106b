#include "api/mixture_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "eos/eos.h"
#include "eos/ideal_gas.h"
#include "platform/status_codes.h"

namespace xalt1::detail {

namespace {

constexpr double R = GAS_CONSTANT;

// cp0/R, h0/R and s0/R of a component at T, in the form the property evaluation uses (the
// exact form where the quick one fails).
bool ideal_values(const SubstConst& sc, double T, ideal_gas::Form form, IdealGasValues& v) {
    const int32_t count = std::min<int32_t>(static_cast<int16_t>(sc.i4_ncp0), 20);
    const auto term = [&sc](int32_t i) {
        const auto k = static_cast<std::size_t>(i);
        return ideal_gas::Term{sc.E[k], sc.K[k], sc.K2[k]};
    };
    const auto none = [](int32_t, double, double, double) {};
    if (ideal_gas::sum_terms(count, term, T, form, v.c0, v.h0, v.s0, none)) return true;
    return form == ideal_gas::Form::quick &&
           ideal_gas::sum_terms(count, term, T, ideal_gas::Form::exact, v.c0, v.h0, v.s0, none);
}

// The residual and ideal-gas values at the component's own reference state.
ReferenceValues reference_of(const Records& records, uint64_t id) {
    CallScope scope(records, id);
    const SubstConst& sc = SUBST_CONST;
    ReferenceValues ref;
    X_R_FRES(sc.Dref, sc.Tref, 1, 0, ref.F10r);
    X_R_FRES(sc.Dref, sc.Tref, 0, 1, ref.F01r);
    X_R_FRES(sc.Dref, sc.Tref, 0, 0, ref.F00r);
    ideal_values(sc, sc.Tref, ideal_gas::Form::exact, ref.ideal);
    return ref;
}

constexpr double OneFluid::*kParameters[] = {&OneFluid::D0, &OneFluid::T0, &OneFluid::Alpha,
                                             &OneFluid::Q2, &OneFluid::Dp};

bool all_finite(const StateProperties& r) {
    for (double v : {r.p, r.dpdD, r.f, r.g, r.u, r.h, r.s, r.cp, r.cv, r.kappa_T, r.mu_JT})
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

MixtureModel::MixtureModel(std::vector<Records> components,
                           std::vector<std::vector<BinaryParameters>> binary)
    : binary_(std::move(binary)) {
    for (Records& records : components) {
        Component c;
        c.records = records;
        c.id = next_fluid_id();
        c.reference = reference_of(c.records, c.id);
        components_.push_back(c);
    }
    one_fluid_records_ = components_.front().records;
    one_fluid_id_ = next_fluid_id();
}

// The pair sums of the mixing rules, v_x and (e v)_x, (Alpha v)_x, (Q2 v)_x, (Dp v)_x, all
// quadratic in z; those of one row i (sum over j alone) are their derivatives in z_i over 2.
struct PairSums {
    double v = 0, ev = 0, av = 0, qv = 0, dv = 0;
};

PairSums MixtureModel::row(const double* z, std::size_t i) const {
    PairSums r;
    const SubstConst& a = components_[i].records.subst;
    for (std::size_t j = 0; j < components_.size(); ++j) {
        const SubstConst& b = components_[j].records.subst;
        double vij = 1.0 / a.D0, eij = a.T0, qij = a.Q2, dij = a.Dp;
        if (i != j) {
            const BinaryParameters& k = binary_[i][j];
            const double root = 0.5 * (std::cbrt(1.0 / a.D0) + std::cbrt(1.0 / b.D0));
            vij = k.eta * root * root * root;
            eij = k.xi * std::sqrt(a.T0 * b.T0);
            qij = std::sqrt(a.Q2 * b.Q2);
            dij = std::sqrt(a.Dp * b.Dp);
        }
        const double w = z[j] * vij;
        r.v += w;
        r.ev += w * eij;
        r.av += w * 0.5 * (a.Alpha + b.Alpha);
        r.qv += w * qij;
        r.dv += w * dij;
    }
    return r;
}

OneFluid MixtureModel::one_fluid(const double* z, std::vector<OneFluid>* slopes) const {
    const std::size_t n = components_.size();
    std::vector<PairSums> rows(n);
    PairSums t;
    for (std::size_t i = 0; i < n; ++i) {
        rows[i] = row(z, i);
        t.v += z[i] * rows[i].v;
        t.ev += z[i] * rows[i].ev;
        t.av += z[i] * rows[i].av;
        t.qv += z[i] * rows[i].qv;
        t.dv += z[i] * rows[i].dv;
    }
    const OneFluid x{1.0 / t.v, t.ev / t.v, t.av / t.v, t.qv / t.v, t.dv / t.v};
    if (slopes == nullptr) return x;
    // d/dz_i of each parameter (z taken as independent), then n d/dn_i = d/dz_i - sum_j z_j d/dz_j.
    std::vector<OneFluid> d(n);
    OneFluid mean;
    for (std::size_t i = 0; i < n; ++i) {
        const PairSums& r = rows[i];
        const double dv = 2.0 * r.v;
        d[i] = {-x.D0 * x.D0 * dv, (2.0 * r.ev - x.T0 * dv) / t.v,
                (2.0 * r.av - x.Alpha * dv) / t.v, (2.0 * r.qv - x.Q2 * dv) / t.v,
                (2.0 * r.dv - x.Dp * dv) / t.v};
        for (auto f : kParameters) mean.*f += z[i] * d[i].*f;
    }
    for (std::size_t i = 0; i < n; ++i)
        for (auto f : kParameters) d[i].*f -= mean.*f;
    *slopes = d;
    return x;
}

double MixtureModel::molar_mass(const double* z) const {
    double M = 0;
    for (std::size_t i = 0; i < components_.size(); ++i)
        M += z[i] * components_[i].records.subst.MolWt;
    return M;
}

bool MixtureModel::residual(const OneFluid& x, double T, double D, FresDeriv& F,
                            FresParam* by_parameter) const {
    CallScope scope(one_fluid_records_, one_fluid_id_);
    SUBST_CONST.D0 = x.D0;
    SUBST_CONST.T0 = x.T0;
    SUBST_CONST.Alpha = x.Alpha;
    SUBST_CONST.Q2 = x.Q2;
    SUBST_CONST.Dp = x.Dp;
    ++thread_evaluations();
    int32_t status = STATUS_OK;
    X_R_FDERIV(D, T, F, status);
    if (status == STATUS_OK && by_parameter != nullptr) X_R_FPARAM(D, T, *by_parameter, status);
    return status == STATUS_OK;
}

bool MixtureModel::ln_fugacity_coefficients(const double* z, double T, double D,
                                            double* ln_phi) const {
    std::vector<OneFluid> slopes;
    const OneFluid x = one_fluid(z, &slopes);
    FresDeriv F;
    FresParam P;
    if (!residual(x, T, D, F, &P)) return false;
    const double Z = 1.0 + D * F.F10;
    if (!(Z > 0.0)) return false;
    // dF by the parameters at constant T and D.
    const OneFluid by{-D / x.D0 * F.F10, -T / x.T0 * F.F01, P.F_Alpha, P.F_Q2, P.F_Dp};
    for (std::size_t i = 0; i < components_.size(); ++i) {
        double sum = F.F00 + D * F.F10 - std::log(Z);
        for (auto f : kParameters) sum += by.*f * slopes[i].*f;
        ln_phi[i] = sum;
        if (!std::isfinite(sum)) return false;
    }
    return true;
}

namespace {

constexpr double kRelativeStep = 1e-5;

// The density at which the composition z has the pressure p at T, by Newton steps from a
// nearby density D.
bool density_near(const MixtureModel& m, const double* z, double T, double p, double& D) {
    for (int k = 0; k < 20; ++k) {
        double at = 0, slope = 0;
        if (!m.pressure(z, T, D, at, slope) || !(slope > 0.0)) return false;
        const double step = (at - p) / slope;
        D -= step;
        if (std::fabs(step) <= 1e-13 * D) return D > 0.0;
    }
    return false;
}

}  // namespace

// By central differences of ln phi: in T and D at constant amounts, turned into slopes at
// constant p through p's own slopes; in each amount at constant T and p, the density found
// anew for the changed composition.
bool MixtureModel::fugacity_slopes(const double* z, double T, double D, FugacitySlopes& out) const {
    const std::size_t n = size();
    out.ln_phi.assign(n, 0.0);
    out.dT.assign(n, 0.0);
    out.dp.assign(n, 0.0);
    out.dn.assign(n * n, 0.0);
    double p = 0, dpdD = 0;
    if (!ln_fugacity_coefficients(z, T, D, out.ln_phi.data()) || !pressure(z, T, D, p, dpdD))
        return false;
    std::vector<double> up(n), down(n);
    const double hT = kRelativeStep * T, hD = kRelativeStep * D;
    double p_up = 0, p_down = 0, ignored = 0;
    if (!ln_fugacity_coefficients(z, T + hT, D, up.data()) ||
        !ln_fugacity_coefficients(z, T - hT, D, down.data()) ||
        !pressure(z, T + hT, D, p_up, ignored) || !pressure(z, T - hT, D, p_down, ignored))
        return false;
    const double dpdT = (p_up - p_down) / (2 * hT);
    std::vector<double> byT(n);
    for (std::size_t i = 0; i < n; ++i) byT[i] = (up[i] - down[i]) / (2 * hT);
    if (!ln_fugacity_coefficients(z, T, D + hD, up.data()) ||
        !ln_fugacity_coefficients(z, T, D - hD, down.data()))
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        const double byD = (up[i] - down[i]) / (2 * hD);
        out.dT[i] = byT[i] - byD * dpdT / dpdD;
        out.dp[i] = byD / dpdD;
    }
    std::vector<double> shifted(n);
    for (std::size_t j = 0; j < n; ++j) {
        for (int sign : {1, -1}) {
            const double h = sign * kRelativeStep;
            for (std::size_t k = 0; k < n; ++k) shifted[k] = (z[k] + (k == j ? h : 0.0)) / (1 + h);
            double Dj = D;
            std::vector<double>& into = sign > 0 ? up : down;
            if (!density_near(*this, shifted.data(), T, p, Dj) ||
                !ln_fugacity_coefficients(shifted.data(), T, Dj, into.data()))
                return false;
        }
        // N d/dn_j with N = 1 + h: the step in n_j is h.
        for (std::size_t i = 0; i < n; ++i)
            out.dn[i * n + j] = (up[i] - down[i]) / (2 * kRelativeStep);
    }
    return true;
}

bool MixtureModel::reduced_residual(const double* z, double T, double D, double& F) const {
    FresDeriv set;
    if (!residual(one_fluid(z), T, D, set)) return false;
    F = set.F00;
    return true;
}

bool MixtureModel::pressure(const double* z, double T, double D, double& p, double& dpdD) const {
    FresDeriv F;
    if (!residual(one_fluid(z), T, D, F)) return false;
    // As the property formulas form them.
    const double RT = R * T / 1000.0;
    p = D * RT + D * RT * F.F10 * D;
    dpdD = RT * (1.0 + 2.0 * D * F.F10 + D * D * F.F20);
    return std::isfinite(p) && std::isfinite(dpdD);
}

bool MixtureModel::properties(const double* z, double T, double D, StateProperties& out) const {
    FresDeriv F;
    if (!residual(one_fluid(z), T, D, F)) return false;
    out = StateProperties{};
    double mixing = 0;  // sum z ln z
    for (std::size_t i = 0; i < components_.size(); ++i) {
        const Component& c = components_[i];
        IdealGasValues ideal;
        if (!ideal_values(c.records.subst, T, ideal_gas::Form::quick, ideal)) return false;
        const StateProperties part =
            state_properties(c.records.subst, c.reference, D, T, F, ideal, std::nan(""));
        if (i == 0) {  // the residual-only values are the same for every component
            out.p = part.p;
            out.dpdD = part.dpdD;
            out.d2pdD2 = part.d2pdD2;
            out.dpdD_RT = part.dpdD_RT;
            out.dpdT = part.dpdT;
        }
        for (auto field :
             {&StateProperties::f, &StateProperties::g, &StateProperties::u, &StateProperties::h,
              &StateProperties::s, &StateProperties::cv, &StateProperties::cp})
            out.*field += z[i] * part.*field;
        if (z[i] > 0.0) mixing += z[i] * std::log(z[i]);
    }
    out.s -= R * mixing;
    out.f += R * T * mixing;
    out.g += R * T * mixing;
    out.w = state_properties_detail::speed_of_sound(out, molar_mass(z));
    out.kappa_T = 1.0 / (D * out.dpdD);
    out.mu_JT = 1000.0 * (T * out.dpdT / (D * out.dpdD) - 1.0) / (D * out.cp);
    return all_finite(out);
}

}  // namespace xalt1::detail
