#include "run_folder/consistency.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/number_format.h"
#include "model/constants.h"
#include "model/damping.h"
#include "analysis/independent_srs.h"
#include "results/file_layout.h"
#include "results/history_files.h"
#include "results/motion.h"
#include "common/number_parse.h"

namespace {

// The verdict on files that do not match: a results step writes rank.out and
// wavelet.out, then run.out, then the four history and SRS files.
const char* const notOneRun = ": the files come from different runs, or from a results step that did not finish";

// srs.out and wavelet.out print frequencies with three decimals.
constexpr double printedFrequencyTolerance = 0.0006;

std::string qText(double dampingRatio) {
    std::string text;
    appendFormat(text, "Q = %.6g, damping ratio %.6g", qOfDampingRatio(dampingRatio), dampingRatio);
    return text;
}

bool sameDamping(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b)); }

// The damping the consistency of srs.out is checked at (the run's, when known)
// and the one the report judges at.
bool chooseDamping(const RunFolder& inputs, std::optional<double> dampingOverride, ConsistencyOutcome& outcome,
                   double& runDamping, std::string& error) {
    if (!inputs.runRecord && !dampingOverride) {
        error = "no run.out beside the result files, so the run's damping is unknown: give it with --q Q or "
                "--damping ZETA";
        return false;
    }
    runDamping = inputs.runRecord ? inputs.runRecord->dampingRatio : *dampingOverride;
    outcome.dampingRatio = dampingOverride ? *dampingOverride : runDamping;
    if (inputs.runRecord && dampingOverride && !sameDamping(*dampingOverride, runDamping)) {
        outcome.warnings.push_back("the damping given (" + qText(*dampingOverride) + ") is not the run's (" +
                                   qText(runDamping) + ", run.out): the SRS is judged at the damping given");
    }
    return true;
}

// velox.out and disp.out are the program's integration of accel.out (first
// and last points at half weight), in the run's units. Integrated from
// accel.out's printed values they agree within what the printing can part
// them by: half a unit of the last digit of each file, and the acceleration's
// rounding summed over the samples so far (once for the velocity, twice for
// the displacement).
bool checkMotionAgainstAcceleration(const RunFolder& inputs, double timeStep, int units, std::string& error) {
    const std::vector<double>& a = inputs.acceleration.value;
    const int nt = static_cast<int>(a.size());
    if (inputs.velocity.value.size() != a.size() + 1 || inputs.displacement.value.size() != a.size() + 1) return true;
    std::vector<double> padded = a;
    padded.push_back(0.0);
    std::vector<double> velocity(a.size() + 1), displacement(a.size() + 1);
    integrateVelocity(padded.data(), nt, timeStep, velocity.data());
    integrateDisplacement(velocity.data(), nt, timeStep, displacement.data());
    const double printed = 0.5 * std::pow(10.0, -historyValueDecimals);
    const double velocityUnit = velocityFactor(units);
    const double displacementUnit = displacementFactor(units);
    for (std::size_t i = 0; i <= a.size(); ++i) {
        const double elapsed = static_cast<double>(i + 1) * timeStep;
        const double velocityAllowance = 1.01 * (printed + velocityUnit * printed * elapsed) + 1e-9;
        const double displacementAllowance =
            1.01 * (printed + displacementUnit * printed * elapsed * elapsed) + 1e-9;
        const double v = velocity[i] * velocityUnit;
        const double d = displacement[i] * displacementUnit;
        const char* name = nullptr;
        if (!(std::fabs(inputs.velocity.value[i] - v) <= velocityAllowance + 1e-9 * std::fabs(v))) {
            name = velocityFileName;
        } else if (!(std::fabs(inputs.displacement.value[i] - d) <= displacementAllowance + 1e-9 * std::fabs(d))) {
            name = displacementFileName;
        }
        if (name == nullptr) continue;
        error = std::string(name) + " row " + std::to_string(i + 1) + " is not the integration of accel.out" +
                notOneRun;
        return false;
    }
    return true;
}

