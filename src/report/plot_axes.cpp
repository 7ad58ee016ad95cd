#include "report/plot_axes.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"

double toPixel(const AxisScale& axis, double value) {
    const double a = axis.logarithmic ? std::log10(axis.low) : axis.low;
    const double b = axis.logarithmic ? std::log10(axis.high) : axis.high;
    const double v = axis.logarithmic ? std::log10(value) : value;
    return axis.pixelLow + (v - a) / (b - a) * (axis.pixelHigh - axis.pixelLow);
}

void decadeRange(double smallest, double largest, double& low, double& high) {
    double first = std::floor(std::log10(smallest));
    double last = std::ceil(std::log10(largest));
    if (!(last > first)) last = first + 1.0;
    low = std::pow(10.0, first);
    high = std::pow(10.0, last);
}

std::vector<double> linearTicks(double low, double high, int target, double& step) {
    const double raw = (high - low) / target;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    step = decade;
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * decade;
        if (step >= raw) break;
    }
    std::vector<double> ticks;
    const double first = std::ceil(low / step - 1e-9);
    for (double k = first; k * step <= high + step * 1e-9; k += 1.0) {
        const double tick = k * step;
        ticks.push_back(std::fabs(tick) < step * 1e-9 ? 0.0 : tick);
    }
    return ticks;
}

void linearRange(double smallest, double largest, int target, double& low, double& high) {
    if (!(largest > smallest)) {
        const double half = smallest == 0.0 ? 1.0 : std::fabs(smallest) * 0.5;
        smallest -= half;
        largest += half;
    }
    const double pad = (largest - smallest) * 0.05;
    double step = 0.0;
    linearTicks(smallest - pad, largest + pad, target, step);
    low = std::floor((smallest - pad) / step) * step;
    high = std::ceil((largest + pad) / step) * step;
}

std::string tickLabel(double value, double step) {
    if (std::fabs(value) >= 1e6 || (step < 1e-4 && value != 0.0)) return formatGeneral(value, 0, 3);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    std::string text;
    appendFormat(text, "%.*f", decimals, value);
    return text;
}

std::string logTickLabel(double value) {
    if (value >= 1e-3 && value < 1e6) return formatGeneral(value, 0, 6);
    return formatExponent(value, 0, 0);
}

std::vector<std::size_t> decimateByColumns(const std::vector<double>& value, std::size_t count, int columns) {
    std::vector<std::size_t> kept;
    const std::size_t columnCount = static_cast<std::size_t>(std::max(columns, 1));
    if (count <= 2 * columnCount) {
        for (std::size_t i = 0; i < count; ++i) kept.push_back(i);
        return kept;
    }
    for (std::size_t column = 0; column < columnCount; ++column) {
        const std::size_t begin = column * count / columnCount;
        const std::size_t end = (column + 1) * count / columnCount;
        if (begin == end) continue;
        std::size_t lowest = begin;
        std::size_t highest = begin;
        for (std::size_t i = begin; i < end; ++i) {
            if (value[i] < value[lowest]) lowest = i;
            if (value[i] > value[highest]) highest = i;
        }
        kept.push_back(std::min(lowest, highest));
        if (lowest != highest) kept.push_back(std::max(lowest, highest));
    }
    // The record's ends stay, so the trace spans the whole time axis.
    if (kept.front() != 0) kept.insert(kept.begin(), 0);
    if (kept.back() != count - 1) kept.push_back(count - 1);
    return kept;
}
