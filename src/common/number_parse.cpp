#include "common/number_parse.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool parseDoubleToken(const std::string& token, double& value) {
    if (token.empty()) return false;
    char* end = nullptr;
    const double parsed = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool parseIntegerToken(const std::string& token, std::int32_t& value) {
    if (token.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(token.c_str(), &end, 10);
    if (end != token.c_str() + token.size() || errno == ERANGE) return false;
    if (parsed < INT32_MIN || parsed > INT32_MAX) return false;
    value = static_cast<std::int32_t>(parsed);
    return true;
}
