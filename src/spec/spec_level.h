#pragma once

#include "spec/spec_table.h"

// Log-log slope of every segment, from point i to point i+1, with natural
// logarithms: (ln level[i+1] - ln level[i]) / (ln frequency[i+1] - ln frequency[i]).
void computeSlopes(SpecTable& spec);

// The level at a frequency within the specification's range, as the grid
// places it: the straight line between the neighbouring points on log-log
// axes, computed through base-10 logarithms,
//   10^(log10 level[k-1] + slope[k-1] (log10 f - log10 frequency[k-1])),
// or the file's own level where f equals a specification frequency exactly.
double interpolateSpecLevel(const SpecTable& spec, double f);

// The specification level at any natural frequency f: the straight line between
// the neighbouring specification points, as above. Outside the specification's range
// the end segment is extended (a single point gives a constant level).
// `spec.slope` must be filled.
double specLevelAt(const SpecTable& spec, double f);
