#include "platform/text_helpers.h"

// Left-justifies an 80-character line: its leading blanks move to the end. Always 0.
int32_t I4_CLEFT(Text<80>& line) {
    std::size_t k = 0;
    while (k < line.size() && line[k] == ' ') ++k;
    if (k == 0 || k == line.size()) return 0;
    std::copy(line.begin() + static_cast<long>(k), line.end(), line.begin());
    std::fill(line.end() - static_cast<long>(k), line.end(), ' ');
    return 0;
}
