#pragma once

#include <limits>
#include <vector>

#include "refine/peak_model.h"

// The one update of a history's wavelet amplitudes from an SRS observed on
// the analysis grid: the refinement after the program's run feeds it the
// history's own independent SRS, the correction of a drive the SRS measured
// on the shaker.

// A model peak and how far it should move: 20 log10(target / observed) at
// its point, for its polarity.
struct PeakAim {
    const PeakRow* row = nullptr;
    double errorDb = 0.0;
    double weight = 1.0;
};

struct AmplitudeUpdateSettings {
    // The share of each point's error in dB asked for in one step, and the
    // most asked of any point: a step that asks less overshoots less.
    double exponent = 1.0;
    double capDb = std::numeric_limits<double>::infinity();
    // How dearly a change of amplitudes is bought: each wavelet's change
    // relative to its own size (or a tenth of the largest, for a small one),
    // squared, costs this share of the aims' total weight. Neighbouring
    // wavelets move the peaks alike, so without it the least-squares change
    // pairs huge amplitudes of opposite sign that the linear model does not
    // hold for.
    double damping = 1e-2;
};

// Each aim asks its model peak to change by a factor 10^(e / 20), e its error
// times the exponent within the cap. With the peaks' times held, they are
// linear in the amplitudes, so the change of amplitudes that does it best,
// each aim's miss relative to its peak and weighted, is a damped linear
// least-squares problem. Returns the new amplitudes.
std::vector<double> updateAmplitudes(const std::vector<double>& amplitudes, const std::vector<PeakAim>& aims,
                                     const AmplitudeUpdateSettings& settings);
