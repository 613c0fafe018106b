#include "e2e/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

std::string read_text_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string test_table(const std::string& name) {
    return read_text_file(fs::path(XALT1_TEST_DATA) / name);
}

const std::string kModeMenu =
    " 1=T/Density   2=Pressure/T   3=Pressure/Density  4=Ts  5=Ps  0=Quit  Input: ";

std::vector<std::size_t> menu_rows(const std::vector<std::string>& lines) {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == kModeMenu) rows.push_back(i);
    }
    return rows;
}

std::string shipped_table() {
    return read_text_file(XALT1_SHIPPED_TABLE);
}

std::string ProgramRun::file(const std::string& name) const {
    return read_text_file(dir / name);
}

bool ProgramRun::has_file(const std::string& name) const {
    return fs::exists(dir / name);
}

std::vector<std::string> ProgramRun::file_lines(const std::string& name) const {
    return split_lines(file(name));
}

std::vector<std::string> ProgramRun::console_lines() const {
    return split_lines(console);
}

ProgramRun::~ProgramRun() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir.parent_path(), ec);
}

void run_program(ProgramRun& run, const std::string& table_text, const std::string& input,
                 double timeout_seconds, bool with_table) {
    char pattern[] = "/tmp/xalt1_e2e_XXXXXX";
    const fs::path base = mkdtemp(pattern);
    run.dir = base / "work";
    fs::create_directory(run.dir);
    if (with_table) std::ofstream(run.dir / "x_rstoff.tab", std::ios::binary) << table_text;
    const fs::path stdin_path = base / "stdin.txt";
    const fs::path stdout_path = base / "stdout.txt";
    std::ofstream(stdin_path, std::ios::binary) << input;

    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(run.dir.c_str()) != 0) _exit(126);
        const int in = open(stdin_path.c_str(), O_RDONLY);
        const int out = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execl(XALT1_BINARY, XALT1_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_seconds);
    int wstatus = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            run.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exit_code = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    run.console = read_text_file(stdout_path);
}
