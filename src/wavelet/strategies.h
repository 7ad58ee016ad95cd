#pragma once

#include "model/random_source.h"
#include "spec/spec_table.h"
#include "wavelet/wavelet_table.h"

// Building blocks shared by the strategies. Each deviate is one nextUniform.
int drawOddCount(RandomSource& random, int multiplier, int floor);
double drawFreeDelay(RandomSource& random, const FrequencyGrid& grid, int j, double duration);
void fitHalfSineCounts(WaveletTable& table, int k, const FrequencyGrid& grid, double duration);

// The four strategies; each fills entries 0 .. grid.count-1 of row k.
void drawIndependentWavelets(RandomSource& random, WaveletTable& table, int k,
                             const FrequencyGrid& grid, double duration);
void drawCommonCountWavelets(RandomSource& random, WaveletTable& table, int k,
                             const FrequencyGrid& grid, double duration);
void drawChainedRandomWavelets(RandomSource& random, WaveletTable& table, int k,
                               const FrequencyGrid& grid, double duration);
void drawChainedSpecWavelets(RandomSource& random, WaveletTable& table, int k,
                             const FrequencyGrid& grid, double duration);
