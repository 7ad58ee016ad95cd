#include "analysis/independent_srs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "common/cpu_features.h"
#include "common/shared_work.h"
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

// The peak of the quartic through five outputs spaced one sample apart, the
// middle one the largest (or most negative) seen: a few Newton steps on its
// slope from the parabola's vertex. Its error falls as the sixth power of
// the samples a cycle, the parabola's as the fourth: at 24 a cycle it reads
// a resonant peak to a few parts in a million.
double quarticVertex(const double y[5]) {
    const double a1 = ((y[0] - 8.0 * y[1]) + (8.0 * y[3] - y[4])) / 12.0;
    const double a2 = ((16.0 * y[1] - y[0]) + (16.0 * y[3] - y[4]) - 30.0 * y[2]) / 24.0;
    const double a3 = ((2.0 * y[1] - y[0]) + (y[4] - 2.0 * y[3])) / 12.0;
    const double a4 = ((y[0] - 4.0 * y[1]) + (6.0 * y[2] - 4.0 * y[3]) + y[4]) / 24.0;
    if (!(a2 != 0.0)) return y[2];
    double x = -a1 / (2.0 * a2);
    for (int step = 0; step < 4 && std::fabs(x) <= 1.0; ++step) {
        const double slope = ((a1 + 2.0 * a2 * x) + 3.0 * a3 * x * x) + 4.0 * a4 * x * x * x;
        const double bend = (2.0 * a2 + 6.0 * a3 * x) + 12.0 * a4 * x * x;
        if (!(bend != 0.0)) break;
        x -= slope / bend;
    }
    // A vertex beyond the neighbours' reach is not a peak between them.
    if (!(std::fabs(x) <= 1.0)) return parabolaVertex(y[1], y[2], y[3]);
    return (((a4 * x + a3) * x + a2) * x + a1) * x + y[2];
}

typedef double Lanes __attribute__((vector_size(sweepLanes * sizeof(double))));
typedef long long LaneBits __attribute__((vector_size(sweepLanes * sizeof(double))));

// Runs up to sweepLanes filters over x[0], ..., x[n-1] and then two samples
// of zero input, from rest, and keeps each one's largest and most negative
// output, refined between samples, and its last two outputs:
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] - a2 y[n-2]
// The terms that do not depend on y[n-1] are summed first, which keeps the
// chain from one output to the next to one multiply and one add. The lanes
// are one vector: each does the same IEEE operations as it would alone, so
// the result is the same on every instruction set. Vectors pass by
// reference: this is inlined into functions that enable wider registers.
[[gnu::always_inline]] inline void sweepLanesOver(const double* x, std::size_t n, const RampInvariantFilter* filters,
                                                  int count, double* high, double* low, double* beforeLast,
                                                  double* last) {
    Lanes b0, b1, b2, a1, a2;
    for (int j = 0; j < sweepLanes; ++j) {
        const RampInvariantFilter& f = filters[j < count ? j : 0];
        b0[j] = f.b0;
        b1[j] = f.b1;
        b2[j] = f.b2;
        a1[j] = f.a1;
        a2[j] = f.a2;
    }
    const Lanes zero = {};
    Lanes y1 = zero, y2 = zero, top = zero, bottom = zero;
    // The outputs either side of the largest and of the most negative: the
    // one before is kept when the extreme is, the one after on the next step.
    // Two outputs either side of the largest and of the most negative: those
    // before are kept when the extreme is, those after on the next two steps.
    Lanes topBefore2 = zero, topBefore = zero, topAfter = zero, topAfter2 = zero;
    Lanes bottomBefore2 = zero, bottomBefore = zero, bottomAfter = zero, bottomAfter2 = zero;
    LaneBits topNew = {}, bottomNew = {}, topNewBefore = {}, bottomNewBefore = {};
    double x1 = 0.0, x2 = 0.0;
    const auto step = [&](double x0) __attribute__((always_inline)) {
        const Lanes y = (((b0 * x0 + b1 * x1) + b2 * x2) - a2 * y2) + a1 * y1;
        topAfter2 = topNewBefore ? y : topAfter2;
        bottomAfter2 = bottomNewBefore ? y : bottomAfter2;
        topAfter = topNew ? y : topAfter;
        bottomAfter = bottomNew ? y : bottomAfter;
        topNewBefore = topNew;
        bottomNewBefore = bottomNew;
        topNew = y > top;
        bottomNew = y < bottom;
        topBefore2 = topNew ? y2 : topBefore2;
        bottomBefore2 = bottomNew ? y2 : bottomBefore2;
        topBefore = topNew ? y1 : topBefore;
        bottomBefore = bottomNew ? y1 : bottomBefore;
        top = topNew ? y : top;
        bottom = bottomNew ? y : bottom;
        y2 = y1;
        y1 = y;
        x2 = x1;
        x1 = x0;
    };
    for (std::size_t i = 0; i < n; ++i) step(x[i]);
    // The input has stopped: from the second of these outputs on the
    // recurrence holds no input term.
    step(0.0);
    step(0.0);
    // An extreme on the last output has its neighbour after it in the free
    // response, which the closed form below covers; one on the output before
    // has one neighbour after it here.
    const auto peakOf = [](bool isLast, bool beforeLastOne, double before2, double before, double at, double after,
                           double after2) {
        if (isLast || at == 0.0) return at;
        if (beforeLastOne) return parabolaVertex(before, at, after);
        const double five[5] = {before2, before, at, after, after2};
        return quarticVertex(five);
    };
    for (int j = 0; j < count; ++j) {
        high[j] = peakOf(topNew[j], topNewBefore[j], topBefore2[j], topBefore[j], top[j], topAfter[j], topAfter2[j]);
        low[j] = peakOf(bottomNew[j], bottomNewBefore[j], bottomBefore2[j], bottomBefore[j], bottom[j],
                        bottomAfter[j], bottomAfter2[j]);
        beforeLast[j] = y2[j];
        last[j] = y1[j];
    }
}

