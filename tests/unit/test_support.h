// Helpers for unit tests of routines that use the work files and the console.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>

#include "platform/record_io.h"

// Thrown by the test's end-of-input handler instead of ending the process.
struct EndOfInput {};

// A temporary working folder for the duration of a test, with the console redirected to
// string streams; standard input ends after the scripted text.
class ScriptedSession {
  public:
    explicit ScriptedSession(const std::string& input = "");
    ~ScriptedSession();
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;

    std::string console() const { return out_.str(); }
    void write_file(const std::string& name, const std::string& text) const;
    std::string read_file(const std::string& name) const;
    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::filesystem::path old_dir_;
    std::filesystem::path dir_;
    std::istringstream in_;
    std::ostringstream out_;
};
