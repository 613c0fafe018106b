#include "pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "parallel.h"
#include "phase.h"

namespace fit {

namespace {

// Fluids that are fitted alone, with the coefficient sets fixed, instead of training their
// class's set: the large molecules whose reference equations rest on few data over a narrow
// range (siloxanes, the long alkanes, the methyl esters, the long perfluoroalkanes), neon with
// its quantum effects, and cyclopropane, whose saturation data below 273 K are the
// extrapolation of an old equation. Trained with the others they pull the shared
// coefficients far from the well-measured fluids.
bool fitted_alone(const Fluid& f) {
    static const char* const kAlone[] = {
        "MM",      "MDM",        "MD2M",       "MD3M",  "MD4M",      "D4",       "D5",
        "D6",      "n-Undecane", "n-Dodecane", "Neon",  "C-Propane", "MPalmita", "MStearat",
        "MOleate", "MLinolea",   "MLinolen",   "C5F12", "C6F14",     "Novec649"};
    for (const char* code : kAlone)
        if (f.code == code) return true;
    return false;
}

}  // namespace

bool trains(const Fluid& f, SetKind set) {
    if (fitted_alone(f)) return false;
    switch (set) {
        case SetKind::Fa:
            return f.cls == FluidClass::nonpolar;
        case SetKind::Fq:
            return f.cls == FluidClass::quadrupolar;
        default:
            return f.cls == FluidClass::dipolar;
    }
}

// The anchors: argon fixes the scale of T0 and Alpha, carbon dioxide that of Q2, R134a that of
// Dp; a global rescaling of these would otherwise be absorbed by the coefficients.
unsigned free_params(const Fluid& f) {
    if (f.code == "Argon") return P_D | P_DC;
    unsigned bits = P_T | P_D | P_ALPHA | P_DC;
    if (f.cls == FluidClass::quadrupolar && f.code != "CO2") bits |= P_Q2;
    if ((f.cls == FluidClass::dipolar || f.cls == FluidClass::hbond) && f.code != "R134a")
        bits |= P_DP;
    // hydrogen-bonding fluids: both polar sets stand in for the missing association term
    if (f.cls == FluidClass::hbond) bits |= P_Q2;
    return bits;
}

std::vector<unsigned> shape_variants(const Fluid& f) {
    const unsigned base = free_params(f);
    if (f.code == "Argon") return {base};
    std::vector<unsigned> out{base};
    const bool q2_fixed = f.code == "CO2", dp_fixed = f.code == "R134a";
    if (!(base & P_Q2) && !q2_fixed) out.push_back(base | P_Q2);
    if (!(base & P_DP) && !dp_fixed) out.push_back(base | P_DP);
    if (out.size() == 3) out.push_back(base | P_Q2 | P_DP);
    return out;
}

namespace {

double acentric(const Fluid& f) {
    const double T = 0.7 * f.Tc;
    const auto& s = f.sat;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i].T >= T && s[i - 1].T <= T) {
            const double w = (T - s[i - 1].T) / (s[i].T - s[i - 1].T);
            const double lp =
                std::log(s[i - 1].ps) + w * (std::log(s[i].ps) - std::log(s[i - 1].ps));
            return -std::log10(std::exp(lp) / f.pc) - 1.0;
        }
    return 0.1;
}

}  // namespace

Params initial_params(const Fluid& f) {
    Params p;
    const double w = acentric(f);
    p.t = f.code == "Argon" ? 0.8 : 0.78;
    p.d = 1.2;
    p.dc = 1.0;
    p.alpha = f.code == "Argon" ? 1.0 : std::max(1.0, 1.0 + 1.6 * w);
    if (f.cls == FluidClass::quadrupolar || f.cls == FluidClass::hbond) p.q2 = 1.0;
    if (f.cls == FluidClass::dipolar || f.cls == FluidClass::hbond) p.dp = 1.0;
    return p;
}

namespace {

// Critical density of the equation at the reference Tc relative to the reference Dc (where
// dp/dD is smallest), as the start of a stored fit that does not carry it.
double critical_density(const Model& model, const Fluid& f, const Params& p) {
    if (model.terms[0].empty()) return 1.0;
    double Tc, Dc, pc;
    if (!critical_point(Eos(model, f, p), f.Tc, f.Dc, Tc, Dc, pc) ||
        !(Dc > 0.6 * f.Dc && Dc < 1.6 * f.Dc))
        return 1.0;
    return Dc / f.Dc;
}

}  // namespace

