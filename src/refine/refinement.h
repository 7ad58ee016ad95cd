#pragma once

#include <vector>

#include "analysis/db_band.h"
#include "refine/amplitude_update.h"
#include "wavelet/wavelet_list.h"

// The refinement of a history after the program's run: its wavelets keep
// their frequencies, delays and half-sine counts, their signed amplitudes are
// iterated until the independent SRS of the history, as its file prints it,
// lies on the specification within a few tenths of a dB. Each wavelet ends
// at rest, so the sum does too, whatever the amplitudes.

// What the history is judged against: the analysis grid, the specification
// level at each of its frequencies, and how.
struct RefinementTarget {
    std::vector<double> frequencies;
    std::vector<double> levels;
    double dampingRatio = 0.05;
    bool bothPolarities = false;  // judge each polarity, not the larger (maximax)
    double aimDb = 0.0;           // where the spectrum is aimed: 0 dB is the specification itself
};

// When a history meets the aim: every judged deviation from the aim within
// withinDb, and their median within medianWithinDb.
struct RefinementLimits {
    double withinDb = 1.0;
    double medianWithinDb = 0.3;
    int maxPasses = 12;
    // Once the aim is met, the passes left lower the peak acceleration as
    // long as the history goes on meeting it: its largest samples are asked
    // down together with the spectrum's points.
    bool thenLowerPeak = false;
};

// The judged deviations' spread: 20 log10(SRS / specification) from the
// aim at every analysis point (each polarity under bothPolarities, else the
// larger).
using SpectrumSpread = DeviationSpread;

struct RefinedHistory {
    std::vector<Wavelet> wavelets;
    std::vector<double> acceleration;  // the wavelets' sum at the time step, before it is printed
    SpectrumSpread spread;
    double peakAcceleration = 0.0;  // largest magnitude, as printed
    int passes = 0;                 // amplitude updates kept
    bool meetsAim = false;
};

// Refines `start` until it meets the limits or no update improves it, then,
// with thenLowerPeak, lowers its peak with the passes left.
RefinedHistory refineHistory(const std::vector<Wavelet>& start, double timeStep, int sampleCount,
                             const RefinementTarget& target, const RefinementLimits& limits);
