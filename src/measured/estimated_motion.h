#pragma once

#include <vector>

#include "model/units.h"

// Velocity and displacement estimated from a measured acceleration: each
// integration by the trapezoidal rule is followed by a zero-phase high-pass
// (a second-order Butterworth run forwards and backwards) at a fortieth of
// the lowest frequency of interest, which takes out the drift a measured
// record's small offsets and noise build up and leaves the motion at that
// frequency whole. An estimate: on an exported history of the plateau
// example it gives the peak velocity within 0.1 % and the peak displacement
// 1 to 2 % low, the displacement's slowest swing being below the corner; it
// does not end at rest unless the motion does.
struct EstimatedMotion {
    std::vector<double> velocity;      // the unit system's velocity unit
    std::vector<double> displacement;  // its displacement unit
    double cornerHz = 0.0;
};

EstimatedMotion estimateMotion(const std::vector<double>& acceleration, double timeStep, UnitSystem units,
                               double lowestFrequency);

// The zero-phase high-pass itself, applied in place.
void highPassZeroPhase(std::vector<double>& values, double timeStep, double cornerHz);
