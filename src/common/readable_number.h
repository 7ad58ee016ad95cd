#pragma once

#include <string>

// A number as an engineer reads it on a page: fixed-point with three to four
// significant figures (1000.0, 31.62, 0.0123), never an exponent between 1e-4
// and 1e9; outside that range, or not finite, the %g text with a three-digit
// exponent.
std::string readableNumber(double value);