bool checkAges(const ResultFileTimes& times, std::string& error) {
    const struct {
        const char* name;
        std::int64_t time;
    } files[] = {{accelFileName, times.acceleration},
                 {velocityFileName, times.velocity},
                 {displacementFileName, times.displacement},
                 {srsFileName, times.srs}};
    for (const auto& file : files) {
        if (file.time < times.runRecord) {
            error = std::string(file.name) + " is older than run.out: it is left from another run or from a "
                    "results step that did not finish";
            return false;
        }
    }
    return true;
}

bool checkGrid(const std::vector<double>& frequencies, const char* name, const RunRecord& record,
               std::string& error) {
    if (frequencies.size() != static_cast<std::size_t>(record.gridPointCount)) {
        error = std::string(name) + " has " + std::to_string(frequencies.size()) + " grid points, run.out " +
                std::to_string(record.gridPointCount) + notOneRun;
        return false;
    }
    if (!(std::fabs(frequencies.back() - record.lastGridFrequency) <= printedFrequencyTolerance)) {
        std::string text;
        appendFormat(text, " ends at %.3f Hz, run.out's grid at %.3f Hz", frequencies.back(), record.lastGridFrequency);
        error = std::string(name) + text + notOneRun;
        return false;
    }
    return true;
}

bool checkRowCount(std::size_t rows, long expected, const char* name, const char* what, std::string& error) {
    if (rows == static_cast<std::size_t>(expected)) return true;
    error = std::string(name) + " has " + std::to_string(rows) + " rows, run.out " + std::to_string(expected) + " (" +
            what + ")" + notOneRun;
    return false;
}

// Each history's time column steps by run.out's output time step, within
// the decimals it is printed with.
bool checkTimeColumns(const RunFolder& inputs, const RunRecord& record, std::string& error) {
    const double step = record.outputTimeStep;
    const int decimals = historyTimeDecimals(step);
    const double allowance = 0.51 * std::pow(10.0, -decimals);
    const struct {
        const char* name;
        const MotionRecord* record;
    } files[] = {{accelFileName, &inputs.acceleration},
                 {velocityFileName, &inputs.velocity},
                 {displacementFileName, &inputs.displacement}};
    for (const auto& file : files) {
        const std::vector<double>& time = file.record->time;
        for (std::size_t i = 0; i < time.size(); ++i) {
            const double expected = static_cast<double>(i) * step;
            if (std::fabs(time[i] - expected) <= allowance + 1e-12 * expected) continue;
            std::string text;
            appendFormat(text, " row %zu has time %.*f, not %zu times run.out's output time step (%.*f)", i + 1,
                         decimals, time[i], i, decimals, expected);
            error = std::string(file.name) + text + notOneRun;
            return false;
        }
    }
    return true;
}

// wavelet.out lists the optimum's wavelets at srs.out's grid frequencies.
bool checkWaveletGrid(const RunFolder& inputs, std::string& error) {
    for (std::size_t j = 0; j < inputs.srs.size() && j < inputs.waveletFrequencies.size(); ++j) {
        if (std::fabs(inputs.waveletFrequencies[j] - inputs.srs[j].frequency) <= printedFrequencyTolerance) continue;
        std::string text;
        appendFormat(text, "wavelet.out's wavelet %zu lies at %.3f Hz, srs.out's grid point at %.3f Hz", j,
                     inputs.waveletFrequencies[j], inputs.srs[j].frequency);
        error = text + notOneRun;
        return false;
    }
    return true;
}

