#pragma once

#include <cstdint>

// One wavelet exactly: what rebuilds its part of a history bit for bit.
struct ExactWavelet {
    double frequency = 0.0;  // Hz, the grid point's
    double amplitude = 0.0;  // signed, acceleration unit of the run
    std::int32_t halfSines = 1;
    double delay = 0.0;  // s
};
