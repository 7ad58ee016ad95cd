#include "report/report_app.h"

#include <filesystem>

#include "common/command_line.h"
#include "report/acceptance.h"
#include "report/write_report.h"
#include "run_folder/run_folder.h"

const char* const reportUsage =
    "Usage: kolvane_report SPEC_FILE [OUTPUT_DIR] [options]\n"
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
    "  -h, --help               show this text\n"
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
                  {"--title", true}, {"--note", true}});
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
    if (positional.size() == 2) {
        if (positional[1].empty()) {
            error = "OUTPUT_DIR is empty: name the run's folder (\".\" for the current one)";
            return false;
        }
        options.outputDir = positional[1];
    }
    return true;
}

int runReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ReportOptions options;
    std::string error;
    if (!parseReportOptions(args, options, error)) {
        err << "kolvane_report: " << error << "\n\n" << reportUsage;
        return reportUnusableInput;
    }
    if (options.help) {
        out << reportUsage;
        return reportPassed;
    }
    ReportRequest request;
    if (!readCheckFiles(options.rules, options.shakerPath, options.shaker, error) ||
        !namesARun(options, error) || !readSpecTextFile(options.specPath, request.specification, error) ||
        !readRunFolder(options.outputDir, request.history.folder, error)) {
        err << "kolvane_report: " << error << "\n";
        return reportUnusableInput;
    }
    if (request.history.folder.runRecord) request.history.kind = request.history.folder.runRecord->holds;
    request.rules = options.rules;
    request.limits = options.limits;
    request.shaker = options.shaker;
    request.outputDir = options.outputDir;
    request.prefix = options.prefix;
    request.title = options.title;
    request.note = options.note;
    if (request.history.folder.runRecord) {
        request.exports = readExportRecords(options.outputDir, *request.history.folder.runRecord);
    }
    request.commandLine = {"kolvane_report"};
    request.commandLine.insert(request.commandLine.end(), args.begin(), args.end());
    const ReportResult result = writeReport(request, out);
    if (result.status == ReportStatus::unusable) err << "kolvane_report: " << result.error << "\n";
    return reportExitStatus(result.status);
}