// rank_d.out lists every ranked trial once under each of the five measures,
// and rank.out's lowest score is run.out's optimum.
bool checkRanking(const RunFolder& inputs, const RunRecord& record, std::string& error) {
    const std::size_t sections = sortedListSectionCount;
    bool whole = inputs.sortedLists.size() == sections;
    for (std::size_t m = 0; whole && m < sections; ++m) {
        const SortedList& list = inputs.sortedLists[m];
        whole = list.name == sortedListSectionNames[m] && list.trials.size() == static_cast<std::size_t>(record.trialsRanked);
        for (const long trial : list.trials) whole = whole && trial >= 0 && trial < record.trialsRanked;
    }
    if (!whole) {
        error = std::string(sortedListsFileName) + " does not list the " + std::to_string(record.trialsRanked) +
                " trials run.out says were ranked under accel, vel, disp, error and irror" + notOneRun;
        return false;
    }
    const OptimumCase optimum = chooseOptimum(inputs.ranks);
    if (optimum.trial != record.optimumCase) {
        error = std::string(ranksFileName) + "'s lowest score is trial " + std::to_string(optimum.trial) +
                "'s, run.out's optimum case is " + std::to_string(record.optimumCase) + notOneRun;
        return false;
    }
    return true;
}

// answers.txt, when there is one, gives the answers run.out records.
bool checkAnswers(const std::vector<std::string>& words, const RunRecord& record, std::string& error) {
    const std::string prefix = std::string(answersFileName) + " does not give run.out's answers";
    const std::string suffix = ": it belongs to another run";
    if (words.size() < 9) {
        error = prefix + " (it holds " + std::to_string(words.size()) + " of the nine)" + suffix;
        return false;
    }
    double zpa = 0.0, damping = 0.0, duration = 0.0;
    std::int32_t spacing = 0, format = 0, trials = 0, units = 0, skip = 0;
    const bool read = parseDoubleToken(words[1], zpa) && parseIntegerToken(words[2], spacing) &&
                      parseIntegerToken(words[3], format) && parseDoubleToken(words[4], damping) &&
                      parseDoubleToken(words[5], duration) && parseIntegerToken(words[6], trials) &&
                      parseIntegerToken(words[7], units) && parseIntegerToken(words[8], skip);
    const double ratio = format == 1 ? damping : dampingRatioOfQ(damping);
    const struct {
        const char* what;
        bool same;
    } answers[] = {{"specification file", words[0] == record.specFileName},
                   {"ZPA", zpa == record.zpa},
                   {"octave spacing", spacing == record.spacingChoice},
                   {"damping", ratio == record.dampingRatio},
                   {"duration", duration == record.duration},
                   {"number of trials", std::min(trials, maxTrials) == record.trialCount},
                   {"units", units == record.units},
                   {"arbitrary integer", skip == record.skipCount}};
    if (!read) {
        error = prefix + " (its answers do not read as numbers)" + suffix;
        return false;
    }
    for (const auto& answer : answers) {
        if (answer.same) continue;
        error = prefix + " (its " + answer.what + " differs)" + suffix;
        return false;
    }
    return true;
}

// Whether `extended` is `original` with further points above its last one.
int pointsAddedAbove(const SpecTable& original, const SpecTable& extended) {
    if (extended.count <= original.count) return 0;
    for (int i = 0; i < original.count; ++i) {
        if (extended.frequency[i] != original.frequency[i] || extended.level[i] != original.level[i]) return 0;
    }
    return extended.count - original.count;
}

