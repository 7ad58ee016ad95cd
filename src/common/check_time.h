#pragma once

#include <ctime>
#include <string>

// When a check or an export is made, in UTC: now, or the time
// SOURCE_DATE_EPOCH gives (seconds since 1970), so that a page or a file can
// be made again byte for byte. Formatted with strftime's `format`.
std::string checkTimeText(const char* format);
