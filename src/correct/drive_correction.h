#pragma once

#include <string>
#include <vector>

#include "analysis/db_band.h"
#include "wavelet/wavelet_list.h"

// The next drive from a measured shot: at each analysis point the measured
// SRS's miss of its target asks the drive's own SRS to move by a share of it
// in dB, within a cap; the drive's wavelet amplitudes are then brought to the
// levels asked by the one amplitude update the refinement uses. The wavelets
// keep their frequencies, delays and half-sine counts, so the drive still
// ends at rest.

struct CorrectionSettings {
    // The share of each point's miss asked in one step: the shaker, fixture
    // and controller do not respond exactly alike to the new drive, and a
    // share below 1 lets a few shots approach the target without swinging
    // past it.
    double exponent = 0.8;
    double capDb = 3.0;   // the most any point is asked to move in one step
    double warnDb = 6.0;  // a miss beyond this is more likely a resonance or a bad channel
};

// What is aimed at, on the analysis grid: the level the measured SRS should
// reach at each point (the specification at the shot's level, moved by the
// aim), and the damping it is judged at.
struct CorrectionTarget {
    std::vector<double> frequencies;
    std::vector<double> levels;
    double dampingRatio = 0.05;
};

struct CorrectionPoint {
    double frequency = 0.0;
    double target = 0.0;       // at the shot's level
    double measured = 0.0;     // maximax
    double missDb = 0.0;       // 20 log10(target / measured)
    double askedDb = 0.0;      // the drive's change asked: the miss times the exponent, within the cap
    double driveBefore = 0.0;  // the reference drive's own SRS (maximax), at full level
    double driveAfter = 0.0;   // the new drive's
    bool capped = false;
    bool beyondWarning = false;
};

struct DriveCorrection {
    std::vector<Wavelet> wavelets;
    std::vector<double> acceleration;  // the new drive's samples, before they are printed
    std::vector<CorrectionPoint> points;
    DeviationSpread realised;  // the new drive's SRS from the levels asked of it, dB
    int passes = 0;            // amplitude updates made
};

// `reference` is the played drive's wavelets at its time step and sample
// count; `measuredMaximax` the shot's SRS at the target's frequencies.
DriveCorrection correctDrive(const std::vector<Wavelet>& reference, double timeStep, int sampleCount,
                             const CorrectionTarget& target, const std::vector<double>& measuredMaximax,
                             const CorrectionSettings& settings);
