#pragma once

#include <map>
#include <string>
#include <vector>

#include "results/run_results.h"
#include "run_folder/run_folder.h"

// A run as the module hands it to Python: its history as its files print it,
// and either the files' bytes (a run just made, in no folder yet) or the
// folder they were read from.
struct PythonRun {
    RunFolder folder;                                        // as read, or as its files print it
    std::vector<std::pair<std::string, std::string>> files;  // name and bytes, in the order the program writes them
    std::string sourceDir;                                   // the folder read_run read; empty for a run just made
    std::string trialsText;                                  // trials.out, for the trial table

    double timeStep() const;
};

// The folder at `dir`, read as the report reads it: FileProblem when it
// cannot be, std::invalid_argument when its files do not hold a run.
PythonRun runFromFolder(const std::string& dir);

// Writes the run's files into `dir` (made when missing): the bytes a run
// just made holds, or the files of the folder it was read from. Never over
// the folder it came from.
void writeRunFiles(const PythonRun& run, const std::string& dir);

// The rows of trials.out: trial, peak acceleration, velocity and
// displacement, T.Error, I.Error, strategy and passes.
std::vector<std::vector<double>> trialRowsOf(const std::string& trialsText);
