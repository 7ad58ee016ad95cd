#include "report/report_app.h"

#include <filesystem>

#include <algorithm>

#include "common/command_line.h"
#include "common/file_paths.h"
#include "common/number_format.h"
#include "report/acceptance.h"
#include "report/write_report.h"
#include "run_folder/run_folder.h"

const char* const reportUsage =
    "Usage: kolvane_report SPEC_FILE [OUTPUT_DIR] [options]\n"
    "       kolvane_report SPEC_FILE --measured FILE --out DIR [--reference RUN_DIR] [options]\n"
    "\n"
    "Checks a finished run against its SRS specification the way a test lab does:\n"
    "computes an independent (ramp-invariant) SRS of accel.out on an analysis grid\n"
    "from the first to the last specification frequency and judges every point\n"
    "against the tolerance band. Reads SPEC_FILE and, from OUTPUT_DIR (default: the\n"
    "current directory), the run's files. Prints one row per analysis frequency and\n"
    "a summary with what to change when the check fails, and writes srs.svg,\n"
    "history.svg, report.html, analysis.csv and report.json into OUTPUT_DIR.\n"
    "\n"
    "Options:\n"
    "  --tolerance LOW,HIGH     band in dB that every point must meet (default -3,6);\n"
    "                           a point on an edge passes\n"
    "  --inner LOW,HIGH         an inner band in dB that a share of the points must meet\n"
    "  --inner-share PERCENT    that share (default 90)\n"
    "  --band-file FILE         bands that change with frequency: rows of\n"
    "                           from_Hz to_Hz low_dB high_dB ('#' starts a comment);\n"
    "                           --tolerance applies where no row does\n"
    "  --polarity maximax|both  judge the larger of the positive and negative SRS\n"
    "                           (default), or each of them\n"
    "  --analysis-spacing 6|12|24  analysis points per octave (default 12)\n"
    "  --q Q, --damping RATIO   the run's damping, for a run without run.out\n"
    "  --max-velocity V         fail when the peak velocity exceeds V (velocity unit\n"
    "                           of the run)\n"
    "  --max-displacement D     fail when the peak displacement exceeds D\n"
    "                           (displacement unit of the run)\n"
    "  --shaker FILE            also judge whether the lab's shaker can play the history:\n"
    "                           its stroke, velocity, acceleration and force limits\n"
    "                           (lines key = value; see the README)\n"
    "  --prefix NAME            name the written files NAME-srs.svg, NAME-report.html,\n"
    "                           ... so that several checks of one run stand side by side\n"
    "  --title TEXT             the test item, for the page's record of the test\n"
    "  --note TEXT              a note for the record: the axis, the operator, ...\n"
    "  --aim spec|centre        where the ZPA advice aims the spectrum: at the\n"
    "                           specification (default) or at the band's centre\n"
    "\n"
    "A shot measured on the shaker (CSV or text, UFF 58 in ASCII, or .mat), judged\n"
    "from the shock's start, found in a longer record, with the offset before it\n"
    "removed (Q 10 unless --q, --damping or the reference says otherwise):\n"
    "  --measured FILE          the record to judge instead of a run folder\n"
    "  --out DIR                where the report's files go (required with --measured)\n"
    "  --reference RUN_DIR      the folder whose history was played: its SRS is drawn\n"
    "                           beside the shot's, and their difference listed\n"
    "%s"
    "  -h, --help               show this text\n"
    "\n"
    "A drive folder (kolvane_fit --correct) is checked for its consistency, its\n"
    "motion and the shaker; its spectrum is shown for information.\n"
    "\n"
    "Exit status: 0 every check passes, 2 a check fails, 1 unusable input.\n";

