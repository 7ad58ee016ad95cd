#include "spec/spec_level.h"

#include <cmath>

namespace {

double segmentLevel(const SpecTable& spec, int k, double f) {
    return std::pow(10.0, std::log10(spec.level[k - 1]) +
                              spec.slope[k - 1] * (std::log10(f) - std::log10(spec.frequency[k - 1])));
}

}  // namespace

void computeSlopes(SpecTable& spec) {
    for (int i = 0; i + 1 < spec.count; ++i) {
        spec.slope[i] = (std::log(spec.level[i + 1]) - std::log(spec.level[i])) /
                        (std::log(spec.frequency[i + 1]) - std::log(spec.frequency[i]));
    }
}

double interpolateSpecLevel(const SpecTable& spec, double f) {
    for (int k = 1; k < spec.count; ++k) {
        if (f < spec.frequency[k]) return segmentLevel(spec, k, f);
        if (f == spec.frequency[k]) return spec.level[k];
    }
    // Unreachable for an ascending table; a disordered one keeps the last level.
    return spec.level[spec.count - 1];
}

double specLevelAt(const SpecTable& spec, double f) {
    if (f == spec.frequency[0] || spec.count == 1) return spec.level[0];
    if (f > spec.frequency[spec.count - 1]) return segmentLevel(spec, spec.count - 1, f);
    return interpolateSpecLevel(spec, f);
}
