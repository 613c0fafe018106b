#include "platform/text_helpers.h"

// First blank-delimited word of an 80-character line, at most 20 characters, with its length.
int32_t I4_CSTR(const Text<80>& line, Text<20>& word, int32_t& length) {
    word = blank_text<20>();
    length = 0;
    for (char c : line) {
        if (c == ' ') {
            if (length > 0) break;
            continue;
        }
        word[static_cast<std::size_t>(length++)] = c;
        if (length == static_cast<int32_t>(word.size())) break;
    }
    return 0;
}
