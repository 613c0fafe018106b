#include "platform/record_io.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>

#include "platform/report_capture.h"

namespace {

// One open file: its stream, whether it may be written, and the byte offset of the next record.
struct Channel {
    std::FILE* file = nullptr;
    bool writable = false;
    long offset = 0;
};

constexpr int32_t kLowestChannel = 1;
constexpr int32_t kHighestChannel = 99;
thread_local Channel channels[kHighestChannel + 1];

std::istream* console_in = &std::cin;
std::ostream* console_out = &std::cout;
void (*end_of_input_handler)() = nullptr;

Channel* open_channel_of(int32_t lun) {
    if (lun < kLowestChannel || lun > kHighestChannel) return nullptr;
    Channel& ch = channels[lun];
    return ch.file != nullptr ? &ch : nullptr;
}

// Byte at a position of the file, or EOF.
int byte_at(std::FILE* f, long pos) {
    if (std::fseek(f, pos, SEEK_SET) != 0) return EOF;
    return std::fgetc(f);
}

[[noreturn]] void end_of_input() {
    if (end_of_input_handler != nullptr) end_of_input_handler();
    console_out->flush();
    std::exit(0);
}

// Next console line; end of input ends the run.
std::string console_read_line() {
    std::string line;
    if (!std::getline(*console_in, line)) end_of_input();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A comma between two digits ("0,5") is a decimal comma, not a separator.
bool decimal_comma_at(const std::string& line, std::size_t pos) {
    return pos != std::string::npos && line[pos] == ',' && pos > 0 && is_digit(line[pos - 1]) &&
           pos + 1 < line.size() && is_digit(line[pos + 1]);
}

// Skips blank and empty lines and returns the first value of the next line that holds one. A
// value with a decimal comma is returned whole, so that it reads as no number and the question
// is asked again (cutting it at the comma would silently read "0,5" as 0).
std::string next_console_value() {
    for (;;) {
        const std::string line = console_read_line();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        std::size_t end = line.find_first_of(" \t,", start);
        if (decimal_comma_at(line, end)) end = line.find_first_of(" \t", end);
        return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
}

}  // namespace

// ---- File channels ---------------------------------------------------------------------------

int32_t open_channel(int32_t lun, std::string_view file_name) {
    if (lun < kLowestChannel || lun > kHighestChannel) return STATUS_OPEN_FAILED;
    close_channel(lun);
    const std::string name(trimmed(fixed<256>(file_name)));
    Channel& ch = channels[lun];
    ch.offset = 0;
    ch.writable = true;
    ch.file = std::fopen(name.c_str(), "r+");
    if (ch.file == nullptr && errno == ENOENT) ch.file = std::fopen(name.c_str(), "w+");
    if (ch.file == nullptr) {
        ch.writable = false;
        ch.file = std::fopen(name.c_str(), "r");
    }
    return ch.file != nullptr ? STATUS_OK : STATUS_OPEN_FAILED;
}

int32_t close_channel(int32_t lun) {
    if (lun < kLowestChannel || lun > kHighestChannel) return STATUS_OK;
    Channel& ch = channels[lun];
    if (ch.file == nullptr) return STATUS_OK;
    const int rc = std::fclose(ch.file);
    ch = Channel{};
    return rc == 0 ? STATUS_OK : STATUS_CLOSE_FAILED;
}

bool channel_is_open(int32_t lun) {
    return open_channel_of(lun) != nullptr;
}

int32_t read_record(int32_t lun, Text<80>& line) {
    line = blank_text<80>();
    Channel* ch = open_channel_of(lun);
    if (ch == nullptr) return STATUS_NOT_OPEN;
    if (std::fseek(ch->file, ch->offset, SEEK_SET) != 0) return STATUS_READ_FAILED;
    std::size_t n = 0;
    int c = std::fgetc(ch->file);
    if (c == EOF) return std::ferror(ch->file) ? STATUS_READ_FAILED : STATUS_END_OF_FILE;
    long consumed = 0;
    bool last_was_cr = false;
    for (; c != EOF && c != '\n'; c = std::fgetc(ch->file)) {
        ++consumed;
        last_was_cr = (c == '\r');
        if (n < line.size()) line[n] = static_cast<char>(c);
        ++n;
    }
    if (c == '\n') ++consumed;
    if (last_was_cr && n <= line.size()) line[n - 1] = ' ';
    ch->offset += consumed;
    return std::ferror(ch->file) ? STATUS_READ_FAILED : STATUS_OK;
}

int32_t write_record(int32_t lun, std::string_view text) {
    Channel* ch = open_channel_of(lun);
    if (ch == nullptr) return STATUS_NOT_OPEN;
    if (!ch->writable) return STATUS_WRITE_FAILED;
    std::string record;
    // A last record without a line end gets one before the new record follows it.
    if (ch->offset > 0 && byte_at(ch->file, ch->offset - 1) != '\n') record += '\n';
    record.append(text);
    record += '\n';
    if (std::fseek(ch->file, ch->offset, SEEK_SET) != 0) return STATUS_WRITE_FAILED;
    if (std::fwrite(record.data(), 1, record.size(), ch->file) != record.size())
        return STATUS_WRITE_FAILED;
    if (std::fflush(ch->file) != 0) return STATUS_WRITE_FAILED;
    ch->offset += static_cast<long>(record.size());
    if (ftruncate(fileno(ch->file), ch->offset) != 0) return STATUS_WRITE_FAILED;
    return STATUS_OK;
}

int32_t rewind_channel(int32_t lun) {
    Channel* ch = open_channel_of(lun);
    if (ch == nullptr) return STATUS_NOT_OPEN;
    // Drop buffered input, so that a file changed since it was last read is read anew.
    std::fflush(ch->file);
    ch->offset = 0;
    return STATUS_OK;
}

int32_t backspace_channel(int32_t lun) {
    Channel* ch = open_channel_of(lun);
    if (ch == nullptr) return STATUS_NOT_OPEN;
    if (ch->offset == 0) return STATUS_OK;
    long pos = ch->offset - 1;
    if (byte_at(ch->file, pos) == '\n') --pos;
    while (pos >= 0 && byte_at(ch->file, pos) != '\n') --pos;
    ch->offset = pos + 1;
    return STATUS_OK;
}

// ---- Console ---------------------------------------------------------------------------------

// Under a report capture (library use) console lines go to the capture and the pause returns
// at once.
void console_line(std::string_view text) {
    if (ReportCapture* capture = report_capture()) {
        capture->lines.emplace_back(text);
        return;
    }
    *console_out << text << '\n';
}

void console_empty_line() {
    if (report_capture() != nullptr) return;
    *console_out << '\n';
}

int32_t read_console_int(int32_t& value) {
    int32_t v = 0;
    if (!parse_fortran_int(next_console_value(), v)) return STATUS_BAD_NUMBER;
    value = v;
    return STATUS_OK;
}

int32_t read_console_real(double& value) {
    double v = 0.0;
    if (!parse_fortran_real(next_console_value(), v)) return STATUS_BAD_NUMBER;
    value = v;
    return STATUS_OK;
}

void wait_for_enter() {
    if (report_capture() != nullptr) return;
    console_read_line();
}

void set_end_of_input_handler(void (*handler)()) {
    end_of_input_handler = handler;
}

void set_console_streams(std::istream* in, std::ostream* out) {
    console_in = in != nullptr ? in : &std::cin;
    console_out = out != nullptr ? out : &std::cout;
}

// ---- Free-format text --------------------------------------------------------------------------

bool parse_fortran_int(std::string_view text, int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (!is_digit(text[i])) return false;
        v = v * 10 + (text[i] - '0');
        if (v > std::numeric_limits<int32_t>::max() + 1LL) return false;
    }
    v = negative ? -v : v;
    if (v > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool parse_fortran_real(std::string_view text, double& value) {
    // Mantissa: sign, digits, optional point, digits (at least one digit in all).
    std::string normal;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) normal += text[i++];
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) normal += text[i++], ++digits;
    if (i < text.size() && text[i] == '.') {
        normal += text[i++];
        while (i < text.size() && is_digit(text[i])) normal += text[i++], ++digits;
    }
    if (digits == 0) return false;
    // Exponent: E, e, D or d with an optional sign, or a sign alone, then digits.
    if (i < text.size()) {
        const char c = text[i];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
            ++i;
            if (i < text.size() && (text[i] == '+' || text[i] == '-'))
                normal.append("e").push_back(text[i++]);
            else
                normal += 'e';
        } else if (c == '+' || c == '-') {
            normal.append("e").push_back(text[i++]);
        } else {
            return false;
        }
        std::size_t exp_digits = 0;
        while (i < text.size() && is_digit(text[i])) normal += text[i++], ++exp_digits;
        if (exp_digits == 0) return false;
    }
    if (i != text.size()) return false;
    errno = 0;
    const double v = std::strtod(normal.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

// ---- List-directed records ---------------------------------------------------------------------

ListRecord& ListRecord::operator<<(std::string_view s) {
    text_.append(s);
    return *this;
}

ListRecord& ListRecord::operator<<(int32_t i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%12d", i);
    text_.append(buf);
    return *this;
}

ListRecord& ListRecord::operator<<(double x) {
    text_.append(list_real(x));
    return *this;
}

std::string list_real(double x) {
    char buf[48];
    const double a = std::fabs(x);
    if (!std::isfinite(x)) {
        std::snprintf(buf, sizeof buf, "%25s",
                      std::isnan(x) ? "NaN" : (x > 0 ? "Infinity" : "-Infinity"));
    } else if (a == 0.0 || (a >= 0.1 && a < 1e16)) {
        const int int_digits = a < 1.0 ? 1 : static_cast<int>(std::floor(std::log10(a))) + 1;
        std::snprintf(buf, sizeof buf, "%22.*f     ", std::max(0, 17 - int_digits), x);
    } else {
        std::snprintf(buf, sizeof buf, "%26.16E", x);
    }
    return buf;
}
