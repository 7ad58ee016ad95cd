#pragma once

#include "spec/spec_table.h"

// The specification level at natural frequency f: the straight line between
// the neighbouring specification points on log-log axes, computed through
// base-10 logarithms as the main program places its grid levels,
//   level[k-1] * (f / frequency[k-1])^slope[k-1],
// and the file's own level where f equals a specification frequency exactly.
// Outside the specification's range the end segment is extended (a single
// point gives a constant level). `spec.slope` must be filled.
double specLevelAt(const SpecTable& spec, double f);
