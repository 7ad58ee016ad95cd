#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "export/export_history.h"
#include "measured/measured_options.h"
#include "report/acceptance.h"
#include "run_folder/shaker.h"

struct FitOptions {
    std::string specPath;
    std::string outputDir;
    // The dialogue's answers the engineer may fix; the rest the fit chooses.
    std::optional<double> zpa;       // first ZPA; default a third of the largest level
    std::optional<double> duration;  // default the program's recommendation, 2 / f_first
    double q = 10.0;
    int trialCount = 100;
    int units = 1;
    int pointsPerOctave = 12;        // the first attempt's spacing
    // The search's budget, counted so that a fit repeats exactly on any
    // machine: attempts (each one run of the program and the refinement of
    // its history), and the refinement's passes in each.
    int attemptLimit = 6;
    int refinementPasses = 12;
    bool refine = true;              // --plain: keep the program's histories as they are
    // --shaker FILE: the lab's shaker, which the kept history must fit, and
    // the longest duration the search may try (default maxDurationPeriods
    // periods of the first specification frequency).
    std::string shakerPath;
    std::optional<ShakerLimits> shaker;  // read by readCheckFiles
    std::optional<double> maxDuration;
    // --export LIST [--rate HZ]: the kept history also as kolvane_export writes it.
    std::vector<ExportFormat> exportFormats;
    std::optional<double> exportSampleRate;  // samples per second
    bool exportFailed = false;               // --export-failed: export a history that fails, marked so
    // The acceptance check, as the report makes it.
    AcceptanceRules rules;
    // The command as typed, the test item and a note, for the report's
    // record of the test.
    std::vector<std::string> commandLine;
    std::string title;
    std::string note;
    // --correct MEASURED --reference RUN_DIR: the next drive, corrected from
    // the shot measured when the reference's history was played, read with
    // the measured record's options (--units then is the record's unit).
    std::string correctPath;
    std::string referenceDir;
    MeasuredOptions measured;
    // When given and set, the attempts under way stop and the fit ends as
    // unusable: how a caller on another thread interrupts it.
    const std::atomic<bool>* cancel = nullptr;
    bool help = false;
};

// The longest duration the shaker search tries, in periods of the first
// specification frequency: four times the program's recommendation.
constexpr double maxDurationPeriods = 8.0;

extern const char* const fitUsage;  // a format: fitUsageText() fills it in
std::string fitUsageText();

// Arguments without the program name. "--name=value" and "--name value" both
// work. False, with `error` set, for a mistake in the command line itself,
// which the usage text follows.
bool parseFitOptions(const std::vector<std::string>& args, FitOptions& options, std::string& error);
