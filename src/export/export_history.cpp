#include "export/export_history.h"

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <sstream>
#include <thread>

#include "analysis/analysis_grid.h"
#include "analysis/independent_srs.h"
#include "analysis/motion_from_rest.h"
#include "analysis/resample.h"
#include "common/checksum.h"
#include "common/file_paths.h"
#include "common/number_format.h"
#include "common/readable_number.h"
#include "common/text_file.h"
#include "export/csv_export.h"
#include "export/mat_export.h"
#include "export/uff58_export.h"
#include "results/motion.h"
#include "run_folder/consistency.h"

namespace {

struct FormatRow {
    ExportFormat format;
    const char* name;
};
const FormatRow formatRows[] = {{ExportFormat::csv, "csv"}, {ExportFormat::uff, "uff"}, {ExportFormat::mat, "mat"}};

// How close a resampled history must stay to the run's.
constexpr double srsAllowance = 0.005;
constexpr double restAllowance = 0.001;
// At 100 samples a cycle the spectra miss a peak between samples by 0.05 %
// at most, a tenth of the allowance.
constexpr double checkPointsPerCycle = 100.0;

// The history as the run wrote it, with the acceleration's closing zero.
ExportedHistory historyOf(const RunFolder& folder, const RunRecord& record) {
    ExportedHistory history;
    history.timeStep = record.outputTimeStep;
    history.acceleration = folder.acceleration.value;
    history.acceleration.push_back(0.0);
    history.velocity = folder.velocity.value;
    history.displacement = folder.displacement.value;
    history.units = unitNamesOf(record.units);
    history.folder = folder.dir;
    std::istringstream lines(formatRunRecord(record));
    std::string setting;
    std::getline(lines, setting);  // the title
    while (std::getline(lines, setting)) history.settings.push_back(setting);
    return history;
}

// The frequencies the resampled history is checked at: the analysis grid of
// the run's own specification, as the reader verified it against run.out's
// checksum; srs.out's grid when the folder holds no such file.
std::vector<double> analysisFrequencies(const RunFolder& folder, std::ostream& out) {
    if (folder.runSpec) return buildAnalysisGrid(*folder.runSpec, 12);
    out << " Note: the run's specification file " << folder.runRecord->specFileName
        << " is not beside it with the bytes run.out records, so the resampled history is checked at srs.out's "
           "grid frequencies\n";
    std::vector<double> frequencies;
    for (const SrsLine& line : folder.srs) frequencies.push_back(line.frequency);
    return frequencies;
}

// Velocity and displacement from rest in the run's velocity and
// displacement units.
void motionFromRest(const std::vector<double>& acceleration, double timeStep, int units,
                    std::vector<double>& velocity, std::vector<double>& displacement) {
    integrateFromRest(acceleration, timeStep, velocity, displacement);
    for (double& v : velocity) v *= velocityFactor(units);
    for (double& d : displacement) d *= displacementFactor(units);
}

// How far `series` ends from `reference`'s end (from zero when it is
// empty), as a share of `series`'s peak.
double endShare(const std::vector<double>& series, const std::vector<double>& reference) {
    double peak = 0.0;
    for (const double x : series) peak = std::max(peak, std::fabs(x));
    const double end = series.back() - (reference.empty() ? 0.0 : reference.back());
    return peak > 0.0 ? std::fabs(end) / peak : 0.0;
}

// Resamples the acceleration to `rate`, integrates it again from rest and
// checks the result against the run's own history. False, with `error`
// saying what fails, when the check fails.
bool resampleAndCheck(ExportedHistory& history, const RunFolder& folder, const RunRecord& record, double rate,
                      std::ostream& out, std::string& check, std::string& error) {
    const std::vector<double> frequencies = analysisFrequencies(folder, out);
    const double last = *std::max_element(frequencies.begin(), frequencies.end());
    if (rate / 2.0 < last) {
        error = "a rate of " + roundTripText(rate) + " per second has its Nyquist frequency below the last analysis "
                "frequency, " + roundTripText(last) + " Hz: the history would lose its top";
        return false;
    }
    const double newStep = 1.0 / rate;
    const std::vector<double> original = history.acceleration;
    history.acceleration = resampleBandLimited(original, history.timeStep, newStep);
    history.acceleration.back() = 0.0;  // the record still ends at rest
    motionFromRest(history.acceleration, newStep, record.units, history.velocity, history.displacement);
    const double oldStep = history.timeStep;
    history.timeStep = newStep;
    history.resampled = true;

    IndependentSrsSettings settings;
    settings.dampingRatio = record.dampingRatio;
    // Finely enough that the two spectra differ by what the resampling did,
    // not by where each one's samples fall on its peaks.
    settings.minPointsPerCycle = checkPointsPerCycle;
    // The two spectra are independent: one on another thread.
    IndependentSrs before;
    std::thread other([&] { before = computeIndependentSrs(original, oldStep, frequencies, settings); });
    const IndependentSrs after = computeIndependentSrs(history.acceleration, newStep, frequencies, settings);
    other.join();
    double worst = 0.0;
    double worstAt = frequencies.front();
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const double deviation = std::fabs(maximax(after, i) / maximax(before, i) - 1.0);
        if (!(deviation <= worst)) {
            worst = deviation;
            worstAt = frequencies[i];
        }
    }
    // The ends, against the same integration of the record at its own rate:
    // accel.out's four decimals, summed twice over a long record, leave an
    // end of their own that the resampling did not make.
    std::vector<double> ownVelocity, ownDisplacement;
    motionFromRest(original, oldStep, record.units, ownVelocity, ownDisplacement);
    const double endVelocity = endShare(history.velocity, ownVelocity);
    const double endDisplacement = endShare(history.displacement, ownDisplacement);
    std::string report;
    appendFormat(report,
                 " Resampled from %s to %s per second: SRS (maximax) within %.3f %% of the run's (worst at %s Hz); "
                 "end velocity %.3f %% and end displacement %.3f %% of their peaks",
                 roundTripText(1.0 / oldStep).c_str(), roundTripText(rate).c_str(), 100.0 * worst,
                 formatGeneral(worstAt, 0, 6).c_str(), 100.0 * endShare(history.velocity, {}),
                 100.0 * endShare(history.displacement, {}));
    appendFormat(report, " (%.3f %% and %.3f %% beyond the record's own at its rate)\n", 100.0 * endVelocity,
                 100.0 * endDisplacement);
    out << report;
    check = report.substr(1, report.size() - 2);
    if (!(worst <= srsAllowance) || !(endVelocity <= restAllowance) || !(endDisplacement <= restAllowance)) {
        error = "the resampled history fails its check (the SRS within 0.5 %, the end at rest within 0.1 %); "
                "nothing was written";
        return false;
    }
    return true;
}

}  // namespace

