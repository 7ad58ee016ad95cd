#pragma once

#include <vector>

#include "spec/spec_table.h"

// The frequencies at which a test lab reads the SRS: evenly spaced in log
// frequency at `pointsPerOctave` from the first to the last specification
// frequency, with both ends and every specification breakpoint included.
std::vector<double> buildAnalysisGrid(const SpecTable& spec, int pointsPerOctave);
