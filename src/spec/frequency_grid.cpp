#include <cmath>
#include <cstdio>

#include "spec/spec_table.h"

namespace {

double octaveFraction(int spacingChoice) {
    if (spacingChoice == 2) return 1.0 / 6.0;
    if (spacingChoice == 3) return 1.0 / 12.0;
    return 1.0 / 3.0;
}

// Straight line on log-log axes between the neighbouring specification points;
// a frequency that hits a specification point exactly takes its level.
double interpolateLevel(const SpecTable& spec, double f) {
    for (int k = 1; k < spec.count; ++k) {
        if (f < spec.frequency[k]) {
            return std::pow(10.0, std::log10(spec.level[k - 1]) +
                                      spec.slope[k - 1] * (std::log10(f) - std::log10(spec.frequency[k - 1])));
        }
        if (f == spec.frequency[k]) return spec.level[k];
    }
    // Unreachable for an ascending table; a disordered one keeps the last level.
    return spec.level[spec.count - 1];
}

}  // namespace

FrequencyGrid buildFrequencyGrid(SpecTable& spec, int spacingChoice, std::FILE* console) {
    FrequencyGrid grid;
    if (spec.count < 1) return grid;
    for (int i = 0; i + 1 < spec.count; ++i) {
        spec.slope[i] = (std::log(spec.level[i + 1]) - std::log(spec.level[i])) /
                        (std::log(spec.frequency[i + 1]) - std::log(spec.frequency[i]));
    }
    const double ratio = std::pow(2.0, octaveFraction(spacingChoice));
    const double lastFrequency = spec.frequency[spec.count - 1];

    grid.frequency[0] = spec.frequency[0];
    grid.level[0] = spec.level[0];
    grid.count = 1;
    bool reduced = false;
    for (;;) {
        const double f = grid.frequency[grid.count - 1] * ratio;
        // Written so that a NaN frequency ends the grid too.
        if (!(f <= lastFrequency)) break;
        if (grid.count == maxGridPoints) {
            reduced = true;
            break;
        }
        grid.frequency[grid.count] = f;
        grid.level[grid.count] = interpolateLevel(spec, f);
        ++grid.count;
    }
    if (reduced) std::fprintf(console, "\n Warning: number of specification points reduced.");
    return grid;
}
