#include "refine/peak_model.h"

#include <algorithm>
#include <cmath>

#include "analysis/ramp_invariant_filter.h"
#include "common/shared_work.h"

namespace {

// The responses at outputs k1 and k2 to a unit shape starting at `first`:
// at each k, the sum over the shape's samples n <= k of h[k - n] shape[n - first],
// in n's order. The two sums run side by side, each in its own order, so
// neither waits on the other's additions.
void responsesAt(const std::vector<double>& impulse, const WaveletShape& shape, std::size_t k1, std::size_t k2,
                 double& sum1, double& sum2) {
    sum1 = 0.0;
    sum2 = 0.0;
    const std::size_t first = static_cast<std::size_t>(shape.first);
    const std::size_t end = first + shape.values.size();
    const std::size_t last1 = k1 < first ? first : std::min(end, k1 + 1);
    const std::size_t last2 = k2 < first ? first : std::min(end, k2 + 1);
    const std::size_t both = std::min(last1, last2);
    const double* h = impulse.data();
    const double* v = shape.values.data();
    std::size_t n = first;
    for (; n < both; ++n) {
        sum1 += h[k1 - n] * v[n - first];
        sum2 += h[k2 - n] * v[n - first];
    }
    for (std::size_t m = n; m < last1; ++m) sum1 += h[k1 - m] * v[m - first];
    for (std::size_t m = n; m < last2; ++m) sum2 += h[k2 - m] * v[m - first];
}

}  // namespace

PeakModel modelPeaks(const std::vector<WaveletShape>& shapes, const std::vector<double>& history, double timeStep,
                     const std::vector<double>& frequencies, double dampingRatio) {
    PeakModel model;
    model.positive.resize(frequencies.size());
    model.negative.resize(frequencies.size());
    // Each frequency's rows come from its own filter alone: the threads change nothing but the time.
    runShared(frequencies.size(), coreCount(), [&](std::size_t i) {
        const RampInvariantFilter filter = rampInvariantFilter(frequencies[i], dampingRatio, timeStep);
        // Two periods after the record hold the free response's first peaks.
        const std::size_t tail = static_cast<std::size_t>(std::ceil(2.0 / (frequencies[i] * timeStep))) + 2;
        const std::vector<double> y = rampInvariantResponse(filter, history.data(), history.size(), tail);
        const std::size_t high = static_cast<std::size_t>(std::max_element(y.begin(), y.end()) - y.begin());
        const std::size_t low = static_cast<std::size_t>(std::min_element(y.begin(), y.end()) - y.begin());
        const double unit = 1.0;
        const std::vector<double> impulse = rampInvariantResponse(filter, &unit, 1, std::max(high, low));
        PeakRow& positive = model.positive[i];
        PeakRow& negative = model.negative[i];
        positive.value = y[high];
        negative.value = -y[low];
        for (const WaveletShape& shape : shapes) {
            double atHigh = 0.0, atLow = 0.0;
            responsesAt(impulse, shape, high, low, atHigh, atLow);
            positive.gains.push_back(atHigh);
            negative.gains.push_back(-atLow);
        }
    });
    return model;
}
