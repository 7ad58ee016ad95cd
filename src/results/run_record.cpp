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

enum class FieldKind { text, real, integer, checksum };

// One line of run.out: its key and where its value lives in the record.
struct Field {
    const char* key;
    FieldKind kind;
    std::string RunRecord::*text = nullptr;
    double RunRecord::*real = nullptr;
    int RunRecord::*integer = nullptr;
};

Field textField(const char* key, std::string RunRecord::*member) { return {key, FieldKind::text, member}; }
Field realField(const char* key, double RunRecord::*member) { return {key, FieldKind::real, nullptr, member}; }
Field integerField(const char* key, int RunRecord::*member) {
    return {key, FieldKind::integer, nullptr, nullptr, member};
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
    };
    return all;
}

bool readValue(const Field& field, const std::string& value, RunRecord& record) {
    if (field.kind == FieldKind::text) {
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
        default:
            if (value.size() != 16) return false;
            record.specChecksum = std::strtoull(value.c_str(), &end, 16);
            break;
    }
    return end == value.c_str() + value.size();
}

}  // namespace

std::string formatRunRecord(const RunRecord& record) {
    std::string text = std::string(titleLine) + "\n";
    for (const Field& field : fields()) {
        text += field.key;
        text += " = ";
        switch (field.kind) {
            case FieldKind::text: text += record.*field.text; break;
            case FieldKind::real: text += formatGeneral(record.*field.real, 0, 17); break;
            case FieldKind::integer: text += std::to_string(record.*field.integer); break;
            case FieldKind::checksum: appendFormat(text, "%016" PRIx64, record.specChecksum); break;
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
        if (seen[f]) {
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
    for (std::size_t f = 0; f < all.size(); ++f) {
        if (!seen[f]) {
            error = std::string("no ") + all[f].key + " line";
            return false;
        }
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