// The five files about the optimum are the bytes run.out vouches for, and
// its wavelets rebuild them exactly. A record without checksums (written
// before they were kept) leaves velox.out and disp.out to be checked
// against the integration of accel.out.
bool checkHistoryFiles(const RunFolder& inputs, const RunRecord& record, std::string& error) {
    if (!record.hasChecksums) return checkMotionAgainstAcceleration(inputs, record.outputTimeStep, record.units, error);
    const struct {
        const char* name;
        std::uint64_t read, recorded;
    } files[] = {{waveletFileName, inputs.checksums.wavelets, record.checksums.wavelets},
                 {accelFileName, inputs.checksums.acceleration, record.checksums.acceleration},
                 {velocityFileName, inputs.checksums.velocity, record.checksums.velocity},
                 {displacementFileName, inputs.checksums.displacement, record.checksums.displacement},
                 {srsFileName, inputs.checksums.srs, record.checksums.srs}};
    for (const auto& file : files) {
        if (file.read == file.recorded) continue;
        error = std::string(file.name) + " is not the file run.out vouches for (its checksum differs): it was "
                "changed after its run, or belongs to another run";
        return false;
    }
    const HistoryFiles rebuilt = historyFilesOf(record.wavelets, record);
    const ResultFileChecksums sums = checksumsOf(waveletTableText(record.units, record.wavelets), rebuilt);
    const struct {
        const char* name;
        std::uint64_t rebuilt, recorded;
    } made[] = {{accelFileName, sums.acceleration, record.checksums.acceleration},
                {velocityFileName, sums.velocity, record.checksums.velocity},
                {displacementFileName, sums.displacement, record.checksums.displacement},
                {srsFileName, sums.srs, record.checksums.srs}};
    for (const auto& file : made) {
        if (file.rebuilt == file.recorded) continue;
        error = std::string("the wavelets run.out records do not rebuild ") + file.name +
                ": run.out was edited, or the files are not the history it describes";
        return false;
    }
    return true;
}

bool checkAgainstRecord(const RunFolder& inputs, const SpecText* judged, const RunRecord& record,
                        ConsistencyOutcome& outcome, std::string& error) {
    if (record.trialsRanked < 1) {
        error = "run.out records no finished ranking: its run stopped before its first results step, so the "
                "result files beside it are from another run";
        return false;
    }
    if (!checkAges(inputs.times, error)) return false;
    if (inputs.unitSystem != record.units) {
        error = "trials.out's units line is that of unit system " + std::to_string(inputs.unitSystem) +
                ", run.out's units are " + std::to_string(record.units) + ": the files come from different runs";
        return false;
    }
    std::vector<double> srsFrequencies;
    for (const SrsLine& line : inputs.srs) srsFrequencies.push_back(line.frequency);
    if (!checkGrid(srsFrequencies, srsFileName, record, error) ||
        !checkGrid(inputs.waveletFrequencies, waveletFileName, record, error))
        return false;
    const long samples = record.outputSampleCount;
    if (!checkRowCount(inputs.acceleration.time.size(), samples, accelFileName, "the samples at the output rate",
                       error) ||
        !checkRowCount(inputs.velocity.time.size(), samples + 1, velocityFileName, "one more than the samples", error) ||
        !checkRowCount(inputs.displacement.time.size(), samples + 1, displacementFileName, "one more than the samples",
                       error) ||
        !checkRowCount(inputs.ranks.size(), record.trialsRanked, ranksFileName, "the trials ranked", error))
        return false;
    if (!checkTimeColumns(inputs, record, error) || !checkWaveletGrid(inputs, error) ||
        !checkRanking(inputs, record, error)) {
        return false;
    }
    if (inputs.answerWords && !checkAnswers(*inputs.answerWords, record, error)) return false;
    if (!inputs.heldInMemory && !checkHistoryFiles(inputs, record, error)) return false;
    if (inputs.trialRows < record.trialsRanked) {
        error = "trials.out has " + std::to_string(inputs.trialRows) + " trials, fewer than the " +
                std::to_string(record.trialsRanked) + " run.out says were ranked: the files come from different runs";
        return false;
    }
    if (inputs.trialRows > record.trialsRanked || record.trialsRanked < record.trialCount) {
        outcome.interrupted = true;
        outcome.warnings.push_back("the run was interrupted, or is still going: trials.out holds " +
                                   std::to_string(inputs.trialRows) + " of its " + std::to_string(record.trialCount) +
                                   " trials, the last results step ranked " + std::to_string(record.trialsRanked) +
                                   "; the optimum of that checkpoint is judged");
    }
    // Without a specification to judge against (an export) there is nothing to compare.
    if (judged != nullptr && judged->checksum != record.specChecksum) {
        const int added = inputs.runSpec ? pointsAddedAbove(judged->table, *inputs.runSpec) : 0;
        if (added > 0) {
            std::string note;
            appendFormat(note, "the run synthesised against %s: this specification with %d point%s added above "
                               "its last frequency, up to %.6g Hz",
                         record.specFileName.c_str(), added, added == 1 ? "" : "s",
                         inputs.runSpec->frequency[inputs.runSpec->count - 1]);
            outcome.notes.push_back(note);
        } else {
            outcome.warnings.push_back("the specification file " + judged->path + " is not the run's (" +
                                       record.specFileName + " in run.out): their bytes differ");
        }
    }
    return true;
}

