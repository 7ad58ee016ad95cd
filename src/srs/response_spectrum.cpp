#include "srs/response_spectrum.h"

#include <cmath>

#include "common/number_format.h"
#include "srs/pair_kernel.h"
#include "srs/spectrum_kernel.h"

int runOnSampleCount(const FrequencyGrid& grid, double timeStep) {
    if (grid.count <= 0) return 0;
    const double samples = 1.2 / (timeStep * grid.frequency[0]);
    // Truncation toward zero. With the duration at least 1.5 periods of the
    // lowest frequency the run-on is at most 0.8 of the record, so it never
    // exceeds the sample store. Anything beyond (no lowest frequency, no time
    // step, or negative ones that bypassed the duration check) runs on nothing
    // rather than for billions of samples.
    if (!(samples >= 0.0 && samples <= static_cast<double>(sampleCapacity))) return 0;
    return static_cast<int>(samples);
}

void computeResponseSpectrum(const double* history, int sampleCount, const FrequencyGrid& grid,
                             const SrsFilterBank& bank, double timeStep,
                             ResponseSpectrum& spectrum) {
    const int count = grid.count;
    // Free response after the excitation ends; the first step still sees the
    // last history sample as its previous input.
    const int runOn = runOnSampleCount(grid, timeStep);
    filterPeaks(runFilterKernel(count), history, sampleCount, runOn, bank, count, spectrum.positivePeak,
                spectrum.negativePeak);
    for (int j = 0; j < count; ++j) spectrum.negativePeak[j] = std::fabs(spectrum.negativePeak[j]);
}

bool spectrumPairPays(const FrequencyGrid& grid) { return pairSweepPays(grid.count); }

// Where pairing does not pay, filterPeaksPair sweeps the two histories one
// after the other with the run's kernel, as computeResponseSpectrum would.
void computeResponseSpectrumPair(const double* const history[2], int sampleCount, const FrequencyGrid& grid,
                                 const SrsFilterBank& bank, double timeStep, ResponseSpectrum* const spectrum[2]) {
    const int count = grid.count;
    double* const positive[2] = {spectrum[0]->positivePeak, spectrum[1]->positivePeak};
    double* const negative[2] = {spectrum[0]->negativePeak, spectrum[1]->negativePeak};
    filterPeaksPair(history, sampleCount, runOnSampleCount(grid, timeStep), bank, count, positive, negative);
    for (int h = 0; h < 2; ++h) {
        for (int j = 0; j < count; ++j) negative[h][j] = std::fabs(negative[h][j]);
    }
}

SpectrumError computeSpectrumError(const FrequencyGrid& grid, const ResponseSpectrum& spectrum,
                                   std::string& diagnostics) {
    double total = 0.0;
    double largest = 0.0;
    for (int j = 0; j < grid.count; ++j) {
        const double level = grid.level[j];
        if (level < 1e-20 || std::isnan(level)) {
            appendFormat(diagnostics, "\n spec error. %ld %s \n", static_cast<long>(j),
                         formatExponent(level, 12, 6).c_str());
        }
        const double positiveError = std::fabs((level - spectrum.positivePeak[j]) / level);
        const double negativeError = std::fabs((level - spectrum.negativePeak[j]) / level);
        total = total + positiveError;
        total = total + negativeError;
        if (positiveError > largest) largest = positiveError;
        if (negativeError > largest) largest = negativeError;
    }
    return SpectrumError{total, largest};
}