const char* exportFormatName(ExportFormat format) {
    for (const FormatRow& row : formatRows) {
        if (row.format == format) return row.name;
    }
    return "";
}

std::string exportFileName(ExportFormat format, const std::string& verdictTag) {
    return std::string("history") + (verdictTag.empty() ? "" : "-" + verdictTag) + "." + exportFormatName(format);
}

const std::vector<ExportFormat>& allExportFormats() {
    static const std::vector<ExportFormat> all = {ExportFormat::csv, ExportFormat::uff, ExportFormat::mat};
    return all;
}

double exportSampleCount(double seconds, double rate) { return std::floor(seconds * rate) + 1.0; }

std::string exportSampleCountProblem(double seconds, double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate)) return "the rate must be a number of samples per second above zero";
    const double samples = exportSampleCount(seconds, rate);
    if (samples <= maxExportSamples) return "";
    std::string problem;
    appendFormat(problem, "a rate of %s per second makes %s samples of a %s s history, more than the %.0f an "
                          "export writes: choose at most %.0f per second",
                 readableNumber(rate).c_str(), readableNumber(samples).c_str(), readableNumber(seconds).c_str(),
                 maxExportSamples, std::floor(maxExportSamples / seconds));
    return problem;
}

bool parseExportFormats(const std::string& list, std::vector<ExportFormat>& formats, std::string& error) {
    formats.clear();
    // Every name between commas counts, an empty one too: "csv," and ",csv"
    // are both a mistake.
    std::size_t start = 0;
    for (std::size_t comma = list.find(','); start <= list.size(); comma = list.find(',', start)) {
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? list.size() + 1 : comma + 1;
        const FormatRow* row = std::find_if(std::begin(formatRows), std::end(formatRows),
                                            [&](const FormatRow& r) { return name == r.name; });
        if (row == std::end(formatRows)) {
            error = name.empty() ? "has an empty name between its commas (\"" + list + "\")"
                                 : "takes csv, uff and mat, comma-separated (got \"" + name + "\")";
            return false;
        }
        if (std::find(formats.begin(), formats.end(), row->format) == formats.end()) formats.push_back(row->format);
    }
    if (formats.empty()) {
        error = "needs at least one of csv, uff and mat";
        return false;
    }
    return true;
}

