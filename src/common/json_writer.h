#pragma once

#include <string>
#include <string_view>

// Pieces of JSON text: strings escaped as RFC 8259 asks (quotes, backslashes
// and every control character), numbers finite or null.
std::string jsonString(std::string_view text);
std::string jsonNumber(double value);  // shortest round-trip text; null when not finite
std::string jsonBool(bool value);