// Without run.out the files can still be checked against each other.
bool checkAmongThemselves(const RunFolder& inputs, std::string& error) {
    const std::size_t samples = inputs.acceleration.time.size();
    if (inputs.velocity.time.size() != samples + 1 || inputs.displacement.time.size() != samples + 1) {
        error = "velox.out and disp.out need one row more than accel.out's " + std::to_string(samples) +
                ": the files come from different runs";
        return false;
    }
    if (inputs.ranks.size() > static_cast<std::size_t>(inputs.trialRows)) {
        error = "rank.out ranks " + std::to_string(inputs.ranks.size()) + " trials, trials.out holds " +
                std::to_string(inputs.trialRows) + ": the files come from different runs";
        return false;
    }
    if (inputs.srs.size() != inputs.waveletFrequencies.size() ||
        !(std::fabs(inputs.srs.back().frequency - inputs.waveletFrequencies.back()) <= printedFrequencyTolerance)) {
        error = std::string("srs.out and wavelet.out lie on different grids") + notOneRun;
        return false;
    }
    return true;
}

// The output time step: run.out's, or else from accel.out's first and last
// times (printed with five or eight decimals, so an average of many steps).
double historyTimeStep(const RunFolder& inputs) {
    if (inputs.runRecord) return inputs.runRecord->outputTimeStep;
    const std::vector<double>& time = inputs.acceleration.time;
    if (time.size() < 2) return 0.0;
    return (time.back() - time.front()) / static_cast<double>(time.size() - 1);
}

// The main program samples its top grid frequency at least 12 times a cycle
// (at 12 times the last specification frequency, or a higher output rate),
// and its duration holds at least 1.5 periods of the lowest. Files beyond
// that are not its files; they would also make the independent SRS
// upsample, or run on, without bound.
bool checkSrsFitsHistory(const std::vector<double>& frequencies, double timeStep, std::size_t samples,
                         std::string& error) {
    const double recordSeconds = static_cast<double>(samples + 1) * timeStep;
    for (const double frequency : frequencies) {
        std::string text;
        if (!(frequency > 0.0) || !(frequency * timeStep <= 1.0 / 11.9)) {
            appendFormat(text, "srs.out's frequency %.3f Hz has fewer than 12 samples a cycle at accel.out's rate",
                         frequency);
        } else if (!(1.5 / frequency <= 1.001 * recordSeconds)) {
            appendFormat(text, "1.5 periods of srs.out's frequency %.3f Hz outlast accel.out's %.5f s", frequency,
                         recordSeconds);
        } else {
            continue;
        }
        error = text + ": these are not the main program's files";
        return false;
    }
    return true;
}

