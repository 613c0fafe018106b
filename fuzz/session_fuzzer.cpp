// Session fuzzer of `make fuzz`: runs many fuzzed sessions (fuzz/session_fuzz.h) of the fuzzing
// build of the program against the shipped table, every fluid in turn, and keeps the input,
// console and result file of each failing session.
//
//   session_fuzzer --binary PATH --table PATH [--sessions N] [--seed S] [--steps N]
//                  [--time-limit SECONDS] [--jobs N] [--keep FOLDER]
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session_fuzz.h"

namespace sf = session_fuzz;

int main(int argc, char** argv) {
    std::string binary, table_path, keep = "session_failures";
    long sessions = 2000, steps = 30, jobs = 1;
    unsigned long long seed = 1;
    double time_limit = 120.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--binary")
            binary = value;
        else if (key == "--table")
            table_path = value;
        else if (key == "--keep")
            keep = value;
        else if (key == "--sessions")
            sessions = std::atol(value.c_str());
        else if (key == "--steps")
            steps = std::atol(value.c_str());
        else if (key == "--jobs")
            jobs = std::max(1L, std::atol(value.c_str()));
        else if (key == "--seed")
            seed = std::strtoull(value.c_str(), nullptr, 10);
        else if (key == "--time-limit")
            time_limit = std::atof(value.c_str());
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    if (!binary.empty()) binary = std::filesystem::absolute(binary).string();
    const std::string table = sf::read_file(table_path);
    const std::vector<sf::Fluid> fluids = sf::fluids_of(table);
    if (binary.empty() || fluids.empty()) {
        std::fprintf(stderr, "need --binary and a --table with at least one fluid\n");
        return 2;
    }

    std::atomic<long> next{0};
    std::mutex lock;
    sf::Tally tally;
    long failures = 0;
    int shown_wide_rows = 0;
    double slowest = 0.0, total = 0.0;
    const auto start = std::chrono::steady_clock::now();
    auto worker = [&] {
        for (long n = next++; n < sessions; n = next++) {
            sf::Generator gen(seed * 1000003ULL + static_cast<unsigned long long>(n), fluids);
            const std::size_t fluid = static_cast<std::size_t>(n) % fluids.size();
            const std::string session_table = gen.table(table, fluid);
            const std::string input = gen.session(fluid, static_cast<int>(steps));
            const sf::Outcome o = sf::run_session(binary, session_table, input, time_limit);
            std::lock_guard<std::mutex> guard(lock);
            const std::string fault = sf::check_session(o, fluids, tally);
            slowest = std::max(slowest, o.seconds);
            // Rows with a field in asterisks are listed for review (the first 40).
            for (const std::string& line : sf::split_lines(o.result_file))
                if (line.find('*') != std::string::npos && shown_wide_rows < 40) {
                    ++shown_wide_rows;
                    std::printf("session %ld, row with a field too wide: %s\n", n, line.c_str());
                }
            total += o.seconds;
            if (fault.empty()) continue;
            ++failures;
            const std::string stem = keep + "/session_" + std::to_string(n);
            std::filesystem::create_directories(keep);
            std::ofstream(stem + ".in", std::ios::binary) << input;
            if (session_table != table)
                std::ofstream(stem + ".tab", std::ios::binary) << session_table;
            std::ofstream(stem + ".console", std::ios::binary) << o.console;
            std::ofstream(stem + ".dat", std::ios::binary) << o.result_file;
            std::printf("session %ld (fluid %s): %s\n", n,
                        fluids[static_cast<std::size_t>(n) % fluids.size()].code.c_str(),
                        fault.c_str());
            std::fflush(stdout);
        }
    };
    std::vector<std::thread> threads;
    for (long j = 0; j < jobs; ++j) threads.emplace_back(worker);
    for (auto& t : threads) t.join();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("sessions: %ld on %zu fluids, %ld steps each, seed %llu\n", sessions, fluids.size(),
                steps, seed);
    std::printf("time: %.1f s wall, %.3f s mean and %.2f s longest session\n", wall,
                total / static_cast<double>(std::max(1L, sessions)), slowest);
    std::printf("rows checked: %ld (%ld two-phase)\n", tally.rows, tally.two_phase_rows);
    for (const auto& [field, count] : tally.asterisk_fields)
        std::printf("rows with the %s field in asterisks (value too wide for it): %ld\n",
                    field.c_str(), count);
    std::printf("failing sessions: %ld%s\n", failures,
                failures ? (" (inputs kept in " + keep + ")").c_str() : "");
    return failures == 0 ? 0 : 1;
}
