#include "fit/fit_app.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "fit/attempt_run.h"
#include "fit/fit_options.h"
#include "fit/fit_record.h"
#include "fit/fit_specification.h"
#include "report/report_app.h"
#include "report/report_files.h"
#include "common/text_file.h"

namespace fs = std::filesystem;

namespace {

int hardwareThreads() {
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : static_cast<int>(threads);
}

// A fresh attempts/ folder: files of an earlier fit into the same folder
// would otherwise sit beside this one's.
bool prepareOutputDir(const fs::path& outputDir, std::string& error) {
    std::error_code failed;
    fs::create_directories(outputDir, failed);
    if (!failed) fs::remove_all(outputDir / "attempts", failed);
    if (!failed) fs::create_directories(outputDir / "attempts", failed);
    if (failed) {
        error = "cannot prepare " + (outputDir / "attempts").string() + ": " + failed.message();
        return false;
    }
    return true;
}

// Runs the plan in its own folder and judges what it wrote against the
// original specification.
bool runAndJudge(const FitOptions& options, const fs::path& dir, AttemptRecord& record, std::string& error) {
    std::error_code failed;
    fs::create_directories(dir, failed);
    if (failed) {
        error = "cannot create " + dir.string() + ": " + failed.message();
        return false;
    }
    if (!writeTextFile((dir / record.plan.answers.specFileName).string(), record.plan.specText, error)) return false;
    SpecTable spec;
    readSpecificationText(record.plan.specText, spec);
    RunOutcome outcome = RunOutcome::completed;
    if (!runAttempt(dir.string(), record.plan.answers, spec, hardwareThreads(), outcome, error)) return false;
    if (outcome != RunOutcome::completed) {
        error = "kolvane_zpa refused attempt " + std::to_string(record.number) + ": " + runOutcomeWords(outcome) +
                " (console in " + (dir / "console.txt").string() + ")";
        return false;
    }
    return judgeRun(options.specPath, dir.string(), options.rules, record.outcome, error);
}

// The kept attempt's files, except its captured console, into the output folder.
bool copyAttemptFiles(const fs::path& attemptDir, const fs::path& outputDir, std::string& error) {
    std::error_code failed;
    for (const fs::directory_entry& entry : fs::directory_iterator(attemptDir, failed)) {
        if (!entry.is_regular_file() || entry.path().filename() == "console.txt") continue;
        const fs::path target = outputDir / entry.path().filename();
        // The specification may already lie in the output folder.
        if (fs::exists(target) && fs::equivalent(entry.path(), target, failed)) continue;
        fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, failed);
        if (failed) break;
    }
    if (failed) {
        error = "cannot copy " + attemptDir.string() + " into " + outputDir.string() + ": " + failed.message();
        return false;
    }
    return true;
}

// The report's own page, plots and table of the kept run, with the same rules.
int writeReport(const FitOptions& options, std::ostream& err) {
    std::vector<std::string> args{options.specPath, options.outputDir};
    args.insert(args.end(), options.judgingArgs.begin(), options.judgingArgs.end());
    std::ostringstream table;
    const int status = runReport(args, table, err);
    std::string error;
    if (!writeTextFile((fs::path(options.outputDir) / "report.txt").string(), table.str(), error)) {
        err << "kolvane_fit: " << error << "\n";
        return reportUnusableInput;
    }
    return status;
}

}  // namespace

int runFit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    FitOptions options;
    std::string error;
    if (!parseFitOptions(args, options, error)) {
        err << "kolvane_fit: " << error << "\n\n" << fitUsage;
        return fitUnusableInput;
    }
    if (options.help) {
        out << fitUsage;
        return fitPassed;
    }
    std::string specText;
    SpecTable table;
    std::string reason;
    if (!readWholeFile(options.specPath, specText, reason)) {
        err << "kolvane_fit: cannot read the specification " << options.specPath << ": " << reason << "\n";
        return fitUnusableInput;
    }
    if (!readSpecificationText(specText, table)) {
        err << "kolvane_fit: " << options.specPath
            << " holds no specification the program can use (1 to 200 lines of frequency and level)\n";
        return fitUnusableInput;
    }
    const fs::path outputDir(options.outputDir);
    if (!prepareOutputDir(outputDir, error)) {
        err << "kolvane_fit: " << error << "\n";
        return fitUnusableInput;
    }

    std::vector<AttemptRecord> records;
    AttemptPlan plan = firstPlan(options, options.specPath, specText);
    for (int number = 1; number <= options.attemptLimit; ++number) {
        AttemptRecord record{number, plan, {}};
        if (!runAndJudge(options, outputDir / "attempts" / std::to_string(number), record, error)) {
            err << "kolvane_fit: " << error << "\n";
            return fitUnusableInput;
        }
        records.push_back(record);
        out << progressLine(record) << std::flush;
        if (record.outcome.passes) break;
        plan = nextPlan(plan, record.outcome);
        bool tried = false;
        for (const AttemptRecord& earlier : records) tried = tried || samePlan(earlier.plan, plan);
        if (tried) {
            out << " no change left to try\n";
            break;
        }
    }

    const int chosen = chosenAttemptIndex(records);
    const AttemptRecord& kept = records[chosen];
    if (!copyAttemptFiles(outputDir / "attempts" / std::to_string(kept.number), outputDir, error) ||
        !writeTextFile((outputDir / "answers.txt").string(), answersText(kept.plan.answers), error) ||
        !writeTextFile((outputDir / "fit.json").string(), fitJson(options.specPath, records, chosen), error)) {
        err << "kolvane_fit: " << error << "\n";
        return fitUnusableInput;
    }
    if (writeReport(options, err) == reportUnusableInput) return fitUnusableInput;
    out << verdictLine(records, chosen, options.outputDir);
    return kept.outcome.passes ? fitPassed : fitNoPass;
}
