#pragma once

#include <string>

// printf-style %e and %g conversions whose exponent always has a sign and at
// least three digits (1.23450e+002, 1.234e-005). The field width applies to the
// whole text, right-justified, as printf's would.
std::string formatExponent(double value, int width, int precision);  // "%W.Pe"
std::string formatGeneral(double value, int width, int precision);   // "%W.Pg"

// Appends value as "%W.Pf" would print it, through std::to_chars, which
// rounds the exact binary value as printf does and gives the same characters
// (signed zeros, "inf", "nan", "-nan") several times faster.
void appendFixed(std::string& out, double value, int width, int precision);

// Appends value as "%W.PE" would print it (1.234500000000E+02), the same way.
void appendUpperExponent(std::string& out, double value, int width, int precision);

// Appends printf-formatted text to `out`.
void appendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