void fit_weighted(FluidCase& c, Model& model, const Weights& w) {
    FluidCase weighted = c;
    apply_weights(weighted.rows, w);
    std::vector<FluidCase*> one{&weighted};
    joint_fit(one, model, SetKind::Fa, false, 60);
    c.p = weighted.p;
}

FluidCase make_case(const Fluid& f, const FitState& state) {
    FluidCase c;
    c.fluid = &f;
    auto it = state.params.find(f.code);
    c.p = it != state.params.end() ? it->second : initial_params(f);
    if (c.p.dc <= 0) c.p.dc = critical_density(state.model, f, c.p);
    auto shape = state.shapes.find(f.code);
    c.free = shape != state.shapes.end() ? shape->second : free_params(f);
    c.trains = state.untrained.count(f.code) == 0;
    c.rows = data_rows(f);
    const auto b = barrier_rows(f);
    c.rows.insert(c.rows.end(), b.begin(), b.end());
    auto g = state.guards.find(f.code);
    if (g != state.guards.end()) c.rows.insert(c.rows.end(), g->second.begin(), g->second.end());
    return c;
}

namespace {

std::vector<FluidCase> make_cases(const std::vector<Fluid>& fluids, const FitState& state) {
    std::vector<FluidCase> cases;
    for (const Fluid& f : fluids) cases.push_back(make_case(f, state));
    return cases;
}

std::vector<FluidCase*> select_cases(std::vector<FluidCase>& cases, SetKind set, bool train) {
    std::vector<FluidCase*> out;
    for (FluidCase& c : cases) {
        const bool t = trains(*c.fluid, set) && c.trains;
        const bool uses = set == SetKind::Fa   ? c.fluid->cls == FluidClass::nonpolar
                          : set == SetKind::Fq ? c.fluid->cls == FluidClass::quadrupolar
                                               : (c.fluid->cls == FluidClass::dipolar ||
                                                  c.fluid->cls == FluidClass::hbond);
        if (train ? t : (uses && !t)) out.push_back(&c);
    }
    return out;
}

void log_cases(const std::vector<FluidCase*>& cases, const Model& model) {
    for (FluidCase* c : cases) {
        char buf[200];
        std::vector<FluidCase*> one{c};
        std::snprintf(buf, sizeof buf,
                      "    %-10s t=%.4f d=%.4f alpha=%.4f q2=%.4f dp=%.4f cost=%.4g",
                      c->fluid->code.c_str(), c->p.t, c->p.d, c->p.alpha, c->p.q2, c->p.dp,
                      total_cost(one, model));
        log_line(buf);
    }
}

// Start values for a fluid's multi-start: the reduced parameters of the peers closest to its
// own shape (Alpha), with the parameters the fluid does not fit kept at its own values.
constexpr size_t kStarts = 8;
// Physics checks with joint fits at the end of a set's search, at most.
constexpr int kFinalChecks = 5;
// A training fluid with more than this many times the median cost is an outlier.
constexpr double kOutlier = 5.0;

std::vector<Params> start_values(const FluidCase& c, const std::vector<Params>& peers) {
    std::vector<Params> sorted = peers;
    std::sort(sorted.begin(), sorted.end(), [&](const Params& a, const Params& b) {
        return std::fabs(a.alpha - c.p.alpha) < std::fabs(b.alpha - c.p.alpha);
    });
    std::vector<Params> starts;
    for (const Params& o : sorted) {
        if (starts.size() == kStarts) break;
        Params p = o;
        if (!(c.free & P_T)) p.t = c.p.t;
        if (!(c.free & P_ALPHA)) p.alpha = c.p.alpha;
        if (!(c.free & P_Q2)) p.q2 = c.p.q2;
        if (!(c.free & P_DP)) p.dp = c.p.dp;
        if (p.t == c.p.t && p.d == c.p.d && p.alpha == c.p.alpha) continue;  // its own
        starts.push_back(p);
    }
    return starts;
}

std::vector<Params> params_of(const std::vector<FluidCase*>& cases) {
    std::vector<Params> out;
    for (const FluidCase* c : cases) out.push_back(c->p);
    return out;
}

}  // namespace

