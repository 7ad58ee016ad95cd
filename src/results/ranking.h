#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "model/constants.h"
#include "model/exact_wavelet.h"
#include "model/units.h"
#include "spec/spec_table.h"
#include "wavelet/wavelet_table.h"

// The five measures in the order every list and file handles them.
enum Measure { accelMeasure, velMeasure, dispMeasure, errorMeasure, irrorMeasure, measureCount };

// Working, order and rank lists of one results step. The working lists are
// filled from the trial summaries, in trial order, just before each ranking.
struct TrialRanking {
    double working[measureCount][maxTrials];
    std::int32_t order[measureCount][maxTrials];
    std::int32_t rank[measureCount][maxTrials];
    std::int32_t score[maxTrials];
    // Survives from one results step to the next.
    std::int32_t optimumCase = 0;
};

struct RankingFiles {
    std::FILE* sortedLists;  // rank_d.out
    std::FILE* ranks;        // rank.out
    std::FILE* wavelets;     // wavelet.out
};

// Orders the first n entries of every working list exactly as the pairwise
// exchange procedure does (ties included), fills order and rank lists.
void sortMeasures(TrialRanking& ranking, int n, double zpa);

// The reference exchange procedure, kept for tests of the faster sort.
void exchangeSortMeasure(double* values, std::int32_t* order, int n, double zpa, bool distanceFromZpa);

// Trial `trial`'s wavelets as they stand in the table.
std::vector<ExactWavelet> waveletRow(const WaveletTable& wavelets, int trial, const FrequencyGrid& grid);

// Sorts, scores, chooses the optimum (lowest score, lowest trial number among
// equal scores) and writes the three ranking files.
void rankTrials(TrialRanking& ranking, int n, double zpa, UnitSystem units, const FrequencyGrid& grid,
                const WaveletTable& wavelets, const RankingFiles& files);
