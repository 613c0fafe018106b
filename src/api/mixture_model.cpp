#include "api/mixture_model.h"

#include <algorithm>
#include <array>
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
// The pair sums that make each parameter (D0 from v alone).
constexpr double PairSums::*kSums[] = {&PairSums::v, &PairSums::ev, &PairSums::av, &PairSums::qv,
                                       &PairSums::dv};
constexpr std::size_t kCount = 5;

// The one-fluid parameters, or their slopes, as a vector in the order of kParameters.
using Params = std::array<double, kCount>;

Params as_params(const OneFluid& x) {
    Params a;
    for (std::size_t k = 0; k < kCount; ++k) a[k] = x.*kParameters[k];
    return a;
}

double dot(const Params& a, const Params& b) {
    double sum = 0;
    for (std::size_t k = 0; k < kCount; ++k) sum += a[k] * b[k];
    return sum;
}

// The derivatives of F in the one-fluid parameters theta at constant T and D (F), their slopes
// in D and T, and the second derivatives in theta (H). D0 and T0 enter F through D/D0 and T/T0
// alone: dF/dD0 = -(D/D0) dF/dD, dF/dT0 = -(T/T0) dF/dT, and their further derivatives by the
// chain rule; Alpha, Q2 and Dp enter terms of their own.
struct ByParameters {
    Params F{}, D{}, T{};
    std::array<Params, kCount> H{};
};

ByParameters by_parameters(const OneFluid& x, double T, double D, const FresDeriv& F,
                           const FresParamSlopes& P) {
    const double d = D / x.D0, t = T / x.T0;
    const auto own = [](const FresParam& q, double first, double second) {
        return Params{first, second, q.F_Alpha, q.F_Q2, q.F_Dp};
    };
    ByParameters b;
    b.F = own(P.F, -d * F.F10, -t * F.F01);
    b.D = own(P.by_D, -(F.F10 + D * F.F20) / x.D0, -t * F.F11);
    b.T = own(P.by_T, -d * F.F11, -(F.F01 + T * F.F02) / x.T0);
    b.H[0][0] = d / x.D0 * (2.0 * F.F10 + D * F.F20);
    b.H[1][1] = t / x.T0 * (2.0 * F.F01 + T * F.F02);
    b.H[0][1] = b.H[1][0] = d * t * F.F11;
    const Params itself = own(P.by_itself, 0.0, 0.0);
    for (std::size_t k = 2; k < kCount; ++k) {
        b.H[0][k] = b.H[k][0] = -d * b.D[k];
        b.H[1][k] = b.H[k][1] = -t * b.T[k];
        b.H[k][k] = itself[k];
    }
    return b;
}

// a^T H b.
double form(const std::array<Params, kCount>& H, const Params& a, const Params& b) {
    double sum = 0;
    for (std::size_t k = 0; k < kCount; ++k) sum += a[k] * dot(H[k], b);
    return sum;
}

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
    const std::size_t n = components_.size();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) pairs_.push_back(pair_terms(i, j));
}

// A pair's terms of the mixing rules: Lorentz-Berthelot size and energy, the arithmetic mean
// of the shapes and the geometric mean of the moments, each times the pair's size.
PairSums MixtureModel::pair_terms(std::size_t i, std::size_t j) const {
    const SubstConst& a = components_[i].records.subst;
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
    return {vij, vij * eij, vij * 0.5 * (a.Alpha + b.Alpha), vij * qij, vij * dij};
}

// The sums of one row i (over j alone, weighted by z_j): the pair sums' derivatives in z_i
// over 2.
PairSums MixtureModel::row(const double* z, std::size_t i) const {
    PairSums r;
    for (std::size_t j = 0; j < size(); ++j)
        for (auto f : kSums) r.*f += z[j] * pair(i, j).*f;
    return r;
}

