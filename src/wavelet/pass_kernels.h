#pragma once

// The vector loops of one synthesis pass from the sine cache, compiled for
// each instruction set and chosen once for the processor. Every lane does the
// scalar operation, so the results are the same bits on every processor.

// sample[i] += (amplitude * envelope[i]) * carrier[i] for i in [0, n).
void accumulateWavelet(double* sample, const double* envelope, const double* carrier, double amplitude, int n);

// Scales sample[0 .. n-1] so that its peak, the earliest sample of the
// largest magnitude among those that are numbers, becomes `zpa`: every sample
// is multiplied by scale = zpa / peak. A history with no non-zero sample is
// left alone and gives false.
bool scaleToPeak(double* sample, int n, double zpa, double& scale);
