#include <ctime>

#include "main/run_control.h"

// Current local date and hour: ten digits CCYYMMDDhh.
void DATE_HH(Text<10>& text) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y%m%d%H", &local);
    set_text(text, buf);
}
