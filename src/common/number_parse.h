#pragma once

#include <cstdint>
#include <string>

// Parsers of one whole token, for answers and options: the token must be
// wholly a finite double, or a base-10 integer within the 32-bit range.
bool parseDoubleToken(const std::string& token, double& value);
bool parseIntegerToken(const std::string& token, std::int32_t& value);
