// Record input and output in the program's sequential style: numbered channels bound to files
// in the current folder, one line per record, the console as a line channel, and list-directed
// (free-format) records. Every Part of the program does its input and output through here.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/fixed_text.h"
#include "platform/status_codes.h"

// ---- File channels -------------------------------------------------------------------------
// Opens a file on a channel with open status "unknown": an existing file is opened, a missing
// one created; the channel stands at the start, so the first record written replaces the old
// content. A file that may only be read is opened for reading.
int32_t open_channel(int32_t lun, std::string_view file_name);
// Closes a channel; a channel that was never opened is skipped with status 0.
int32_t close_channel(int32_t lun);
bool channel_is_open(int32_t lun);
// Reads the next record into an 80-character buffer: longer lines are cut, shorter padded with
// blanks, a trailing carriage return dropped. Returns -1 at end of file.
int32_t read_record(int32_t lun, Text<80>& line);
// Writes one record at the current position; it becomes the last record of the file.
int32_t write_record(int32_t lun, std::string_view line);
int32_t rewind_channel(int32_t lun);
// Steps back over the record just read (or written), so that it is read or replaced next.
int32_t backspace_channel(int32_t lun);

// ---- Console -------------------------------------------------------------------------------
void console_line(std::string_view text);
void console_empty_line();

// Console input in free format. Leading blanks and empty lines are skipped until a value is
// found; the value ends at a blank or a comma (a comma between digits is a decimal comma and
// makes the answer no number); the rest of the line is discarded. Returns 0, or
// STATUS_BAD_NUMBER when the answer is not a (finite) number of the asked kind; the caller asks
// again. At end of input the end-of-input handler runs and the process ends.
int32_t read_console_int(int32_t& value);
int32_t read_console_real(double& value);
// Pause: reads one console line and ignores it.
void wait_for_enter();

// Called once when standard input ends; it closes the work files. The process then exits.
void set_end_of_input_handler(void (*handler)());
// Redirects the console (tests); nullptr restores standard input and output.
void set_console_streams(std::istream* in, std::ostream* out);

// ---- Free-format text ------------------------------------------------------------------------
// Parses a Fortran-style number: 300, 300., 3e2, 3.0D2, -1, .5, 1.5+2. Whole text must match.
bool parse_fortran_real(std::string_view text, double& value);
bool parse_fortran_int(std::string_view text, int32_t& value);

// One list-directed output record: it begins with a blank, texts follow one another, a 32-bit
// integer takes 12 characters, a real is written with 17 significant digits.
class ListRecord {
  public:
    ListRecord() : text_(" ") {}
    ListRecord& operator<<(std::string_view s);
    ListRecord& operator<<(const char* s) { return *this << std::string_view(s); }
    template <std::size_t N>
    ListRecord& operator<<(const Text<N>& t) {
        return *this << view(t);
    }
    ListRecord& operator<<(int32_t i);
    ListRecord& operator<<(double x);
    ListRecord& operator<<(float x) { return *this << static_cast<double>(x); }
    const std::string& text() const { return text_; }
    int32_t write_to(int32_t lun) const { return write_record(lun, text_); }
    void write_to_console() const { console_line(text_); }

  private:
    std::string text_;
};

// The list-directed form of a real: 17 significant digits, fixed or exponent form.
std::string list_real(double x);
