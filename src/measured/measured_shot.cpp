#include "measured/measured_shot.h"

#include <algorithm>
#include <cmath>

#include "common/readable_number.h"

namespace {

// How far a measured record may stray before it is called doubtful.
constexpr double zeroShiftShare = 0.005;  // of the peak, and past two noise RMS
constexpr double netVelocityShare = 0.1;  // of the peak velocity
constexpr std::size_t clippedRun = 3;     // samples held at the record's extreme

std::string seconds(double t) { return readableNumber(t) + " s"; }

// Runs of at least three samples held at the record's largest or smallest
// value, the value a saturated amplifier or converter gives.
std::size_t clippedRuns(const std::vector<double>& a, double& level) {
    const auto [low, high] = std::minmax_element(a.begin(), a.end());
    std::size_t runs = 0;
    for (const double extreme : {*high, *low}) {
        std::size_t length = 0;
        for (const double v : a) {
            length = v == extreme ? length + 1 : 0;
            if (length == clippedRun) {
                ++runs;
                level = extreme;
            }
        }
    }
    return runs;
}

void noteDoubts(MeasuredShot& shot, const std::vector<double>& corrected) {
    const ShockWindow& w = shot.window;
    const MeasuredRecord& r = shot.record;
    double level = 0.0;
    if (const std::size_t runs = clippedRuns(r.acceleration, level); runs > 0) {
        shot.warnings.push_back(std::to_string(runs) + " run" + (runs > 1 ? "s" : "") + " of " +
                                std::to_string(clippedRun) + " or more samples sit" + (runs > 1 ? "" : "s") +
                                " at the record's extreme " + readableNumber(level) +
                                ": the channel may have clipped, and the SRS be low; check the range");
    }
    // A zero shift: the record settles elsewhere than where it started.
    const std::size_t after = corrected.size() - w.end;
    if (after >= minPreTriggerSamples) {
        double sum = 0.0;
        for (std::size_t i = w.end; i < corrected.size(); ++i) sum += corrected[i];
        const double shift = sum / static_cast<double>(after);
        if (std::fabs(shift) > std::max(2.0 * w.noiseRms, zeroShiftShare * w.peak)) {
            shot.warnings.push_back("a zero shift: after the shock the record's mean lies " + readableNumber(shift) +
                                    " from its mean before it (" + readableNumber(100.0 * shift / w.peak) +
                                    " % of the peak); an accelerometer's zero shift lifts the SRS at low "
                                    "frequencies, and it is left in");
        }
    }
    double velocity = 0.0;
    double peak = 0.0;
    for (std::size_t i = 1; i < shot.judged.size(); ++i) {
        velocity += 0.5 * r.timeStep * (shot.judged[i - 1] + shot.judged[i]);
        peak = std::max(peak, std::fabs(velocity));
    }
    // White noise integrates to a random walk: four of its standard
    // deviations over the record are not a change of the motion.
    const double walk = 4.0 * w.noiseRms * r.timeStep * std::sqrt(static_cast<double>(shot.judged.size()));
    if (peak > 0.0 && std::fabs(velocity) > std::max(netVelocityShare * peak, walk)) {
        shot.warnings.push_back("a net velocity change: the acceleration integrates to " +
                                readableNumber(100.0 * velocity / peak) +
                                " % of its peak velocity at the record's end, where a shock on a shaker ends at "
                                "rest; an offset or a drifting channel");
    }
}

}  // namespace

bool prepareMeasuredShot(MeasuredRecord record, double firstHz, double lastHz, const MeasuredShotOptions& options,
                         MeasuredShot& shot, std::string& error) {
    shot = MeasuredShot{};
    shot.levelDb = options.levelDb;
    const double rate = 1.0 / record.timeStep;
    if (rate < leastRateMultiple * lastHz) {
        error = record.path + ": its sample rate " + readableNumber(rate) +
                " per second is below 2.56 times the "
                "last frequency judged (" +
                readableNumber(lastHz) +
                " Hz), where its spectrum cannot be known: "
                "record at " +
                readableNumber(recommendedRateMultiple * lastHz) + " per second or more";
        return false;
    }
    if (rate < recommendedRateMultiple * lastHz) {
        shot.warnings.push_back("the sample rate " + readableNumber(rate) +
                                " per second is below 10 times the last "
                                "frequency judged (" +
                                readableNumber(lastHz) + " Hz): the record may have missed peaks up there");
    }
    const std::vector<double>& a = record.acceleration;
    const double endTime = record.startTime + static_cast<double>(a.size() - 1) * record.timeStep;
    if (options.windowStart) {
        const double start = *options.windowStart;
        const double end = *options.windowEnd;
        if (!(start >= record.startTime - 0.5 * record.timeStep) || !(end <= endTime + 0.5 * record.timeStep) ||
            !(end > start)) {
            error = record.path + ": --window " + readableNumber(start) + "," + readableNumber(end) +
                    " does not lie within the record, " + seconds(record.startTime) + " to " + seconds(endTime);
            return false;
        }
        const auto sampleAt = [&](double t) {
            const double n = std::round((t - record.startTime) / record.timeStep);
            return static_cast<std::size_t>(std::clamp(n, 0.0, static_cast<double>(a.size() - 1)));
        };
        shot.window = givenShockWindow(a, sampleAt(start), sampleAt(end));
    } else {
        shot.window = findShockWindow(a);
    }
    const ShockWindow& w = shot.window;
    std::vector<double> corrected(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) corrected[i] = a[i] - w.offset;
    shot.judged.assign(corrected.begin() + static_cast<std::ptrdiff_t>(w.start), corrected.end());
    shot.record = std::move(record);

    const MeasuredRecord& r = shot.record;
    if (w.preTrigger) {
        shot.notes.push_back("the shock starts at " + seconds(shot.timeOf(w.start)) + (w.given ? " (--window)" : "") +
                             "; the offset " + readableNumber(w.offset) + ", the mean of the " +
                             std::to_string(w.preTriggerSamples) + " samples before it, is removed (noise RMS " +
                             readableNumber(w.noiseRms) + ")");
    } else {
        shot.notes.push_back(std::string("the record starts with the shock") + (w.given ? " (--window)" : "") +
                             ": no pre-trigger, no offset removed");
    }
    const double judgedSpan = static_cast<double>(shot.judged.size() - 1) * r.timeStep;
    if (judgedSpan < 2.0 / firstHz) {
        shot.warnings.push_back("less than two periods of the first frequency (" + readableNumber(firstHz) +
                                " Hz) follow the shock's start (" + seconds(judgedSpan) +
                                "): the SRS there may be low; record a longer tail");
    }
    noteDoubts(shot, corrected);
    shot.estimate = estimateMotion(shot.judged, r.timeStep, r.unitSystem, firstHz);
    return true;
}

bool readMeasuredShot(const std::string& path, const MeasuredReadOptions& reading,
                      const MeasuredShotOptions& judging, const SpecTable& spec, MeasuredShot& shot,
                      std::string& error) {
    MeasuredRecord record;
    return readMeasuredRecord(path, reading, record, error) &&
           prepareMeasuredShot(std::move(record), spec.frequency[0], spec.frequency[spec.count - 1], judging, shot,
                               error);
}
