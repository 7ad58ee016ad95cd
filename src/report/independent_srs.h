#pragma once

#include <cstddef>
#include <vector>

// The absolute-acceleration shock response spectrum of a recorded history,
// computed independently of the main program's filters: the ramp-invariant
// recursive filter (the input taken as linear between samples), the history
// followed by a zero tail so the residual response is seen.
struct IndependentSrs {
    std::vector<double> frequency;  // natural frequencies, Hz, as asked for
    std::vector<double> positive;   // largest absolute response acceleration
    std::vector<double> negative;   // magnitude of the most negative one
};

struct IndependentSrsSettings {
    double dampingRatio = 0.05;
    // Length of the zero tail after the record, in seconds. The tail is made
    // at least 1.5 periods of the lowest natural frequency, so that both the
    // first positive and the first negative peak of the residual response are
    // seen, and is rounded up to a length the transform handles fast.
    double tailSeconds = 0.0;
    // Each natural frequency is filtered at a rate of at least this many
    // samples per cycle, the record being brought to it by band-limited
    // upsampling. 0 filters every frequency at the record's own rate.
    double minPointsPerCycle = 50.0;
};

// `acceleration` holds samples at times 0, timeStep, 2 timeStep, ... The
// result is the same to the bit on every run. The other frequencies asked for
// beside one change its result only through the tail they call for. A
// frequency that is not positive and finite, or a time step that is not,
// gives not-a-number.
IndependentSrs computeIndependentSrs(const std::vector<double>& acceleration, double timeStep,
                                     const std::vector<double>& frequencies, IndependentSrsSettings settings);

// The larger of the positive and negative peak at frequency `index`.
double maximax(const IndependentSrs& srs, std::size_t index);
