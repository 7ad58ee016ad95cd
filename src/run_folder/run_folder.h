#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/constants.h"
#include "model/units.h"
#include "results/run_record.h"
#include "results/run_results.h"
#include "spec/spec_table.h"

// One line of srs.out: natural frequency (Hz), positive SRS and negative-SRS
// magnitude, in the acceleration unit of the run.
struct SrsLine {
    double frequency = 0.0;
    double positive = 0.0;
    double negative = 0.0;
};

// A time history as written to accel.out, velox.out or disp.out.
struct MotionRecord {
    std::vector<double> time;
    std::vector<double> value;
};

// One line of rank.out: the trial number and its weighted score.
struct RankLine {
    long trial = 0;
    long score = 0;
};

struct OptimumCase {
    long trial = 0;
    long score = 0;
};

// The lowest score of rank.out's lines; the lowest trial number among equal
// scores. `ranks` must not be empty.
OptimumCase chooseOptimum(const std::vector<RankLine>& ranks);

// One section of rank_d.out: its heading word and the trial numbers listed.
struct SortedList {
    std::string name;
    std::vector<long> trials;
};

// Modification times of the files whose age matters, in nanoseconds since
// the epoch; runRecord is 0 when there is no run.out.
struct ResultFileTimes {
    std::int64_t runRecord = 0;
    std::int64_t acceleration = 0;
    std::int64_t velocity = 0;
    std::int64_t displacement = 0;
    std::int64_t srs = 0;
};

// Everything read from one run's folder: its files as the program wrote them,
// or, for a run just made, the same values held in memory as its files print
// them.
struct RunFolder {
    std::string dir;  // as named; empty for a run held in memory
    std::optional<RunRecord> runRecord;  // empty when the folder has no run.out
    std::vector<SrsLine> srs;
    MotionRecord acceleration;
    MotionRecord velocity;
    MotionRecord displacement;
    int unitSystem = 0;
    int trialRows = 0;  // trials.out's rows: trials 0 .. trialRows-1 finished
    std::vector<RankLine> ranks;
    int waveletCount = 0;
    std::vector<double> waveletFrequencies;  // wavelet.out's frequency column
    std::vector<SortedList> sortedLists;     // rank_d.out
    ResultFileTimes times;
    ResultFileChecksums checksums;  // of the files' bytes as read
    // Made from a run's results in memory rather than read: its files' ages
    // and bytes are the run's own by construction.
    bool heldInMemory = false;
    // With run.out: answers.txt's words when the folder holds one (a fit's),
    // and the table of the file the run synthesised against (run.out's
    // spec_file in the folder, when its bytes are the run's).
    std::optional<std::vector<std::string>> answerWords;
    std::optional<SpecTable> runSpec;
};

// Each reader returns false and sets `error` to a message that names the file
// when the file is missing or does not have the shape the main program writes.
// The specification is read strictly (readSpecText): a table the program
// would read only in part is refused. What was forgiven goes to `notes`.
bool readSpecification(const std::string& path, SpecTable& spec, std::string& error,
                       std::vector<std::string>* notes = nullptr);
// `checksum`, when given, gets the FNV-1a 64 of the file's bytes.
bool readSrsFile(const std::string& path, std::vector<SrsLine>& lines, std::string& error,
                 std::uint64_t* checksum = nullptr);
// At most `maxRows` rows: run.out's count, when it is known.
bool readMotionFile(const std::string& path, MotionRecord& record, std::string& error,
                    long maxRows = sampleCapacity, std::uint64_t* checksum = nullptr);
bool readUnitSystem(const std::string& trialsPath, int& unitSystem, std::string& error);
bool readRankFile(const std::string& path, std::vector<RankLine>& lines, std::string& error);
bool readWaveletCount(const std::string& path, int& count, std::string& error);
bool readWaveletFrequencies(const std::string& path, std::vector<double>& frequencies, std::string& error,
                            std::uint64_t* checksum = nullptr);
// Counts trials.out's rows after its header; each must be the next trial's,
// except an unfinished last line, which a run stopped mid-row leaves and
// which is not counted. No rows is no error.
bool readTrialRowCount(const std::string& trialsPath, int& rows, std::string& error);
bool readSortedListCounts(const std::string& path, std::vector<SortedList>& lists, std::string& error);
bool readAnswerWords(const std::string& path, std::vector<std::string>& words, std::string& error);
bool readModificationTime(const std::string& path, std::int64_t& nanoseconds, std::string& error);

// Whether `folder` is a folder with a run of the program in it; otherwise
// `error` says so, and what to run first.
bool folderHoldsRun(const std::string& folder, std::string& error);

// Reads the seven result files and trials.out of `dir`, their modification
// times, and run.out when the folder holds one (a run.out that does not read
// is an error), with answers.txt and the run's specification file when they
// are there.
bool readRunFolder(const std::string& dir, RunFolder& folder, std::string& error);

// The folder a run with `results` leaves, without reading it: every value as
// its file prints it and the readers read it back, to the bit. `runSpec` is
// the table of the specification the run synthesised against.
RunFolder runFolderOf(const RunResults& results, const std::optional<SpecTable>& runSpec);
