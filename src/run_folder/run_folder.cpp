#include "run_folder/run_folder.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "common/checksum.h"
#include "common/file_paths.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "run_folder/run_record_file.h"
#include "results/file_layout.h"
#include "spec/spec_level.h"
#include "spec/spec_text.h"

namespace {

// Bytes a file of `rows` lines may hold: every number the program writes
// fits a line of this length, even a %f of a double near its largest.
constexpr std::size_t lineLimitBytes = 2048;
std::size_t linesLimitBytes(long rows) {
    return (static_cast<std::size_t>(rows < 0 ? 0 : rows) + 2) * lineLimitBytes;
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool readText(const std::string& path, std::string& text, std::string& error, std::size_t limitBytes) {
    std::string reason;
    if (readWholeFile(path, text, reason, limitBytes)) return true;
    error = "cannot open " + baseName(path) + " (" + path + "): " + reason;
    return false;
}

// The file's lines without their line feeds; a last line without one counts.
// `checksum`, when given, gets the FNV-1a 64 of the file's bytes.
bool readLines(const std::string& path, std::vector<std::string>& lines, std::string& error, std::size_t limitBytes,
               std::uint64_t* checksum = nullptr) {
    std::string text;
    if (!readText(path, text, error, limitBytes)) return false;
    if (checksum != nullptr) *checksum = fnv1a64(text.data(), text.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

// Splits on blanks and tabs and converts every field; printf's "inf" and "nan"
// texts are numbers here too, so that a degenerate run's trials.out still
// reads. `firstNonFinite` (when given) gets the first field that is not finite.
bool parseNumbers(const std::string& line, std::vector<double>& numbers, std::string* firstNonFinite = nullptr) {
    numbers.clear();
    if (firstNonFinite != nullptr) firstNonFinite->clear();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n'; };
    const char* at = line.data();
    const char* const end = at + line.size();
    while (at != end) {
        while (at != end && blank(*at)) ++at;
        if (at == end) break;
        const char* fieldEnd = at;
        while (fieldEnd != end && !blank(*fieldEnd)) ++fieldEnd;
        // from_chars reads what the program prints, fast and exactly; strtod
        // what it does not (a leading '+').
        double value = 0.0;
        const std::from_chars_result read = std::from_chars(at, fieldEnd, value);
        if (read.ec != std::errc() || read.ptr != fieldEnd) {
            const std::string field(at, fieldEnd);
            char* stop = nullptr;
            value = std::strtod(field.c_str(), &stop);
            if (stop == field.c_str() || *stop != '\0') return false;
        }
        if (!std::isfinite(value) && firstNonFinite != nullptr && firstNonFinite->empty()) {
            *firstNonFinite = std::string(at, fieldEnd);
        }
        numbers.push_back(value);
        at = fieldEnd;
    }
    return true;
}

std::string lineError(const std::string& path, std::size_t lineIndex, const char* expected) {
    return baseName(path) + " line " + std::to_string(lineIndex + 1) + ": expected " + expected;
}

// The numbers of a line of a file whose values must all be finite: a history
// or spectrum holding "inf" or "nan" is a degenerate run's, not one to judge.
bool parseFiniteNumbers(const std::string& path, std::size_t lineIndex, const std::string& line,
                        std::vector<double>& numbers, std::size_t count, const char* expected, std::string& error) {
    std::string nonFinite;
    if (!parseNumbers(line, numbers, &nonFinite) || numbers.size() != count) {
        error = lineError(path, lineIndex, expected);
        return false;
    }
    if (!nonFinite.empty()) {
        error = baseName(path) + " line " + std::to_string(lineIndex + 1) + ": \"" + nonFinite +
                "\" is not a finite number; the run that wrote it is degenerate";
        return false;
    }
    return true;
}

}  // namespace

OptimumCase chooseOptimum(const std::vector<RankLine>& ranks) {
    OptimumCase best{ranks.front().trial, ranks.front().score};
    for (const RankLine& line : ranks) {
        if (line.score < best.score || (line.score == best.score && line.trial < best.trial)) {
            best = {line.trial, line.score};
        }
    }
    return best;
}

bool readSpecification(const std::string& path, SpecTable& spec, std::string& error,
                       std::vector<std::string>* notes) {
    SpecText text;
    const bool read = readSpecTextFile(path, text, error);
    spec = text.table;
    if (notes != nullptr) *notes = text.notes;
    return read;
}

bool readSrsFile(const std::string& path, std::vector<SrsLine>& lines, std::string& error, std::uint64_t* checksum) {
    std::vector<std::string> text;
    if (!readLines(path, text, error, linesLimitBytes(maxGridPoints), checksum)) return false;
    std::vector<double> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        if (!parseFiniteNumbers(path, i, text[i], numbers, 3, "frequency, positive SRS and negative SRS", error)) {
            return false;
        }
        if (!lines.empty() && !(numbers[0] > lines.back().frequency)) {
            error = lineError(path, i, "a frequency above the previous line's");
            return false;
        }
        lines.push_back({numbers[0], numbers[1], numbers[2]});
    }
    if (lines.empty()) {
        error = baseName(path) + " holds no spectrum lines";
        return false;
    }
    return true;
}

bool readMotionFile(const std::string& path, MotionRecord& record, std::string& error, long maxRows,
                    std::uint64_t* checksum) {
    std::vector<std::string> text;
    if (!readLines(path, text, error, linesLimitBytes(maxRows), checksum)) return false;
    std::vector<double> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        if (!parseFiniteNumbers(path, i, text[i], numbers, 2, "time and value", error)) return false;
        record.time.push_back(numbers[0]);
        record.value.push_back(numbers[1]);
    }
    if (record.time.empty()) {
        error = baseName(path) + " holds no samples";
        return false;
    }
    return true;
}

bool readUnitSystem(const std::string& trialsPath, int& unitSystem, std::string& error) {
    std::vector<std::string> text;
    if (!readLines(trialsPath, text, error, linesLimitBytes(maxTrials + 8))) return false;
    // The header's third line, e.g. "           (G)         (in/sec)     (in)".
    const auto inParentheses = [](const char* word) { return std::string("(") + word + ")"; };
    for (std::size_t i = 0; i < text.size() && i < 8; ++i) {
        std::istringstream fields(text[i]);
        std::vector<std::string> words;
        std::string word;
        while (fields >> word) words.push_back(word);
        if (words.size() != 3 || words[0].front() != '(') continue;
        for (UnitSystem system = 1; system <= 3; ++system) {
            const UnitNames names = unitNamesOf(system);
            if (words[0] == inParentheses(names.acceleration) && words[1] == inParentheses(names.velocity) &&
                words[2] == inParentheses(names.displacement)) {
                unitSystem = system;
                return true;
            }
        }
        error = baseName(trialsPath) + " line " + std::to_string(i + 1) + ": unknown units line \"" + text[i] + "\"";
        return false;
    }
    error = baseName(trialsPath) + ": no units line such as \"(G) (in/sec) (in)\" in its header";
    return false;
}

bool readRankFile(const std::string& path, std::vector<RankLine>& lines, std::string& error) {
    std::vector<std::string> text;
    if (!readLines(path, text, error, linesLimitBytes(maxTrials))) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        long fields[7];
        const int converted = std::sscanf(text[i].c_str(), " i=%ld n=%ld a=%ld v=%ld d=%ld e=%ld ie=%ld", &fields[0],
                                          &fields[1], &fields[2], &fields[3], &fields[4], &fields[5], &fields[6]);
        if (converted != 7) {
            error = lineError(path, i, "\"i=... n=... a=... v=... d=... e=... ie=...\"");
            return false;
        }
        lines.push_back({fields[0], fields[1]});
    }
    if (lines.empty()) {
        error = baseName(path) + " lists no trials";
        return false;
    }
    return true;
}

