#include "measured/estimated_motion.h"

#include <cmath>

#include "results/motion.h"

namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
};

Biquad butterworthHighPass(double cornerHz, double timeStep) {
    const double k = std::tan(M_PI * cornerHz * timeStep);
    const double norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
    return {norm, -2.0 * norm, norm, 2.0 * (k * k - 1.0) * norm, (1.0 - std::sqrt(2.0) * k + k * k) * norm};
}

// One pass, starting from the steady state of a constant input equal to the
// first value it meets: a high-pass gives zero for it, so the record's edge
// adds no step.
template <typename Index>
void runPass(std::vector<double>& x, const Biquad& f, Index first, Index step, std::size_t count) {
    double x1 = x[static_cast<std::size_t>(first)];
    double x2 = x1;
    double y1 = 0.0;
    double y2 = 0.0;
    Index i = first;
    for (std::size_t n = 0; n < count; ++n, i += step) {
        const double x0 = x[static_cast<std::size_t>(i)];
        const double y0 = f.b0 * x0 + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
        x[static_cast<std::size_t>(i)] = y0;
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = y0;
    }
}

std::vector<double> integrated(const std::vector<double>& values, double timeStep) {
    std::vector<double> sum(values.size(), 0.0);
    for (std::size_t i = 1; i < values.size(); ++i) sum[i] = sum[i - 1] + 0.5 * timeStep * (values[i - 1] + values[i]);
    return sum;
}

}  // namespace

void highPassZeroPhase(std::vector<double>& values, double timeStep, double cornerHz) {
    if (values.size() < 2 || !(cornerHz > 0.0) || !(cornerHz * timeStep < 0.25)) return;
    const Biquad f = butterworthHighPass(cornerHz, timeStep);
    runPass<long long>(values, f, 0, 1, values.size());
    runPass<long long>(values, f, static_cast<long long>(values.size()) - 1, -1, values.size());
}

EstimatedMotion estimateMotion(const std::vector<double>& acceleration, double timeStep, UnitSystem units,
                               double lowestFrequency) {
    EstimatedMotion motion;
    motion.cornerHz = lowestFrequency / 40.0;
    std::vector<double> velocity = integrated(acceleration, timeStep);
    highPassZeroPhase(velocity, timeStep, motion.cornerHz);
    std::vector<double> displacement = integrated(velocity, timeStep);
    highPassZeroPhase(displacement, timeStep, motion.cornerHz);
    const double v = velocityFactor(units);
    const double d = displacementFactor(units);
    for (double& value : velocity) value *= v;
    for (double& value : displacement) value *= d;
    motion.velocity = std::move(velocity);
    motion.displacement = std::move(displacement);
    return motion;
}
