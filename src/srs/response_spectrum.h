#pragma once

#include <string>

#include "run/constants.h"
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

// Compares the spectrum with the grid levels. A level below 1e-20 or NaN is
// reported as "\n spec error. %ld %12.6e \n", appended to `diagnostics`.
SpectrumError computeSpectrumError(const FrequencyGrid& grid, const ResponseSpectrum& spectrum,
                                   std::string& diagnostics);