bool readWaveletFrequencies(const std::string& path, std::vector<double>& frequencies, std::string& error,
                            std::uint64_t* checksum) {
    std::vector<std::string> text;
    if (!readLines(path, text, error, linesLimitBytes(maxGridPoints + 2), checksum)) return false;
    frequencies.clear();
    bool headingSeen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        if (!headingSeen) {
            if (text[i].find("Freq(Hz)") == std::string::npos) {
                error = lineError(path, i, "the heading \"No. Freq(Hz) Amp NHS Delay(sec)\"");
                return false;
            }
            headingSeen = true;
            continue;
        }
        long number = 0;
        double frequency = 0.0;
        double amplitude = 0.0;
        long halfSines = 0;
        double delay = 0.0;
        if (std::sscanf(text[i].c_str(), "%ld %lf %lf %ld %lf", &number, &frequency, &amplitude, &halfSines,
                        &delay) != 5) {
            error = lineError(path, i, "wavelet number, frequency, amplitude, NHS and delay");
            return false;
        }
        frequencies.push_back(frequency);
    }
    if (frequencies.empty()) {
        error = baseName(path) + " lists no wavelets";
        return false;
    }
    return true;
}

bool readWaveletCount(const std::string& path, int& count, std::string& error) {
    std::vector<double> frequencies;
    if (!readWaveletFrequencies(path, frequencies, error)) return false;
    count = static_cast<int>(frequencies.size());
    return true;
}