// The parameters are D0 = N^2/B and ratios A/B of quadratic forms in the amounts (B = sum n_i
// n_j v_ij); their derivatives at N = 1, with b_i the row sums of B and a_i those of A:
//   dD0/dn_i = 2 D0 - 2 D0^2 b_i,  d(A/B)/dn_i = 2 (a_i - theta b_i)/B,
//   d2D0/dn_i dn_j = 2 D0 - 4 D0^2 (b_i + b_j) + 8 D0^3 b_i b_j - 2 D0^2 v_ij,
//   d2(A/B)/dn_i dn_j = 2 (A_ij - theta v_ij - theta_i b_j - theta_j b_i)/B.
OneFluid MixtureModel::one_fluid(const double* z, std::vector<OneFluid>* slopes,
                                 std::vector<OneFluid>* curvature) const {
    const std::size_t n = components_.size();
    std::vector<PairSums> rows(n);
    PairSums t;
    for (std::size_t i = 0; i < n; ++i) {
        rows[i] = row(z, i);
        for (auto f : kSums) t.*f += z[i] * rows[i].*f;
    }
    const OneFluid x{1.0 / t.v, t.ev / t.v, t.av / t.v, t.qv / t.v, t.dv / t.v};
    if (slopes == nullptr && curvature == nullptr) return x;
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
    if (curvature != nullptr) {
        curvature->assign(n * n, OneFluid{});
        const double D0 = x.D0;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                OneFluid& c = (*curvature)[i * n + j];
                const PairSums& p = pair(i, j);
                const double bi = rows[i].v, bj = rows[j].v;
                c.D0 = 2.0 * D0 - 4.0 * D0 * D0 * (bi + bj) + 8.0 * D0 * D0 * D0 * bi * bj -
                       2.0 * D0 * D0 * p.v;
                for (std::size_t k = 1; k < kCount; ++k) {
                    const auto f = kParameters[k];
                    c.*f = 2.0 * (p.*kSums[k] - x.*f * p.v - d[i].*f * bj - d[j].*f * bi) * D0;
                }
            }
    }
    if (slopes != nullptr) *slopes = d;
    return x;
}

double MixtureModel::molar_mass(const double* z) const {
    double M = 0;
    for (std::size_t i = 0; i < components_.size(); ++i)
        M += z[i] * components_[i].records.subst.MolWt;
    return M;
}

bool MixtureModel::residual(const OneFluid& x, double T, double D, FresDeriv& F,
                            FresParamSlopes* by_parameter) const {
    CallScope scope(one_fluid_records_, one_fluid_id_);
    SUBST_CONST.D0 = x.D0;
    SUBST_CONST.T0 = x.T0;
    SUBST_CONST.Alpha = x.Alpha;
    SUBST_CONST.Q2 = x.Q2;
    SUBST_CONST.Dp = x.Dp;
    ++thread_evaluations();
    int32_t status = STATUS_OK;
    X_R_FDERIV(D, T, F, status);
    if (status == STATUS_OK && by_parameter != nullptr)
        X_R_FPARAM_SLOPES(D, T, *by_parameter, status);
    return status == STATUS_OK;
}

bool MixtureModel::ln_fugacity_coefficients(const double* z, double T, double D,
                                            double* ln_phi) const {
    std::vector<OneFluid> slopes;
    const OneFluid x = one_fluid(z, &slopes);
    FresDeriv F;
    FresParamSlopes P;
    if (!residual(x, T, D, F, &P)) return false;
    const double Z = 1.0 + D * F.F10;
    if (!(Z > 0.0)) return false;
    const Params by = by_parameters(x, T, D, F, P).F;
    for (std::size_t i = 0; i < components_.size(); ++i) {
        ln_phi[i] = F.F00 + D * F.F10 + dot(by, as_params(slopes[i])) - std::log(Z);
        if (!std::isfinite(ln_phi[i])) return false;
    }
    return true;
}

