#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What run.out says about the run whose result files lie beside it: the
// accepted answers, the values derived from them before the trials, and what
// the latest results step did. A reader of the result files learns from it
// which run they describe and can tell a stale or foreign file.
struct RunRecord {
    std::string version;  // the program's version, as in the banner

    // The accepted answers.
    std::string specFileName;
    double zpa = 0.0;
    int spacingChoice = 0;
    int octaveFraction = 0;  // 3, 6 or 12: the grid steps by 1/octaveFraction octave
    double dampingRatio = 0.0;
    double q = 0.0;  // 1 / (2 dampingRatio)
    double duration = 0.0;
    int trialCount = 0;
    int units = 0;
    int skipCount = 0;

    // Derived before the first trial.
    double timeStep = 0.0;  // the run's own, 1 / (12 f_last)
    int sampleCount = 0;
    int gridPointCount = 0;
    double lastGridFrequency = 0.0;
    std::uint64_t specChecksum = 0;  // FNV-1a 64 of the specification file's bytes

    // The latest results step; trialsRanked stays 0 until the first one.
    int trialsRanked = 0;
    int optimumCase = -1;
    double outputSampleRate = 0.0;  // 1 / outputTimeStep
    double outputTimeStep = 0.0;
    int outputSampleCount = 0;  // rows of accel.out; velox.out and disp.out hold one more
};

// run.out's text: a first line naming the file's purpose, then one
// "key = value" line per field, reals as "%.17g" (with the three-digit
// exponent) so that they read back to the same double.
std::string formatRunRecord(const RunRecord& record);

// Reads formatRunRecord's text back. Unknown keys are an error, so are missing
// keys, repeated keys and values that do not read whole; `error` then names
// the line (without a file name).
bool parseRunRecord(const std::string& text, RunRecord& record, std::string& error);

// Writes run.out whole into `outputDir`, through a temporary file renamed
// into place. False, after "\n\n Error: cannot write run.out \n\n" on the
// console, when it cannot be written; the previous run.out is then left as it
// was.
bool writeRunRecord(const RunRecord& record, const std::string& outputDir, std::FILE* console);
