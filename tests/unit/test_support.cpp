#include "test_support.h"

#include <stdlib.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {
void throw_end_of_input() {
    throw EndOfInput{};
}
}  // namespace

ScriptedSession::ScriptedSession(const std::string& input) : in_(input) {
    old_dir_ = fs::current_path();
    char pattern[] = "/tmp/xalt1_unit_XXXXXX";
    dir_ = mkdtemp(pattern);
    fs::current_path(dir_);
    set_console_streams(&in_, &out_);
    set_end_of_input_handler(&throw_end_of_input);
}

ScriptedSession::~ScriptedSession() {
    for (int32_t lun = 1; lun <= 99; ++lun) close_channel(lun);
    set_console_streams(nullptr, nullptr);
    set_end_of_input_handler(nullptr);
    fs::current_path(old_dir_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void ScriptedSession::write_file(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
}

std::string ScriptedSession::read_file(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
