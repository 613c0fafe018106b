#include "result_csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// Two substance blocks as the program writes them: saturated pair, single-phase rows, a
// two-phase block, a field of asterisks, and the end marker.
const std::string kResultFile =
    "                   Argon      - Thermodynamic Properties           20261207-15\n"
    "       T        D          P         u        h        s         cv      cp        f\n"
    "       K     mol/dm3      MPa      J/mol    J/mol   J/mol-K   J/mol-K  J/mol-K    J/mol\n"
    "l   100.000  32.8900 0.323878E+0    548.3    558.2    5.8951   26.221   45.189     -41.2\n"
    "v   100.000   0.4238 0.323878E+0   5782.9   6547.2   65.7851   13.863   25.734    -795.6\n"
    "x=.008412    20.0000 0.323878E+0    592.4    608.6    6.3989                       -47.5\n"
    "    120.000 .1000E-1 0.996433E-2   6170.5   7167.0   99.9405   12.503   20.860   -5822.3\n"
    "                   Ethane     - Thermodynamic Properties           20261207-15\n"
    "       T        D          P         u        h        s         cv      cp        f\n"
    "       K     mol/dm3      MPa      J/mol    J/mol   J/mol-K   J/mol-K  J/mol-K    J/mol\n"
    "    305.320   6.8700 0.488100E+1  11000.0  11710.5   45.1234   50.000*********  -2777.0\n"
    "end\n";

std::string converted(const std::string& dat, int* rows = nullptr) {
    std::istringstream in(dat);
    std::ostringstream out;
    const int n = result_csv::convert(in, out);
    if (rows != nullptr) *rows = n;
    return out.str();
}

TEST(ResultCsv, OneLinePerRowUnderOneHeader) {
    int rows = 0;
    const std::string csv = converted(kResultFile, &rows);
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(csv,
              result_csv::header() + "\n" +
                  "Argon,l,,100.000,32.8900,0.323878E+0,548.3,558.2,5.8951,26.221,45.189,-41.2\n"
                  "Argon,v,,100.000,0.4238,0.323878E+0,5782.9,6547.2,65.7851,13.863,25.734,"
                  "-795.6\n"
                  "Argon,x,.008412,100.000,20.0000,0.323878E+0,592.4,608.6,6.3989,,,-47.5\n"
                  "Argon,,,120.000,.1000E-1,0.996433E-2,6170.5,7167.0,99.9405,12.503,20.860,"
                  "-5822.3\n"
                  "Ethane,,,305.320,6.8700,0.488100E+1,11000.0,11710.5,45.1234,50.000,"
                  "*********,-2777.0\n");
}

TEST(ResultCsv, HeaderNamesEveryColumnWithItsUnit) {
    EXPECT_EQ(result_csv::header(),
              "substance,phase,x,T [K],D [mol/dm3],P [MPa],u [J/mol],h [J/mol],s [J/(mol K)],"
              "cv [J/(mol K)],cp [J/(mol K)],f [J/mol]");
}

TEST(ResultCsv, MixtureTakesTheTemperatureOfItsSaturatedRows) {
    const std::string dat =
        "l   150.000  21.0000 0.400000E+1    548.3    558.2    5.8951   26.221   45.189     -41.2\n"
        "v   150.000   5.0000 0.400000E+1   5782.9   6547.2   65.7851   13.863   25.734    -795.6\n"
        "x=.500000    10.0000 0.400000E+1    592.4    608.6    6.3989                       "
        "-47.5\n";
    const std::string csv = converted(dat);
    EXPECT_NE(csv.find("\n,x,.500000,150.000,10.0000,"), std::string::npos) << csv;
}

TEST(ResultCsv, FilesWithoutRowsGiveTheHeaderAlone) {
    struct Case {
        const char* name;
        std::string dat;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"header and marker only",
         "                   Argon      - Thermodynamic Properties           20261207-15\n"
         "       T        D          P         u        h        s         cv      cp        f\n"
         "       K     mol/dm3      MPa      J/mol    J/mol   J/mol-K   J/mol-K  J/mol-K    J/mol\n"
         "end\n"},
        {"short and foreign lines", "x\n\nl \nsome text\r\n"},
    };
    for (const Case& c : cases) {
        int rows = -1;
        EXPECT_EQ(converted(c.dat, &rows), result_csv::header() + "\n") << c.name;
        EXPECT_EQ(rows, 0) << c.name;
    }
}

TEST(ResultCsv, CarriageReturnsAreDropped) {
    const std::string csv = converted(
        "    120.000 .1000E-1 0.996433E-2   6170.5   7167.0   99.9405   12.503   20.860   "
        "-5822.3\r\n");
    EXPECT_NE(csv.find(",-5822.3\n"), std::string::npos) << csv;
}

TEST(ResultCsv, CellsAreQuotedOnlyWhenNeeded) {
    EXPECT_EQ(result_csv::cell("R134a"), "R134a");
    EXPECT_EQ(result_csv::cell("A,B"), "\"A,B\"");
    EXPECT_EQ(result_csv::cell("say \"x\""), "\"say \"\"x\"\"\"");
}

}  // namespace
