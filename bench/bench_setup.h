#pragma once

#include <memory>
#include <vector>

#include "run/run_state.h"

// A run state set up as the dialogue would for a specification from
// `firstFrequency` to `lastFrequency` Hz (levels rising 6 dB per octave to
// 1000 at the top), 1/3, 1/6 or 1/12 octave spacing, 5 % damping, and the
// given duration: grid, bank, time step of 1/(12 f_last), sample count.
std::unique_ptr<RunState> makeBenchRun(double firstFrequency, double lastFrequency, int spacingChoice,
                                       double duration, double zpa);

// A grid of exactly `count` points spread evenly on a log scale over 100 Hz
// to 10 kHz (a single point at 100 Hz), with its bank
// at 5 % damping and a time step of 1/120000 s.
void makeBenchGrid(int count, FrequencyGrid& grid, SrsFilterBank& bank);

// A shock-like history: decaying noise from a fixed seed.
std::vector<double> makeBenchHistory(int sampleCount);
