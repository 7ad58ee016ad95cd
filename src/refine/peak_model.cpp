#include "refine/peak_model.h"

#include <algorithm>
#include <cmath>

#include "analysis/ramp_invariant_filter.h"

namespace {

// The response at output k to a unit shape starting at `first`:
// sum over its samples n <= k of h[k - n] shape[n - first].
double responseAt(const std::vector<double>& impulse, const WaveletShape& shape, std::size_t k) {
    double sum = 0.0;
    const std::size_t first = static_cast<std::size_t>(shape.first);
    if (k < first) return 0.0;
    const std::size_t last = std::min(first + shape.values.size(), k + 1);
    for (std::size_t n = first; n < last; ++n) sum += impulse[k - n] * shape.values[n - first];
    return sum;
}

}  // namespace

PeakModel modelPeaks(const std::vector<WaveletShape>& shapes, const std::vector<double>& history, double timeStep,
                     const std::vector<double>& frequencies, double dampingRatio) {
    PeakModel model;
    model.positive.resize(frequencies.size());
    model.negative.resize(frequencies.size());
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
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
            positive.gains.push_back(responseAt(impulse, shape, high));
            negative.gains.push_back(-responseAt(impulse, shape, low));
        }
    }
    return model;
}
