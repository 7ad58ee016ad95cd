#pragma once

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
    // Length of the zero tail after the record, in seconds.
    double tailSeconds = 0.0;
};

// `acceleration` holds samples at times 0, timeStep, 2 timeStep, ...
IndependentSrs computeIndependentSrs(const std::vector<double>& acceleration, double timeStep,
                                     const std::vector<double>& frequencies, IndependentSrsSettings settings);
