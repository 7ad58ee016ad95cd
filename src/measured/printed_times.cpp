#include "measured/printed_times.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/readable_number.h"

double halfLastDigit(const std::string& printed) {
    if (printed.find_first_of("123456789.eEdD") == std::string::npos) return 0.0;
    const std::size_t e = printed.find_first_of("eEdD");
    const std::string mantissa = printed.substr(0, e);
    const int exponent = e == std::string::npos ? 0 : std::atoi(printed.c_str() + e + 1);
    const std::size_t point = mantissa.find('.');
    int decimals = 0;
    if (point != std::string::npos) {
        for (std::size_t k = point + 1; k < mantissa.size() && std::isdigit(static_cast<unsigned char>(mantissa[k]));
             ++k) {
            ++decimals;
        }
    }
    return 0.5 * std::pow(10.0, exponent - decimals);
}

bool uniformStepOf(const PrintedTimes& times, double& step, std::string& error) {
    const std::vector<double>& t = times.time;
    if (t.size() < 2) {
        error = "it holds fewer than two samples";
        return false;
    }
    step = (t.back() - t.front()) / static_cast<double>(t.size() - 1);
    if (!(step > 0.0) || !std::isfinite(step)) {
        error = "its times do not increase";
        return false;
    }
    // The grid's own rounding: the times as doubles carry a few units in the
    // last place of their size.
    const double slack =
        8.0 * std::numeric_limits<double>::epsilon() * std::max(std::fabs(t.front()), std::fabs(t.back()));
    // The step itself comes from the two ends as printed: their rounding
    // moves the grid by up to theirs, shared out along the record.
    const double last = static_cast<double>(t.size() - 1);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const double expected = t.front() + static_cast<double>(i) * step;
        const double stray = std::fabs(t[i] - expected);
        const double along = static_cast<double>(i) / last;
        const double ends = (1.0 - along) * times.rounding.front() + along * times.rounding.back();
        if (stray > times.rounding[i] + ends + slack || !std::isfinite(t[i])) {
            error = "it is not sampled uniformly: sample " + std::to_string(i + 1) + "'s time " + readableNumber(t[i]) +
                    " s strays " + readableNumber(stray) + " s from the step " + readableNumber(step) +
                    " s (its length over its " + std::to_string(t.size() - 1) + " intervals), more than the " +
                    readableNumber(times.rounding[i]) +
                    " s its printing rounds to (with the ends'); a record must be resampled before it is judged";
            return false;
        }
    }
    return true;
}
