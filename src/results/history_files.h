#pragma once

#include <string>
#include <vector>

#include "model/exact_wavelet.h"
#include "model/sampling.h"
#include "model/units.h"
#include "results/run_record.h"
#include "spec/spec_table.h"

// The texts of the files a results step writes about a history, made in
// memory so that their checksums go into run.out before they are written:
// for the program's optimum, for a refined history, and for rebuilding
// either from run.out's wavelets.

// wavelet.out: the heading, then "%ld \t %12.3f \t %12.3f \t %ld \t %12.5f \n"
// with each wavelet's number, frequency, amplitude, half-sine count and delay.
std::string waveletTableText(UnitSystem units, const std::vector<ExactWavelet>& wavelets);

// The history of `wavelets` at the output sampling, as accel.out, velox.out,
// disp.out and srs.out print it, with the numbers they print.
struct HistoryFiles {
    std::vector<double> acceleration;  // the wavelets' sum at each sample (waveletSum)
    std::vector<double> velocity;      // in the run's velocity unit, one more than the samples
    std::vector<double> displacement;  // in its displacement unit
    std::vector<double> srsPositive;   // at the grid frequencies
    std::vector<double> srsNegative;
    std::string accelText;
    std::string velocityText;
    std::string displacementText;
    std::string srsText;
};

// `output` holds the output time step, the sample count of the duration at
// it and the filter bank for the run's damping at that step.
HistoryFiles historyFilesOf(const std::vector<ExactWavelet>& wavelets, const FrequencyGrid& grid,
                            const RunSampling& output, UnitSystem units);

// The same at the output sampling, damping and units `record` gives: a
// refined history's files, or a run's rebuilt from run.out.
HistoryFiles historyFilesOf(const std::vector<ExactWavelet>& wavelets, const RunRecord& record);

// The checksums run.out records of the texts above and of wavelet.out's.
ResultFileChecksums checksumsOf(const std::string& waveletText, const HistoryFiles& files);
