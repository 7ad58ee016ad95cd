#include <cmath>
#include <cstdio>

#include "spec/spec_level.h"
#include "spec/spec_table.h"

int gridStepsPerOctave(int spacingChoice) {
    if (spacingChoice == 2) return 6;
    if (spacingChoice == 3) return 12;
    return 3;
}

double gridStepRatio(int spacingChoice) { return std::pow(2.0, 1.0 / gridStepsPerOctave(spacingChoice)); }

FrequencyGrid buildFrequencyGrid(SpecTable& spec, int spacingChoice, std::FILE* console) {
    FrequencyGrid grid;
    if (spec.count < 1) return grid;
    computeSlopes(spec);
    const double ratio = gridStepRatio(spacingChoice);
    const double lastFrequency = spec.frequency[spec.count - 1];

    grid.frequency[0] = spec.frequency[0];
    grid.level[0] = spec.level[0];
    grid.count = 1;
    bool reduced = false;
    for (;;) {
        const double f = grid.frequency[grid.count - 1] * ratio;
        // Written so that a NaN frequency ends the grid too. Every grid
        // frequency lies above the first specification frequency and at or
        // below the last, so its level is always an interpolation.
        if (!(f <= lastFrequency)) break;
        if (grid.count == maxGridPoints) {
            reduced = true;
            break;
        }
        grid.frequency[grid.count] = f;
        grid.level[grid.count] = interpolateSpecLevel(spec, f);
        ++grid.count;
    }
    if (reduced && console != nullptr) std::fputs("\n Warning: number of specification points reduced.", console);
    return grid;
}
