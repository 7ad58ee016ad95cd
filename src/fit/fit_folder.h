#pragma once

#include <set>
#include <string>
#include <vector>

#include "fit/attempt_choice.h"
#include "fit/fit_file_names.h"
#include "refine/refined_run.h"
#include "run_folder/run_folder.h"

// The output folder a fit owns. A second fit into it removes what the first
// one wrote there, as listed in its fit.json, and nothing else; it never
// writes over a file it did not write itself, unless that file already holds
// exactly what it would write; and it holds a lock on the folder, so that a
// second fit cannot start while one is writing there.
struct OutputFolder {
    std::string dir;
    int lock = -1;                          // held until closeOutputFolder
    std::set<std::string> earlierFiles;     // an earlier fit's, relative to dir
    std::vector<std::string> writtenFiles;  // this fit's, relative to dir, in the order written
};


// Creates the folder when missing, takes its lock and reads what an earlier
// fit wrote there. False, with `error` set, when the folder cannot be made
// or another fit holds it.
bool openOutputFolder(const std::string& dir, OutputFolder& folder, std::string& error);
void closeOutputFolder(OutputFolder& folder);

// Removes what an earlier fit wrote under attempts/, and the attempt folders
// that leaves empty.
void clearEarlierAttempts(const OutputFolder& folder);

// A name under which this fit may write `text` into the folder: `wanted` when
// nothing is there by that name, when an earlier fit wrote it, or when it
// holds `text` already; otherwise the first of "stem-2.ext", "stem-3.ext", ...
// that is free in the same sense.
std::string freeName(const OutputFolder& folder, const std::string& wanted, const std::string& text);

// Records a file this fit wrote (relative to the folder), for fit.json.
void noteWritten(OutputFolder& folder, const std::string& relativePath);

// Writes `text` to the folder's file `name` whole (through a temporary and a
// rename) and records it.
bool writeFolderFile(OutputFolder& folder, const std::string& name, const std::string& text, std::string& error);

// Copies the kept attempt's run from `attemptDir` into the folder, in the
// order the program writes its own files: first run.out as it stands before
// a run's first results step, answers.txt and the specification file; then
// trials.out, rank_d.out, rank.out and wavelet.out; run.out; and last
// accel.out, velox.out, disp.out and srs.out. A fit stopped at any moment
// thus leaves the earlier run whole, a folder the report refuses, or the new
// run whole.
// A refined history's wavelet.out, run.out and histories come from `refined`,
// the program's search (trials.out, rank_d.out, rank.out) from the attempt.
bool publishKeptRun(OutputFolder& folder, const std::string& attemptDir, const AttemptPlan& plan,
                    const RefinedRun* refined, std::string& error);

// Writes a drive corrected from a shot into the folder in the same order:
// run.out as started, the reference's answers.txt and specification, its
// search files, then the drive's wavelet.out, run.out and histories.
bool publishDrive(OutputFolder& folder, const RunFolder& reference, const RefinedRun& drive, std::string& error);

// Removes the files the earlier fit wrote outside attempts/ that this one has
// not written again.
void removeStaleFiles(const OutputFolder& folder);

// For a fit that stops on an error: the files it wrote, then those the
// earlier fit wrote outside attempts/ that are still there. Listed in its
// fit.json, they let the next fit clear both.
std::vector<std::string> filesOwnedAfterStop(const OutputFolder& folder);
