#include "fit/drive_fit.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "common/file_paths.h"
#include "common/json_writer.h"
#include "common/number_format.h"
#include "common/readable_number.h"
#include "correct/drive_correction.h"
#include "fit/attempt_answers.h"
#include "fit/fit_exit_status.h"
#include "fit/fit_file_names.h"
#include "fit/fit_outputs.h"
#include "report/report_files.h"
#include "report/report_table.h"
#include "report/write_report.h"
#include "results/file_layout.h"
#include "run_folder/consistency.h"
#include "run_folder/folder_verdict.h"

namespace {

constexpr const char* correctionFileName = "correction.csv";

std::string num(double value) { return readableNumber(value); }

std::string hex(std::uint64_t sum) {
    std::string text;
    appendFormat(text, "%016" PRIx64, sum);
    return text;
}

// The reference: a folder whose run.out records the exact wavelets of the
// history that was played.
bool readReference(const std::string& dir, RunFolder& reference, std::string& error) {
    if (!folderHoldsRun(dir, error) || !readRunFolder(dir, reference, error)) return false;
    if (!reference.runRecord || !reference.runRecord->hasChecksums || reference.runRecord->wavelets.empty()) {
        error = "the reference " + dir +
                "'s run.out records no wavelets: make it with kolvane_fit (or kolvane_zpa) "
                "of this version, so that its history can be corrected";
        return false;
    }
    ConsistencyOutcome consistency;
    if (!checkRunConsistency(reference, nullptr, std::nullopt, consistency, error)) {
        error = "the reference " + dir + ": " + error;
        return false;
    }
    return true;
}

// Which correction this is: one more than the reference's, a drive itself.
int correctionNumberOf(const RunRecord& reference) {
    int number = 0;
    if (reference.holds == HistoryKind::drive &&
        std::sscanf(reference.driveCorrection.c_str(), "correction %d", &number) == 1) {
        return number + 1;
    }
    return 1;
}

RunResults resultsOfFolder(const RunFolder& folder) {
    RunResults results;
    results.record = *folder.runRecord;
    results.wavelets = results.record.wavelets;
    for (const ExactWavelet& w : results.wavelets) results.srsFrequency.push_back(w.frequency);
    return results;
}

std::string correctionCsv(const DriveCorrection& correction) {
    std::string csv = "frequency_hz,target,measured,miss_db,asked_db,capped,drive_before,drive_after,realised_db\n";
    for (const CorrectionPoint& p : correction.points) {
        appendFormat(csv, "%.3f,%s,%s,%.3f,%.3f,%s,%s,%s,%.3f\n", p.frequency, formatExponent(p.target, 0, 5).c_str(),
                     formatExponent(p.measured, 0, 5).c_str(), p.missDb, p.askedDb, p.capped ? "yes" : "no",
                     formatExponent(p.driveBefore, 0, 5).c_str(), formatExponent(p.driveAfter, 0, 5).c_str(),
                     20.0 * std::log10(p.driveAfter / p.driveBefore));
    }
    return csv;
}

struct Asked {
    double least = 0.0;
    double most = 0.0;
    int capped = 0;
    std::vector<const CorrectionPoint*> beyond;
};

Asked summarise(const DriveCorrection& correction) {
    Asked asked;
    for (const CorrectionPoint& p : correction.points) {
        asked.least = std::min(asked.least, p.askedDb);
        asked.most = std::max(asked.most, p.askedDb);
        asked.capped += p.capped ? 1 : 0;
        if (p.beyondWarning) asked.beyond.push_back(&p);
    }
    return asked;
}

std::string driveJson(const SpecText& spec, const MeasuredShot& shot, const RunFolder& reference,
                      const RunRecord& drive, const ReportFindings& shotFindings, const DriveCorrection& correction,
                      const CorrectionSettings& settings, const std::vector<std::string>& writtenFiles) {
    const AcceptanceOutcome& a = shotFindings.acceptance;
    std::string j = "{\n";
    j += "  \"history\": \"drive\",\n  \"verdict\": \"DRIVE\",\n";
    j += "  \"history_checksum\": " + jsonString(historyChecksumText(drive)) + ",\n";
    j += "  \"specification\": " + jsonString(spec.path) + ",\n";
    j += "  \"specification_checksum\": " + jsonString(hex(spec.checksum)) + ",\n";
    j += "  \"reference\": {\"folder\": " + jsonString(reference.dir) +
         ", \"history\": " + jsonString(historyKindName(reference.runRecord->holds)) +
         ", \"history_checksum\": " + jsonString(historyChecksumText(*reference.runRecord)) + "},\n";
    j += "  \"measured\": {\"file\": " + jsonString(shot.record.path) +
         ", \"checksum\": " + jsonString(hex(shot.record.checksum)) +
         ", \"channel\": " + jsonString(shot.record.channel) +
         ", \"window\": {\"start_s\": " + jsonNumber(shot.timeOf(shot.window.start)) +
         ", \"end_s\": " + jsonNumber(shot.timeOf(shot.window.end - 1)) +
         "}, \"level_db\": " + jsonNumber(shot.levelDb) + ", \"verdict\": " + jsonString(verdictWords(shotFindings)) +
         ", \"worst_margin_db\": " + jsonNumber(a.worst.marginDb) +
         ", \"deviation\": {\"min_db\": " + jsonNumber(a.spread.minDb) + ", \"max_db\": " + jsonNumber(a.spread.maxDb) +
         ", \"median_db\": " + jsonNumber(a.spread.medianDb) + "}},\n";
    const Asked asked = summarise(correction);
    j += "  \"correction\": {\"number\": " + std::to_string(correctionNumberOf(*reference.runRecord)) +
         ", \"exponent\": " + jsonNumber(settings.exponent) + ", \"cap_db\": " + jsonNumber(settings.capDb) +
         ", \"asked_min_db\": " + jsonNumber(asked.least) + ", \"asked_max_db\": " + jsonNumber(asked.most) +
         ", \"capped_points\": " + std::to_string(asked.capped) +
         ", \"realised\": {\"min_db\": " + jsonNumber(correction.realised.minDb) +
         ", \"max_db\": " + jsonNumber(correction.realised.maxDb) +
         ", \"median_db\": " + jsonNumber(correction.realised.medianDb) +
         "}, \"passes\": " + std::to_string(correction.passes) + ", \"beyond_warning_hz\": [";
    for (std::size_t i = 0; i < asked.beyond.size(); ++i) {
        j += std::string(i ? ", " : "") + jsonNumber(asked.beyond[i]->frequency);
    }
    j += "]},\n  \"written_files\": [";
    for (std::size_t i = 0; i < writtenFiles.size(); ++i) j += std::string(i ? ", " : "") + jsonString(writtenFiles[i]);
    j += "]\n}\n";
    return j;
}

}  // namespace

