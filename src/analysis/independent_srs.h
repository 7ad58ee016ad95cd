#pragma once

#include <cstddef>
#include <limits>
#include <vector>

// The absolute-acceleration shock response spectrum of a recorded history,
// computed independently of the main program's filters: the ramp-invariant
// recursive filter (the input taken as linear between samples), and after
// the record the residual response, in which every oscillator swings freely.
struct IndependentSrs {
    std::vector<double> frequency;  // natural frequencies, Hz, as asked for
    std::vector<double> positive;   // largest absolute response acceleration
    std::vector<double> negative;   // magnitude of the most negative one
};

struct IndependentSrsSettings {
    double dampingRatio = 0.05;
    // How long after the record its residual response is followed, in
    // seconds: at least 1.5 periods of the lowest natural frequency, so that
    // both the first positive and the first negative peak are seen. The
    // residual is the oscillator's free response, found in closed form, so
    // the cost is the same for any length; infinity follows it to the end.
    double tailSeconds = std::numeric_limits<double>::infinity();
    // Each natural frequency is filtered at a rate of at least this many
    // samples per cycle, the record being brought to it by band-limited
    // upsampling (threefold at least, once at all). 0 filters every
    // frequency at the record's own rate. With each peak read at the vertex
    // between samples and the linear hold's loss restored, 24 keeps the
    // maximax within 0.03 % of exact responses and of finely sampled wavelet
    // sums on the fidelity benchmark, as 50 did, at a fraction of the work.
    double minPointsPerCycle = 24.0;
};

// `acceleration` holds samples at times 0, timeStep, 2 timeStep, ... The
// result is the same to the bit on every run. The other frequencies asked for
// beside one change its result only through the tail they call for. A
// frequency that is not positive and finite, or a time step that is not,
// gives not-a-number.
IndependentSrs computeIndependentSrs(const std::vector<double>& acceleration, double timeStep,
                                     const std::vector<double>& frequencies, IndependentSrsSettings settings);

// The same on `sampleCount` samples read where they lie: a caller's array
// taken as it is, without a copy.
IndependentSrs computeIndependentSrs(const double* acceleration, std::size_t sampleCount, double timeStep,
                                     const std::vector<double>& frequencies, IndependentSrsSettings settings);

// The larger of the positive and negative peak at frequency `index`.
double maximax(const IndependentSrs& srs, std::size_t index);
