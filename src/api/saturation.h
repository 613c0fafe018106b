// The saturation curve of a loaded fluid for library use: Chebyshev series of ln ps, ln D',
// ln D'' and of the saturated enthalpies and entropies h', h'', s', s'' in t = sqrt(1 - T/Tc),
// built once at load from the program's exact pair solve (X_SAT_PAIR), give the start of a Newton
// solve of equal pressure and equal Gibbs energy that needs one or two steps. In t the saturated
// densities of the equation, a classical one, are smooth up to the critical point (D' - D'' grows
// as sqrt(Tc - T)), so a few pieces suffice.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "api/engine.h"

namespace xalt1::detail {

// A saturated pair: the liquid and the vapour state at the same T.
struct SatPair {
    Point liq, vap;
};

// Saturation pressure and densities of one temperature, and the pair's enthalpies and
// entropies (the table's reference state).
struct ExactPair {
    double ps = 0, Dl = 0, Dv = 0;
    double hl = 0, hv = 0, sl = 0, sv = 0;
};

class SaturationCurve {
  public:
    // Builds the series for the fluid installed in the calling thread, from T_low (raised to
    // the lowest temperature at which the exact solve finds a pair) up to Tc. False when no
    // pair is found at all.
    bool build(double T_low);

    double Tmin() const { return Tmin_; }
    // The curve from T on (Tmin <= T < Tc): below, the fluid's range ends.
    void raise_Tmin(double T);
    double Tc() const { return Tc_; }
    // Saturation pressure at Tmin and near Tc (where the series ends), MPa.
    double p_low() const { return p_low_; }
    double p_high() const { return p_high_; }
    int solves() const { return solves_; }
    long evaluations() const { return evaluations_; }

    // Series values at Tmin <= T < Tc: ps, D', D''; or the densities alone; or all seven.
    void at(double T, double& ps, double& Dl, double& Dv) const;
    ExactPair saturated(double T) const;
    // The critical density of the equation, where the series of D' and D'' meet.
    double Dc() const { return Dc_series_; }
    // The equation's own critical temperature (the table's Tc to its printed digits).
    double Tc_equation() const { return Tc_series_; }
    void densities_at(double T, double& Dl, double& Dv) const;
    // The temperature whose series pressure is P (p_low <= P <= p_high).
    double temperature_of(double P) const;
    // False in a piece where the program's direct solve of the isotherm gave no pair at some
    // node (an isotherm with an extra loop): there a pair is the program's own or none, and the
    // series is no guide to the phase.
    bool regular(double T) const;

  private:
    static constexpr int kNodes = 14;
    static constexpr int kSeries = 7;  // ln ps, ln D', ln D'', h', h'', s', s''

    struct Piece {
        double a = 0, b = 0;                                  // range in t
        std::array<std::array<double, kNodes>, kSeries> c{};  // ln ps, ln D', ln D'', h', ...
        bool regular = true;  // the program's direct solve found the pair at every node
    };
    bool node_pair(double T, ExactPair& e, bool& direct);
    bool fit_piece(double a, double b, int depth);
    double equation_Tc();
    double series(const Piece& p, int k, double t) const;
    const Piece& piece_of(double t) const;
    double ln_ps(double t) const { return series(piece_of(t), 0, t); }

    struct Node {
        double T = 0, Dl = 0, Dv = 0;
    };
    std::vector<Piece> pieces_;  // ordered by t, from the critical point down
    std::vector<Node> nodes_;    // the pairs found while building
    double Tc_ = 0, Tmin_ = 0, p_low_ = 0, p_high_ = 0;
    double Tc_series_ = 0;  // the equation's own critical temperature, t = sqrt(1 - T/Tc_series_)
    double Dc_series_ = 0;
    int solves_ = 0;
    long evaluations_ = 0;
};

// The exact saturated pair at T (Newton on equal pressure and Gibbs energy from the series),
// or at the saturation pressure P (Newton on T, D', D''). False where no pair is found. Where
// the first Newton step from the series' pair is below the series' own error, the pair is that
// step taken to first order (its error the step's square): two evaluations. Its p, h, s, u, f,
// g and dp/dD are moved with it; cv, cp and w keep the values of the series' densities (they
// differ by the step, 1e-10).
bool pair_at_T(const SaturationCurve& curve, double T, SatPair& pair);
// The program's own solve of the isotherm at T, made exact by Newton steps where they settle;
// no series needed. False where the program finds no pair.
bool exact_at_T(double T, SatPair& pair);
bool pair_at_p(const SaturationCurve& curve, double P, SatPair& pair);

}  // namespace xalt1::detail
