// A fluid is asked for by its menu code in any case, its name, or its refrigerant number with a
// dash; a text that names no fluid of the table gives the nearest codes, a fluid left out of
// the table the reason from the metadata file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "library/library_support.h"

namespace {

using xalt1::Error;
using xalt1::ErrorKind;
using xalt1::Fluid;

std::string error_of(const std::string& asked, const std::string& table = {}) {
    try {
        Fluid f(asked, table);
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::unknown_fluid) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no error for '" << asked << "'";
    return {};
}

TEST(Names, ResolveToTheMenuCode) {
    const struct {
        const char* asked;
        const char* code;
    } cases[] = {
        {"CO2", "CO2"},
        {"co2", "CO2"},
        {"r1234YF", "R1234yf"},
        {"Carbon Dioxide", "CO2"},
        {"2,3,3,3-tetrafluoropropene", "R1234yf"},
        {"ethene", "Ethylene"},  // the other name in the parentheses
        {"R-1234yf", "R1234yf"},
        {"r-134A", "R134a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Fluid(c.asked).info().code, c.code) << c.asked;
}

TEST(Names, UnknownTextsGiveACleanMessage) {
    const std::string table = xalt1::default_table();
    const struct {
        std::string asked, part;
    } cases[] = {
        {"CO3", "fluid 'CO3': not a code of the menu of the table " + table +
                    " nor a fluid's name; did you mean CO2, CO, COS?"},
        {"carbon dioxid", "did you mean CO2, "},
        {"R-", "fluid 'R-': not a code"},
        {"", "fluid '': not a code of the menu of the table " + table + " nor a fluid's name"},
        {std::string("CO2\0", 4), "fluid 'CO2\\x00': not a code"},
        {"K\xc3\xa4ltemittel", "fluid 'K\\xc3\\xa4ltemittel': not a code"},
        {std::string(100000, 'x'), "fluid '" + std::string(64, 'x') + "...': not a code"},
    };
    for (const auto& c : cases) {
        const std::string message = error_of(c.asked);
        EXPECT_NE(message.find(c.part), std::string::npos) << message;
        EXPECT_LT(message.size(), 250 + table.size());
    }
    EXPECT_EQ(error_of("").find("did you mean"), std::string::npos);
}

TEST(Names, LeftOutFluidsGiveTheirReason) {
    for (const char* asked : {"Water", "water", "heavy water", "deuterium oxide", "Methanol"})
        EXPECT_NE(error_of(asked).find(" is left out of the table: "), std::string::npos) << asked;
}

// A user's table beside metadata that lists a fluid of its menu as left out (the shipped
// metadata beside a table the user added that fluid to): the menu wins, the fluid loads without
// the left-out row's metadata; another left-out row gives its reason.
TEST(Names, MetadataOfLeftOutRows) {
    TemporaryFolder folder;
    const std::string table = folder.path("user.tab");
    std::filesystem::copy_file(xalt1::default_table(), table);
    std::ofstream(xalt1::metadata_path(table))
        << "code,name,class,Ttriple,Tmax,pmax,reference_state,targets,left_out\n"
           "Argon,argon,nonpolar,83.806,2000,1000,,,ps 9 %\n"
           "Water,water,hbond,273.160,2000,1000,,,\"density failures, D'' 16.17 %\"\n";
    const xalt1::FluidInfo argon = Fluid("argon", table).info();
    EXPECT_EQ(argon.code, "Argon");
    EXPECT_EQ(argon.name, "Argon");
    EXPECT_TRUE(std::isnan(argon.Tmax));
    EXPECT_NE(error_of("WATER", table)
                  .find("fluid 'WATER': not a code of the menu of the table " + table +
                        "; Water is left out of the table: density failures, D'' 16.17 %"),
              std::string::npos);
}

}  // namespace