bool readTrialRowCount(const std::string& trialsPath, int& rows, std::string& error) {
    std::string text;
    if (!readText(trialsPath, text, error, linesLimitBytes(maxTrials + 8))) return false;
    rows = 0;
    bool headerSeen = false;
    std::vector<double> numbers;
    std::size_t start = 0;
    for (std::size_t i = 0; start < text.size(); ++i) {
        std::size_t end = text.find('\n', start);
        const bool whole = end != std::string::npos;
        if (!whole) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!headerSeen) {
            // The header ends with the units line, the only one that opens
            // with a parenthesis.
            const std::size_t first = line.find_first_not_of(' ');
            headerSeen = first != std::string::npos && line[first] == '(';
            continue;
        }
        if (isBlank(line)) continue;
        // " t accel vel disp T.Error I.Error strategy passes"
        const bool row = parseNumbers(line, numbers) && numbers.size() == 8 &&
                         numbers[0] == static_cast<double>(rows);
        if (!row) {
            // A run stopped while writing leaves its last row unfinished.
            if (!whole) break;
            error = lineError(trialsPath, i, ("the row of trial " + std::to_string(rows)).c_str());
            return false;
        }
        ++rows;
    }
    if (!headerSeen) {
        error = baseName(trialsPath) + ": no header ending in a units line such as \"(G) (in/sec) (in)\"";
        return false;
    }
    return true;
}

bool readModificationTime(const std::string& path, std::int64_t& nanoseconds, std::string& error) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        error = "cannot read the modification time of " + baseName(path) + " (" + path + "): " + std::strerror(errno);
        return false;
    }
    nanoseconds = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return true;
}

bool readSortedListCounts(const std::string& path, std::vector<SortedList>& lists, std::string& error) {
    std::vector<std::string> text;
    if (!readLines(path, text, error, linesLimitBytes(sortedListSectionCount * (maxTrials + 3)))) return false;
    lists.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        std::istringstream fields(text[i]);
        std::string first;
        std::string second;
        std::string extra;
        fields >> first >> second >> extra;
        if (second.empty()) {
            lists.push_back({first, {}});
            continue;
        }
        char* end = nullptr;
        const long trial = std::strtol(first.c_str(), &end, 10);
        if (lists.empty() || !extra.empty() || end == first.c_str() || *end != '\0') {
            error = lineError(path, i, "a section heading or \"trial value\"");
            return false;
        }
        lists.back().trials.push_back(trial);
    }
    return true;
}

bool readAnswerWords(const std::string& path, std::vector<std::string>& words, std::string& error) {
    std::string text;
    if (!readText(path, text, error, linesLimitBytes(16))) return false;
    std::istringstream fields(text);
    words.clear();
    std::string word;
    while (fields >> word) words.push_back(word);
    return true;
}

bool folderHoldsRun(const std::string& folder, std::string& error) {
    struct stat status;
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        error = "the run's folder " + folder + " does not exist, or is not a folder";
        return false;
    }
    for (const char* name : {runRecordFileName, trialsFileName, waveletFileName, srsFileName, accelFileName}) {
        if (access(pathInFolder(folder, name).c_str(), F_OK) == 0) return true;
    }
    error = folder + " holds no run of kolvane_zpa (no run.out, trials.out or accel.out): run kolvane_zpa there "
            "first, or kolvane_fit SPEC_FILE " + folder;
    return false;
}

