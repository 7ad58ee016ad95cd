#include "fit/fit_options.h"

#include "common/command_line.h"
#include "common/number_format.h"
#include "fit/attempt_answers.h"
#include "model/constants.h"
#include "model/damping.h"

const char* const fitUsage =
    "Usage: kolvane_fit SPEC_FILE OUTPUT_DIR [options]\n"
    "\n"
    "Finds the test a lab would run: a history whose SRS lies on the specification\n"
    "itself (every analysis point within +-1 dB, the median within +-0.3 dB) and\n"
    "passes the acceptance check of kolvane_report, with the lowest peak\n"
    "acceleration. Each attempt runs kolvane_zpa on SPEC_FILE (extended one grid step\n"
    "above its last grid point) in OUTPUT_DIR/attempts/N/, then refines the history's\n"
    "wavelet amplitudes against the independent SRS and lowers its peak; attempts go\n"
    "two at a time (arbitrary integers 1 and 2), longer durations up to --max-duration\n"
    "where they lower the peak or the shaker's stroke and velocity. It keeps the\n"
    "attempt that meets the aim, passes and fits the shaker with the lowest peak.\n"
    "OUTPUT_DIR then holds it (run.out records its exact wavelets; kolvane_rebuild\n"
    "makes its history again from them), answers.txt (kolvane_zpa < answers.txt\n"
    "repeats the program's run before the refinement), fit.json and the report\n"
    "(report.html). A second fit into the folder removes what the first wrote there\n"
    "and nothing else.\n"
    "\n"
    "Answers to the program (defaults in brackets):\n"
    "  --zpa A               first ZPA [a third of the largest level]\n"
    "  --spacing 3|6|12      spacing, points per octave [12]\n"
    "  --duration S          first duration in seconds [2 / first frequency]\n"
    "  --q Q                 SRS amplification factor [10]\n"
    "  --trials N            trials per attempt, 1 to 8000 [100]\n"
    "  --units 1|2|3         1 English, 2 metric with G, 3 metric [1]\n"
    "The search:\n"
    "  --attempts N          most attempts, each a run and its refinement [6]\n"
    "  --passes N            most refinement passes in an attempt [12]\n"
    "  --max-duration S      longest duration to try [8 / first frequency]\n"
    "  --aim spec|centre     aim the spectrum at the specification [spec], or at the\n"
    "                        band's centre for margin\n"
    "  --plain               keep the program's histories as it writes them: no\n"
    "                        refinement; the ZPA, spacing and extension change instead\n"
    "The lab's shaker:\n"
    "  --shaker FILE         its limits, as kolvane_report --shaker takes them\n"
    "The kept history for a controller, as kolvane_export writes it:\n"
    "  --export LIST         csv, uff and mat, comma-separated\n"
    "  --rate HZ             resampled to this rate\n"
    "  --export-failed       export it even when it fails the check or the shaker;\n"
    "                        the verdict then goes into the files' names and metadata\n"
    "Acceptance check, as kolvane_report takes it:\n"
    "  --tolerance LOW,HIGH  --inner LOW,HIGH  --inner-share PERCENT\n"
    "  --band-file FILE  --polarity maximax|both  --analysis-spacing 6|12|24\n"
    "The report's record of the test:\n"
    "  --title TEXT          the test item     --note TEXT   its axis, the operator, ...\n"
    "  -h, --help            show this text\n"
    "\n"
    "Exit status: 0 an attempt passes (and fits the shaker), 2 none does, 1 unusable input.\n"
    "\n"
    "Usage: kolvane_fit SPEC_FILE OUTPUT_DIR --correct MEASURED --reference RUN_DIR\n"
    "                   --shaker FILE [options]\n"
    "\n"
    "The next drive after a shot: MEASURED is the shot as the controller saved it\n"
    "when RUN_DIR's history (a fit's, or a drive made so) was played. At each\n"
    "analysis point the measured SRS's miss of the specification asks the drive's\n"
    "own SRS to move by 0.8 of it in dB, at most 3 dB a step; the reference's\n"
    "wavelet amplitudes are brought there, so the drive still ends at rest. A drive\n"
    "beyond the shaker is not written. OUTPUT_DIR then holds the drive (run.out\n"
    "records where it came from), correction.csv (point by point), fit.json and its\n"
    "report, which shows its spectrum for information. The measured record is read\n"
    "as kolvane_report --measured reads it:\n"
    "%s"
    "Exit status: 0 the drive is written, 2 it would exceed the shaker, 1 unusable input.\n";