using SweepKernel = void (*)(const double*, std::size_t, const RampInvariantFilter*, int, double*, double*, double*,
                             double*);

void sweepBaseline(const double* x, std::size_t n, const RampInvariantFilter* filters, int count, double* high,
                   double* low, double* beforeLast, double* last) {
    sweepLanesOver(x, n, filters, count, high, low, beforeLast, last);
}

#ifdef KOLVANE_X86_KERNELS
__attribute__((target("avx2"))) void sweepAvx2(const double* x, std::size_t n, const RampInvariantFilter* filters,
                                               int count, double* high, double* low, double* beforeLast,
                                               double* last) {
    sweepLanesOver(x, n, filters, count, high, low, beforeLast, last);
}

__attribute__((target("avx512f"))) void sweepAvx512(const double* x, std::size_t n,
                                                    const RampInvariantFilter* filters, int count, double* high,
                                                    double* low, double* beforeLast, double* last) {
    sweepLanesOver(x, n, filters, count, high, low, beforeLast, last);
}
#endif

SweepKernel chooseSweep() {
    if (plainKernelsOnly) return sweepBaseline;
#ifdef KOLVANE_X86_KERNELS
    if (cpuOffers(InstructionSet::avx512)) return sweepAvx512;
    if (cpuOffers(InstructionSet::avx2)) return sweepAvx2;
#endif
    return sweepBaseline;
}

