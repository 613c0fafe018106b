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

OneFluid MixtureModel::one_fluid(const double* z) const {
    const std::size_t n = components_.size();
    double v = 0, ev = 0, av = 0, qv = 0, dv = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const SubstConst& a = components_[i].records.subst;
        for (std::size_t j = 0; j < n; ++j) {
            const SubstConst& b = components_[j].records.subst;
            const double zz = z[i] * z[j];
            double vij = 1.0 / a.D0, eij = a.T0;
            if (i != j) {
                const BinaryParameters& k = binary_[i][j];
                const double root = 0.5 * (std::cbrt(1.0 / a.D0) + std::cbrt(1.0 / b.D0));
                vij = k.eta * root * root * root;
                eij = k.xi * std::sqrt(a.T0 * b.T0);
            }
            v += zz * vij;
            ev += zz * eij * vij;
            av += zz * 0.5 * (a.Alpha + b.Alpha) * vij;
            qv += zz * (i == j ? a.Q2 : std::sqrt(a.Q2 * b.Q2)) * vij;
            dv += zz * (i == j ? a.Dp : std::sqrt(a.Dp * b.Dp)) * vij;
        }
    }
    return {1.0 / v, ev / v, av / v, qv / v, dv / v};
}

double MixtureModel::molar_mass(const double* z) const {
    double M = 0;
    for (std::size_t i = 0; i < components_.size(); ++i)
        M += z[i] * components_[i].records.subst.MolWt;
    return M;
}

bool MixtureModel::properties(const double* z, double T, double D, StateProperties& out) const {
    const OneFluid x = one_fluid(z);
    FresDeriv F;
    int32_t status = STATUS_OK;
    {
        CallScope scope(one_fluid_records_, one_fluid_id_);
        SUBST_CONST.D0 = x.D0;
        SUBST_CONST.T0 = x.T0;
        SUBST_CONST.Alpha = x.Alpha;
        SUBST_CONST.Q2 = x.Q2;
        SUBST_CONST.Dp = x.Dp;
        ++thread_evaluations();
        X_R_FDERIV(D, T, F, status);
    }
    if (status != STATUS_OK) return false;
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
