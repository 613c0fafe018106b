#include "io/state_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fit {

namespace {

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %.17g", v);
    return buf;
}

void write_terms(std::ostringstream& out, const Model& model) {
    for (int s = 0; s < SET_COUNT; ++s)
        for (size_t i = 0; i < model.terms[s].size(); ++i) {
            const Term& t = model.terms[s][i];
            out << "term " << set_name(static_cast<SetKind>(s));
            for (int e : t.e) out << " " << e;
            out << number(model.coeff[s][i]) << "\n";
        }
}

void write_guards(std::ostringstream& out, const FitState& state) {
    for (const auto& [code, rows] : state.guards)
        for (const Row& r : rows) {
            const Eval& e = r.e[0];
            out << "guard " << code << number(e.D) << number(e.T) << number(r.target)
                << number(r.sigma) << " " << r.bound;
            for (double a : e.a) out << number(a);
            out << "\n";
        }
}

[[noreturn]] void bad_line(const std::string& path, int line, const std::string& kind) {
    throw std::runtime_error("bad " + kind + " line in " + path + ":" + std::to_string(line));
}

bool set_of(const std::string& name, SetKind& set) {
    for (int s = 0; s < SET_COUNT; ++s)
        if (name == set_name(static_cast<SetKind>(s))) {
            set = static_cast<SetKind>(s);
            return true;
        }
    return false;
}

}  // namespace

std::string state_text(const FitState& state) {
    std::ostringstream out;
    out << "# stored fit: term selection, coefficients and per-fluid parameters\n";
    write_terms(out, state.model);
    write_guards(out, state);
    for (const auto& [code, mask] : state.shapes) out << "shape " << code << " " << mask << "\n";
    for (const std::string& code : state.untrained) out << "untrained " << code << "\n";
    for (const auto& [code, w] : state.weights) {
        out << "weight " << code;
        for (double v : w) out << number(v);
        out << "\n";
    }
    for (const auto& [kind, params] :
         {std::pair{"param", &state.params}, std::pair{"eight", &state.eight_point}})
        for (const auto& [code, p] : *params) {
            out << kind << " " << code;
            for (double v : to_array(p)) out << number(v);
            out << "\n";
        }
    for (const auto& [code, h] : state.held)
        out << "held " << code << number(h.ps) << number(h.dvap) << "\n";
    return out.str();
}

FitState parse_state(const std::string& text, const std::string& path) {
    FitState state;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream is(line);
        std::string kind, code;
        is >> kind;
        if (kind == "term") {
            std::string set;
            Term t;
            double c = 0;
            is >> set >> t.e[0] >> t.e[1] >> t.e[2] >> t.e[3] >> c;
            if (!is || !set_of(set, t.set)) bad_line(path, number, kind);
            state.model.terms[static_cast<int>(t.set)].push_back(t);
            state.model.coeff[static_cast<int>(t.set)].push_back(c);
        } else if (kind == "guard") {
            Row r;
            r.kind = RowKind::guard;
            is >> code >> r.e[0].D >> r.e[0].T >> r.target >> r.sigma >> r.bound;
            for (double& a : r.e[0].a) is >> a;
            if (!is) bad_line(path, number, kind);
            state.guards[code].push_back(r);
        } else if (kind == "weight") {
            Weights w = UNIT_WEIGHTS;
            is >> code;
            if (!is) bad_line(path, number, kind);
            for (double& v : w)
                if (!(is >> v)) v = 1.0;  // groups added later weigh 1
            state.weights[code] = w;
        } else if (kind == "untrained") {
            is >> code;
            state.untrained.insert(code);
        } else if (kind == "shape") {
            unsigned mask = 0;
            is >> code >> mask;
            if (!is) bad_line(path, number, kind);
            state.shapes[code] = mask;
        } else if (kind == "held") {
            Held h;
            is >> code >> h.ps >> h.dvap;
            if (!is) bad_line(path, number, kind);
            state.held[code] = h;
        } else if (kind == "param" || kind == "eight") {
            ParamArray v{};
            is >> code;
            for (double& x : v) is >> x;
            if (!is) bad_line(path, number, kind);
            (kind == "param" ? state.params : state.eight_point)[code] = from_array(v.data());
        }
    }
    return state;
}

void write_state(const std::string& path, const FitState& state) {
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << state_text(state);
}

FitState read_state(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return parse_state(text.str(), path);
}

}  // namespace fit
