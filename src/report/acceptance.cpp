#include "report/acceptance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/damping.h"
#include "report/acceptance_guidance.h"
#include "analysis/analysis_grid.h"
#include "report/band_file.h"
#include "run_folder/consistency.h"
#include "analysis/independent_srs.h"
#include "spec/spec_level.h"

namespace {

// srs.out writes its frequencies to 0.001 Hz, so a grid point matches within
// that rounding, or within a relative 1e-4 (far below any analysis step).
constexpr double onGridRelative = 1e-4;
constexpr double onGridAbsoluteHz = 0.0006;

PointPlace placeOf(double f, const std::vector<double>& grid) {
    if (grid.empty()) return PointPlace::noGrid;
    for (const double g : grid) {
        if (std::fabs(f - g) <= std::max(onGridRelative * g, onGridAbsoluteHz)) return PointPlace::onGridPoint;
    }
    return f > grid.back() ? PointPlace::aboveLastGridPoint : PointPlace::betweenGridPoints;
}

int normalisedSpacing(int choice) { return choice == 2 || choice == 3 ? choice : 1; }

// The spacing of srs.out's frequencies: the choice whose step ratio lies
// nearest the ratio of its first two lines.
int spacingOfSrsFile(const std::vector<SrsLine>& srs) {
    if (srs.size() < 2) return 1;
    const double ratio = srs[1].frequency / srs[0].frequency;
    int best = 1;
    for (int choice = 2; choice <= 3; ++choice) {
        if (std::fabs(std::log(ratio / gridStepRatio(choice))) < std::fabs(std::log(ratio / gridStepRatio(best)))) {
            best = choice;
        }
    }
    return best;
}

// The run's settings from run.out, or, for a run without one, from the
// output files: the spacing from srs.out's frequencies, the ZPA from
// accel.out's peak, its time step from its time column.
bool deriveRunSettings(const RunFolder& inputs, double dampingRatio, RunSettings& run, std::string& error) {
    const MotionRecord& accel = inputs.acceleration;
    run.dampingRatio = dampingRatio;
    run.unitSystem = inputs.unitSystem;
    if (inputs.runRecord) {
        const RunRecord& record = *inputs.runRecord;
        run.zpa = record.zpa;
        run.spacingChoice = normalisedSpacing(record.spacingChoice);
        run.timeStep = record.outputTimeStep;
        run.sampleCount = record.outputSampleCount;
        run.fromRunRecord = true;
        return true;
    }
    if (accel.time.size() < 2 || !(accel.time.back() > accel.time.front())) {
        error = "accel.out in " + inputs.dir + " holds fewer than two samples at distinct times";
        return false;
    }
    run.spacingChoice = spacingOfSrsFile(inputs.srs);
    run.timeStep = (accel.time.back() - accel.time.front()) / static_cast<double>(accel.time.size() - 1);
    run.sampleCount = static_cast<long>(accel.time.size());
    run.zpa = 0.0;
    for (const double a : accel.value) run.zpa = std::max(run.zpa, std::fabs(a));
    run.fromRunRecord = false;
    return true;
}

// The judged deviation at a point: for both polarities, the one nearer (or
// further past) its band edge.
double judgedDeviation(const AnalysisPoint& point, Polarity polarity, bool& upperEdge) {
    if (polarity == Polarity::maximax) {
        marginToBand(point.maximaxDb, point.band, upperEdge);
        return point.maximaxDb;
    }
    bool negativeUpper = false;
    const double positiveMargin = marginToBand(point.positiveDb, point.band, upperEdge);
    const double negativeMargin = marginToBand(point.negativeDb, point.band, negativeUpper);
    if (negativeMargin < positiveMargin) {
        upperEdge = negativeUpper;
        return point.negativeDb;
    }
    return point.positiveDb;
}

void judgePoint(AnalysisPoint& point, const AcceptanceRules& rules) {
    point.band = bandAt(rules.bandRows, point.frequency, rules.outer);
    point.maximax = std::max(point.positive, point.negative);
    point.positiveDb = deviationDb(point.positive, point.specLevel);
    point.negativeDb = deviationDb(point.negative, point.specLevel);
    point.maximaxDb = deviationDb(point.maximax, point.specLevel);
    point.judgedDb = judgedDeviation(point, rules.polarity, point.nearUpperEdge);
    bool upperEdge = false;
    point.marginDb = marginToBand(point.judgedDb, point.band, upperEdge);
    const auto meets = [&](DbBand band) {
        return rules.polarity == Polarity::both ? withinBand(point.positiveDb, band) && withinBand(point.negativeDb, band)
                                                : withinBand(point.maximaxDb, band);
    };
    point.passes = meets(point.band);
    point.withinInner = !rules.inner || meets(*rules.inner);
}

}  // namespace


const char* spacingName(int spacingChoice) {
    const int choice = normalisedSpacing(spacingChoice);
    return choice == 2 ? "1/6" : choice == 3 ? "1/12" : "1/3";
}