// Parameters-only fits of one fluid from several start values (its own and the peers'); keeps
// the best. The model is only read.
void multi_start(FluidCase& c, const std::vector<Params>& peers, Model& model, SetKind set,
                 int iterations) {
    std::vector<FluidCase*> one{&c};
    const double base = total_cost(one, model);
    Params best = c.p;
    double best_cost = base;
    for (const Params& p : start_values(c, peers)) {
        c.p = p;
        const double cost = joint_fit(one, model, set, false, iterations);
        if (cost < best_cost * 0.99) {
            best_cost = cost;
            best = c.p;
        }
    }
    c.p = best;
    if (best_cost < base * 0.99) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "  multi-start %s: cost %.6g -> %.6g", c.fluid->code.c_str(),
                      base, best_cost);
        log_line(buf);
    }
}

std::vector<Params> lowest_cost_starts(FluidCase c, const Model& model,
                                       const std::vector<Params>& candidates, size_t count) {
    std::vector<std::pair<double, Params>> ranked;
    std::vector<FluidCase*> one{&c};
    for (const Params& p : candidates) {
        c.p = p;
        const double cost = total_cost(one, model);
        if (std::isfinite(cost)) ranked.emplace_back(cost, p);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Params> starts;
    for (size_t i = 0; i < ranked.size() && i < count; ++i) starts.push_back(ranked[i].second);
    return starts;
}

namespace {

// Physics checks of the cases on the worker threads (guard rows added where they fail);
// returns the number of offending states.
int check_all(const std::vector<FluidCase*>& cases, const Model& model) {
    std::vector<int> bad(cases.size(), 0);
    parallel_for(cases.size(), [&](size_t i) { bad[i] = physics_check(*cases[i], model, true); });
    int sum = 0;
    for (int b : bad) sum += b;
    return sum;
}

// Takes the selected candidates as the set's terms, with their least-squares coefficients.
void use_selection(const LinearSystem& sys, const std::vector<int>& selected,
                   const std::vector<Term>& bank, Model& model, int s) {
    Eigen::MatrixXd As(sys.A.rows(), static_cast<Eigen::Index>(selected.size()));
    for (size_t k = 0; k < selected.size(); ++k)
        As.col(static_cast<Eigen::Index>(k)) = sys.A.col(selected[k]);
    const Eigen::VectorXd c = solve_linear(As, sys.b);
    model.terms[s].clear();
    for (int k : selected) model.terms[s].push_back(bank[k]);
    model.coeff[s].assign(c.data(), c.data() + c.size());
}

// Indexes of the set's current terms in the bank (terms outside the bank are dropped).
std::vector<int> current_selection(const Model& model, int s, const std::vector<Term>& bank) {
    std::vector<int> selected;
    for (const Term& t : model.terms[s]) {
        const auto it = std::find(bank.begin(), bank.end(), t);
        if (it != bank.end()) selected.push_back(static_cast<int>(it - bank.begin()));
    }
    return selected;
}

// Fluids whose data the set cannot follow together with the others (a cost far above the
// typical training fluid's after the first joint fit) leave its training: fitted alone
// afterwards, they do not pull the shared coefficients away from the rest.
void drop_outliers(std::vector<FluidCase*>& train, const Model& model) {
    if (train.size() < 4) return;
    std::vector<double> cost;
    for (FluidCase* c : train) cost.push_back(total_cost({c}, model));
    std::vector<double> sorted = cost;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::vector<FluidCase*> kept;
    for (size_t i = 0; i < train.size(); ++i) {
        if (cost[i] > kOutlier * median) {
            log_line("  " + train[i]->fluid->code + " leaves the training (cost " +
                     std::to_string(cost[i]) + ")");
            train[i]->trains = false;
            continue;
        }
        kept.push_back(train[i]);
    }
    train = kept;
}

// One set's search. With polish the set's current terms are the start of the exchange passes
// instead of a greedy selection from scratch.
void stage(std::vector<FluidCase>& cases, FitState& state, SetKind set, int nterms, int rounds,
           int iterations, bool polish) {
    const int s = static_cast<int>(set);
    std::vector<FluidCase*> train = select_cases(cases, set, true);
    char buf[160];
    std::snprintf(buf, sizeof buf, "stage %d: %zu training fluids, %d terms", s, train.size(),
                  nterms);
    log_line(buf);
    Model& model = state.model;
    const std::vector<Term> bank = candidate_bank(set);
    std::vector<int> selected;
    if (polish) {
        selected = current_selection(model, s, bank);
    } else {
        model.terms[s].clear();
        model.coeff[s].clear();
        if (set != SetKind::Fa) joint_fit(train, model, set, false, iterations);
        LinearSystem sys = build_system(train, model, set, bank);
        selected = greedy_select(sys.A, sys.b, nterms, {});
        use_selection(sys, selected, bank, model, s);
        std::snprintf(buf, sizeof buf, "  greedy: cost %.6g", total_cost(train, model));
        log_line(buf);
        joint_fit(train, model, set, true, iterations);
        drop_outliers(train, model);
    }
    for (int round = 0; round < rounds; ++round) {
        joint_fit(train, model, set, true, iterations);
        int bad = 0;
        bad += check_all(train, model);
        LinearSystem sys = build_system(train, model, set, bank);
        int ex = 0;
        for (int pass = 0; pass < 2; ++pass) {
            const int e = exchange_pass(sys.A, sys.b, selected);
            ex += e;
            if (e == 0) break;
        }
        use_selection(sys, selected, bank, model, s);
        std::snprintf(buf, sizeof buf, "  round %d: %d guard states, %d exchanges, cost %.6g",
                      round + 1, bad, ex, total_cost(train, model));
        log_line(buf);
    }
    const std::vector<Params> peers = params_of(train);
    parallel_for(train.size(),
                 [&](size_t i) { multi_start(*train[i], peers, model, set, iterations); });
    joint_fit(train, model, set, true, iterations);
    for (int extra = 0; extra < kFinalChecks; ++extra) {
        int bad = 0;
        bad += check_all(train, model);
        std::snprintf(buf, sizeof buf, "  final check %d: %d guard states", extra + 1, bad);
        log_line(buf);
        if (bad == 0) break;
        joint_fit(train, model, set, true, iterations);
    }
    log_cases(train, model);
    std::vector<FluidCase*> others = select_cases(cases, set, false);
    const std::vector<Params> trained = params_of(train);
    parallel_for(others.size(), [&](size_t i) {
        FluidCase* c = others[i];
        std::vector<FluidCase*> one{c};
        joint_fit(one, model, set, false, iterations);
        multi_start(*c, trained, model, set, iterations);
        for (int extra = 0; extra < 3 && physics_check(*c, model, true) > 0; ++extra)
            joint_fit(one, model, set, false, iterations);
    });
    log_cases(others, model);
}

void store_params(const std::vector<FluidCase>& cases, FitState& state) {
    for (const FluidCase& c : cases) {
        state.params[c.fluid->code] = c.p;
        if (!c.trains) state.untrained.insert(c.fluid->code);
        auto& g = state.guards[c.fluid->code];
        g.clear();
        for (const Row& r : c.rows)
            if (r.kind == RowKind::guard) g.push_back(r);
    }
}

}  // namespace

FitState search(const std::vector<Fluid>& fluids, const SearchSettings& settings) {
    FitState state;
    std::vector<FluidCase> cases = make_cases(fluids, state);
    for (int s = 0; s < settings.stages; ++s) {
        stage(cases, state, static_cast<SetKind>(s), settings.terms[s], settings.rounds,
              settings.joint_iterations, false);
        store_params(cases, state);
    }
    return state;
}

Params shipped_params(const Fluid& f, const FitState& state) {
    FluidCase c = make_case(f, state);
    auto w = state.weights.find(f.code);
    if (w == state.weights.end()) return c.p;
    Model model = state.model;
    fit_weighted(c, model, w->second);
    return c.p;
}

std::vector<FluidCase> make_fit_cases(const std::vector<Fluid>& fluids, const FitState& state) {
    return make_cases(fluids, state);
}

void polish(const std::vector<Fluid>& fluids, FitState& state, const SearchSettings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state);
    for (int s = 0; s < 3; ++s) {
        const int nterms = static_cast<int>(state.model.terms[s].size());
        stage(cases, state, static_cast<SetKind>(s), nterms, settings.rounds,
              settings.joint_iterations, true);
        store_params(cases, state);
    }
}

