#include "common/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

// Widens a two-digit exponent ("e+05") to three ("e+005") and pads to width.
std::string widenExponent(const char* text, int width) {
    std::string s(text);
    const std::size_t e = s.find_first_of("eE");
    if (e != std::string::npos && e + 1 < s.size()) {
        const std::size_t digits = e + 2;  // after the sign
        const std::size_t count = s.size() - digits;
        if (count < 3) s.insert(digits, 3 - count, '0');
    }
    if (static_cast<int>(s.size()) >= width) return s;
    return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

}  // namespace

std::string formatExponent(double value, int width, int precision) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*e", precision, value);
    return widenExponent(buffer, width);
}

std::string formatGeneral(double value, int width, int precision) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    return widenExponent(buffer, width);
}

void appendFixed(std::string& out, double value, int width, int precision) {
    // Room for the 309 integer digits of the largest double, its sign, point
    // and any precision this program asks for.
    char buffer[400];
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (written.ec != std::errc()) {
        appendFormat(out, "%*.*f", width, precision, value);
        return;
    }
    const int length = static_cast<int>(written.ptr - buffer);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(buffer, static_cast<std::size_t>(length));
}

void appendUpperExponent(std::string& out, double value, int width, int precision) {
    char buffer[400];
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision);
    // printf spells the non-finite values in capitals ("INF", "-NAN").
    if (written.ec != std::errc() || !std::isfinite(value)) {
        appendFormat(out, "%*.*E", width, precision, value);
        return;
    }
    const int length = static_cast<int>(written.ptr - buffer);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    const std::size_t start = out.size();
    out.append(buffer, static_cast<std::size_t>(length));
    const std::size_t e = out.find('e', start);
    if (e != std::string::npos) out[e] = 'E';
}

void appendFormat(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(length));
    } else {
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&out[start], static_cast<std::size_t>(length) + 1, format, copy);
        out.resize(start + static_cast<std::size_t>(length));
    }
    va_end(copy);
}
