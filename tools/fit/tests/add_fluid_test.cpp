// Adding a fluid to a table: bad input is refused with the file and line named and nothing
// written; a shipped fluid taken out of the table and added back from its reference data gets
// figures within 1.2 times those of its shipped entry (refitted to the rows of today's tool).
#include "app/add_fluid.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/program.h"
#include "output/entries.h"
#include "solve/joint_fit.h"
#include "solve/measure.h"
#include "solve/physics_check.h"
#include "substance/table_layout.h"

namespace {

namespace fs = std::filesystem;
using namespace fit;

const std::string kExample = XALT1_EXAMPLES "/NeoC5";

std::string read_file(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& p, const std::string& text) {
    std::ofstream(p) << text;
}

// Replaces the first occurrence of `from` in the file.
void replace_in(const fs::path& p, const std::string& from, const std::string& to) {
    std::string text = read_file(p);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    write_file(p, text.replace(at, from.size(), to));
}

// Keeps the first n lines of the file.
void keep_lines(const fs::path& p, int n) {
    std::istringstream in(read_file(p));
    std::string out, line;
    for (int i = 0; i < n && std::getline(in, line); ++i) out += line + "\n";
    write_file(p, out);
}

// Replaces field `col` (from 0) of line `n` (from 1) of a CSV file.
void set_field(const fs::path& p, int n, int col, const std::string& value) {
    std::istringstream in(read_file(p));
    std::string out, line;
    for (int i = 1; std::getline(in, line); ++i) {
        if (i == n) {
            std::vector<std::string> f = split_csv(line);
            f[static_cast<size_t>(col)] = value;
            line.clear();
            for (size_t k = 0; k < f.size(); ++k) {
                const bool quote = f[k].find(',') != std::string::npos;
                if (k > 0) line.append(",");
                if (quote) line.append("\"");
                line.append(f[k]);
                if (quote) line.append("\"");
            }
        }
        out += line + "\n";
    }
    write_file(p, out);
}

// The shipped table without one fluid's menu line and entry.
std::string table_without(const std::string& text, const std::string& code) {
    namespace layout = table_layout;
    std::istringstream in(text);
    std::string out, line;
    bool menu = true, skipping = false;
    while (std::getline(in, line)) {
        if (menu && layout::is_menu_line(line) && layout::menu_code(line) == code) continue;
        menu = menu && !layout::ends_menu(line);
        if (!menu && layout::is_entry_header(line, code)) skipping = true;
        if (!skipping) out += line + "\n";
        if (skipping && layout::ends_section(line)) skipping = false;
    }
    return out;
}

// A scratch folder with the example's data (neopentane's reference data under the code NeoC5)
// and the shipped table.
struct Scratch {
    fs::path root = fs::temp_directory_path() / ("add_fluid_" + std::to_string(::getpid()));
    fs::path data = root / "NeoC5";
    fs::path table_in = root / "in.tab";
    fs::path table_out = root / "out.tab";
    Scratch() {
        fs::remove_all(root);
        fs::create_directories(root);
        fs::copy(kExample, data, fs::copy_options::recursive);
        write_file(table_in, table_without(read_file(XALT1_SHIPPED_TABLE), "NeoC5"));
    }
    ~Scratch() { fs::remove_all(root); }
};

struct BadInput {
    const char* name;
    const char* code;
    std::function<void(Scratch&)> spoil;
    const char* message;  // part of the error line
};

const std::vector<BadInput>& bad_inputs() {
    static const std::vector<BadInput> cases = {
        {"missing fluids.csv", "NeoC5", [](Scratch& s) { fs::remove(s.data / "fluids.csv"); },
         "fluids.csv: file not found"},
        {"missing saturation file", "NeoC5",
         [](Scratch& s) { fs::remove(s.data / "sat/NeoC5.csv"); }, "sat/NeoC5.csv: file not found"},
        {"unknown class", "NeoC5",
         [](Scratch& s) { set_field(s.data / "fluids.csv", 2, 2, "apolar"); },
         "fluids.csv:2: unknown class 'apolar'"},
        {"field not a number", "NeoC5",
         [](Scratch& s) { set_field(s.data / "fluids.csv", 2, 4, "433.7K"); },
         "fluids.csv:2: Tc '433.7K' is not a number"},
        {"too few points", "NeoC5", [](Scratch& s) { keep_lines(s.data / "sat/NeoC5.csv", 8); },
         "sat/NeoC5.csv: 7 saturation points; at least 8 are needed"},
        {"code longer than 10 characters", "NeoC5-extra", [](Scratch&) {},
         "code 'NeoC5-extra' is not 1-10 characters"},
        {"code with a blank", "Neo pentan", [](Scratch&) {}, "code 'Neo pentan' holds a blank"},
        {"code already in the menu", "NeoC5",
         [](Scratch& s) { replace_in(s.table_in, "##########", "R-   NeoC5\n##########"); },
         "NeoC5 is already in the table's menu"},
        {"code with an entry but no menu line", "NeoC5",
         [](Scratch& s) { std::ofstream(s.table_in, std::ios::app) << "NeoC5      old entry\n"; },
         "NeoC5 already has an entry in the table"},
        {"D' not above D''", "NeoC5",
         [](Scratch& s) { set_field(s.data / "sat/NeoC5.csv", 5, 3, "20.0"); },
         "sat/NeoC5.csv:5: D' is not above D''"},
        {"ps not increasing", "NeoC5",
         [](Scratch& s) { set_field(s.data / "sat/NeoC5.csv", 6, 1, "0.001"); },
         "sat/NeoC5.csv:6: ps does not increase with T"},
        {"T above Tc", "NeoC5",
         [](Scratch& s) {
             std::ofstream(s.data / "sat/NeoC5.csv", std::ios::app) << "440.0,3.3,3.0,2.9\n";
         },
         "sat/NeoC5.csv:42: T is not below Tc"},
    };
    return cases;
}

TEST(AddFluid, BadInputIsNamedAndWritesNothing) {
    unattended_console();
    for (const BadInput& c : bad_inputs()) {
        Scratch s;
        c.spoil(s);
        testing::internal::CaptureStderr();
        Settings settings;
        settings.data = s.data.string();
        settings.codes = {c.code};
        settings.table = s.table_in.string();
        settings.new_table = s.table_out.string();
        const int status = run_add(settings);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(status, 0) << c.name;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
        EXPECT_FALSE(fs::exists(s.table_out)) << c.name;
        EXPECT_FALSE(fs::exists(s.table_out.string() + ".new")) << c.name;
    }
}

// A pvt file of measured states (T, D, p): its rows are pressure rows only, with Z from the
// measured pressure.
TEST(AddFluid, MeasuredStatesGivePressureRowsOnly) {
    Scratch s;
    const FluidData full = load_fluid_folder(s.data.string(), "NeoC5");
    std::istringstream in(read_file(s.data / "pvt/NeoC5.csv"));
    std::string out, line;
    while (std::getline(in, line)) {
        const auto f = split_csv(line);
        out += f[0] + "," + f[1] + "," + f[2] + "\n";
    }
    write_file(s.data / "pvt/NeoC5.csv", out);
    const FluidData measured = load_fluid_folder(s.data.string(), "NeoC5");
    ASSERT_TRUE(measured.measured_pvt);
    ASSERT_EQ(measured.fluid.pvt.size(), full.fluid.pvt.size());
    for (size_t i = 0; i < full.fluid.pvt.size(); ++i)
        EXPECT_NEAR(measured.fluid.pvt[i].ZM1, full.fluid.pvt[i].ZM1, 1e-9);
    int z = 0, other = 0;
    for (const Row& r : data_rows(measured.fluid, 0.3)) {
        z += r.kind == RowKind::pvt_z;
        other += r.kind == RowKind::pvt_u || r.kind == RowKind::pvt_f;
    }
    EXPECT_EQ(z, static_cast<int>(full.fluid.pvt.size()));
    EXPECT_EQ(other, 0);
}

// Eight saturation points with ps and D' only, no single-phase or caloric data: an entry is
// still made, with warnings for what the data cannot constrain.
TEST(AddFluid, LittleDataGivesAnEntryWithWarnings) {
    unattended_console();
    Scratch s;
    fs::remove_all(s.data / "pvt");
    fs::remove_all(s.data / "caloric");
    std::istringstream in(read_file(s.data / "sat/NeoC5.csv"));
    std::string out = "T,ps,Dliq,Dvap\n", line;
    std::getline(in, line);
    for (int i = 0; std::getline(in, line); ++i)
        if (i % 5 == 0) out += line.substr(0, line.rfind(',') + 1) + "\n";
    write_file(s.data / "sat/NeoC5.csv", out);

    const FluidData data = load_fluid_folder(s.data.string(), "NeoC5");
    ASSERT_EQ(data.fluid.sat.size(), 8u);
    Settings quick;  // one choice, one reweighting round: the path, not the accuracy
    quick.add.max_choices = 1;
    quick.add.tune_rounds = 1;
    quick.add.max_starts = 2;
    const AddResult r = add_fluid(data, read_table_file(s.table_in.string()), quick);
    EXPECT_EQ(r.accuracy.sat_failures, 0);
    EXPECT_LT(r.accuracy.stat(Measure::saturation_pressure).avg(), 1.0);
    EXPECT_EQ(r.accuracy.stat(Measure::saturated_vapour).n, 0);  // no D'' to compare with
    const std::string report = add_report(r);
    EXPECT_NE(report.find("without D''"), std::string::npos) << report;
    EXPECT_NE(report.find("no single-phase data"), std::string::npos) << report;
    EXPECT_NE(r.table_text.find("R-   NeoC5"), std::string::npos);
}

// The figures of the fluid's entry in the shipped table, its parameters refitted (from the
// shipped ones, coefficients fixed) to the rows the fitting tool uses today, guard rows of the
// physics check included: the shipped table may predate some of them, and the added entry is
// fitted to all of them.
FluidAccuracy shipped_figures(const TableFile& table, const Fluid& f) {
    for (const TableMember& m : table.members)
        if (m.code == f.code) {
            FitState state;
            state.model = table.model;
            Params& p = state.params[f.code];
            p = m.reduced;
            p.t = m.reduced.t * m.Tc / f.Tc;
            p.d = m.reduced.d * m.Dc / f.Dc;
            FluidCase c = make_case(f, state, Settings{});
            std::vector<FluidCase*> one{&c};
            joint_fit(one, state.model, SetKind::Fa, false, 40);
            for (int extra = 0; extra < 3 && physics_check(c, state.model, true) > 0; ++extra)
                joint_fit(one, state.model, SetKind::Fa, false, 40);
            Entry e;
            EXPECT_TRUE(derive_entry(f, table.model, c.p, e));
            return measure_entry(table.model, e, program_saturation);
        }
    ADD_FAILURE() << f.code << " not in the shipped table";
    return {};
}

// Within 1.2 times the shipped figure, or 0.02 % where both are at the noise of the data.
void expect_within(double added, double shipped, const char* what) {
    EXPECT_LE(added, std::max(1.2 * shipped, shipped + 0.02)) << what;
}

TEST(AddFluid, ShippedFluidAddedBackMatchesItsShippedEntry) {
    const std::string reference = XALT1_REFERENCE_DATA;
    ASSERT_TRUE(fs::exists(reference + "/fluids.csv")) << "no reference data in " << reference;
    unattended_console();
    const std::string code = "Methane";
    Scratch s;
    const std::string shipped = read_file(XALT1_SHIPPED_TABLE);
    write_file(s.table_in, table_without(shipped, code));
    const TableFile without = read_table_file(s.table_in.string());
    const TableFile full = read_table_file(XALT1_SHIPPED_TABLE);
    ASSERT_EQ(without.members.size() + 1, full.members.size());

    const FluidData data = load_fluid_folder(reference, code);
    Settings settings;
    settings.add.max_choices = 1;  // the class's parameters, as the shipped entry
    const AddResult added = add_fluid(data, without, settings);
    const FluidAccuracy before = shipped_figures(full, data.fluid);
    const FluidAccuracy& after = added.accuracy;
    EXPECT_EQ(after.sat_failures, 0);
    expect_within(after.stat(Measure::saturation_pressure).avg(),
                  before.stat(Measure::saturation_pressure).avg(), "ps");
    expect_within(after.stat(Measure::saturated_liquid).avg(),
                  before.stat(Measure::saturated_liquid).avg(), "D'");
    expect_within(after.stat(Measure::saturated_vapour).avg(),
                  before.stat(Measure::saturated_vapour).avg(), "D''");
    expect_within(after.stat(Measure::density).avg(), before.stat(Measure::density).avg(), "D");
    expect_within(after.stat(Measure::isobaric_heat).avg(),
                  before.stat(Measure::isobaric_heat).avg(), "cp");

    // the written table holds the fluid again, at the end of its menu, and reads back with the
    // added entry
    write_file(s.table_out, added.table_text);
    const TableFile again = read_table_file(s.table_out.string());
    EXPECT_EQ(again.menu.size(), without.menu.size() + 1);
    EXPECT_EQ(again.menu.back(), code);  // the added fluid comes last in the menu
    EXPECT_EQ(again.members.back().code, code);
    EXPECT_NEAR(again.members.back().reduced.alpha, added.entry.p.alpha, 1e-12);
}

}  // namespace