namespace {

bool parseLimit(const GivenOption& option, std::optional<double>& limit, std::string& error) {
    double value = 0.0;
    if (!readOptionNumber(option.value, value) || value < 0.0) {
        error = option.name + " needs a non-negative number (got \"" + option.value + "\")";
        return false;
    }
    limit = value;
    return true;
}

// A prefix names files inside the output folder, never a path of its own.
bool validPrefix(const std::string& prefix) {
    return !prefix.empty() && prefix.find('/') == std::string::npos && prefix != "." && prefix != "..";
}

// The report's own options; the judging ones are the acceptance check's.
std::vector<OptionName> reportOptionNames() {
    std::vector<OptionName> names = acceptanceOptionNames();
    names.insert(names.end(),
                 {{"--max-velocity", true}, {"--max-displacement", true}, {"--prefix", true}, {"--shaker", true},
                  {"--title", true}, {"--note", true}, {"--measured", true}, {"--out", true}, {"--reference", true}});
    names.insert(names.end(), measuredOptionNames().begin(), measuredOptionNames().end());
    return names;
}

// The command's two names in the right order, and a folder with a run in it:
// said plainly, with what to do, rather than as a file that does not read.
bool namesARun(const ReportOptions& options, std::string& error) {
    std::error_code failed;
    if (std::filesystem::is_directory(options.specPath, failed)) {
        error = options.specPath + " is a folder: give the specification file first, then the run's folder, as in "
                "kolvane_report SPEC_FILE " + options.specPath;
        return false;
    }
    return folderHoldsRun(options.outputDir, error);
}

}  // namespace

bool parseReportOptions(const std::vector<std::string>& args, ReportOptions& options, std::string& error) {
    CommandLine line;
    if (!splitCommandLine(args, reportOptionNames(), line, error)) return false;
    options.help = line.help;
    for (const GivenOption& option : line.options) {
        bool applied = false;
        if (!applyAcceptanceOption(option, options.rules, applied, error)) return false;
        if (applied) continue;
        if (!applyMeasuredOption(option, options.measured, applied, error)) return false;
        if (applied) continue;
        if (option.name == "--measured" || option.name == "--out" || option.name == "--reference") {
            if (option.value.empty()) {
                error = option.name + " needs a " + (option.name == "--measured" ? "file" : "folder") + " name";
                return false;
            }
            (option.name == "--measured" ? options.measuredPath
             : option.name == "--out"    ? options.outputDir
                                         : options.referenceDir) = option.value;
            continue;
        }
        if (option.name == "--max-velocity") {
            if (!parseLimit(option, options.limits.maxVelocity, error)) return false;
        } else if (option.name == "--max-displacement") {
            if (!parseLimit(option, options.limits.maxDisplacement, error)) return false;
        } else if (option.name == "--title") {
            options.title = option.value;
        } else if (option.name == "--note") {
            options.note = option.value;
        } else if (option.name == "--shaker") {
            if (option.value.empty()) {
                error = "--shaker needs a file name";
                return false;
            }
            options.shakerPath = option.value;
        } else {  // --prefix
            if (!validPrefix(option.value)) {
                error = "--prefix needs a file name part without '/' (got \"" + option.value + "\")";
                return false;
            }
            options.prefix = option.value;
        }
    }
    if (options.help) return true;
    const std::vector<std::string>& positional = line.positional;
    if (positional.empty() || positional.size() > 2) {
        error = positional.empty() ? "no specification file given" : "too many arguments";
        return false;
    }
    options.specPath = positional[0];
    const bool outGiven = line.options.end() != std::find_if(line.options.begin(), line.options.end(),
                                                             [](const GivenOption& o) { return o.name == "--out"; });
    if (options.measuredPath.empty()) {
        const char* needsMeasured = outGiven                         ? "--out"
                                    : !options.referenceDir.empty() ? "--reference"
                                    : options.measured.any          ? "--column, --record, --units, --window and --level"
                                                                    : nullptr;
        if (needsMeasured) {
            error = std::string(needsMeasured) + " go" + (outGiven || !options.referenceDir.empty() ? "es" : "") +
                    " with --measured FILE: a run folder is named after the specification file";
            return false;
        }
    } else {
        if (positional.size() == 2) {
            error = "--measured judges a record, not the folder " + positional[1] + ": name the report's folder with --out";
            return false;
        }
        if (!outGiven) {
            error = "--measured needs --out DIR: the report's files go there, not beside the measured record";
            return false;
        }
        return true;
    }
    if (positional.size() == 2) {
        if (positional[1].empty()) {
            error = "OUTPUT_DIR is empty: name the run's folder (\".\" for the current one)";
            return false;
        }
        options.outputDir = positional[1];
    }
    return true;
}

