#include "export/export_app.h"

#include "common/command_line.h"
#include "export/export_history.h"
#include "run_folder/run_folder.h"

const char* const exportUsage =
    "Usage: kolvane_export OUTPUT_DIR [--format csv,uff,mat] [--rate HZ]\n"
    "\n"
    "Writes the history of the run in OUTPUT_DIR in the forms a shaker controller or\n"
    "an analysis package loads, each with the exact sample rate and the units:\n"
    "  history.csv  '#' lines (rate, step, units, the run's settings), a header\n"
    "               row and one row per sample: time_s and the three quantities\n"
    "  history.uff  Universal File Format dataset 58, one dataset per quantity\n"
    "  history.mat  MATLAB level 5: t, acceleration, velocity, displacement,\n"
    "               sample_rate, dt, units\n"
    "The files of the run are checked as kolvane_report checks them first.\n"
    "\n"
    "Options:\n"
    "  --format LIST   which of csv, uff and mat to write [all three]\n"
    "  --rate HZ       resample to a controller's rate, band-limited; velocity and\n"
    "                  displacement are integrated again from rest. The rate's\n"
    "                  Nyquist frequency must reach the last analysis frequency,\n"
    "                  and the result is checked: its SRS (maximax) within 0.5 %\n"
    "                  of the run's at every analysis frequency, its end velocity\n"
    "                  and displacement back at zero within 0.1 % of their peaks.\n"
    "  -h, --help      show this text\n"
    "\n"
    "Exit status: 0 the files are written, 1 unusable input or a failed check.\n";

namespace {

struct ExportOptions {
    std::string folder;
    std::vector<ExportFormat> formats = allExportFormats();
    std::optional<double> rate;  // none: the run's own
    bool help = false;
};

bool parseExportOptions(const std::vector<std::string>& args, ExportOptions& options, std::string& error) {
    CommandLine line;
    if (!splitCommandLine(args, {{"--format", true}, {"--rate", true}}, line, error)) return false;
    options.help = line.help;
    for (const GivenOption& option : line.options) {
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
    const ExportResult result = exportHistory(request, out);
    if (!result.written) {
        err << "kolvane_export: " << result.error << "\n";
        return exportUnusableInput;
    }
    return exportWritten;
}
