#include "analysis/independent_srs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "model/constants.h"
#include "analysis/band_limited_upsampler.h"
#include "analysis/ramp_invariant_filter.h"

namespace {

// Filters swept side by side over one signal: their recurrences are
// independent, so the processor overlaps them; the lanes of a partly filled
// sweep repeat its first filter.
constexpr int sweepLanes = 8;

// The vertex of the parabola through three outputs spaced one sample apart,
// the middle one the largest (or most negative) seen: the peak between the
// samples. Sampled at p points a cycle, the samples alone miss a resonant
// peak by up to 1 - cos(pi / p); the vertex by a small fraction of that.
double parabolaVertex(double before, double at, double after) {
    const double curvature = (before - at) + (after - at);
    if (!(curvature != 0.0)) return at;
    const double slope = after - before;
    const double vertex = at - slope * slope / (8.0 * curvature);
    // A vertex beyond the neighbours' reach is not a peak between them.
    return std::fabs(slope) <= std::fabs(curvature) ? vertex : at;
}

// Runs up to sweepLanes filters over x[0], ..., x[n-1] and then two samples
// of zero input, from rest, and keeps each one's largest and most negative
// output, refined between samples, and its last two outputs:
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] - a2 y[n-2]
// The terms that do not depend on y[n-1] are summed first, which keeps the
// chain from one output to the next to one multiply and one add.
void sweepFilters(const double* x, std::size_t n, const RampInvariantFilter* filters, int count, double* high,
                  double* low, double* beforeLast, double* last) {
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
    // The outputs either side of the largest and of the most negative: the
    // one before is kept when the extreme is, the one after on the next step.
    double topBefore[sweepLanes] = {}, topAfter[sweepLanes] = {}, bottomBefore[sweepLanes] = {},
           bottomAfter[sweepLanes] = {};
    bool topNew[sweepLanes] = {}, bottomNew[sweepLanes] = {};
    double x1 = 0.0, x2 = 0.0;
    const auto step = [&](double x0) {
        for (int j = 0; j < sweepLanes; ++j) {
            const double y = (((b0[j] * x0 + b1[j] * x1) + b2[j] * x2) - a2[j] * y2[j]) + a1[j] * y1[j];
            topAfter[j] = topNew[j] ? y : topAfter[j];
            bottomAfter[j] = bottomNew[j] ? y : bottomAfter[j];
            topNew[j] = y > top[j];
            bottomNew[j] = y < bottom[j];
            topBefore[j] = topNew[j] ? y1[j] : topBefore[j];
            bottomBefore[j] = bottomNew[j] ? y1[j] : bottomBefore[j];
            top[j] = topNew[j] ? y : top[j];
            bottom[j] = bottomNew[j] ? y : bottom[j];
            y2[j] = y1[j];
            y1[j] = y;
        }
        x2 = x1;
        x1 = x0;
    };
    for (std::size_t i = 0; i < n; ++i) step(x[i]);
    // The input has stopped: from the second of these outputs on the
    // recurrence holds no input term.
    step(0.0);
    step(0.0);
    for (int j = 0; j < count; ++j) {
        // An extreme on the last output has its neighbour after it in the
        // free response, which the closed form below covers.
        high[j] = topNew[j] || top[j] == 0.0 ? top[j] : parabolaVertex(topBefore[j], top[j], topAfter[j]);
        low[j] = bottomNew[j] || bottom[j] == 0.0 ? bottom[j]
                                                  : parabolaVertex(bottomBefore[j], bottom[j], bottomAfter[j]);
        beforeLast[j] = y2[j];
        last[j] = y1[j];
    }
}

