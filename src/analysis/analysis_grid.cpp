#include "analysis/analysis_grid.h"

#include <cmath>

namespace {

// Steps closer than this share of a step to a breakpoint merge into it, so no
// sliver of a step appears next to a breakpoint or the top end.
constexpr double mergeShare = 0.25;

}  // namespace

std::vector<double> buildAnalysisGrid(const SpecTable& spec, int pointsPerOctave) {
    std::vector<double> grid;
    if (spec.count < 1 || pointsPerOctave < 1) return grid;
    grid.push_back(spec.frequency[0]);
    const double stepOctaves = 1.0 / pointsPerOctave;
    // Each segment between breakpoints is laid out from its own start, as
    // f0 * 2^(k step), so the spacing does not drift with the count of points.
    for (int i = 1; i < spec.count; ++i) {
        const double from = spec.frequency[i - 1];
        const double to = spec.frequency[i];
        const double octaves = std::log2(to / from);
        for (int k = 1;; ++k) {
            const double at = k * stepOctaves;
            if (at > octaves - mergeShare * stepOctaves) break;
            grid.push_back(from * std::pow(2.0, at));
        }
        grid.push_back(to);
    }
    return grid;
}