ExportResult exportHistory(const ExportRequest& request, std::ostream& out) {
    ExportResult result;
    const RunFolder& folder = request.folder;
    if (!folder.runRecord) {
        result.error = pathInFolder(folder.dir, "run.out") + " is missing: the exact sample rate and the units come "
                                                              "from it";
        return result;
    }
    ConsistencyOutcome consistency;
    if (!checkRunConsistency(folder, nullptr, std::nullopt, consistency, result.error)) return result;
    for (const std::string& warning : consistency.warnings) out << " Warning: " << warning << "\n";
    const RunRecord& record = *folder.runRecord;
    ExportedHistory history = historyOf(folder, record);
    const FolderVerdict verdict = request.verdict ? *request.verdict : readFolderVerdict(folder.dir, record);
    std::string verdictTag = request.verdictTag;
    history.kind = historyKindName(record.holds);
    history.specificationChecksum = verdict.specificationChecksum ? *verdict.specificationChecksum : record.specChecksum;
    history.specificationJudged = verdict.specificationChecksum.has_value();
    if (record.holds == HistoryKind::drive) {
        history.verdict = "a drive: its spectrum departs from the specification on purpose";
    } else if (verdict.judged == FolderVerdict::Judged::fails) {
        if (!request.exportFailed) {
            result.error = "the history in " + folder.dir + " fails its check (" +
                           (verdict.source.empty() ? std::string("the fit's verdict") : verdict.source) +
                           "): a controller would play a failing test; --export-failed exports it, with FAIL in the "
                           "files' names and metadata";
            return result;
        }
        if (verdictTag.empty()) verdictTag = "FAIL";
        history.verdict = verdictTag;
    } else if (verdict.judged == FolderVerdict::Judged::passes) {
        history.verdict = "PASS (" + (verdict.source.empty() ? std::string("the fit") : verdict.source) + ")";
    } else {
        history.verdict = "not judged: kolvane_report the folder first";
    }
    if (request.rate) {
        result.error = exportSampleCountProblem(static_cast<double>(history.acceleration.size() - 1) * history.timeStep,
                                         *request.rate);
        if (!result.error.empty()) return result;
        if (!resampleAndCheck(history, folder, record, *request.rate, out, history.check, result.error)) return result;
    }
    // The formats are independent files of up to a hundred megabytes each:
    // each is formatted and written on its own thread.
    const std::string outputDir = request.outputDir.empty() ? folder.dir : request.outputDir;
    const std::size_t formatCount = request.formats.size();
    std::vector<std::string> paths(formatCount);
    std::vector<std::string> temporaries(formatCount);
    std::vector<std::string> errors(formatCount);
    std::vector<char> ok(formatCount, 1);
    // The run's specification may carry an export's name in its folder.
    const std::string specPath = pathInFolder(folder.dir, record.specFileName);
    for (std::size_t k = 0; k < formatCount; ++k) {
        paths[k] = pathInFolder(outputDir, exportFileName(request.formats[k], verdictTag));
        if (sameFile(paths[k], specPath)) {
            result.error = "the run's specification file " + specPath + " is " + paths[k] +
                           ", which the export writes: copy the run with the specification under another name";
            return result;
        }
    }
    std::vector<std::uint64_t> checksums(formatCount, 0);
    std::vector<std::thread> writers;
    for (std::size_t k = 0; k < formatCount; ++k) {
        writers.emplace_back([&, k] {
            const std::string& path = paths[k];
            std::string& temporary = temporaries[k];
            std::string text;
            switch (request.formats[k]) {
                case ExportFormat::csv: text = historyCsv(history); break;
                case ExportFormat::uff: text = historyUff58(history, uffCreationTime()); break;
                case ExportFormat::mat: {
                    ok[k] = stageHistoryMat(path, history, temporary, errors[k]);
                    std::string reason;
                    if (ok[k] && readWholeFile(temporary, text, reason, std::size_t{1} << 32)) {
                        checksums[k] = fnv1a64(text.data(), text.size());
                    }
                    return;
                }
            }
            checksums[k] = fnv1a64(text.data(), text.size());
            ok[k] = stageTextFile(path, text, temporary, errors[k]);
        });
    }
    for (std::thread& writer : writers) writer.join();
    // The export's metadata, history.json, beside the files it names.
    std::string sidecarPath = pathInFolder(outputDir, exportFileName(ExportFormat::csv, verdictTag));
    sidecarPath = sidecarPath.substr(0, sidecarPath.size() - 3) + "json";
    std::string sidecarTemporary;
    for (std::size_t k = 0; k < formatCount; ++k) {
        history.files.push_back({paths[k].substr(paths[k].find_last_of('/') + 1), sampleRateOf(history), checksums[k]});
    }
    if (history.check.empty()) history.check = "at the run's own rate, as its files hold it";
    history.historyChecksum = historyChecksumText(record);
    if (std::find(ok.begin(), ok.end(), 0) == ok.end() &&
        !stageTextFile(sidecarPath, historyJson(history), sidecarTemporary, result.error)) {
        for (const std::string& temporary : temporaries) std::remove(temporary.c_str());
        return result;
    }
    // Into place only when every one is written whole, and every place can
    // take it (a folder of that name cannot): never a mixed set.
    for (std::size_t k = 0; k < formatCount && std::find(ok.begin(), ok.end(), 0) == ok.end(); ++k) {
        for (const std::string* path : {&paths[k], &sidecarPath}) {
            std::error_code ignored;
            if (!path->empty() && std::filesystem::is_directory(*path, ignored)) {
                ok[k] = 0;
                errors[k] = "cannot write " + *path + ": a folder of that name is in the way";
            }
        }
    }
    const auto failed = std::find(ok.begin(), ok.end(), 0);
    if (failed != ok.end()) {
        for (std::size_t k = 0; k < formatCount; ++k) {
            if (ok[k]) std::remove(temporaries[k].c_str());
        }
        if (!sidecarTemporary.empty()) std::remove(sidecarTemporary.c_str());
        result.error = errors[static_cast<std::size_t>(failed - ok.begin())];
        return result;
    }
    if (!sidecarTemporary.empty()) {
        if (!publishStagedFile(sidecarTemporary, sidecarPath, result.error)) {
            for (const std::string& temporary : temporaries) std::remove(temporary.c_str());
            return result;
        }
        paths.push_back(sidecarPath);
    }
    for (std::size_t k = 0; k < formatCount; ++k) {
        if (!publishStagedFile(temporaries[k], paths[k], result.error)) {
            for (std::size_t later = k + 1; later < formatCount; ++later) std::remove(temporaries[later].c_str());
            return result;
        }
    }
    out << " History at " << roundTripText(sampleRateOf(history)) << " samples per second, "
        << history.acceleration.size() << " samples:";
    for (const std::string& path : paths) out << " " << path;
    out << "\n";
    result.written = true;
    result.files = paths;
    result.exported = history.files;
    result.check = history.check;
    return result;
}
