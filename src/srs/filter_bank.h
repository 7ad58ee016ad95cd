#pragma once

#include "model/sampling.h"
#include "spec/spec_table.h"

// The bank of every grid frequency for one damping ratio and time step.
SrsFilterBank computeFilterBank(const FrequencyGrid& grid, double dampingRatio, double timeStep);