// With mu_i = F + D F_D + sum_k F_k s_ik (s_ik = N dtheta_k/dn_i, F_k = dF/dtheta_k):
//   d mu_i/dD = 2 F_D + D F_DD + sum_k F_kD s_ik,  d mu_i/dT = F_T + D F_DT + sum_k F_kT s_ik,
//   N d mu_i/dn_j (T, D) = sum_k F_k (s_ik + s_jk + s_ijk) + D sum_k F_kD s_jk
//                          + sum_kl F_kl s_ik s_jl   (s_ijk = N^2 d2theta_k/dn_i dn_j),
//   N dp/dn_j (T, D) = R T D^2 sum_k F_kD s_jk.
bool MixtureModel::phase_slopes(const double* z, double T, double D, PhaseSlopes& out) const {
    const std::size_t n = size();
    std::vector<OneFluid> first, second;
    const OneFluid x = one_fluid(z, &first, &second);
    FresDeriv F;
    FresParamSlopes P;
    if (!residual(x, T, D, F, &P)) return false;
    const ByParameters b = by_parameters(x, T, D, F, P);
    const double RT = R * T / 1000.0;
    out.p = RT * D * (1.0 + D * F.F10);
    out.dpdD = RT * (1.0 + 2.0 * D * F.F10 + D * D * F.F20);
    out.dpdT = out.p / T + RT * D * D * F.F11;
    out.d2pdD2 = RT * (2.0 * F.F10 + 4.0 * D * F.F20 + D * D * F.F30);
    out.mu.assign(n, 0.0);
    out.dD.assign(n, 0.0);
    out.dT.assign(n, 0.0);
    out.dp_dn.assign(n, 0.0);
    out.dn.assign(n * n, 0.0);
    std::vector<Params> s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = as_params(first[i]);
    double sum = out.p + out.dpdD + out.dpdT + out.d2pdD2;
    for (std::size_t i = 0; i < n; ++i) {
        out.mu[i] = F.F00 + D * F.F10 + dot(b.F, s[i]);
        out.dD[i] = 2.0 * F.F10 + D * F.F20 + dot(b.D, s[i]);
        out.dT[i] = F.F01 + D * F.F11 + dot(b.T, s[i]);
        out.dp_dn[i] = RT * D * D * dot(b.D, s[i]);
        sum += out.mu[i] + out.dD[i] + out.dT[i] + out.dp_dn[i];
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            out.dn[i * n + j] = dot(b.F, s[i]) + dot(b.F, s[j]) + D * dot(b.D, s[j]) +
                                form(b.H, s[i], s[j]) + dot(b.F, as_params(second[i * n + j]));
            sum += out.dn[i * n + j];
        }
    return std::isfinite(sum);
}

// ln phi_i = mu_i - ln Z with ln Z = ln p - ln D - ln T + const; at constant p the density
// moves by -(dp/dT)/(dp/dD) with T and by -(N dp/dn_j)/(dp/dD) with n_j.
bool MixtureModel::fugacity_slopes(const double* z, double T, double D, FugacitySlopes& out) const {
    const std::size_t n = size();
    PhaseSlopes s;
    if (!phase_slopes(z, T, D, s) || !(s.p > 0.0) || s.dpdD == 0.0) return false;
    const double ln_Z = std::log(s.p / (D * R * T / 1000.0));
    out.ln_phi.assign(n, 0.0);
    out.dT.assign(n, 0.0);
    out.dp.assign(n, 0.0);
    out.dn.assign(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double by_D = s.dD[i] - s.dpdD / s.p + 1.0 / D;  // of ln phi_i
        out.ln_phi[i] = s.mu[i] - ln_Z;
        out.dT[i] = s.dT[i] - s.dpdT / s.p + 1.0 / T - by_D * s.dpdT / s.dpdD;
        out.dp[i] = by_D / s.dpdD;
        for (std::size_t j = 0; j < n; ++j)
            out.dn[i * n + j] = s.dn[i * n + j] - s.dp_dn[j] / s.p - by_D * s.dp_dn[j] / s.dpdD;
    }
    return true;
}

bool MixtureModel::reduced_residual(const double* z, double T, double D, double& F) const {
    FresDeriv set;
    if (!residual(one_fluid(z), T, D, set)) return false;
    F = set.F00;
    return true;
}

bool MixtureModel::pressure(const double* z, double T, double D, double& p, double& dpdD,
                            double* d2pdD2) const {
    FresDeriv F;
    if (!residual(one_fluid(z), T, D, F)) return false;
    // As the property formulas form them.
    const double RT = R * T / 1000.0;
    p = D * RT + D * RT * F.F10 * D;
    dpdD = RT * (1.0 + 2.0 * D * F.F10 + D * D * F.F20);
    if (d2pdD2 != nullptr) *d2pdD2 = RT * (2.0 * F.F10 + 4.0 * D * F.F20 + D * D * F.F30);
    return std::isfinite(p) && std::isfinite(dpdD) && (d2pdD2 == nullptr || std::isfinite(*d2pdD2));
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
