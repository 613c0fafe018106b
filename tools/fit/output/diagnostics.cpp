#include "output/diagnostics.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "base/log.h"
#include "model/eos.h"
#include "model/phase.h"
#include "solve/joint_fit.h"
#include "solve/measure.h"
#include "solve/physics_check.h"
#include "solve/starts.h"

namespace fit {

void diagnose(const std::vector<Fluid>& fluids, const FitState& state, const Settings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    for (FluidCase& c : cases) physics_check(c, state.model, false, true);
    std::string header = "fluid     ";
    for (int k = 0; k < ROW_KINDS; ++k) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " %7s", row_kind_name(static_cast<RowKind>(k)));
        header += buf;
    }
    log_line(header);
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

void print_rows(const std::vector<Fluid>& fluids, const FitState& state, const std::string& code,
                const Settings& settings) {
    for (FluidCase& c : make_cases(fluids, state, settings)) {
        if (c.fluid->code != code) continue;
        std::vector<double> fixed, scale;
        fixed_part(c, state.model, -1, fixed, scale);
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const Row& row = c.rows[r];
            std::printf("%2d T %9.3f D %10.5g target %12.6g value %12.6g res %10.3g\n",
                        static_cast<int>(row.kind), row.e[0].T,
                        eval_density(row.e[0], *c.fluid, c.p), row.target, row.target + fixed[r],
                        fixed[r] * scale[r]);
        }
    }
}

void print_saturation(const Model& model, const Entry& e, bool own_solver) {
    const FluidAccuracy a =
        measure_entry(model, e, own_solver ? own_saturation : program_saturation);
    for (const auto& d : a.sat_dev)
        std::printf("%.3f ps %+.3f dl %+.3f dv %+.3f\n", d[0], d[1], d[2], d[3]);
}

namespace {

// Average absolute deviation (%) of ps and D'' over 0.5-0.95 Tc for a fluid under a model.
std::pair<double, double> saturation_aad(const Model& model, const Fluid& f, const Params& p) {
    const Eos eos = Eos::of(model, f, p);
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
                   const std::string& path, int iterations, const Settings& settings) {
    std::vector<FluidCase> cases = make_cases(fluids, state, settings);
    std::vector<FluidCase*> train = select_cases(cases, set, true);
    std::ofstream out(path, std::ios::app);
    out << "\n## Set " << set_name(set) << "\n\n"
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
        joint_fit(rest, m, set, true, iterations, settings.deterministic ? 1 : settings.threads);
        // left out, an anchor fluid gets all its parameters free like any other fluid
        left->free |= policy_of(left->fluid->cls).free;
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
