#include "report/independent_srs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "report/band_limited_upsampler.h"

namespace {

// Coefficients of the ramp-invariant filter for natural frequency fn, damping
// ratio zeta and sample interval T (Smallwood's recursive formula, as ISO
// 18431-4 gives it):
//   wn = 2 pi fn, wd = wn sqrt(1 - zeta^2), E = exp(-zeta wn T), B = wd T,
//   C = E cos B, S = E sin B,
//   b0 = 1 - S/B, b1 = 2 (S/B - C), b2 = E^2 - S/B, a1 = 2 C, a2 = E^2.
struct RampInvariantFilter {
    double b0, b1, b2, a1, a2;
};

RampInvariantFilter rampInvariantFilter(double fn, double zeta, double interval) {
    const double pi = std::atan2(0.0, -1.0);
    const double wn = 2.0 * pi * fn;
    const double wd = wn * std::sqrt(1.0 - zeta * zeta);
    const double e = std::exp(-zeta * wn * interval);
    const double b = wd * interval;
    const double c = e * std::cos(b);
    const double sb = e * std::sin(b) / b;
    return {1.0 - sb, 2.0 * (sb - c), e * e - sb, 2.0 * c, e * e};
}

// Filters swept side by side over one signal: their recurrences are
// independent, so the processor overlaps them; the lanes of a partly filled
// sweep repeat its first filter.
constexpr int sweepLanes = 8;

// Runs up to sweepLanes filters over x[0], ..., x[n-1], from rest, and keeps
// each one's largest and most negative output:
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] - a2 y[n-2]
// The terms that do not depend on y[n-1] are summed first, which keeps the
// chain from one output to the next to one multiply and one add.
void sweepFilters(const double* x, std::size_t n, const RampInvariantFilter* filters, int count, double* high,
                  double* low) {
    double b0[sweepLanes], b1[sweepLanes], b2[sweepLanes], a1[sweepLanes], a2[sweepLanes];
    for (int j = 0; j < sweepLanes; ++j) {
        const RampInvariantFilter& f = filters[j < count ? j : 0];
        b0[j] = f.b0;
        b1[j] = f.b1;
        b2[j] = f.b2;
        a1[j] = f.a1;
        a2[j] = f.a2;
    }
    double y1[sweepLanes] = {}, y2[sweepLanes] = {}, top[sweepLanes] = {}, bottom[sweepLanes] = {};
    double x1 = 0.0, x2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x0 = x[i];
        for (int j = 0; j < sweepLanes; ++j) {
            const double y = (((b0[j] * x0 + b1[j] * x1) + b2[j] * x2) - a2[j] * y2[j]) + a1[j] * y1[j];
            top[j] = y > top[j] ? y : top[j];
            bottom[j] = y < bottom[j] ? y : bottom[j];
            y2[j] = y1[j];
            y1[j] = y;
        }
        x2 = x1;
        x1 = x0;
    }
    for (int j = 0; j < count; ++j) {
        high[j] = top[j];
        low[j] = bottom[j];
    }
}

bool positiveFinite(double v) { return v > 0.0 && std::isfinite(v); }

// The factor by which the record is upsampled for natural frequency fn. Above
// the record's Nyquist frequency the history has no content at resonance, so
// the factor stops growing there.
std::size_t upsamplingFactor(double fn, double timeStep, double minPointsPerCycle) {
    const double cycles = std::min(fn * timeStep, 0.5);
    const double needed = std::min(std::ceil(minPointsPerCycle * cycles), 1024.0);
    return fastUpsamplingFactor(needed > 1.0 ? static_cast<std::size_t>(needed) : 1);
}

// Zeros before the record: the band-limited interpolation of a record that
// starts abruptly rings a little before its first sample, and that ringing
// belongs ahead of the response, not wrapped round to the end of the tail.
constexpr std::size_t leadSamples = 32;

}  // namespace

IndependentSrs computeIndependentSrs(const std::vector<double>& acceleration, double timeStep,
                                     const std::vector<double>& frequencies, IndependentSrsSettings settings) {
    IndependentSrs srs;
    srs.frequency = frequencies;
    const std::size_t count = frequencies.size();
    srs.positive.assign(count, std::numeric_limits<double>::quiet_NaN());
    srs.negative.assign(count, std::numeric_limits<double>::quiet_NaN());
    if (!positiveFinite(timeStep)) return srs;

    // Frequencies grouped by the upsampling factor they need, each group
    // filtered on one upsampled copy of the record.
    std::map<std::size_t, std::vector<std::size_t>> groups;
    double lowest = std::numeric_limits<double>::infinity();
    const double minPointsPerCycle = positiveFinite(settings.minPointsPerCycle) ? settings.minPointsPerCycle : 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double fn = frequencies[i];
        if (!positiveFinite(fn)) continue;
        lowest = std::min(lowest, fn);
        groups[upsamplingFactor(fn, timeStep, minPointsPerCycle)].push_back(i);
    }
    if (groups.empty()) return srs;

    const double tailSeconds = std::max(positiveFinite(settings.tailSeconds) ? settings.tailSeconds : 0.0,
                                        1.5 / lowest);
    const std::size_t tail = static_cast<std::size_t>(std::ceil(tailSeconds / timeStep));
    const std::size_t length = fastTransformLength(leadSamples + acceleration.size() + tail);
    std::vector<double> padded(length, 0.0);
    std::copy(acceleration.begin(), acceleration.end(), padded.begin() + leadSamples);
    RecordSpectrum spectrum;
    if (groups.rbegin()->first > 1) spectrum = transformPaddedRecord(padded.data(), length);

    for (const auto& [factor, members] : groups) {
        FftwArray upsampled;
        if (factor > 1) upsampled = upsampleRecord(spectrum, factor);
        const double* signal = factor > 1 ? upsampled.get() : padded.data();
        const double interval = timeStep / static_cast<double>(factor);
        for (std::size_t first = 0; first < members.size(); first += sweepLanes) {
            const int lanes = static_cast<int>(std::min<std::size_t>(sweepLanes, members.size() - first));
            RampInvariantFilter filters[sweepLanes];
            for (int j = 0; j < lanes; ++j)
                filters[j] = rampInvariantFilter(frequencies[members[first + j]], settings.dampingRatio, interval);
            double high[sweepLanes], low[sweepLanes];
            sweepFilters(signal, length * factor, filters, lanes, high, low);
            for (int j = 0; j < lanes; ++j) {
                srs.positive[members[first + j]] = high[j];
                srs.negative[members[first + j]] = 0.0 - low[j];  // a zero response gives +0, not -0
            }
        }
    }
    return srs;
}

double maximax(const IndependentSrs& srs, std::size_t index) {
    return std::max(srs.positive[index], srs.negative[index]);
}
