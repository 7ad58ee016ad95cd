#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/exact_wavelet.h"

// What a history is: the program's run as it wrote it, its wavelets refined
// after the run, a drive corrected from a measured shot, or (never a run
// folder's) a record measured on the shaker.
enum class HistoryKind { plainRun, refinedHistory, measuredRecord, drive };

// run.out's words for it: "plain run", "refined history", ...
const char* historyKindName(HistoryKind kind);

// FNV-1a 64 checksums of the files a results step writes about its optimum,
// of their bytes as written; 0 for a file a record does not vouch for.
struct ResultFileChecksums {
    std::uint64_t wavelets = 0;
    std::uint64_t acceleration = 0;
    std::uint64_t velocity = 0;
    std::uint64_t displacement = 0;
    std::uint64_t srs = 0;
};

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

    // What the history files hold, their checksums, and the wavelets that
    // rebuild them exactly. A record written before these were kept has
    // none of them: it holds a plain run, vouched for by its times alone.
    HistoryKind holds = HistoryKind::plainRun;
    bool hasChecksums = false;
    ResultFileChecksums checksums;
    std::vector<ExactWavelet> wavelets;

    // A drive's lineage, in words: the folder whose history was played and
    // its history's checksum, the shot measured (its file, checksum and
    // window), and what was corrected. Empty for any other history.
    std::string driveReference;
    std::string driveMeasured;
    std::string driveCorrection;
};

// run.out's text: a first line naming the file's purpose, then one
// "key = value" line per field, reals as "%.17g" (with the three-digit
// exponent) so that they read back to the same double; the wavelets one
// "wavelet = frequency amplitude half-sines delay" line each.
std::string formatRunRecord(const RunRecord& record);

// Reads formatRunRecord's text back. Unknown keys are an error, so are missing
// keys, repeated keys and values that do not read whole; `error` then names
// the line (without a file name). The keys a record written before the
// checksums were kept lacks (holds, the checksums, the wavelets) may be
// missing all together.
bool parseRunRecord(const std::string& text, RunRecord& record, std::string& error);

// Writes run.out whole into `outputDir`, through a temporary file renamed
// into place. False, after "\n\n Error: cannot write run.out \n\n" on the
// console, when it cannot be written; the previous run.out is then left as it
// was.
bool writeRunRecord(const RunRecord& record, const std::string& outputDir, std::FILE* console);