const char* placeName(PointPlace place) {
    switch (place) {
        case PointPlace::onGridPoint: return "grid";
        case PointPlace::betweenGridPoints: return "between";
        case PointPlace::noGrid: return "-";
        default: return "above";
    }
}

bool judgeRun(const SpecText& judged, const RunFolder& inputs, const AcceptanceRules& rules, AcceptanceOutcome& outcome,
              std::string& error) {
    outcome = AcceptanceOutcome{};
    outcome.rules = rules;
    ConsistencyOutcome consistency;
    if (!checkRunConsistency(inputs, &judged, rules.dampingRatio, consistency, error)) return false;
    outcome.warnings = consistency.warnings;
    outcome.notes = judged.notes;
    outcome.notes.insert(outcome.notes.end(), consistency.notes.begin(), consistency.notes.end());
    outcome.interrupted = consistency.interrupted;
    RunSettings& run = outcome.run;
    if (!deriveRunSettings(inputs, consistency.dampingRatio, run, error)) return false;

    // The run's own grid is srs.out's frequency column: the run may have been
    // made against an extended specification, so the grid is not rebuilt from
    // the one judged against. run.out holds its last frequency unrounded.
    const SpecTable& spec = judged.table;
    for (const SrsLine& line : inputs.srs) outcome.gridFrequencies.push_back(line.frequency);
    if (inputs.runRecord && inputs.runRecord->lastGridFrequency > 0.0) {
        outcome.gridFrequencies.back() = inputs.runRecord->lastGridFrequency;
    }
    run.gridCount = static_cast<int>(outcome.gridFrequencies.size());
    run.lastGridFrequency = outcome.gridFrequencies.back();

    const std::vector<double> frequencies = buildAnalysisGrid(spec, rules.analysisPointsPerOctave);
    IndependentSrsSettings settings;
    settings.dampingRatio = run.dampingRatio;
    judgeSpectrum(spec, computeIndependentSrs(inputs.acceleration.value, run.timeStep, frequencies, settings),
                  outcome);
    return true;
}

void judgeMeasured(const SpecText& judged, const MeasuredShot& shot, const AcceptanceRules& rules,
                   AcceptanceOutcome& outcome) {
    outcome = AcceptanceOutcome{};
    outcome.rules = rules;
    outcome.notes = judged.notes;
    outcome.notes.insert(outcome.notes.end(), shot.record.notes.begin(), shot.record.notes.end());
    outcome.notes.insert(outcome.notes.end(), shot.notes.begin(), shot.notes.end());
    outcome.warnings = shot.warnings;
    RunSettings& run = outcome.run;
    run.measured = true;
    run.dampingRatio = rules.dampingRatio.value_or(dampingRatioOfQ(10.0));
    run.timeStep = shot.record.timeStep;
    run.sampleCount = static_cast<long>(shot.judged.size());
    run.unitSystem = shot.record.unitSystem;
    IndependentSrsSettings settings;
    settings.dampingRatio = run.dampingRatio;
    const std::vector<double> frequencies = buildAnalysisGrid(judged.table, rules.analysisPointsPerOctave);
    judgeSpectrum(judged.table, computeIndependentSrs(shot.judged, run.timeStep, frequencies, settings), outcome);
    outcome.guidance = AcceptanceGuidance{};
}

void judgeSpectrum(const SpecTable& spec, const IndependentSrs& srs, AcceptanceOutcome& outcome) {
    const AcceptanceRules& rules = outcome.rules;
    const std::vector<double>& frequencies = srs.frequency;
    outcome.points.clear();
    outcome.failedPoints = 0;
    int innerCount = 0;
    std::vector<double> deviations;
    outcome.worst.marginDb = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        AnalysisPoint point;
        point.frequency = frequencies[i];
        point.specLevel = specLevelAt(spec, point.frequency);
        point.positive = srs.positive[i];
        point.negative = srs.negative[i];
        point.place = placeOf(point.frequency, outcome.gridFrequencies);
        judgePoint(point, rules);
        if (rules.polarity == Polarity::both) {
            deviations.insert(deviations.end(), {point.positiveDb, point.negativeDb});
        } else {
            deviations.push_back(point.maximaxDb);
        }
        if (!point.passes) ++outcome.failedPoints;
        if (point.withinInner) ++innerCount;
        if (point.marginDb < outcome.worst.marginDb || i == 0) {
            outcome.worst = {point.frequency, point.marginDb, point.place, point.judgedDb, point.nearUpperEdge};
        }
        outcome.points.push_back(point);
    }
    outcome.innerSharePercent = 100.0 * innerCount / static_cast<double>(outcome.points.size());
    outcome.spread = spreadOf(deviations, 1.0);
    outcome.outerPasses = outcome.failedPoints == 0;
    outcome.innerPasses = !rules.inner || outcome.innerSharePercent >= rules.innerSharePercent;
    outcome.passes = outcome.outerPasses && outcome.innerPasses;
    computeGuidance(spec, outcome);
}
