#include "results/run_record.h"

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <vector>

#include "common/file_errors.h"
#include "common/number_format.h"
#include "results/file_layout.h"
#include "results/output_file.h"

namespace {

const char* const titleLine = "kolvane_ZPA run record";

enum class FieldKind { text, real, integer, checksum, holds, fileChecksum, lineage, wavelet };

// One line of run.out: its key and where its value lives in the record.
// The fields from `holds` on came later: a record may lack them all.
struct Field {
    const char* key;
    FieldKind kind;
    std::string RunRecord::*text = nullptr;
    double RunRecord::*real = nullptr;
    int RunRecord::*integer = nullptr;
    std::uint64_t ResultFileChecksums::*sum = nullptr;
};

Field textField(const char* key, std::string RunRecord::*member) { return {key, FieldKind::text, member}; }
Field realField(const char* key, double RunRecord::*member) { return {key, FieldKind::real, nullptr, member}; }
Field integerField(const char* key, int RunRecord::*member) {
    return {key, FieldKind::integer, nullptr, nullptr, member};
}
// A drive's lineage lines, present only when the record holds a drive.
Field lineageField(const char* key, std::string RunRecord::*member) { return {key, FieldKind::lineage, member}; }
Field fileChecksumField(const char* key, std::uint64_t ResultFileChecksums::*member) {
    return {key, FieldKind::fileChecksum, nullptr, nullptr, nullptr, member};
}

const char* const firstLaterKey = "holds";

const HistoryKind folderKinds[] = {HistoryKind::plainRun, HistoryKind::refinedHistory, HistoryKind::drive};

// A text value on its one line: line breaks become blanks.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

bool readChecksum(const std::string& value, std::uint64_t& sum) {
    if (value.size() != 16 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    sum = std::strtoull(value.c_str(), nullptr, 16);
    return true;
}

// "frequency amplitude half-sines delay", each real to 17 digits, one
// blank between them.
bool readWavelet(const std::string& value, ExactWavelet& wavelet) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t blank = value.find(' '); ; blank = value.find(' ', start)) {
        words.push_back(value.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
        if (blank == std::string::npos) break;
        start = blank + 1;
    }
    if (words.size() != 4) return false;
    double reals[4] = {};
    for (int k = 0; k < 4; ++k) {
        const std::string& word = words[static_cast<std::size_t>(k)];
        char* end = nullptr;
        errno = 0;
        reals[k] = k == 2 ? static_cast<double>(std::strtol(word.c_str(), &end, 10)) : std::strtod(word.c_str(), &end);
        if (word.empty() || word.front() == ' ' || end != word.c_str() + word.size() || errno != 0) return false;
    }
    if (!(reals[2] >= 1.0 && reals[2] <= 2147483647.0)) return false;
    wavelet = {reals[0], reals[1], static_cast<std::int32_t>(reals[2]), reals[3]};
    return true;
}

// The lines of run.out in the order written.
const std::vector<Field>& fields() {
    static const std::vector<Field> all = {
        textField("version", &RunRecord::version),
        textField("spec_file", &RunRecord::specFileName),
        {"spec_checksum", FieldKind::checksum},
        realField("zpa", &RunRecord::zpa),
        integerField("spacing_choice", &RunRecord::spacingChoice),
        integerField("octave_fraction", &RunRecord::octaveFraction),
        realField("damping_ratio", &RunRecord::dampingRatio),
        realField("q", &RunRecord::q),
        realField("duration", &RunRecord::duration),
        integerField("trials", &RunRecord::trialCount),
        integerField("units", &RunRecord::units),
        integerField("skip_count", &RunRecord::skipCount),
        realField("time_step", &RunRecord::timeStep),
        integerField("sample_count", &RunRecord::sampleCount),
        integerField("grid_points", &RunRecord::gridPointCount),
        realField("last_grid_frequency", &RunRecord::lastGridFrequency),
        integerField("trials_ranked", &RunRecord::trialsRanked),
        integerField("optimum_case", &RunRecord::optimumCase),
        realField("output_sample_rate", &RunRecord::outputSampleRate),
        realField("output_time_step", &RunRecord::outputTimeStep),
        integerField("output_sample_count", &RunRecord::outputSampleCount),
        {firstLaterKey, FieldKind::holds},
        fileChecksumField("wavelet_checksum", &ResultFileChecksums::wavelets),
        fileChecksumField("accel_checksum", &ResultFileChecksums::acceleration),
        fileChecksumField("velox_checksum", &ResultFileChecksums::velocity),
        fileChecksumField("disp_checksum", &ResultFileChecksums::displacement),
        fileChecksumField("srs_checksum", &ResultFileChecksums::srs),
        lineageField("drive_reference", &RunRecord::driveReference),
        lineageField("drive_measured", &RunRecord::driveMeasured),
        lineageField("drive_correction", &RunRecord::driveCorrection),
        {"wavelet", FieldKind::wavelet},
    };
    return all;
}

bool readValue(const Field& field, const std::string& value, RunRecord& record) {
    if (field.kind == FieldKind::text || field.kind == FieldKind::lineage) {
        if (value.empty()) return false;
        record.*field.text = value;
        return true;
    }
    if (value.empty() || value.front() == ' ') return false;
    char* end = nullptr;
    errno = 0;
    switch (field.kind) {
        case FieldKind::real:
            record.*field.real = std::strtod(value.c_str(), &end);
            break;
        case FieldKind::integer: {
            const long number = std::strtol(value.c_str(), &end, 10);
            if (errno != 0 || number < INT32_MIN || number > INT32_MAX) return false;
            record.*field.integer = static_cast<int>(number);
            break;
        }
        case FieldKind::checksum:
            return readChecksum(value, record.specChecksum);
        case FieldKind::fileChecksum:
            record.hasChecksums = true;
            return readChecksum(value, record.checksums.*field.sum);
        case FieldKind::holds:
            for (const HistoryKind kind : folderKinds) {
                if (value == historyKindName(kind)) {
                    record.holds = kind;
                    return true;
                }
            }
            return false;
        case FieldKind::wavelet:
            record.wavelets.emplace_back();
            return readWavelet(value, record.wavelets.back());
        case FieldKind::text:
        case FieldKind::lineage:
            return false;
    }
    return end == value.c_str() + value.size();
}

}  // namespace