void refine(const std::vector<Fluid>& fluids, FitState& state, int iterations) {
    std::vector<FluidCase> cases = make_cases(fluids, state);
    for (int s = 0; s < 3; ++s) {
        const SetKind set = static_cast<SetKind>(s);
        std::vector<FluidCase*> train = select_cases(cases, set, true);
        joint_fit(train, state.model, set, true, iterations);
        const std::vector<FluidCase*> others = select_cases(cases, set, false);
        parallel_for(others.size(), [&](size_t i) {
            std::vector<FluidCase*> one{others[i]};
            joint_fit(one, state.model, set, false, iterations);
        });
    }
    store_params(cases, state);
    std::vector<int> bad(cases.size(), 0);
    parallel_for(cases.size(),
                 [&](size_t i) { bad[i] = physics_check(cases[i], state.model, false); });
    for (size_t i = 0; i < cases.size(); ++i)
        if (bad[i] > 0)
            log_line("  physics check: " + cases[i].fluid->code + " " + std::to_string(bad[i]) +
                     " states");
}

void write_state(const std::string& path, const FitState& state) {
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << "# stored fit: term selection, coefficients and per-fluid parameters\n";
    const char* names[3] = {"Fa", "Fq", "Fd"};
    char buf[200];
    for (int s = 0; s < 3; ++s)
        for (size_t i = 0; i < state.model.terms[s].size(); ++i) {
            const Term& t = state.model.terms[s][i];
            std::snprintf(buf, sizeof buf, "term %s %d %d %d %d %.17g\n", names[s], t.e[0], t.e[1],
                          t.e[2], t.e[3], state.model.coeff[s][i]);
            out << buf;
        }
    for (const auto& [code, rows] : state.guards)
        for (const Row& r : rows) {
            const Eval& e = r.e[0];
            std::snprintf(buf, sizeof buf, "guard %s %.17g %.17g %.17g %.17g %d", code.c_str(), e.D,
                          e.T, r.target, r.sigma, r.bound);
            out << buf;
            for (double a : e.a) {
                std::snprintf(buf, sizeof buf, " %.17g", a);
                out << buf;
            }
            out << "\n";
        }
    for (const auto& [code, mask] : state.shapes) out << "shape " << code << " " << mask << "\n";
    for (const std::string& code : state.untrained) out << "untrained " << code << "\n";
    for (const auto& [code, w] : state.weights) {
        out << "weight " << code;
        for (double v : w) {
            std::snprintf(buf, sizeof buf, " %.17g", v);
            out << buf;
        }
        out << "\n";
    }
    for (const auto& [code, p] : state.params) {
        std::snprintf(buf, sizeof buf, "param %s %.17g %.17g %.17g %.17g %.17g %.17g\n",
                      code.c_str(), p.t, p.d, p.alpha, p.q2, p.dp, p.dc);
        out << buf;
    }
}

