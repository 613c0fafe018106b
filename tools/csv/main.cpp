// xalt1_csv <result file> <csv file>: writes the result rows of "xalt1.dat" as CSV.
#include <cstdio>
#include <fstream>

#include "result_csv.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: xalt1_csv <result file> <csv file>\n");
        return 2;
    }
    std::ifstream dat(argv[1]);
    if (!dat) {
        std::fprintf(stderr, "xalt1_csv: cannot read %s (run the program first: make run)\n",
                     argv[1]);
        return 1;
    }
    std::ofstream csv(argv[2]);
    if (!csv) {
        std::fprintf(stderr, "xalt1_csv: cannot write %s\n", argv[2]);
        return 1;
    }
    const int rows = result_csv::convert(dat, csv);
    csv.close();
    if (!csv) {
        std::fprintf(stderr, "xalt1_csv: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %d result rows\n", argv[2], rows);
    return 0;
}
