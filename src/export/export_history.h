#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "run_folder/export_record.h"
#include "run_folder/folder_verdict.h"
#include "run_folder/run_folder.h"

// The export's typed door: a run's history written in the forms controllers
// and analysis packages load. kolvane_export reads a folder into a request;
// the fit and the Python module pass the run they hold.

enum class ExportFormat { csv, uff, mat };

// "csv", "uff", "mat", and the file each writes: history.csv, ..., or for a
// history marked with a verdict tag history-TAG.csv, ...
const char* exportFormatName(ExportFormat format);
std::string exportFileName(ExportFormat format, const std::string& verdictTag = "");
const std::vector<ExportFormat>& allExportFormats();

// Reads a list of csv, uff and mat, comma-separated, each kept once in the
// order given. False, with `error` set, when it names anything else or
// nothing.
bool parseExportFormats(const std::string& list, std::vector<ExportFormat>& formats, std::string& error);

// The most samples an export writes (about 300 MB of CSV): a rate that would
// write more is refused before anything is made.
constexpr double maxExportSamples = 4000000.0;

// The samples a history of `seconds` makes at `rate` samples per second.
double exportSampleCount(double seconds, double rate);

// Why `rate` cannot export a history of `seconds`: not a rate, or too many
// samples; empty when it can.
std::string exportSampleCountProblem(double seconds, double rate);

struct ExportRequest {
    RunFolder folder;  // the run's files, run.out among them, as read or held in memory
    std::vector<ExportFormat> formats = allExportFormats();
    std::optional<double> rate;  // samples per second; none: the run's own
    std::string outputDir;       // where the files go; empty: the run's folder
    // The verdict on the history: the fit's own, or else what fit.json or
    // report.json in the folder holds about it. A history that fails is
    // exported only when exportFailed, and then marked by `verdictTag` (its
    // verdict and the limits it exceeds, "FAIL-spectrum-force"; "FAIL" when
    // empty) in the files' names and metadata. A drive is exported as such.
    std::optional<FolderVerdict> verdict;
    bool exportFailed = false;
    std::string verdictTag;
};

struct ExportResult {
    bool written = false;
    std::vector<std::string> files;     // the paths written, history.json last
    std::vector<ExportedFile> exported;  // the history's files, with their rate and checksum
    std::string check;                  // what the export checked
    std::string error;                  // why nothing was written
};

// Checks the run's files as the report does, resamples when a rate is asked
// for and checks the result, then writes every format (all or none). What it
// did goes to `out`, one line each.
ExportResult exportHistory(const ExportRequest& request, std::ostream& out);
