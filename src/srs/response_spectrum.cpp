#include "srs/response_spectrum.h"

#include <cmath>

#include "run/number_format.h"

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

namespace {

// Working state of one computation: the last two outputs per grid point and the
// signed extremes reached so far. The previous input is the same for every
// point, so it is one value.
struct FilterState {
    double previousOutput[maxGridPoints];
    double outputBefore[maxGridPoints];
    double positive[maxGridPoints];
    double negative[maxGridPoints];
};

inline void filterSample(const SrsFilterBank& bank, int count, double x, double previousInput,
                         FilterState& state) {
    for (int j = 0; j < count; ++j) {
        const double y = ((bank.a1[j] * state.previousOutput[j] + bank.a2[j] * state.outputBefore[j]) +
                          bank.b0[j] * x) +
                         bank.b1[j] * previousInput;
        if (y > state.positive[j]) state.positive[j] = y;
        if (y < state.negative[j]) state.negative[j] = y;
        state.outputBefore[j] = state.previousOutput[j];
        state.previousOutput[j] = y;
    }
}

}  // namespace

void computeResponseSpectrum(const double* history, int sampleCount, const FrequencyGrid& grid,
                             const SrsFilterBank& bank, double timeStep,
                             ResponseSpectrum& spectrum) {
    const int count = grid.count;
    FilterState state;
    for (int j = 0; j < count; ++j) {
        state.previousOutput[j] = 0.0;
        state.outputBefore[j] = 0.0;
        state.positive[j] = 0.0;
        state.negative[j] = 0.0;
    }

    double previousInput = 0.0;
    for (int i = 0; i < sampleCount; ++i) {
        const double x = history[i];
        filterSample(bank, count, x, previousInput, state);
        previousInput = x;
    }

    // Free response after the excitation ends; the first step still sees the
    // last history sample as its previous input.
    const int runOn = runOnSampleCount(grid, timeStep);
    for (int k = 1; k <= runOn; ++k) {
        filterSample(bank, count, 0.0, previousInput, state);
        previousInput = 0.0;
    }

    for (int j = 0; j < count; ++j) {
        spectrum.positivePeak[j] = state.positive[j];
        spectrum.negativePeak[j] = std::fabs(state.negative[j]);
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