namespace {

// The usage text with the measured record's options in it.
std::string usageText() {
    std::string text;
    appendFormat(text, reportUsage, measuredOptionsUsage);
    return text;
}

// A measured shot read, made ready and, with --reference, the folder played.
bool readMeasuredInputs(const ReportOptions& options, const SpecText& spec, ReportRequest& request,
                        std::string& error) {
    std::optional<RunFolder> reference;
    AcceptanceRules& rules = request.rules;
    if (!options.referenceDir.empty()) {
        if (sameFile(options.referenceDir, options.outputDir)) {
            error = "--out is the reference's folder, whose report the shot's would replace: give the shot a folder "
                    "of its own";
            return false;
        }
        reference.emplace();
        if (!folderHoldsRun(options.referenceDir, error) || !readRunFolder(options.referenceDir, *reference, error)) {
            return false;
        }
        if (!reference->runRecord) {
            error = "the reference " + options.referenceDir + " has no run.out";
            return false;
        }
        if (!rules.dampingRatio) rules.dampingRatio = reference->runRecord->dampingRatio;
    }
    MeasuredShot shot;
    if (!readMeasuredShot(options.measuredPath, options.measured.read, options.measured.shot, spec.table, shot,
                          error)) {
        return false;
    }
    if (!options.rules.dampingRatio) {
        shot.notes.push_back(reference ? "judged at the reference's damping (run.out)"
                                       : "judged at Q 10 (damping ratio 0.05); --q or --damping sets another");
    }
    request.history = measuredHistory(std::move(shot), std::move(reference));
    return true;
}

}  // namespace

int runReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ReportOptions options;
    std::string error;
    if (!parseReportOptions(args, options, error)) {
        err << "kolvane_report: " << error << "\n\n" << usageText();
        return reportUnusableInput;
    }
    if (options.help) {
        out << usageText();
        return reportPassed;
    }
    ReportRequest request;
    request.rules = options.rules;
    bool read = readCheckFiles(request.rules, options.shakerPath, options.shaker, error);
    if (!options.measuredPath.empty()) {
        std::error_code failed;
        std::filesystem::create_directories(options.outputDir, failed);
        read = read && readSpecTextFile(options.specPath, request.specification, error) &&
               readMeasuredInputs(options, request.specification, request, error);
    } else {
        read = read && namesARun(options, error) && readSpecTextFile(options.specPath, request.specification, error) &&
               readRunFolder(options.outputDir, request.history.folder, error);
        if (read && request.history.folder.runRecord) {
            request.history.kind = request.history.folder.runRecord->holds;
            request.exports = readExportRecords(options.outputDir, *request.history.folder.runRecord);
        }
    }
    if (!read) {
        err << "kolvane_report: " << error << "\n";
        return reportUnusableInput;
    }
    request.limits = options.limits;
    request.shaker = options.shaker;
    request.outputDir = options.outputDir;
    request.prefix = options.prefix;
    request.title = options.title;
    request.note = options.note;
    request.commandLine = {"kolvane_report"};
    request.commandLine.insert(request.commandLine.end(), args.begin(), args.end());
    const ReportResult result = writeReport(request, out);
    if (result.status == ReportStatus::unusable) err << "kolvane_report: " << result.error << "\n";
    return reportExitStatus(result.status);
}