bool readRunFolder(const std::string& outputDir, RunFolder& inputs, std::string& error) {
    const std::string dir = outputDir.empty() || outputDir.back() == '/' ? outputDir : outputDir + "/";
    const std::string runPath = dir + runRecordFileName;
    inputs.dir = outputDir;
    inputs.runRecord.reset();
    if (access(runPath.c_str(), F_OK) == 0) {
        RunRecord record;
        if (!readRunRecord(runPath, record, error)) return false;
        inputs.runRecord = record;
        if (!readModificationTime(runPath, inputs.times.runRecord, error)) return false;
    }
    // run.out tells how long the histories are; without it they may be as
    // long as the program ever writes them.
    const long historyRows = inputs.runRecord ? inputs.runRecord->outputSampleCount : sampleCapacity;
    if (!readWaveletFrequencies(dir + waveletFileName, inputs.waveletFrequencies, error, &inputs.checksums.wavelets)) {
        return false;
    }
    inputs.waveletCount = static_cast<int>(inputs.waveletFrequencies.size());
    inputs.answerWords.reset();
    inputs.runSpec.reset();
    if (inputs.runRecord) {
        // What a fit leaves beside the run, and the file the run synthesised
        // against, when they are there: both must belong to the run.
        if (access((dir + answersFileName).c_str(), F_OK) == 0) {
            inputs.answerWords.emplace();
            if (!readAnswerWords(dir + answersFileName, *inputs.answerWords, error)) return false;
        }
        SpecText runSpec;
        std::string ignored;
        const std::string runSpecPath = pathInFolder(outputDir, inputs.runRecord->specFileName);
        if (readSpecTextFile(runSpecPath, runSpec, ignored) && runSpec.checksum == inputs.runRecord->specChecksum) {
            inputs.runSpec = runSpec.table;
        }
    }
    ResultFileChecksums& sums = inputs.checksums;
    return readSrsFile(dir + srsFileName, inputs.srs, error, &sums.srs) &&
           readSortedListCounts(dir + sortedListsFileName, inputs.sortedLists, error) &&
           readMotionFile(dir + accelFileName, inputs.acceleration, error, historyRows, &sums.acceleration) &&
           readMotionFile(dir + velocityFileName, inputs.velocity, error, historyRows + 1, &sums.velocity) &&
           readMotionFile(dir + displacementFileName, inputs.displacement, error, historyRows + 1,
                          &sums.displacement) &&
           readUnitSystem(dir + trialsFileName, inputs.unitSystem, error) &&
           readTrialRowCount(dir + trialsFileName, inputs.trialRows, error) &&
           readRankFile(dir + ranksFileName, inputs.ranks, error) &&
           readModificationTime(dir + accelFileName, inputs.times.acceleration, error) &&
           readModificationTime(dir + velocityFileName, inputs.times.velocity, error) &&
           readModificationTime(dir + displacementFileName, inputs.times.displacement, error) &&
           readModificationTime(dir + srsFileName, inputs.times.srs, error);
}

namespace {

// A value as its file prints it, read back as the readers read it.
double asPrinted(const std::string& text) {
    const char* begin = text.data() + text.find_first_not_of(' ');
    double value = 0.0;
    std::from_chars(begin, text.data() + text.size(), value);
    return value;
}

double fixedAsPrinted(double value, int width, int decimals) {
    std::string text;
    appendFixed(text, value, width, decimals);
    return asPrinted(text);
}

MotionRecord historyAsPrinted(const std::vector<double>& values, double timeStep) {
    const int decimals = historyTimeDecimals(timeStep);
    MotionRecord record;
    record.time.reserve(values.size());
    record.value.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        record.time.push_back(fixedAsPrinted(static_cast<double>(i) * timeStep, 12, decimals));
        record.value.push_back(fixedAsPrinted(values[i], 12, historyValueDecimals));
    }
    return record;
}

}  // namespace

RunFolder runFolderOf(const RunResults& results, const std::optional<SpecTable>& runSpec) {
    RunFolder folder;
    const RunRecord& record = results.record;
    folder.runRecord = record;
    for (std::size_t j = 0; j < results.srsFrequency.size(); ++j) {
        folder.srs.push_back({fixedAsPrinted(results.srsFrequency[j], 12, srsFrequencyDecimals),
                              asPrinted(formatExponent(results.srsPositive[j], 12, srsPeakDigits)),
                              asPrinted(formatExponent(results.srsNegative[j], 12, srsPeakDigits))});
    }
    folder.acceleration = historyAsPrinted(results.acceleration, record.outputTimeStep);
    folder.velocity = historyAsPrinted(results.velocity, record.outputTimeStep);
    folder.displacement = historyAsPrinted(results.displacement, record.outputTimeStep);
    folder.unitSystem = record.units;
    folder.trialRows = results.trialRows;
    for (std::size_t t = 0; t < results.scores.size(); ++t) {
        folder.ranks.push_back({static_cast<long>(t), static_cast<long>(results.scores[t])});
    }
    for (const RunResults::Wavelet& wavelet : results.wavelets) {
        folder.waveletFrequencies.push_back(fixedAsPrinted(wavelet.frequency, 12, 3));
    }
    folder.waveletCount = static_cast<int>(folder.waveletFrequencies.size());
    for (std::size_t m = 0; m < results.sortedTrials.size(); ++m) {
        SortedList list{sortedListSectionNames[m], {}};
        for (const std::int32_t trial : results.sortedTrials[m]) list.trials.push_back(trial);
        folder.sortedLists.push_back(list);
    }
    folder.runSpec = runSpec;
    folder.checksums = record.checksums;
    folder.heldInMemory = true;
    return folder;
}
