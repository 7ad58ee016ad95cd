#pragma once

#include "srs/filter_bank.h"

// The filter sweep of two histories of the same length at once, for grids too
// small to keep the processor busy alone: with few grid points every sample
// waits on the recurrence's latency, and the second history's recurrences
// fill that time. Both histories' grid points are packed side by side into
// the vector lanes, each lane doing exactly the operations of the
// sample-major loop on its own history, so every extreme has the same bits
// as filterPeaks gives for that history alone.

// Whether sweeping two histories of `count` grid points together beats
// sweeping them one after the other on this processor.
bool pairSweepPays(int count);

// filterPeaks for history[0] and history[1]: positive[h] and negative[h] get
// history h's extremes. Falls back to two single sweeps where pairing does
// not pay.
void filterPeaksPair(const double* const history[2], int sampleCount, int runOn, const SrsFilterBank& bank, int count,
                     double* const positive[2], double* const negative[2]);
