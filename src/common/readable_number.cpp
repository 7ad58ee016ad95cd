#include "common/readable_number.h"

#include <cmath>

#include "common/number_format.h"

std::string readableNumber(double value) {
    const double magnitude = std::fabs(value);
    if (!std::isfinite(value) || (magnitude != 0.0 && (magnitude < 1e-4 || magnitude >= 1e9))) {
        return formatGeneral(value, 0, 4);
    }
    int decimals = 1;
    if (magnitude != 0.0 && magnitude < 100.0) {
        decimals = 3 - static_cast<int>(std::floor(std::log10(magnitude)));
    }
    std::string text;
    appendFixed(text, value, 0, decimals);
    return text;
}
