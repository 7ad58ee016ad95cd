#include "srs/filter_bank.h"

#include <cmath>

SrsFilterBank computeFilterBank(const FrequencyGrid& grid, double dampingRatio, double timeStep) {
    SrsFilterBank bank;
    const double zeta = dampingRatio;
    const double dt = timeStep;
    const double zetaSquared = std::pow(zeta, 2);
    for (int j = 0; j < grid.count; ++j) {
        const double omega = twoPi * grid.frequency[j];
        const double omegaD = omega * std::sqrt(1.0 - zetaSquared);
        const double decay = std::exp(-zeta * omega * dt);
        const double cosDamped = std::cos(omegaD * dt);
        const double sinDamped = std::sin(omegaD * dt);

        bank.a1[j] = 2.0 * decay * cosDamped;
        // The two-step decay is its own exponential, not decay squared.
        bank.a2[j] = -std::exp(-2.0 * zeta * omega * dt);
        bank.b0[j] = 2.0 * zeta * omega * dt;
        bank.b1[j] = omega * dt * decay *
                     ((1.0 - 2.0 * zetaSquared) * (omega / omegaD) * sinDamped -
                      2.0 * zeta * cosDamped);
    }
    return bank;
}
