#include "report/spec_level.h"

#include <cmath>

namespace {

double segmentLevel(const SpecTable& spec, int k, double f) {
    return std::pow(10.0, std::log10(spec.level[k - 1]) +
                              spec.slope[k - 1] * (std::log10(f) - std::log10(spec.frequency[k - 1])));
}

}  // namespace

double specLevelAt(const SpecTable& spec, double f) {
    if (f == spec.frequency[0] || spec.count == 1) return spec.level[0];
    for (int k = 1; k < spec.count; ++k) {
        if (f < spec.frequency[k]) return segmentLevel(spec, k, f);
        if (f == spec.frequency[k]) return spec.level[k];
    }
    return segmentLevel(spec, spec.count - 1, f);
}