int correctDriveInFolder(FitOptions options, const SpecText& spec, OutputFolder& folder, std::ostream& out,
                         std::ostream& err) {
    std::string error;
    const auto fail = [&](const std::string& message) {
        err << "kolvane_fit: " << message << "\n";
        return fitUnusableInput;
    };
    RunFolder reference;
    if (!readReference(options.referenceDir, reference, error)) return fail(error);
    if (sameFile(options.referenceDir, options.outputDir)) {
        return fail(
            "the output folder is the reference's: the drive goes into a folder of its own, beside the "
            "history it corrects");
    }
    const RunRecord& played = *reference.runRecord;
    options.rules.dampingRatio = played.dampingRatio;

    // The shot, judged as kolvane_report --measured judges it.
    MeasuredShot shot;
    if (!readMeasuredShot(options.correctPath, options.measured.read, options.measured.shot, spec.table, shot, error)) {
        return fail(error);
    }
    ReportRequest shotRequest;
    shotRequest.specification = spec;
    shotRequest.history = measuredHistory(shot, reference);
    shotRequest.rules = options.rules;
    shotRequest.shaker = options.shaker;
    ReportFindings shotFindings;
    if (!judgeHistory(shotRequest, shotFindings, error)) return fail(error);
    const AcceptanceOutcome& measured = shotFindings.acceptance;
    for (const std::string& note : measured.notes) out << " Note: " << note << "\n";
    for (const std::string& warning : measured.warnings) out << " Warning: " << warning << "\n";
    out << " The shot " << shot.record.path << ": " << verdictWords(shotFindings);
    appendFormat(error, "%+.2f to %+.2f dB, median %+.2f dB, worst margin %+.2f dB at %s Hz", measured.spread.minDb,
                 measured.spread.maxDb, measured.spread.medianDb, measured.worst.marginDb,
                 num(measured.worst.frequency).c_str());
    out << ", " << error;
    error.clear();
    if (shotFindings.reference) {
        const DeviationSpread& change = shotFindings.reference->spread;
        appendFormat(error, "; measured less the reference %+.2f to %+.2f dB", change.minDb, change.maxDb);
        out << error;
        error.clear();
    }
    out << "\n";

    // The correction: the shot's miss of the level it was aimed at.
    CorrectionTarget target;
    target.dampingRatio = measured.run.dampingRatio;
    std::vector<double> measuredMaximax;
    for (const AnalysisPoint& p : measured.points) {
        target.frequencies.push_back(p.frequency);
        const double aimDb = options.rules.aim == Aim::bandCentre ? 0.5 * (p.band.lowDb + p.band.highDb) : 0.0;
        target.levels.push_back(p.specLevel * std::pow(10.0, aimDb / 20.0));
        measuredMaximax.push_back(p.maximax);
    }
    const CorrectionSettings settings;
    const DriveCorrection correction = correctDrive(played.wavelets, played.outputTimeStep, played.outputSampleCount,
                                                    target, measuredMaximax, settings);
    const Asked asked = summarise(correction);
    if (!asked.beyond.empty()) {
        std::string where;
        for (std::size_t i = 0; i < asked.beyond.size() && i < 6; ++i) {
            appendFormat(where, "%s%s Hz (%+.1f dB)", i ? ", " : "", num(asked.beyond[i]->frequency).c_str(),
                         -asked.beyond[i]->missDb);
        }
        if (asked.beyond.size() > 6) where += ", ...";
        out << " Warning: the shot lies more than " << exactNumberText(settings.warnDb) << " dB off its target at "
            << where
            << ": a fixture resonance or a bad channel is the likelier cause; look at the record and the fixture "
               "before shooting the drive, which asks at most "
            << exactNumberText(settings.capDb) << " dB there\n";
    }

    // The drive, checked against the shaker before anything is written.
    RefinedRun drive = refinedRun(resultsOfFolder(reference), correction.wavelets, HistoryKind::drive);
    RunRecord& driveRecord = drive.results.record;
    const int number = correctionNumberOf(played);
    driveRecord.driveReference =
        reference.dir + " (" + historyKindName(played.holds) + ", accel.out " + historyChecksumText(played) + ")";
    driveRecord.driveMeasured = shot.record.path + " (FNV-1a 64 " + hex(shot.record.checksum) + ", " +
                                shot.record.channel + ", judged from " + num(shot.timeOf(shot.window.start)) + " s" +
                                (shot.levelDb != 0.0 ? ", at " + num(shot.levelDb) + " dB" : std::string()) + ")";
    appendFormat(driveRecord.driveCorrection,
                 "correction %d: %s of each point's miss, at most %s dB; asked %+.2f to %+.2f dB at %zu points "
                 "(%d capped), realised within %+.2f to %+.2f dB",
                 number, exactNumberText(settings.exponent).c_str(), exactNumberText(settings.capDb).c_str(),
                 asked.least, asked.most, correction.points.size(), asked.capped, correction.realised.minDb,
                 correction.realised.maxDb);
    const ShakerVerdict shaker =
        judgeShaker(*options.shaker, shakerPeaksOf(drive.files.acceleration, played.outputTimeStep, played.units));
    if (!shaker.feasible) {
        out << " The drive would exceed the shaker, so it is not written:\n";
        for (const std::string& line : shakerLines(shaker)) out << "   " << line << "\n";
        out << " A smaller step (shoot at a lower --level first), a longer reference (kolvane_fit --max-duration) "
               "or a larger shaker\n";
        return fitNoPass;
    }

    if (!publishDrive(folder, reference, drive, error) ||
        !writeFolderFile(folder, correctionFileName, correctionCsv(correction), error)) {
        return fail(error);
    }
    // The drive's report, from its files as written.
    ReportRequest report;
    report.specification = spec;
    if (!readRunFolder(options.outputDir, report.history.folder, error)) return fail(error);
    report.history.kind = HistoryKind::drive;
    report.rules = options.rules;
    report.shaker = options.shaker;
    report.outputDir = options.outputDir;
    report.commandLine = options.commandLine;
    report.title = options.title;
    report.note = options.note;
    if (!options.exportFormats.empty()) {
        ExportRecord exported;
        if (!exportKeptHistory(options, report.history.folder, "", spec.checksum, folder, exported, out, err)) {
            return fitUnusableInput;
        }
        report.exports.push_back(exported);
    }
    if (!writeKeptReport(report, folder, err)) return fitUnusableInput;
    noteWritten(folder, fitRecordFileName);
    if (!writeFolderFile(
            folder, fitRecordFileName,
            driveJson(spec, shot, reference, driveRecord, shotFindings, correction, settings, folder.writtenFiles),
            error)) {
        return fail(error);
    }
    removeStaleFiles(folder);
    std::string summary;
    appendFormat(
        summary,
        "\n DRIVE: correction %d, asked %+.2f to %+.2f dB (%d points capped at %s dB), realised within "
        "%+.2f to %+.2f dB; peak %s G, within the shaker. The drive is in %s, its report in %s; shoot it, then "
        "judge the shot with kolvane_report %s --measured SHOT --out DIR --reference %s\n",
        number, asked.least, asked.most, asked.capped, exactNumberText(settings.capDb).c_str(),
        correction.realised.minDb, correction.realised.maxDb,
        num(shakerPeaksOf(drive.files.acceleration, played.outputTimeStep, played.units).accelerationG).c_str(),
        options.outputDir.c_str(), pathInFolder(options.outputDir, reportPageFileName).c_str(), spec.path.c_str(),
        options.outputDir.c_str());
    out << summary;
    return fitPassed;
}