void sweepFilters(const double* x, std::size_t n, const RampInvariantFilter* filters, int count, double* high,
                  double* low, double* beforeLast, double* last) {
    static const SweepKernel kernel = chooseSweep();
    kernel(x, n, filters, count, high, low, beforeLast, last);
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

constexpr std::size_t minimumUpsampling = 3;

// The factor by which the record is upsampled for natural frequency fn. Above
// the record's Nyquist frequency the history has no content at resonance, so
// the factor stops growing there.
std::size_t upsamplingFactor(double fn, double timeStep, double minPointsPerCycle) {
    const double cycles = std::min(fn * timeStep, 0.5);
    const double needed = std::min(std::ceil(minPointsPerCycle * cycles), 1024.0);
    if (!(needed > 1.0)) return 1;
    // Once a record is upsampled at all, at least threefold: a record at
    // 12 samples a cycle brought only to 24 leaves wavelet sums 0.08 % off
    // their finely sampled selves, at 36 a hundredth of a percent.
    return fastUpsamplingFactor(std::max<std::size_t>(static_cast<std::size_t>(needed), minimumUpsampling));
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

// The threads for `tasks` pieces of work: the processor's cores, each given
// at least two sweeps' worth, for records long enough to be worth a thread.
int workerCount(std::size_t tasks) {
    const auto cores = static_cast<std::size_t>(coreCount());
    return static_cast<int>(std::max<std::size_t>(1, std::min<std::size_t>(cores, tasks / 2)));
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
    return computeIndependentSrs(acceleration.data(), acceleration.size(), timeStep, frequencies, settings);
}

IndependentSrs computeIndependentSrs(const double* acceleration, std::size_t sampleCount, double timeStep,
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
    const std::size_t length = fastTransformLength(leadSamples + sampleCount + trailSamples);
    std::vector<double> padded(length, 0.0);
    std::copy(acceleration, acceleration + sampleCount, padded.begin() + leadSamples);
    RecordSpectrum spectrum;
    if (groups.rbegin()->first.forLinearHold) spectrum = transformPaddedRecord(padded.data(), length);

    // Every group's signal, then every sweep of up to sweepLanes filters over
    // one: each frequency's figures come from its own filter alone, so the
    // threads that share the work out change nothing but the time.
    struct Group {
        Interpolation interpolation;
        const std::vector<std::size_t>* members;
        FftwArray upsampled;
    };
    std::vector<Group> signals;
    for (const auto& [interpolation, members] : groups) signals.push_back({interpolation, &members, nullptr});
    struct Sweep {
        std::size_t group;
        std::size_t first;
    };
    std::vector<Sweep> sweeps;
    for (std::size_t g = 0; g < signals.size(); ++g) {
        for (std::size_t first = 0; first < signals[g].members->size(); first += sweepLanes) sweeps.push_back({g, first});
    }
    const int threads = workerCount(sweeps.size());
    // The longest transforms first, so that the threads finish together.
    std::vector<std::size_t> longestFirst;
    for (std::size_t g = signals.size(); g-- > 0;) {
        if (signals[g].interpolation.forLinearHold) longestFirst.push_back(g);
    }
    runShared(longestFirst.size(), threads, [&](std::size_t k) {
        Group& group = signals[longestFirst[k]];
        group.upsampled = upsampleRecordForLinearHold(spectrum, group.interpolation.factor);
    });
    runShared(sweeps.size(), threads, [&](std::size_t k) {
        const Group& group = signals[sweeps[k].group];
        const std::vector<std::size_t>& members = *group.members;
        const std::size_t first = sweeps[k].first;
        const std::size_t factor = group.interpolation.factor;
        const double* signal = group.interpolation.forLinearHold ? group.upsampled.get() : padded.data();
        const double interval = timeStep / static_cast<double>(factor);
        const int lanes = static_cast<int>(std::min<std::size_t>(sweepLanes, members.size() - first));
        RampInvariantFilter filters[sweepLanes];
        for (int j = 0; j < lanes; ++j)
            filters[j] = rampInvariantFilter(frequencies[members[first + j]], settings.dampingRatio, interval);
        double high[sweepLanes], low[sweepLanes], beforeLast[sweepLanes], last[sweepLanes];
        const std::size_t filtered = length * factor;
        sweepFilters(signal, filtered, filters, lanes, high, low, beforeLast, last);
        // The window counted from the record's end, in samples after the
        // output before last.
        const double recordEnd = static_cast<double>((leadSamples + sampleCount) * factor);
        const double window = windowSeconds / interval - (static_cast<double>(filtered) - recordEnd);
        for (int j = 0; j < lanes; ++j) {
            addFreeResponsePeaks(filters[j], beforeLast[j], last[j], window, high[j], low[j]);
            srs.positive[members[first + j]] = high[j];
            srs.negative[members[first + j]] = 0.0 - low[j];  // a zero response gives +0, not -0
        }
    });
    return srs;
}

double maximax(const IndependentSrs& srs, std::size_t index) {
    return std::max(srs.positive[index], srs.negative[index]);
}
