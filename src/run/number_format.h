#pragma once

#include <string>

// printf-style %e and %g conversions whose exponent always has a sign and at
// least three digits (1.23450e+002, 1.234e-005). The field width applies to the
// whole text, right-justified, as printf's would.
std::string formatExponent(double value, int width, int precision);  // "%W.Pe"
std::string formatGeneral(double value, int width, int precision);   // "%W.Pg"

// Appends printf-formatted text to `out`.
void appendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
