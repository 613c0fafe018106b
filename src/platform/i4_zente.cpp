#include "platform/text_helpers.h"

// Centres the text of an 80-character line: the text of length L starts at column (81 - L)/2.
int32_t I4_ZENTER(const Text<80>& source, Text<80>& target) {
    target = blank_text<80>();
    const std::string_view s = view(source);
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    const std::size_t last = s.find_last_not_of(' ');
    const std::size_t length = last - first + 1;
    // A text filling all 80 columns would start at column 0: it is copied unchanged.
    const std::size_t column = std::max<std::size_t>(1, (81 - length) / 2);
    std::copy_n(s.begin() + static_cast<long>(first), length,
                target.begin() + static_cast<long>(column - 1));
    return 0;
}
