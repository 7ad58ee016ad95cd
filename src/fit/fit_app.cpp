#include "fit/fit_app.h"

#include <filesystem>
#include <sstream>
#include <thread>

#include "common/file_paths.h"
#include "export/export_history.h"
#include "fit/drive_fit.h"
#include "fit/fit_folder.h"
#include "fit/fit_outputs.h"
#include "fit/fit_options.h"
#include "fit/fit_record.h"
#include "fit/fit_search.h"
#include "fit/fit_specification.h"
#include "model/damping.h"
#include "report/acceptance.h"
#include "report/report_files.h"
#include "report/write_report.h"
#include "results/file_layout.h"
#include "spec/spec_text.h"

namespace fs = std::filesystem;

namespace {

int hardwareThreads() {
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : static_cast<int>(threads);
}

// A file the fit reads must not be one it writes.
bool inputsSpared(const FitOptions& options, std::string& error) {
    const std::vector<CheckInput> inputs = checkInputs(options.specPath, options.rules, options.shaker);
    const std::vector<std::string> names = fitOutputNames();
    for (const CheckInput& input : inputs) {
        for (const std::string& name : names) {
            if (!sameFile(input.path, pathInFolder(options.outputDir, name))) continue;
            error = "the " + std::string(input.what) + " " + input.path + " is the output folder's " + name +
                    ", which the fit writes: copy it elsewhere, or choose another output folder";
            return false;
        }
    }
    return true;
}

// What a history that fails is marked with: "FAIL-spectrum", "FAIL-force",
// "FAIL-spectrum-stroke", ...; empty for one that passes and fits.
std::string verdictTagOf(const AttemptRecord& kept) {
    if (attemptFits(kept)) return "";
    std::string tag = "FAIL";
    if (!kept.outcome.passes) tag += "-spectrum";
    for (const ShakerQuantity& q : kept.shaker.quantities) {
        if (!q.within) tag += std::string("-") + q.row().name;
    }
    return tag;
}

int fitInFolder(const FitOptions& options, const SpecText& spec, OutputFolder& folder, std::ostream& out,
                std::ostream& err) {
    clearEarlierAttempts(folder);
    FitSearch search{options, spec, folder, out, hardwareThreads(), {}, false, 0.0, false};
    // Stopped by an error, the fit still records its attempts and the files
    // it owns, so that the next fit into the folder can clear them.
    const auto stop = [&](int chosenIndex, const FitAdvice& advice) {
        noteWritten(folder, fitRecordFileName);
        std::string ignored;
        writeFolderFile(folder, fitRecordFileName,
                        fitJson(spec, options.shaker, search.records, chosenIndex, advice,
                                filesOwnedAfterStop(folder)),
                        ignored);
        return fitUnusableInput;
    };
    std::string error;
    if (!runFitSearch(search, firstPlan(options, options.specPath, spec.numericText), error)) {
        err << "kolvane_fit: " << error << "\n";
        return stop(-1, {});
    }
    const int chosen = chosenAttemptIndex(search.records);
    if (chosen < 0) {
        err << "kolvane_fit: kolvane_zpa refused every attempt (" << *search.records.front().refusal
            << "); the consoles are in " << pathInFolder(options.outputDir, attemptsFolderName) << "\n";
        return stop(-1, {});
    }
    const AttemptRecord& kept = search.records[static_cast<std::size_t>(chosen)];
    const FitAdvice advice = adviseOnShaker(search, chosen);
    if (!publishKeptRun(folder, pathInFolder(options.outputDir, attemptFolderName(kept.number)), kept.plan,
                        kept.refined.get(), error)) {
        err << "kolvane_fit: " << error << "\n";
        return stop(chosen, advice);
    }
    // The export first, so that the report's page names what the
    // controller will play.
    ReportRequest report = attemptReportRequest(search, kept, options.outputDir);
    report.title = options.title;
    report.note = options.note;
    if (!options.exportFormats.empty()) {
        if (!attemptFits(kept) && !options.exportFailed) {
            out << " Not exported: the kept history fails " << (kept.outcome.passes ? "on the shaker" : "the check")
                << "; --export-failed exports it with the verdict in the files' names and metadata\n";
        } else {
            ExportRecord exported;
            if (!exportKeptHistory(options, report.history.folder, verdictTagOf(kept), spec.checksum, folder, exported,
                                   out, err)) {
                return stop(chosen, advice);
            }
            report.exports.push_back(exported);
        }
    }
    if (!writeKeptReport(report, folder, err)) return stop(chosen, advice);
    // fit.json lists itself too, so that the next fit removes only what this one wrote.
    noteWritten(folder, fitRecordFileName);
    if (!writeFolderFile(folder, fitRecordFileName,
                         fitJson(spec, options.shaker, search.records, chosen, advice, folder.writtenFiles),
                         error)) {
        err << "kolvane_fit: " << error << "\n";
        return fitUnusableInput;
    }
    removeStaleFiles(folder);
    out << verdictText(search.records, chosen, options.outputDir, pathInFolder(options.outputDir, reportPageFileName),
                       advice, helpfulOptions(search, chosen));
    return attemptFits(kept) ? fitPassed : fitNoPass;
}

}  // namespace

int runFit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    FitOptions options;
    std::string error;
    if (!parseFitOptions(args, options, error)) {
        err << "kolvane_fit: " << error << "\n\n" << fitUsageText();
        return fitUnusableInput;
    }
    if (options.help) {
        out << fitUsageText();
        return fitPassed;
    }
    return fitSpecification(options, out, err);
}

int fitSpecification(FitOptions options, std::ostream& out, std::ostream& err) {
    std::string error;
    // The check and the report judge with the attempts' damping.
    options.rules.dampingRatio = dampingRatioOfQ(options.q);
    SpecText spec;
    // A shaker given as values is taken as it is; a file is read here.
    if (!readCheckFiles(options.rules, options.shaker ? "" : options.shakerPath, options.shaker, error) ||
        !readSpecTextFile(options.specPath, spec, error)) {
        err << "kolvane_fit: " << error << "\n";
        return fitUnusableInput;
    }
    for (const std::string& note : spec.notes) out << " Note: " << note << "\n";
    const AttemptPlan first = firstPlan(options, options.specPath, spec.numericText);
    if (options.maxDuration && *options.maxDuration < first.answers.duration) {
        err << "kolvane_fit: --max-duration " << exactNumberText(*options.maxDuration)
            << " is below the first duration, " << exactNumberText(first.answers.duration)
            << " s, so it would never be used\n";
        return fitUnusableInput;
    }
    if (options.exportSampleRate) {
        const std::string problem = exportSampleCountProblem(longestSearchDuration(options, first), *options.exportSampleRate);
        if (!problem.empty()) {
            err << "kolvane_fit: --rate: " << problem << ", at the longest duration the search may try\n";
            return fitUnusableInput;
        }
    }
    if (!inputsSpared(options, error)) {
        err << "kolvane_fit: " << error << "\n";
        return fitUnusableInput;
    }
    OutputFolder folder;
    if (!openOutputFolder(options.outputDir, folder, error)) {
        err << "kolvane_fit: " << error << "\n";
        return fitUnusableInput;
    }
    const int status = options.correctPath.empty() ? fitInFolder(options, spec, folder, out, err)
                                                   : correctDriveInFolder(options, spec, folder, out, err);
    closeOutputFolder(folder);
    return status;
}
