#pragma once

// The names and number layouts of the files a run writes, for the writers
// and for every reader of them.

constexpr const char* trialsFileName = "trials.out";
constexpr const char* sortedListsFileName = "rank_d.out";
constexpr const char* ranksFileName = "rank.out";
constexpr const char* waveletFileName = "wavelet.out";
constexpr const char* accelFileName = "accel.out";
constexpr const char* velocityFileName = "velox.out";
constexpr const char* displacementFileName = "disp.out";
constexpr const char* srsFileName = "srs.out";
constexpr const char* runRecordFileName = "run.out";
// What kolvane_zpa < answers.txt runs on: the answers of a fit's kept run.
constexpr const char* answersFileName = "answers.txt";

// The files of a finished run, in the order the run writes them (run.out
// first as the start record, again before the histories).
constexpr const char* runFileNames[] = {trialsFileName,   sortedListsFileName, ranksFileName,
                                        waveletFileName,  runRecordFileName,   accelFileName,
                                        velocityFileName, displacementFileName, srsFileName};

// rank_d.out: one section per measure, in the ranking's order, each headed
// by its name on a line of its own.
constexpr const char* sortedListSectionNames[] = {"accel", "vel", "disp", "error", "irror"};
constexpr int sortedListSectionCount = 5;

// srs.out: "%12.3f \t %12.5e \t %12.5e\n", frequency and the two peaks.
constexpr int srsFrequencyDecimals = 3;
constexpr int srsPeakDigits = 5;

// accel.out, velox.out and disp.out: the time with five decimals, or eight
// above 10000 samples per second where five would repeat times; the value
// with four.
int historyTimeDecimals(double timeStep);
constexpr int historyValueDecimals = 4;

// A history's value as its file prints it and a reader reads it back.
double historyValueAsPrinted(double value);
