#include "export/export_app.h"

#include "common/command_line.h"
#include "export/export_history.h"
#include "run_folder/run_folder.h"

const char* const exportUsage =
    "Usage: kolvane_export OUTPUT_DIR [--format csv,uff,mat] [--rate HZ] [--export-failed]\n"
    "\n"
    "Writes the history of the run in OUTPUT_DIR in the forms a shaker controller or\n"
    "an analysis package loads, each with the exact sample rate and the units:\n"
    "  history.csv  a plain CSV: a header row (time_s and the three quantities with\n"
    "               their units) and one row per sample; history.json beside it\n"
    "               holds the rate, the exact step, the units, the verdict and the\n"
    "               run's settings\n"
    "  history.uff  Universal File Format dataset 58, one dataset per quantity\n"
    "  history.mat  MATLAB level 5: t, acceleration, velocity, displacement,\n"
    "               sample_rate, dt, units, history, verdict\n"
    "The files of the run are checked as kolvane_report checks them first. A history\n"
    "whose verdict (the fit's fit.json, or kolvane_report's report.json, about this\n"
    "very history) is a fail is not exported: a controller would play a failing test.\n"
    "\n"
    "Options:\n"
    "  --format LIST    which of csv, uff and mat to write [all three]\n"
    "  --rate HZ        resample to a controller's rate, band-limited; velocity and\n"
    "                   displacement are integrated again from rest. The rate's\n"
    "                   Nyquist frequency must reach the last analysis frequency,\n"
    "                   the history at most 4000000 samples, and the result is\n"
    "                   checked: its SRS (maximax) within 0.5 % of the run's at\n"
    "                   every analysis frequency, its end velocity and displacement\n"
    "                   back at zero within 0.1 % of their peaks.\n"
    "  --export-failed  export a history that fails all the same, with FAIL in the\n"
    "                   files' names (history-FAIL.csv, ...) and metadata\n"
    "  -h, --help       show this text\n"
    "\n"
    "Exit status: 0 the files are written, 1 unusable input or a failed check.\n";

namespace {

struct ExportOptions {
    std::string folder;
    std::vector<ExportFormat> formats = allExportFormats();
    std::optional<double> rate;  // none: the run's own
    bool exportFailed = false;
    bool help = false;
};

bool parseExportOptions(const std::vector<std::string>& args, ExportOptions& options, std::string& error) {
    CommandLine line;
    if (!splitCommandLine(args, {{"--format", true}, {"--rate", true}, {"--export-failed", false}}, line, error)) {
        return false;
    }
    options.help = line.help;
    for (const GivenOption& option : line.options) {
        if (option.name == "--export-failed") {
            options.exportFailed = true;
            continue;
        }
        if (option.name == "--rate") {
            double rate = 0.0;
            if (!readOptionNumber(option.value, rate) || !(rate > 0.0)) {
                error = "--rate needs a sample rate in samples per second (got \"" + option.value + "\")";
                return false;
            }
            options.rate = rate;
            continue;
        }
        if (!parseExportFormats(option.value, options.formats, error)) {
            error = "--format " + error;
            return false;
        }
    }
    if (options.help) return true;
    if (line.positional.size() != 1) {
        error = line.positional.empty() ? "no output folder given" : "too many arguments";
        return false;
    }
    options.folder = line.positional[0];
    return true;
}

}  // namespace

int runExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ExportOptions options;
    std::string error;
    if (!parseExportOptions(args, options, error)) {
        err << "kolvane_export: " << error << "\n\n" << exportUsage;
        return exportUnusableInput;
    }
    if (options.help) {
        out << exportUsage;
        return exportWritten;
    }
    ExportRequest request;
    if (!folderHoldsRun(options.folder, error) || !readRunFolder(options.folder, request.folder, error)) {
        err << "kolvane_export: " << error << "\n";
        return exportUnusableInput;
    }
    request.formats = options.formats;
    request.rate = options.rate;
    request.exportFailed = options.exportFailed;
    const ExportResult result = exportHistory(request, out);
    if (!result.written) {
        err << "kolvane_export: " << result.error << "\n";
        return exportUnusableInput;
    }
    return exportWritten;
}
