#include "report/report_inputs.h"

#include <cerrno>
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
#include "common/text_file.h"
#include "report/run_record_file.h"
#include "results/file_layout.h"
#include "spec/spec_level.h"

namespace {

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool readText(const std::string& path, std::string& text, std::string& error) {
    std::string reason;
    if (readWholeFile(path, text, reason)) return true;
    error = "cannot open " + baseName(path) + " (" + path + "): " + reason;
    return false;
}

// The file's lines without their line feeds; a last line without one counts.
bool readLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    std::string text;
    if (!readText(path, text, error)) return false;
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
// texts are numbers here too, so that a degenerate run still reads.
bool parseNumbers(const std::string& line, std::vector<double>& numbers) {
    numbers.clear();
    std::istringstream fields(line);
    std::string field;
    while (fields >> field) {
        char* end = nullptr;
        const double value = std::strtod(field.c_str(), &end);
        if (end == field.c_str() || *end != '\0') return false;
        numbers.push_back(value);
    }
    return true;
}

std::string lineError(const std::string& path, std::size_t lineIndex, const char* expected) {
    return baseName(path) + " line " + std::to_string(lineIndex + 1) + ": expected " + expected;
}

}  // namespace

bool readSpecification(const std::string& path, SpecTable& spec, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        spec = SpecTable{};
        error = "cannot open specification file " + path + ": " + std::strerror(errno);
        return false;
    }
    // The main program's own reader: a lone final frequency still counts as a
    // point (with level 0, refused below).
    const SpecReadStatus status = readSpecStream(file, spec);
    std::fclose(file);

    const std::string name = "specification file " + path;
    if (status == SpecReadStatus::tooManyPoints) {
        error = name + ": more than " + std::to_string(maxSpecPoints) + " points";
        return false;
    }
    if (status == SpecReadStatus::noPoints) {
        error = name + ": no frequency/level pairs (the first line must already be numbers)";
        return false;
    }
    for (int i = 0; i < spec.count; ++i) {
        const bool ascending = i == 0 || spec.frequency[i] > spec.frequency[i - 1];
        if (!(spec.frequency[i] > 0.0) || !(spec.level[i] > 0.0) || !ascending) {
            error = name + ": point " + std::to_string(i + 1) +
                    " breaks the rule of positive, strictly ascending frequencies and positive levels";
            return false;
        }
    }
    computeSlopes(spec);
    return true;
}

bool readSrsFile(const std::string& path, std::vector<SrsLine>& lines, std::string& error) {
    std::vector<std::string> text;
    if (!readLines(path, text, error)) return false;
    std::vector<double> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        if (!parseNumbers(text[i], numbers) || numbers.size() != 3) {
            error = lineError(path, i, "frequency, positive SRS and negative SRS");
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

bool readMotionFile(const std::string& path, MotionRecord& record, std::string& error) {
    std::vector<std::string> text;
    if (!readLines(path, text, error)) return false;
    std::vector<double> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) continue;
        if (!parseNumbers(text[i], numbers) || numbers.size() != 2) {
            error = lineError(path, i, "time and value");
            return false;
        }
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
    if (!readLines(trialsPath, text, error)) return false;
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
    if (!readLines(path, text, error)) return false;
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

bool readWaveletFrequencies(const std::string& path, std::vector<double>& frequencies, std::string& error) {
    std::vector<std::string> text;
    if (!readLines(path, text, error)) return false;
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
    if (!readText(trialsPath, text, error)) return false;
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

bool readReportInputs(const std::string& specPath, const std::string& outputDir, ReportInputs& inputs,
                      std::string& error) {
    const std::string dir = outputDir.empty() || outputDir.back() == '/' ? outputDir : outputDir + "/";
    inputs.specPath = specPath;
    if (!readSpecification(specPath, inputs.spec, error)) return false;
    if (!checksumFile(specPath, inputs.specChecksum)) {
        error = "cannot read specification file " + specPath;
        return false;
    }
    const std::string runPath = dir + runRecordFileName;
    inputs.runRecord.reset();
    if (access(runPath.c_str(), F_OK) == 0) {
        RunRecord record;
        if (!readRunRecord(runPath, record, error)) return false;
        inputs.runRecord = record;
        if (!readModificationTime(runPath, inputs.times.runRecord, error)) return false;
    }
    if (!readWaveletFrequencies(dir + waveletFileName, inputs.waveletFrequencies, error)) return false;
    inputs.waveletCount = static_cast<int>(inputs.waveletFrequencies.size());
    return readSrsFile(dir + srsFileName, inputs.srs, error) &&
           readMotionFile(dir + accelFileName, inputs.acceleration, error) &&
           readMotionFile(dir + velocityFileName, inputs.velocity, error) &&
           readMotionFile(dir + displacementFileName, inputs.displacement, error) &&
           readUnitSystem(dir + trialsFileName, inputs.unitSystem, error) &&
           readTrialRowCount(dir + trialsFileName, inputs.trialRows, error) &&
           readRankFile(dir + ranksFileName, inputs.ranks, error) &&
           readModificationTime(dir + accelFileName, inputs.times.acceleration, error) &&
           readModificationTime(dir + velocityFileName, inputs.times.velocity, error) &&
           readModificationTime(dir + displacementFileName, inputs.times.displacement, error) &&
           readModificationTime(dir + srsFileName, inputs.times.srs, error);
}
