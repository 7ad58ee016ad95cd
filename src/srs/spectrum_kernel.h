#pragma once

#include "srs/filter_bank.h"

// The filter sweep behind the response spectrum: every grid point's recursive
// filter run over a history and its zero run-on, keeping the signed extremes.
//
// All kernels perform, for every grid point, exactly the operations of the
// sample-major loop in the same order,
//   y = ((a1*y1 + a2*y2) + b0*x) + b1*xPrevious,
//   if (y > positive) positive = y;  if (y < negative) negative = y;
// so every kernel gives the same bits, NaN and signed zeros included. The
// vector kernels hold a few vectors of grid points in registers and sweep all
// samples for them before moving on to the next vectors.
enum class FilterKernel { plain, sse2, avx2, avx512 };

bool filterKernelSupported(FilterKernel kernel);

// The fastest kernel this processor runs for `count` grid points. With few
// points each sample waits on the recurrence's latency, which is shorter in
// 256-bit registers, so up to three such vectors beat one or two wider ones.
FilterKernel fastestFilterKernel(int count);

// The kernel the run's spectra use: the fastest, except in the plain build,
// which keeps the sample-major loop as the baseline of the speed comparison.
FilterKernel runFilterKernel(int count);

// Runs grid points 0 .. count-1 over history[0 .. sampleCount-1] and then
// runOn zero samples, the first of which still sees the last history sample
// as its previous input. State and extremes start at zero; positive[j] gets
// the largest output, negative[j] the smallest (signed).
void filterPeaks(FilterKernel kernel, const double* history, int sampleCount, int runOn,
                 const SrsFilterBank& bank, int count, double* positive, double* negative);