FitState read_state(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    FitState state;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream is(line);
        std::string kind;
        is >> kind;
        if (kind == "term") {
            std::string set;
            Term t;
            double c;
            is >> set >> t.e[0] >> t.e[1] >> t.e[2] >> t.e[3] >> c;
            const int s = set == "Fa" ? 0 : set == "Fq" ? 1 : 2;
            t.set = static_cast<SetKind>(s);
            if (!is) throw std::runtime_error("bad term line in " + path);
            state.model.terms[s].push_back(t);
            state.model.coeff[s].push_back(c);
        } else if (kind == "guard") {
            // code, D, T, target, sigma and the weights of the derivative pairs; states of
            // earlier versions hold a slope switch instead of the weights
            std::string code;
            std::vector<double> v;
            is >> code;
            for (double x; is >> x;) v.push_back(x);
            Row r;
            if (v.size() == 5) {
                const double D = v[0];
                r.e[0].a = v[2] != 0 ? std::array<double, PAIRS>{0, 2 * D, 0, D * D, 0, 0, 0}
                                     : std::array<double, PAIRS>{0, D, 0, 0, 0, 0, 0};
                r.bound = v[3] < -1.0 ? -1 : 1;  // a negative slope asked: inside a loop
                v = {v[0], v[1], v[3], v[4]};
            } else if (v.size() == 5 + PAIRS) {
                r.bound = static_cast<int>(v[4]);
                std::copy(v.begin() + 5, v.end(), r.e[0].a.begin());
            } else {
                throw std::runtime_error("bad guard line in " + path);
            }
            r.e[0].D = v[0];
            r.e[0].T = v[1];
            r.target = v[2];
            r.sigma = v[3];
            r.kind = RowKind::guard;
            state.guards[code].push_back(r);
        } else if (kind == "weight") {
            std::string code;
            Weights w = kUnitWeights;
            is >> code;
            if (!is) throw std::runtime_error("bad weight line in " + path);
            for (double& v : w)
                if (!(is >> v)) v = 1.0;  // groups added later weigh 1
            state.weights[code] = w;
        } else if (kind == "untrained") {
            std::string code;
            is >> code;
            state.untrained.insert(code);
        } else if (kind == "shape") {
            std::string code;
            unsigned mask = 0;
            is >> code >> mask;
            if (!is) throw std::runtime_error("bad shape line in " + path);
            state.shapes[code] = mask;
        } else if (kind == "param") {
            std::string code;
            Params p;
            is >> code >> p.t >> p.d >> p.alpha >> p.q2 >> p.dp;
            if (!is) throw std::runtime_error("bad param line in " + path);
            if (!(is >> p.dc)) p.dc = 0.0;  // older states: taken from the equation
            state.params[code] = p;
        }
    }
    return state;
}

