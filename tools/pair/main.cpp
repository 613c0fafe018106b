// The pair tool: fits a pair's binary parameter to bubble points and keeps it in a binary file.
//   xalt1_pair fit <data folder> <A> <B> <table> <binary file>
//       fits xi (and eta) to <data folder>/vle/<A>_<B>.csv and puts the pair into the binary file
//       (made if missing); bad data stop it with the file and line named, and nothing is written.
//   xalt1_pair package <reference folder> <table> <binary file> <rule file> <doc>
//       fits every pair of <reference folder>/pairs.csv and writes the binary file anew, the
//       rule file of the fluid classes' xi and the document of the pairs' figures.
#include <glog/logging.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/binary_pairs.h"
#include "pair_fit.h"
#include "pair_package.h"

namespace {

using xalt1::detail::BinaryPair;

int fit(const std::vector<std::string>& args) {
    const std::string &folder = args[0], &a = args[1], &b = args[2], &table = args[3],
                      &file = args[4];
    std::vector<BinaryPair> pairs = xalt1::detail::read_binary_pairs(file);
    const pair_fit::Binary binary(table, a, b);
    const pair_fit::FittedPair fit =
        pair_fit::fit_pair(binary, pair_fit::read_bubble_points(folder, a, b));
    const BinaryPair pair = pair_fit::binary_pair_of(folder, a, b, fit);
    xalt1::detail::put_pair(pairs, pair);
    xalt1::detail::write_binary_pairs(file, pairs);
    std::printf("%s with %s: xi = %.6f, eta = %.6f; %s\nwritten to %s\n", a.c_str(), b.c_str(),
                pair.xi, pair.eta, pair.figures.c_str(), file.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Ceres reports a failed step of its search as an error on the console: the tool says what
    // matters itself.
    google::InitGoogleLogging(argv[0]);
    FLAGS_minloglevel = google::GLOG_FATAL;
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "fit" && args.size() == 5) return fit(args);
        if (command == "package" && args.size() == 5) {
            pair_fit::package(args[0], args[1], args[2], args[3], args[4]);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: xalt1_pair fit <data folder> <A> <B> <table> <binary file>\n"
                 "       xalt1_pair package <reference folder> <table> <binary file> <rule file> "
                 "<doc>\n");
    return 2;
}
