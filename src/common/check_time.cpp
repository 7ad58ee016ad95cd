#include "common/check_time.h"

#include <cstdlib>

std::string checkTimeText(const char* format) {
    std::time_t now = std::time(nullptr);
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long seconds = std::strtoll(fixed, &end, 10);
        if (end != fixed && *end == '\0' && seconds >= 0) now = static_cast<std::time_t>(seconds);
    }
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &utc);
    return std::string(text, length);
}
