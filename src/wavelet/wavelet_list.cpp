#include "wavelet/wavelet_list.h"

#include <algorithm>
#include <cmath>

#include "wavelet/wavelet_terms.h"

namespace {

// The first and one past the last sample index the wavelet may be active at;
// each is then tested exactly.
void sampleRange(const Wavelet& w, double timeStep, int sampleCount, int& first, int& end) {
    const double length = windowLength(w.halfSines, w.frequency);
    const double from = std::floor(w.delay / timeStep) - 1.0;
    const double to = std::ceil((w.delay + length) / timeStep) + 2.0;
    first = static_cast<int>(std::clamp(from, 0.0, static_cast<double>(sampleCount)));
    end = static_cast<int>(std::clamp(to, 0.0, static_cast<double>(sampleCount)));
}

}  // namespace

std::vector<double> synthesizeWavelets(const std::vector<Wavelet>& wavelets, double timeStep, int sampleCount) {
    std::vector<double> history(static_cast<std::size_t>(std::max(sampleCount, 0)), 0.0);
    // Wavelet by wavelet: every sample still receives its terms in wavelet
    // order, so its sum is the one the program forms sample by sample.
    for (const Wavelet& w : wavelets) {
        const double omega = angularFrequency(w.frequency);
        const double length = windowLength(w.halfSines, w.frequency);
        const double halfSines = static_cast<double>(w.halfSines);
        int first = 0, end = 0;
        sampleRange(w, timeStep, sampleCount, first, end);
        for (int i = first; i < end; ++i) {
            const double t = sampleTime(i, timeStep);
            if (!waveletActive(w.delay, length, t)) continue;
            history[static_cast<std::size_t>(i)] += waveletValue(w.amplitude, halfSines, omega, t - w.delay);
        }
    }
    return history;
}

std::vector<WaveletSines> waveletSines(const std::vector<Wavelet>& wavelets, double timeStep, int sampleCount) {
    std::vector<WaveletSines> all;
    all.reserve(wavelets.size());
    for (const Wavelet& w : wavelets) {
        WaveletSines sines;
        const double omega = angularFrequency(w.frequency);
        const double length = windowLength(w.halfSines, w.frequency);
        const double halfSines = static_cast<double>(w.halfSines);
        int first = 0, end = 0;
        sampleRange(w, timeStep, sampleCount, first, end);
        sines.first = end;
        // t - delay grows with t, so the active samples are one run.
        for (int i = first; i < end; ++i) {
            const double t = sampleTime(i, timeStep);
            if (!waveletActive(w.delay, length, t)) {
                if (!sines.envelope.empty()) break;
                continue;
            }
            if (sines.envelope.empty()) sines.first = i;
            const double omegaTau = omega * (t - w.delay);
            sines.envelope.push_back(envelopeSine(omegaTau, halfSines));
            sines.carrier.push_back(carrierSine(omegaTau));
        }
        all.push_back(std::move(sines));
    }
    return all;
}

std::vector<double> synthesizeWavelets(const std::vector<Wavelet>& wavelets, const std::vector<WaveletSines>& sines,
                                       int sampleCount) {
    std::vector<double> history(static_cast<std::size_t>(std::max(sampleCount, 0)), 0.0);
    for (std::size_t j = 0; j < wavelets.size(); ++j) {
        const double amplitude = wavelets[j].amplitude;
        const WaveletSines& s = sines[j];
        double* out = history.data() + s.first;
        for (std::size_t n = 0; n < s.envelope.size(); ++n)
            out[n] += waveletTerm(amplitude, s.envelope[n], s.carrier[n]);
    }
    return history;
}

std::vector<WaveletShape> waveletShapes(const std::vector<WaveletSines>& sines) {
    std::vector<WaveletShape> shapes;
    shapes.reserve(sines.size());
    for (const WaveletSines& s : sines) {
        WaveletShape shape;
        shape.first = s.first;
        shape.values.reserve(s.envelope.size());
        for (std::size_t n = 0; n < s.envelope.size(); ++n) {
            shape.values.push_back(waveletTerm(1.0, s.envelope[n], s.carrier[n]));
        }
        shapes.push_back(std::move(shape));
    }
    return shapes;
}

bool waveletEndsWithin(const Wavelet& w, double duration) {
    return w.delay >= 0.0 && w.delay + windowLength(w.halfSines, w.frequency) <= duration;
}
