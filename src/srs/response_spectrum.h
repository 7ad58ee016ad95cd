#pragma once

#include <string>

#include "model/constants.h"
#include "spec/spec_table.h"
#include "srs/filter_bank.h"

// Positive peak and negative-peak magnitude of the response at every grid point
// for the last history evaluated.
struct ResponseSpectrum {
    double positivePeak[maxGridPoints] = {};
    double negativePeak[maxGridPoints] = {};
};

struct SpectrumError {
    double totalError = 0.0;    // T.Error: sum of both relative deviations
    double largestError = 0.0;  // I.Error: largest single relative deviation
};

// Number of zero-input samples run on after the history: 1.2 periods of the
// lowest grid frequency, truncated.
int runOnSampleCount(const FrequencyGrid& grid, double timeStep);

// The SRS of history[0 .. sampleCount-1] followed by the run-on. Grid points
// are independent, so they are swept in blocks over all samples; every point
// sees exactly the operations of the sample-by-sample recurrence.
void computeResponseSpectrum(const double* history, int sampleCount, const FrequencyGrid& grid,
                             const SrsFilterBank& bank, double timeStep,
                             ResponseSpectrum& spectrum);

// Whether computeResponseSpectrumPair sweeps a pair of histories on this
// grid faster than two computeResponseSpectrum calls would.
bool spectrumPairPays(const FrequencyGrid& grid);

// computeResponseSpectrum for two histories of the same length at once:
// spectrum[h] gets the same bits as history[h] alone would give.
void computeResponseSpectrumPair(const double* const history[2], int sampleCount, const FrequencyGrid& grid,
                                 const SrsFilterBank& bank, double timeStep, ResponseSpectrum* const spectrum[2]);

// Compares the spectrum with the grid levels. A level below 1e-20 or NaN is
// reported as "\n spec error. %ld %12.6e \n", appended to `diagnostics`.
SpectrumError computeSpectrumError(const FrequencyGrid& grid, const ResponseSpectrum& spectrum,
                                   std::string& diagnostics);
