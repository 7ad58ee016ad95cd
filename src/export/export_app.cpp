#include "export/export_app.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <thread>

#include "common/command_line.h"
#include "common/file_paths.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "export/csv_export.h"
#include "export/mat_export.h"
#include "analysis/resample.h"
#include "export/uff58_export.h"
#include "analysis/analysis_grid.h"
#include "run_folder/consistency.h"
#include "analysis/independent_srs.h"
#include "analysis/motion_from_rest.h"
#include "run_folder/run_folder.h"
#include "results/motion.h"
#include "spec/spec_text.h"

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

const char* const allFormats[] = {"csv", "uff", "mat"};

struct ExportOptions {
    std::string folder;
    std::vector<std::string> formats{"csv", "uff", "mat"};
    double rate = 0.0;  // 0: the run's own
    bool help = false;
};

// How close a resampled history must stay to the run's.
constexpr double srsAllowance = 0.005;
constexpr double restAllowance = 0.001;
// At 100 samples a cycle the spectra miss a peak between samples by 0.05 %
// at most, a tenth of the allowance.
constexpr double checkPointsPerCycle = 100.0;

bool parseExportOptions(const std::vector<std::string>& args, ExportOptions& options, std::string& error) {
    CommandLine line;
    if (!splitCommandLine(args, {{"--format", true}, {"--rate", true}}, line, error)) return false;
    options.help = line.help;
    for (const GivenOption& option : line.options) {
        if (option.name == "--rate") {
            if (!readOptionNumber(option.value, options.rate) || !(options.rate > 0.0)) {
                error = "--rate needs a sample rate in samples per second (got \"" + option.value + "\")";
                return false;
            }
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

// The history as the run wrote it, with the acceleration's closing zero.
ExportedHistory historyOf(const ReportInputs& inputs, const RunRecord& record, const std::string& folder) {
    ExportedHistory history;
    history.timeStep = record.outputTimeStep;
    history.acceleration = inputs.acceleration.value;
    history.acceleration.push_back(0.0);
    history.velocity = inputs.velocity.value;
    history.displacement = inputs.displacement.value;
    history.units = unitNamesOf(record.units);
    history.folder = folder;
    std::istringstream lines(formatRunRecord(record));
    std::string setting;
    std::getline(lines, setting);  // the title
    while (std::getline(lines, setting)) history.settings.push_back(setting);
    return history;
}

// The frequencies the resampled history is checked at: the analysis grid of
// the run's own specification, or srs.out's when that file is not there.
std::vector<double> analysisFrequencies(const ReportInputs& inputs, const RunRecord& record,
                                        const std::string& folder) {
    SpecText spec;
    std::string ignored;
    if (readSpecTextFile(pathInFolder(folder, record.specFileName), spec, ignored)) {
        return buildAnalysisGrid(spec.table, 12);
    }
    std::vector<double> frequencies;
    for (const SrsLine& line : inputs.srs) frequencies.push_back(line.frequency);
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
bool resampleAndCheck(ExportedHistory& history, const ReportInputs& inputs, const RunRecord& record,
                      double rate, std::ostream& out, std::string& error) {
    const std::vector<double> frequencies = analysisFrequencies(inputs, record, history.folder);
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
    if (!(worst <= srsAllowance) || !(endVelocity <= restAllowance) || !(endDisplacement <= restAllowance)) {
        error = "the resampled history fails its check (the SRS within 0.5 %, the end at rest within 0.1 %); "
                "nothing was written";
        return false;
    }
    return true;
}

}  // namespace

bool parseExportFormats(const std::string& list, std::vector<std::string>& formats, std::string& error) {
    formats.clear();
    std::istringstream items(list);
    std::string format;
    while (std::getline(items, format, ',')) {
        if (std::find(std::begin(allFormats), std::end(allFormats), format) == std::end(allFormats)) {
            error = "takes csv, uff and mat, comma-separated (got \"" + format + "\")";
            return false;
        }
        if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
    }
    if (formats.empty()) {
        error = "needs at least one of csv, uff and mat";
        return false;
    }
    return true;
}

std::vector<std::string> exportFileNames(const std::vector<std::string>& formats) {
    std::vector<std::string> names;
    for (const std::string& format : formats) names.push_back("history." + format);
    return names;
}

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
    ReportInputs inputs;
    ConsistencyOutcome consistency;
    if (!folderHoldsRun(options.folder, error) || !readRunFiles(options.folder, inputs, error)) {
        err << "kolvane_export: " << error << "\n";
        return exportUnusableInput;
    }
    if (!inputs.runRecord) {
        err << "kolvane_export: " << pathInFolder(options.folder, "run.out")
            << " is missing: the exact sample rate and the units come from it\n";
        return exportUnusableInput;
    }
    if (!checkRunConsistency(inputs, std::nullopt, consistency, error)) {
        err << "kolvane_export: " << error << "\n";
        return exportUnusableInput;
    }
    for (const std::string& warning : consistency.warnings) out << " Warning: " << warning << "\n";
    const RunRecord& record = *inputs.runRecord;
    ExportedHistory history = historyOf(inputs, record, options.folder);
    if (options.rate > 0.0 && !resampleAndCheck(history, inputs, record, options.rate, out, error)) {
        err << "kolvane_export: " << error << "\n";
        return exportUnusableInput;
    }
    // The formats are independent files of up to a hundred megabytes each:
    // each is formatted and written on its own thread.
    const std::size_t formatCount = options.formats.size();
    std::vector<std::string> written(formatCount);
    std::vector<std::string> errors(formatCount);
    std::vector<char> ok(formatCount, 1);
    std::vector<std::thread> writers;
    for (std::size_t k = 0; k < formatCount; ++k) {
        written[k] = pathInFolder(options.folder, "history." + options.formats[k]);
        writers.emplace_back([&, k] {
            const std::string& format = options.formats[k];
            const std::string& path = written[k];
            if (format == "csv") ok[k] = writeTextFile(path, historyCsv(history), errors[k]);
            if (format == "uff") ok[k] = writeTextFile(path, historyUff58(history, uffCreationTime()), errors[k]);
            if (format == "mat") ok[k] = writeHistoryMat(path, history, errors[k]);
        });
    }
    for (std::thread& writer : writers) writer.join();
    for (std::size_t k = 0; k < formatCount; ++k) {
        if (!ok[k]) {
            err << "kolvane_export: " << errors[k] << "\n";
            return exportUnusableInput;
        }
    }
    out << " History at " << roundTripText(sampleRateOf(history)) << " samples per second, "
        << history.acceleration.size() << " samples:";
    for (const std::string& path : written) out << " " << path;
    out << "\n";
    return exportWritten;
}