void diagnose(const std::vector<Fluid>& fluids, const FitState& state) {
    std::vector<FluidCase> cases = make_cases(fluids, state);
    g_verbose_check = true;
    for (FluidCase& c : cases) physics_check(c, state.model, false);
    g_verbose_check = false;
    log_line(
        "fluid         pvt_z   pvt_u   pvt_f     liq     vap   gibbs     cdp    cd2p      cz      "
        "bz     bdz   guard      cv    dpdd    dpdt    hvap");
    for (FluidCase& c : cases) {
        const auto k = cost_by_kind(c, state.model);
        std::string line = c.fluid->code;
        line.resize(10, ' ');
        char buf[32];
        for (double v : k) {
            std::snprintf(buf, sizeof buf, " %7.3g", v);
            line += buf;
        }
        log_line(line);
    }
}

namespace {

// Average absolute deviation (%) of ps and D'' over 0.5-0.95 Tc for a fluid under a model.
std::pair<double, double> saturation_aad(const Model& model, const Fluid& f, const Params& p) {
    const Eos eos(model, f, p);
    double sp = 0, sv = 0;
    int n = 0;
    for (const SatPoint& s : f.sat) {
        const double tr = s.T / f.Tc;
        if (tr < 0.5 - 1e-9 || tr > 0.95 + 1e-9) continue;
        double ps = 0, dl = s.Dliq, dv = s.Dvap;
        if (!saturation(eos, s.T, ps, dl, dv)) return {1e9, 1e9};
        sp += std::fabs(ps / s.ps - 1);
        sv += std::fabs(dv / s.Dvap - 1);
        ++n;
    }
    return {n ? 100 * sp / n : 0.0, n ? 100 * sv / n : 0.0};
}

}  // namespace

void leave_one_out(const std::vector<Fluid>& fluids, const FitState& state, SetKind set,
                   const std::string& path, int iterations) {
    std::vector<FluidCase> cases = make_cases(fluids, state);
    std::vector<FluidCase*> train = select_cases(cases, set, true);
    std::ofstream out(path, std::ios::app);
    const char* names[3] = {"Fa", "Fq", "Fd"};
    out << "\n## Set " << names[static_cast<int>(set)] << "\n\n"
        << "| fluid left out | ps AAD in fit % | ps AAD left out % | D'' AAD in fit % | D'' AAD "
           "left "
           "out % |\n|---|---|---|---|---|\n";
    for (FluidCase* x : train) {
        const auto in_fit = saturation_aad(state.model, *x->fluid, x->p);
        Model m = state.model;
        std::vector<FluidCase> copy = cases;
        std::vector<FluidCase*> rest;
        FluidCase* left = nullptr;
        for (FluidCase* c : train) {
            FluidCase* cc = &copy[static_cast<size_t>(c - cases.data())];
            if (c == x)
                left = cc;
            else
                rest.push_back(cc);
        }
        joint_fit(rest, m, set, true, iterations);
        // left out, an anchor fluid gets all its parameters free like any other fluid
        left->free |= P_T | P_D | P_ALPHA;
        if (left->fluid->cls == FluidClass::quadrupolar) left->free |= P_Q2;
        if (left->fluid->cls == FluidClass::dipolar) left->free |= P_DP;
        std::vector<FluidCase*> one{left};
        joint_fit(one, m, set, false, iterations);
        multi_start(*left, params_of(rest), m, set, iterations);
        const auto out_fit = saturation_aad(m, *left->fluid, left->p);
        char buf[200];
        std::snprintf(buf, sizeof buf, "| %s | %.2f | %.2f | %.2f | %.2f |\n",
                      x->fluid->code.c_str(), in_fit.first, out_fit.first, in_fit.second,
                      out_fit.second);
        out << buf;
        out.flush();
        log_line(buf);
    }
}

}  // namespace fit
