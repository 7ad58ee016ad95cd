#include "analysis/motion_from_rest.h"

void integrateFromRest(const std::vector<double>& acceleration, double timeStep, std::vector<double>& velocity,
                       std::vector<double>& displacement) {
    const std::size_t count = acceleration.size();
    velocity.assign(count, 0.0);
    displacement.assign(count, 0.0);
    for (std::size_t i = 1; i < count; ++i) {
        velocity[i] = velocity[i - 1] + 0.5 * timeStep * (acceleration[i - 1] + acceleration[i]);
        displacement[i] = displacement[i - 1] + 0.5 * timeStep * (velocity[i - 1] + velocity[i]);
    }
}