// The free response after the input has stopped, in closed form. With y0 and
// y1 two successive outputs, the later ones are
//   y(k) = E^k (P cos kB + Q sin kB) = R exp(-decay k) cos(B k - phi),
// k counted in samples from y0, for any real k: the ramp-invariant filter's
// outputs are the oscillator's exact response, which between samples with no
// input is this damped sinusoid. Its extremes lie where tan(B k - phi) =
// -decay / B, alternately positive and negative and each smaller than the
// one before, so the first of each sign is the largest. Those within
// `windowSamples` of y0 widen `top` and `bottom`.
void addFreeResponsePeaks(const RampInvariantFilter& f, double y0, double y1, double windowSamples, double& top,
                          double& bottom) {
    const double e = std::exp(-f.decay);
    const double sinTurn = std::sin(f.turn);
    // A response that has died, or one sampled at or near twice a cycle,
    // whose sinusoid two samples cannot tell.
    if (!(e > 1e-300) || !(std::fabs(sinTurn) > 1e-12)) return;
    const double p = y0;
    const double q = (y1 / e - p * std::cos(f.turn)) / sinTurn;
    const double amplitude = std::hypot(p, q);
    if (!(amplitude > 0.0) || !std::isfinite(amplitude)) return;
    const double phase = std::atan2(q, p);
    const double lag = std::atan2(f.decay, f.turn);
    // The first extreme at or after y0, then the next, of the other sign.
    const double first = std::ceil((lag - phase) / pi);
    for (double m = first; m < first + 2.0; m += 1.0) {
        const double k = (m * pi - lag + phase) / f.turn;
        if (!(k <= windowSamples)) break;
        const double value = amplitude * std::cos(lag) * std::exp(-f.decay * k);
        if (std::fmod(m, 2.0) == 0.0) {
            top = std::max(top, value);
        } else {
            bottom = std::min(bottom, -value);
        }
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

// Below this many samples a cycle the filter's linear hold loses more than
// 0.01 % of a resonant tone, which the interpolation for it restores.
constexpr double linearHoldPointsPerCycle = 180.0;

// How the record is brought to the filters of one natural frequency.
struct Interpolation {
    std::size_t factor = 1;
    bool forLinearHold = false;  // through the transform, each tone raised for the linear hold
    bool operator<(const Interpolation& other) const {
        return factor != other.factor ? factor < other.factor : forLinearHold < other.forLinearHold;
    }
};

Interpolation interpolationFor(double fn, double timeStep, double minPointsPerCycle) {
    if (!(minPointsPerCycle > 0.0)) return {};
    const std::size_t factor = upsamplingFactor(fn, timeStep, minPointsPerCycle);
    const double pointsPerCycle = static_cast<double>(factor) / (fn * timeStep);
    return {factor, factor > 1 || pointsPerCycle < linearHoldPointsPerCycle};
}

// Zeros before and after the record: the band-limited interpolation of a
// record that starts or ends abruptly rings a little before its first and
// after its last sample, and that ringing belongs ahead of and after the
// response, not wrapped round from one end to the other.
constexpr std::size_t leadSamples = 32;
constexpr std::size_t trailSamples = 64;

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
    std::map<Interpolation, std::vector<std::size_t>> groups;
    double lowest = std::numeric_limits<double>::infinity();
    const double minPointsPerCycle = positiveFinite(settings.minPointsPerCycle) ? settings.minPointsPerCycle : 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double fn = frequencies[i];
        if (!positiveFinite(fn)) continue;
        lowest = std::min(lowest, fn);
        groups[interpolationFor(fn, timeStep, minPointsPerCycle)].push_back(i);
    }
    if (groups.empty()) return srs;

    // The residual response after the record is followed for the window
    // asked for, at least 1.5 periods of the lowest frequency, so that its
    // first peak of either sign is seen; in closed form, so the cost does not
    // grow with the window.
    const double windowSeconds = std::max(std::isnan(settings.tailSeconds) ? 0.0 : settings.tailSeconds, 1.5 / lowest);
    // Zeros after the record, as before it, for the interpolation's ringing.
    const std::size_t length = fastTransformLength(leadSamples + acceleration.size() + trailSamples);
    std::vector<double> padded(length, 0.0);
    std::copy(acceleration.begin(), acceleration.end(), padded.begin() + leadSamples);
    RecordSpectrum spectrum;
    if (groups.rbegin()->first.forLinearHold) spectrum = transformPaddedRecord(padded.data(), length);

    for (const auto& [interpolation, members] : groups) {
        const std::size_t factor = interpolation.factor;
        FftwArray upsampled;
        if (interpolation.forLinearHold) upsampled = upsampleRecordForLinearHold(spectrum, factor);
        const double* signal = interpolation.forLinearHold ? upsampled.get() : padded.data();
        const double interval = timeStep / static_cast<double>(factor);
        for (std::size_t first = 0; first < members.size(); first += sweepLanes) {
            const int lanes = static_cast<int>(std::min<std::size_t>(sweepLanes, members.size() - first));
            RampInvariantFilter filters[sweepLanes];
            for (int j = 0; j < lanes; ++j)
                filters[j] = rampInvariantFilter(frequencies[members[first + j]], settings.dampingRatio, interval);
            double high[sweepLanes], low[sweepLanes], beforeLast[sweepLanes], last[sweepLanes];
            const std::size_t filtered = length * factor;
            sweepFilters(signal, filtered, filters, lanes, high, low, beforeLast, last);
            // The window counted from the record's end, in samples after the
            // output before last.
            const double recordEnd = static_cast<double>((leadSamples + acceleration.size()) * factor);
            const double window = windowSeconds / interval - (static_cast<double>(filtered) - recordEnd);
            for (int j = 0; j < lanes; ++j) {
                addFreeResponsePeaks(filters[j], beforeLast[j], last[j], window, high[j], low[j]);
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
