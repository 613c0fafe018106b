// Mixtures by one-fluid theory over the table's pure-fluid parameters. The mixture at mole
// fractions z is evaluated as one hypothetical pure fluid whose size, energy, shape and polar
// parameters come from its components':
//   sizes v_i = 1/D0_i, energies e_i = T0_i;
//   v_ij = eta_ij ((v_i^(1/3) + v_j^(1/3)) / 2)^3, e_ij = xi_ij sqrt(e_i e_j)
//     (Lorentz-Berthelot, with v_ii = v_i and e_ii = e_i exactly);
//   v_x = sum_ij z_i z_j v_ij, e_x v_x = sum_ij z_i z_j e_ij v_ij (van der Waals one-fluid);
//   Alpha_x v_x = sum_ij z_i z_j Alpha_ij v_ij, Alpha_ij the arithmetic mean: the shape
//     weighted by the size of the pair;
//   m_x v_x = sum_ij z_i z_j sqrt(m_i m_j) v_ij for the reduced squared moments m = Q2 and Dp
//     alike: a component without a moment dilutes the polar terms, and a pair's moment is the
//     geometric mean, as the polar interaction energy is a product of the two moments.
// The residual Helmholtz energy is the one-fluid's. The ideal-gas part is the mole-fraction sum
// of the components' (each in its own reference state) plus the ideal entropy of mixing. Every
// property is then the z-weighted sum of the components' properties evaluated with the
// one-fluid residual (the property formulas are linear in the ideal-gas part), plus the
// mixing terms; the speed of sound, compressibility and Joule-Thomson coefficient follow from
// the mixture's own derivatives. One component, or all but one fraction zero, gives the pure
// fluid to round-off.
#pragma once

#include <vector>

#include "api/engine.h"
#include "eos/eos.h"
#include "props/state_properties.h"

namespace xalt1::detail {

// A pair's parameters of the combining rules (1 and 1: no correction).
struct BinaryParameters {
    double xi = 1.0, eta = 1.0;
};

// The parameters of the hypothetical pure fluid.
struct OneFluid {
    double D0 = 0, T0 = 0, Alpha = 0, Q2 = 0, Dp = 0;
};

// The fugacity coefficients of a phase and their slopes, n components each: d/dT at constant
// p and amounts (1/K), d/dp at constant T and amounts (1/MPa), and dn[i * n + j] =
// N d ln phi_i / d n_j at constant T, p and the other amounts (N the total amount).
struct FugacitySlopes {
    std::vector<double> ln_phi, dT, dp, dn;
};

// The residual chemical potentials of a phase at (T, D), mu_i = d(N F)/dn_i at constant T and V
// (ln phi_i = mu_i - ln Z), with their slopes in the phase's own variables, n components each:
// dD = d mu_i/dD at constant T and amounts, dT = d mu_i/dT at constant D and amounts, dn[i * n +
// j] = N d mu_i/dn_j at constant T and D; the pressure (MPa) with its slopes dp/dD, dp/dT,
// d2p/dD2 and dp_dn[j] = N dp/dn_j at constant T and D. Defined wherever the residual is, p <= 0
// too.
struct PhaseSlopes {
    std::vector<double> mu, dD, dT, dn, dp_dn;
    double p = 0, dpdD = 0, dpdT = 0, d2pdD2 = 0;
};

// The pair sums of the mixing rules: v_ij, e_ij v_ij, Alpha_ij v_ij, (Q2)_ij v_ij and (Dp)_ij
// v_ij of a pair, and their sums weighted by the mole fractions (mixture_model.cpp).
struct PairSums {
    double v = 0, ev = 0, av = 0, qv = 0, dv = 0;
};

class MixtureModel {
  public:
    // Components of one table (their records as loaded) and the pair parameters, n x n
    // (symmetric; the diagonal is not read). Evaluates each component's reference state.
    MixtureModel(std::vector<Records> components,
                 std::vector<std::vector<BinaryParameters>> binary);

    std::size_t size() const { return components_.size(); }
    // The one-fluid parameters at z; with `slopes`, also N d/dn_i of each of them, one per
    // component, at constant amounts of the others; with `curvature`, N^2 d2/dn_i dn_j at
    // [i * n + j].
    OneFluid one_fluid(const double* z, std::vector<OneFluid>* slopes = nullptr,
                       std::vector<OneFluid>* curvature = nullptr) const;
    // The properties at (T, D) and mole fractions z (table units: K, mol/dm3, MPa, J/mol);
    // false where the equation refuses the state or a value is not finite. One evaluation of
    // the residual part, counted.
    bool properties(const double* z, double T, double D, StateProperties& out) const;
    // p (MPa) and dp/dD alone, with d2p/dD2 where asked for, from the residual part only (the
    // density searches).
    bool pressure(const double* z, double T, double D, double& p, double& dpdD,
                  double* d2pdD2 = nullptr) const;
    double molar_mass(const double* z) const;
    // ln phi_i, the fugacity coefficients of the components at (T, D) and z:
    //   ln phi_i = d(n F)/dn_i - ln Z = F + D dF/dD + sum_k dF/dtheta_k n dtheta_k/dn_i - ln Z
    // over the one-fluid parameters theta (D0, T0, Alpha, Q2, Dp), from the analytic derivatives.
    bool ln_fugacity_coefficients(const double* z, double T, double D, double* ln_phi) const;
    // ln phi_i of a phase of composition z at (T, D), with their slopes at the phase's
    // pressure (FugacitySlopes). One evaluation of the residual part.
    bool fugacity_slopes(const double* z, double T, double D, FugacitySlopes& out) const;
    // The residual chemical potentials and their slopes at constant density (PhaseSlopes),
    // from the analytic second derivatives of the residual in D, T and the one-fluid
    // parameters and those of the mixing rules in the amounts. One evaluation of the residual
    // part.
    bool phase_slopes(const double* z, double T, double D, PhaseSlopes& out) const;
    // F = a_res/(R T) of the mixture at (T, D) and z.
    bool reduced_residual(const double* z, double T, double D, double& F) const;

  private:
    bool residual(const OneFluid& x, double T, double D, FresDeriv& F,
                  FresParamSlopes* by_parameter = nullptr) const;
    PairSums pair_terms(std::size_t i, std::size_t j) const;
    PairSums row(const double* z, std::size_t i) const;
    const PairSums& pair(std::size_t i, std::size_t j) const { return pairs_[i * size() + j]; }
    struct Component {
        Records records;
        uint64_t id = 0;
        ReferenceValues reference;
    };
    std::vector<Component> components_;
    std::vector<std::vector<BinaryParameters>> binary_;
    std::vector<PairSums> pairs_;  // n x n
    Records one_fluid_records_;    // the first component's, its parameters replaced per call
    uint64_t one_fluid_id_ = 0;
};

}  // namespace xalt1::detail