std::string fitUsageText() {
    std::string text;
    appendFormat(text, fitUsage, measuredOptionsUsage);
    return text;
}

namespace {

// Reads one of the answers the engineer may fix. False, with `error` set, on
// a bad value; `applied` false when the option is not one of them.
bool applyAnswerOption(const GivenOption& option, FitOptions& options, bool& applied, std::string& error) {
    const std::string& name = option.name;
    const std::string& value = option.value;
    applied = true;
    double number = 0.0;
    int whole = 0;
    if (name == "--zpa") {
        if (readOptionNumber(value, number) && number > 0.0) {
            options.zpa = number;
            return true;
        }
        error = "--zpa needs a positive acceleration";
    } else if (name == "--duration") {
        if (readOptionNumber(value, number) && number > 0.0) {
            options.duration = number;
            return true;
        }
        error = "--duration needs a positive number of seconds";
    } else if (name == "--q") {
        // Q of 0.5 or less is a damping ratio of 1 or more, which the program refuses.
        if (readOptionNumber(value, number) && number > 0.5) {
            options.q = number;
            return true;
        }
        error = "--q needs an amplification factor above 0.5";
    } else if (name == "--spacing") {
        if (readOptionWhole(value, whole) && (whole == 3 || whole == 6 || whole == 12)) {
            options.pointsPerOctave = whole;
            return true;
        }
        error = "--spacing needs 3, 6 or 12 points per octave";
    } else if (name == "--trials") {
        if (readOptionWhole(value, whole) && whole >= 1 && whole <= maxTrials) {
            options.trialCount = whole;
            return true;
        }
        error = "--trials needs a whole number from 1 to " + std::to_string(maxTrials);
    } else if (name == "--units") {
        if (readOptionWhole(value, whole) && whole >= 1 && whole <= 3) {
            options.units = whole;
            return true;
        }
        error = "--units needs 1, 2 or 3";
    } else if (name == "--max-duration") {
        if (readOptionNumber(value, number) && number > 0.0) {
            options.maxDuration = number;
            return true;
        }
        error = "--max-duration needs a positive number of seconds";
    } else if (name == "--shaker") {
        if (!value.empty()) {
            options.shakerPath = value;
            return true;
        }
        error = "--shaker needs a file name";
    } else if (name == "--export") {
        std::string problem;
        if (parseExportFormats(value, options.exportFormats, problem)) return true;
        error = "--export " + problem;
        return false;
    } else if (name == "--rate") {
        if (readOptionNumber(value, number) && number > 0.0) {
            options.exportSampleRate = number;
            return true;
        }
        error = "--rate needs a sample rate in samples per second";
    } else if (name == "--attempts") {
        if (readOptionWhole(value, whole) && whole >= 1 && whole <= 100) {
            options.attemptLimit = whole;
            return true;
        }
        error = "--attempts needs a whole number from 1 to 100";
    } else if (name == "--passes") {
        if (readOptionWhole(value, whole) && whole >= 0 && whole <= 100) {
            options.refinementPasses = whole;
            return true;
        }
        error = "--passes needs a whole number from 0 to 100";
    } else if (name == "--title" || name == "--note") {
        (name == "--title" ? options.title : options.note) = value;
        return true;
    } else if (name == "--plain") {
        options.refine = false;
        return true;
    } else if (name == "--export-failed") {
        options.exportFailed = true;
        return true;
    } else {
        applied = false;
        return true;
    }
    error += " (got \"" + value + "\")";
    return false;
}

std::vector<OptionName> fitOptionNames() {
    std::vector<OptionName> names = {{"--zpa", true},    {"--spacing", true}, {"--duration", true},
                                     {"--q", true},      {"--trials", true},  {"--units", true},
                                     {"--attempts", true}, {"--shaker", true}, {"--max-duration", true},
                                     {"--export", true}, {"--rate", true},    {"--passes", true},
                                     {"--plain", false},  {"--export-failed", false},
                                     {"--title", true},   {"--note", true},
                                     {"--correct", true}, {"--reference", true}};
    for (const OptionName& reading : measuredOptionNames()) {
        if (std::string(reading.name) != "--units") names.push_back(reading);
    }
    for (const OptionName& judging : acceptanceOptionNames()) {
        // The fit's own --q sets the attempts' damping; --damping it refuses below.
        if (std::string(judging.name) != "--q") names.push_back(judging);
    }
    return names;
}

// A correction takes the reference's run as it is: the search's options do
// not apply, and the shaker is what the drive is checked against.
bool checkCorrectionOptions(const CommandLine& line, const FitOptions& options, std::string& error) {
    const bool correcting = !options.correctPath.empty();
    if (!correcting) {
        if (!options.referenceDir.empty()) {
            error = "--reference goes with --correct MEASURED: the folder whose history was played for it";
            return false;
        }
        for (const GivenOption& option : line.options) {
            for (const OptionName& reading : measuredOptionNames()) {
                if (option.name == reading.name && option.name != "--units") {
                    error = option.name + " reads a measured record: it goes with --correct MEASURED";
                    return false;
                }
            }
        }
        return true;
    }
    if (options.referenceDir.empty()) {
        error = "--correct needs --reference RUN_DIR: the folder whose history was played for the shot";
        return false;
    }
    if (options.shakerPath.empty()) {
        error = "--correct needs --shaker FILE: a drive is checked against the shaker before it is written";
        return false;
    }
    for (const GivenOption& option : line.options) {
        for (const char* search : {"--zpa", "--spacing", "--duration", "--q", "--trials", "--attempts", "--passes",
                                   "--max-duration", "--plain"}) {
            if (option.name == search) {
                error = option.name + " is an answer or a limit of the search, which --correct does not make: the "
                                      "drive keeps the reference's run";
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool parseFitOptions(const std::vector<std::string>& args, FitOptions& options, std::string& error) {
    CommandLine line;
    if (!splitCommandLine(args, fitOptionNames(), line, error)) return false;
    options.help = line.help;
    for (const GivenOption& option : line.options) {
        if (option.name == "--damping") {
            error = "kolvane_fit takes the damping as --q Q";
            return false;
        }
        bool applied = false;
        if (option.name == "--correct" || option.name == "--reference") {
            if (option.value.empty()) {
                error = option.name + " needs a " + (option.name == "--correct" ? "file" : "folder") + " name";
                return false;
            }
            (option.name == "--correct" ? options.correctPath : options.referenceDir) = option.value;
            continue;
        }
        if (option.name == "--units" && !applyMeasuredOption(option, options.measured, applied, error)) return false;
        if (!applyAnswerOption(option, options, applied, error)) return false;
        if (applied) continue;
        if (!applyMeasuredOption(option, options.measured, applied, error)) return false;
        if (applied) continue;
        if (!applyAcceptanceOption(option, options.rules, applied, error)) return false;
    }
    if (options.help) return true;
    if (!checkCorrectionOptions(line, options, error)) return false;
    const std::vector<std::string>& positional = line.positional;
    if (positional.size() != 2) {
        error = positional.empty()      ? "no specification file given"
                : positional.size() == 1 ? "no output folder given"
                                         : "too many arguments";
        return false;
    }
    options.specPath = positional[0];
    options.outputDir = positional[1];
    if (options.exportSampleRate && options.exportFormats.empty()) {
        error = "--rate is the exported history's rate: give --export LIST too";
        return false;
    }
    if (options.exportFailed && options.exportFormats.empty()) {
        error = "--export-failed marks the exported history: give --export LIST too";
        return false;
    }
    if (options.maxDuration && options.duration && *options.maxDuration < *options.duration) {
        error = "--max-duration is below --duration, so it would never be used";
        return false;
    }
    // The check and the report judge with the attempts' damping, also for a
    // run that leaves no record of it.
    options.rules.dampingRatio = dampingRatioOfQ(options.q);
    options.commandLine = {"kolvane_fit"};
    options.commandLine.insert(options.commandLine.end(), args.begin(), args.end());
    return true;
}

