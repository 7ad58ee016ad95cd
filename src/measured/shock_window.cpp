#include "measured/shock_window.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double shockUnderWayShare = 0.25;  // of the peak
constexpr double noiseMultiple = 5.0;
constexpr double smallestThresholdShare = 0.002;  // of the peak
constexpr int quietBlocks = 8;
constexpr double quietSwing = 4.0;  // the loudest block's RMS over the quietest's

double medianOf(std::vector<double> values) {
    if (values.empty()) return 0.0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    return values[middle];
}

double baselineOf(const std::vector<double>& a) {
    const std::size_t count = std::min(a.size(), std::max<std::size_t>(16, a.size() / 100));
    return medianOf(std::vector<double>(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(count)));
}

// Whether the first `count` samples are steady noise rather than the onset of
// a shock: the RMS of each eighth about its own mean, the largest against
// the smallest (or a ten-thousandth of the peak, for a channel so quiet that
// a block holds one value).
bool quietStart(const std::vector<double>& a, std::size_t count, double peak) {
    double least = HUGE_VAL;
    double most = 0.0;
    for (int b = 0; b < quietBlocks; ++b) {
        const std::size_t first = count * static_cast<std::size_t>(b) / quietBlocks;
        const std::size_t last = count * static_cast<std::size_t>(b + 1) / quietBlocks;
        double sum = 0.0;
        for (std::size_t i = first; i < last; ++i) sum += a[i];
        const double mean = sum / static_cast<double>(last - first);
        double square = 0.0;
        for (std::size_t i = first; i < last; ++i) square += (a[i] - mean) * (a[i] - mean);
        const double rms = std::sqrt(square / static_cast<double>(last - first));
        least = std::min(least, rms);
        most = std::max(most, rms);
    }
    return most <= quietSwing * std::max(least, 1e-4 * peak);
}

// The offset and noise of the samples before `count`.
void measurePreTrigger(const std::vector<double>& a, std::size_t count, ShockWindow& window) {
    window.preTrigger = count >= minPreTriggerSamples;
    if (!window.preTrigger) return;
    window.preTriggerSamples = count;
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) sum += a[i];
    window.offset = sum / static_cast<double>(count);
    double square = 0.0;
    for (std::size_t i = 0; i < count; ++i) square += (a[i] - window.offset) * (a[i] - window.offset);
    window.noiseRms = std::sqrt(square / static_cast<double>(count));
}

void setThreshold(const std::vector<double>& a, ShockWindow& window) {
    window.peak = 0.0;
    for (const double v : a) window.peak = std::max(window.peak, std::fabs(v - window.offset));
    window.threshold = std::max(noiseMultiple * window.noiseRms, smallestThresholdShare * window.peak);
}

std::size_t lastAbove(const std::vector<double>& a, const ShockWindow& window) {
    for (std::size_t i = a.size(); i-- > 0;) {
        if (std::fabs(a[i] - window.offset) > window.threshold) return i + 1;
    }
    return a.size();
}

}  // namespace

ShockWindow findShockWindow(const std::vector<double>& a) {
    ShockWindow window;
    const double baseline = baselineOf(a);
    double peak = 0.0;
    for (const double v : a) peak = std::max(peak, std::fabs(v - baseline));
    std::size_t underWay = 0;
    while (underWay < a.size() && std::fabs(a[underWay] - baseline) < shockUnderWayShare * peak) ++underWay;
    std::size_t quiet = underWay / 2;
    while (quiet >= minPreTriggerSamples && !quietStart(a, quiet, peak)) quiet /= 2;
    measurePreTrigger(a, quiet, window);
    setThreshold(a, window);
    if (window.preTrigger) {
        std::size_t start = quiet;
        while (start < a.size() && std::fabs(a[start] - window.offset) <= window.threshold) ++start;
        while (start > 0 && std::fabs(a[start - 1] - window.offset) > window.noiseRms) --start;
        window.start = start;
    }
    window.end = std::max(window.start + 1, lastAbove(a, window));
    return window;
}

ShockWindow givenShockWindow(const std::vector<double>& a, std::size_t first, std::size_t last) {
    ShockWindow window;
    window.given = true;
    measurePreTrigger(a, first, window);
    setThreshold(a, window);
    window.start = first;
    window.end = std::min(a.size(), last + 1);
    return window;
}