bool checkSrsAgainstHistory(const RunFolder& inputs, double dampingRatio, std::string& error) {
    const double timeStep = historyTimeStep(inputs);
    if (!(timeStep > 0.0) || !std::isfinite(timeStep)) {
        error = "accel.out has no usable time step";
        return false;
    }
    std::vector<double> frequencies;
    for (const SrsLine& line : inputs.srs) frequencies.push_back(line.frequency);
    if (!checkSrsFitsHistory(frequencies, timeStep, inputs.acceleration.value.size(), error)) return false;
    // The main program's run-on after the record: 1.2 periods of the lowest
    // grid frequency, and a step for its truncation.
    IndependentSrsSettings settings;
    settings.dampingRatio = dampingRatio;
    settings.tailSeconds = 1.2 / frequencies.front() + timeStep;
    const IndependentSrs independent =
        computeIndependentSrs(inputs.acceleration.value, timeStep, frequencies, settings);
    // accel.out's values are rounded to 0.00005; a resonance can build that
    // up by at most about Q.
    const double roundingAllowance = 1e-4 * (1.0 + 1.0 / (2.0 * std::max(std::fabs(dampingRatio), 0.005)));

    for (std::size_t j = 0; j < inputs.srs.size(); ++j) {
        const SrsLine& line = inputs.srs[j];
        const double allowance = srsAgreementAllowance(1.0 / (timeStep * line.frequency), dampingRatio);
        const double pairs[2][2] = {{line.positive, independent.positive[j]}, {line.negative, independent.negative[j]}};
        for (const auto& pair : pairs) {
            // Measured against the larger of the two peaks; a not-a-number
            // peak never passes.
            const double scale = std::max(std::fabs(pair[0]), std::fabs(pair[1]));
            const double difference = std::fabs(pair[0] - pair[1]);
            if (difference <= allowance * scale + roundingAllowance) continue;
            std::string text;
            appendFormat(text,
                         "srs.out does not match the SRS of accel.out at %.3f Hz: %s in srs.out, %s computed, "
                         "%.2g %% apart where the two computations agree within %.2g %% (",
                         line.frequency, formatGeneral(pair[0], 0, 6).c_str(), formatGeneral(pair[1], 0, 6).c_str(),
                         100.0 * difference / scale, 100.0 * allowance);
            error = text + qText(dampingRatio) + (inputs.runRecord ? ", run.out's" : ", the damping given") +
                    "): the files come from different runs, or the damping is not the run's";
            return false;
        }
    }
    return true;
}

}  // namespace

double srsAgreementAllowance(double samplesPerPeriod, double dampingRatio) {
    // Calibrated on 240 runs (Q 3 to 50, 1/3 to 1/12 octave, output rates
    // 5000 to 24000 per second, tops of 80 to 8000 Hz); the largest
    // difference seen was 0.53 of this allowance.
    //
    // The main program reads the response at its samples only and misses the
    // peak between them by up to 1 - cos(pi / samplesPerPeriod), where the
    // upsampled independent SRS finds it: 2.9 % seen at 12 samples a cycle,
    // within 1.45 times 1 - cos. Twice 1 - cos is allowed.
    const double peakBetweenSamples = 2.0 * (1.0 - std::cos(pi / samplesPerPeriod));
    // The two filters pass the record's top content (down to 12 samples a
    // cycle) through the damper differently, at every natural frequency:
    // seen up to 3.8 % at Q = 3, 2.5 % at Q = 5, 1.3 % at Q = 10, 0.3 % at
    // Q = 25, about a quarter of the damping ratio. Half of it is allowed,
    // and never less than 0.3 %.
    const double damperFeedThrough = std::max(0.003, 0.5 * std::fabs(dampingRatio));
    return peakBetweenSamples + damperFeedThrough;
}

bool checkRunConsistency(const RunFolder& inputs, const SpecText* judged, std::optional<double> dampingOverride,
                         ConsistencyOutcome& outcome, std::string& error) {
    outcome = ConsistencyOutcome{};
    double runDamping = 0.0;
    if (!chooseDamping(inputs, dampingOverride, outcome, runDamping, error)) return false;
    if (inputs.srs.empty() || inputs.waveletFrequencies.empty() || inputs.acceleration.value.empty()) {
        error = "srs.out, wavelet.out or accel.out is empty";
        return false;
    }
    const bool consistent = inputs.runRecord ? checkAgainstRecord(inputs, judged, *inputs.runRecord, outcome, error)
                                             : checkAmongThemselves(inputs, error);
    return consistent && checkSrsAgainstHistory(inputs, runDamping, error);
}
