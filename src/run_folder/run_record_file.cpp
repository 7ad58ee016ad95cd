#include "run_folder/run_record_file.h"

#include <cmath>

#include "common/number_format.h"
#include "common/text_file.h"
#include "model/constants.h"
#include "model/damping.h"
#include "results/result_files.h"
#include "spec/spec_table.h"

namespace {

// run.out is a few hundred bytes.
constexpr std::size_t runRecordLimitBytes = 64 * 1024;

std::string valueText(double value) { return formatGeneral(value, 0, 17); }

bool refuse(const std::string& field, const std::string& value, const std::string& rule, std::string& error) {
    error = field + " = " + value + ", " + rule;
    return false;
}

bool positiveFinite(double value) { return std::isfinite(value) && value > 0.0; }

bool sameStep(double a, double b) { return std::fabs(a - b) <= 1e-12 * std::fabs(b); }

// The answers as the dialogue accepts them.
bool checkAnswers(const RunRecord& r, std::string& error) {
    if (!std::isfinite(r.zpa)) return refuse("zpa", valueText(r.zpa), "not a finite number", error);
    if (r.octaveFraction != gridStepsPerOctave(r.spacingChoice)) {
        return refuse("octave_fraction", std::to_string(r.octaveFraction),
                      "not the spacing of spacing_choice " + std::to_string(r.spacingChoice), error);
    }
    if (!(r.dampingRatio >= 0.0 && r.dampingRatio < 1.0)) {
        return refuse("damping_ratio", valueText(r.dampingRatio), "outside 0 to 1, which the program refuses", error);
    }
    if (!(r.q == qOfDampingRatio(r.dampingRatio))) {
        return refuse("q", valueText(r.q), "not 1 / (2 damping_ratio)", error);
    }
    if (!positiveFinite(r.duration)) return refuse("duration", valueText(r.duration), "not above zero", error);
    if (r.trialCount < 1 || r.trialCount > maxTrials) {
        return refuse("trials", std::to_string(r.trialCount), "outside 1 to " + std::to_string(maxTrials), error);
    }
    if (r.units < 1 || r.units > 3) return refuse("units", std::to_string(r.units), "not 1, 2 or 3", error);
    return true;
}

// The sampling and grid derived before the first trial.
bool checkDerived(const RunRecord& r, std::string& error) {
    if (!positiveFinite(r.timeStep)) return refuse("time_step", valueText(r.timeStep), "not above zero", error);
    if (r.sampleCount < 0 || r.sampleCount >= maxRunSamples ||
        r.sampleCount != static_cast<int>(r.duration / r.timeStep)) {
        return refuse("sample_count", std::to_string(r.sampleCount), "not duration / time_step", error);
    }
    if (r.gridPointCount < 1 || r.gridPointCount > maxGridPoints) {
        return refuse("grid_points", std::to_string(r.gridPointCount),
                      "outside 1 to " + std::to_string(maxGridPoints), error);
    }
    // The grid ends at or below the last specification frequency, which is a
    // twelfth of the run's sample rate.
    if (!positiveFinite(r.lastGridFrequency) || r.lastGridFrequency * r.timeStep > (1.0 + 1e-9) / 12.0) {
        return refuse("last_grid_frequency", valueText(r.lastGridFrequency),
                      "not a frequency the run's time step samples 12 times a cycle", error);
    }
    return true;
}

// The latest results step: the trials it ranked, its optimum, and the output
// sampling (the output rate of the run's rate, the duration's samples at it).
bool checkResultsStep(const RunRecord& r, std::string& error) {
    if (r.trialsRanked < 0 || r.trialsRanked > r.trialCount) {
        return refuse("trials_ranked", std::to_string(r.trialsRanked), "outside 0 to trials", error);
    }
    if (r.trialsRanked == 0) return true;  // no results step yet: the output fields are unused
    if (r.optimumCase < 0 || r.optimumCase >= r.trialsRanked) {
        return refuse("optimum_case", std::to_string(r.optimumCase), "not one of the trials ranked", error);
    }
    const double expectedStep = 1.0 / outputSampleRate(1.0 / r.timeStep);
    if (!positiveFinite(r.outputTimeStep) || !sameStep(r.outputTimeStep, expectedStep)) {
        return refuse("output_time_step", valueText(r.outputTimeStep), "not the output rate's step", error);
    }
    if (!(r.outputSampleRate == 1.0 / r.outputTimeStep)) {
        return refuse("output_sample_rate", valueText(r.outputSampleRate), "not 1 / output_time_step", error);
    }
    if (r.outputSampleCount < 0 || r.outputSampleCount >= sampleCapacity ||
        r.outputSampleCount != static_cast<int>(r.duration / r.outputTimeStep)) {
        return refuse("output_sample_count", std::to_string(r.outputSampleCount), "not duration / output_time_step",
                      error);
    }
    return true;
}

}  // namespace

bool checkRunRecordValues(const RunRecord& record, std::string& error) {
    return checkAnswers(record, error) && checkDerived(record, error) && checkResultsStep(record, error);
}

bool readRunRecord(const std::string& path, RunRecord& record, std::string& error) {
    std::string text;
    std::string reason;
    if (!readWholeFile(path, text, reason, runRecordLimitBytes)) {
        error = "cannot open " + path + ": " + reason;
        return false;
    }
    if (text.find('\r') != std::string::npos) {
        error = path + " has Windows line ends (CR LF), which the program never writes: it was converted or "
                       "edited as text, so it no longer says which run its folder holds";
        return false;
    }
    std::string problem;
    if (!parseRunRecord(text, record, problem)) {
        error = path + " is not a complete run record: " + problem;
        return false;
    }
    if (!checkRunRecordValues(record, problem)) {
        error = path + " holds " + problem + ": no run of the program writes that";
        return false;
    }
    return true;
}