const char* historyKindName(HistoryKind kind) {
    switch (kind) {
        case HistoryKind::plainRun: return "plain run";
        case HistoryKind::refinedHistory: return "refined history";
        case HistoryKind::measuredRecord: return "measured record";
        default: return "drive";
    }
}

std::string formatRunRecord(const RunRecord& record) {
    std::string text = std::string(titleLine) + "\n";
    for (const Field& field : fields()) {
        if (field.kind == FieldKind::holds && !record.hasChecksums) break;
        if (field.kind == FieldKind::lineage && record.holds != HistoryKind::drive) continue;
        if (field.kind == FieldKind::wavelet) {
            for (const ExactWavelet& w : record.wavelets) {
                text += "wavelet = " + formatGeneral(w.frequency, 0, 17) + " " + formatGeneral(w.amplitude, 0, 17) +
                        " " + std::to_string(w.halfSines) + " " + formatGeneral(w.delay, 0, 17) + "\n";
            }
            continue;
        }
        text += field.key;
        text += " = ";
        switch (field.kind) {
            case FieldKind::text:
            case FieldKind::lineage: text += oneLine(record.*field.text); break;
            case FieldKind::real: text += formatGeneral(record.*field.real, 0, 17); break;
            case FieldKind::integer: text += std::to_string(record.*field.integer); break;
            case FieldKind::checksum: appendFormat(text, "%016" PRIx64, record.specChecksum); break;
            case FieldKind::fileChecksum: appendFormat(text, "%016" PRIx64, record.checksums.*field.sum); break;
            case FieldKind::holds: text += historyKindName(record.holds); break;
            default: break;
        }
        text += "\n";
    }
    return text;
}

bool parseRunRecord(const std::string& text, RunRecord& record, std::string& error) {
    const std::vector<Field>& all = fields();
    std::vector<bool> seen(all.size(), false);
    record = RunRecord{};
    std::size_t start = 0;
    for (int lineNumber = 1; start < text.size(); ++lineNumber) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (lineNumber == 1) {
            if (line != titleLine) {
                error = where + "expected \"" + titleLine + "\"";
                return false;
            }
            continue;
        }
        const std::size_t equals = line.find(" = ");
        const std::string key = line.substr(0, equals);
        std::size_t f = 0;
        while (f < all.size() && key != all[f].key) ++f;
        if (equals == std::string::npos || f == all.size()) {
            error = where + "expected \"key = value\" with a known key";
            return false;
        }
        if (seen[f] && all[f].kind != FieldKind::wavelet) {
            error = where + key + " given twice";
            return false;
        }
        if (!readValue(all[f], line.substr(equals + 3), record)) {
            error = where + "the value of " + key + " does not read";
            return false;
        }
        seen[f] = true;
    }
    if (text.empty()) {
        error = "empty";
        return false;
    }
    // The later fields come all together or not at all (the wavelets of a
    // run with an empty grid aside).
    bool later = false;
    bool anyLater = false;
    for (std::size_t f = 0; f < all.size(); ++f) {
        later = later || all[f].key == std::string(firstLaterKey);
        if (later && all[f].kind != FieldKind::wavelet) anyLater = anyLater || seen[f];
    }
    later = false;
    for (std::size_t f = 0; f < all.size(); ++f) {
        later = later || all[f].key == std::string(firstLaterKey);
        if (seen[f] || (later && (!anyLater || all[f].kind == FieldKind::wavelet))) continue;
        if (all[f].kind == FieldKind::lineage && record.holds != HistoryKind::drive) continue;
        error = std::string("no ") + all[f].key + " line";
        return false;
    }
    for (std::size_t f = 0; f < all.size(); ++f) {
        if (all[f].kind == FieldKind::lineage && seen[f] && record.holds != HistoryKind::drive) {
            error = std::string(all[f].key) + " in a record that does not hold a drive";
            return false;
        }
    }
    if (!anyLater && !record.wavelets.empty()) {
        error = "wavelet lines without the holds and checksum lines";
        return false;
    }
    if (anyLater && record.wavelets.size() != static_cast<std::size_t>(record.gridPointCount)) {
        error = std::to_string(record.wavelets.size()) + " wavelet lines for " +
                std::to_string(record.gridPointCount) + " grid points";
        return false;
    }
    return true;
}

bool writeRunRecord(const RunRecord& record, const std::string& outputDir, std::FILE* console) {
    OutputFile file;
    if (!openOutputFile(file, outputDir, runRecordFileName)) return reportUnwritable(runRecordFileName, console);
    const std::string text = formatRunRecord(record);
    std::fwrite(text.data(), 1, text.size(), file.stream);
    return commitOutputFile(file) || reportUnwritable(runRecordFileName, console);
}
