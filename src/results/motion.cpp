#include "results/motion.h"

#include <cmath>

double velocityFactor(UnitSystem units) {
    switch (units) {
        case 1: return 386.0;   // in/sec^2 per G
        case 2: return 9.81;    // m/sec^2 per G
        case 3: return 1.0;
        default: return 1.0;
    }
}

double displacementFactor(UnitSystem units) {
    switch (units) {
        case 1: return 386.0;
        case 2: return 9810.0;  // m/sec^2 per G, in millimetres
        case 3: return 1000.0;  // metres to millimetres
        default: return 1.0;
    }
}

namespace {

inline void track(double value, double& peak) {
    if (std::fabs(value) > peak) peak = std::fabs(value);
}

}  // namespace

double integrateVelocity(const double* acceleration, int sampleCount, double timeStep,
                         double* velocity) {
    const int nt = sampleCount;
    // The trailing point nt is an acceleration of zero, never read from the record.
    const double first = nt > 0 ? acceleration[0] : 0.0;
    double sum = 0.0;
    double peak = 0.0;

    sum = sum + (timeStep * first) / 2.0;
    track(sum, peak);
    velocity[0] = sum;
    if (nt == 0) return peak;

    for (int i = 1; i < nt; ++i) {
        sum = sum + timeStep * acceleration[i];
        track(sum, peak);
        velocity[i] = sum;
    }

    sum = sum + (timeStep * 0.0) / 2.0;
    track(sum, peak);
    velocity[nt] = sum;
    return peak;
}

double integrateDisplacement(const double* velocity, int sampleCount, double timeStep,
                             double* displacement) {
    const int nt = sampleCount;
    double sum = 0.0;
    double peak = 0.0;

    sum = sum + (timeStep * velocity[0]) / 2.0;
    track(sum, peak);
    if (displacement) displacement[0] = sum;
    if (nt == 0) return peak;

    for (int i = 1; i < nt; ++i) {
        sum = sum + timeStep * velocity[i];
        track(sum, peak);
        if (displacement) displacement[i] = sum;
    }

    sum = sum + (timeStep * velocity[nt]) / 2.0;
    track(sum, peak);
    if (displacement) displacement[nt] = sum;
    return peak;
}

PeakMeasures measureMotion(const double* acceleration, int sampleCount, double timeStep,
                           UnitSystem units, VelocityHistory& velocity) {
    PeakMeasures peaks;
    for (int i = 0; i < sampleCount; ++i) track(acceleration[i], peaks.peakAccel);

    const double velocityPeak = integrateVelocity(acceleration, sampleCount, timeStep, velocity.value);
    const double displacementPeak =
        integrateDisplacement(velocity.value, sampleCount, timeStep, nullptr);
    peaks.peakVel = velocityPeak * velocityFactor(units);
    peaks.peakDisp = displacementPeak * displacementFactor(units);
    return peaks;
}
