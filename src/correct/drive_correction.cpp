#include "correct/drive_correction.h"

#include <algorithm>
#include <cmath>

#include "analysis/independent_srs.h"
#include "refine/refinement.h"
#include "results/file_layout.h"

namespace {

// How closely the new drive's SRS is brought to the levels asked of it: well
// inside any tolerance band, and far below the shot-to-shot scatter.
constexpr double realisedWithinDb = 0.25;
constexpr double realisedMedianDb = 0.1;
constexpr int realisingPasses = 12;

std::vector<double> maximaxOf(const std::vector<double>& samples, double timeStep, const CorrectionTarget& target) {
    IndependentSrsSettings settings;
    settings.dampingRatio = target.dampingRatio;
    const IndependentSrs srs = computeIndependentSrs(samples, timeStep, target.frequencies, settings);
    std::vector<double> maximax;
    for (std::size_t i = 0; i < srs.positive.size(); ++i) maximax.push_back(std::max(srs.positive[i], srs.negative[i]));
    return maximax;
}

std::vector<double> printed(const std::vector<double>& samples) {
    std::vector<double> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) out[i] = historyValueAsPrinted(samples[i]);
    return out;
}

}  // namespace

DriveCorrection correctDrive(const std::vector<Wavelet>& reference, double timeStep, int sampleCount,
                             const CorrectionTarget& target, const std::vector<double>& measuredMaximax,
                             const CorrectionSettings& settings) {
    DriveCorrection correction;
    const std::vector<double> before =
        maximaxOf(printed(synthesizeWavelets(reference, timeStep, sampleCount)), timeStep, target);
    RefinementTarget asked;
    asked.frequencies = target.frequencies;
    asked.dampingRatio = target.dampingRatio;
    for (std::size_t i = 0; i < target.frequencies.size(); ++i) {
        CorrectionPoint p;
        p.frequency = target.frequencies[i];
        p.target = target.levels[i];
        p.measured = measuredMaximax[i];
        p.missDb = 20.0 * std::log10(p.target / p.measured);
        if (!std::isfinite(p.missDb)) p.missDb = 0.0;  // a point the record cannot say anything of
        p.askedDb = std::clamp(settings.exponent * p.missDb, -settings.capDb, settings.capDb);
        p.capped = std::fabs(settings.exponent * p.missDb) > settings.capDb;
        p.beyondWarning = std::fabs(p.missDb) > settings.warnDb;
        p.driveBefore = before[i];
        asked.levels.push_back(p.driveBefore * std::pow(10.0, p.askedDb / 20.0));
        correction.points.push_back(p);
    }
    RefinementLimits limits;
    limits.withinDb = realisedWithinDb;
    limits.medianWithinDb = realisedMedianDb;
    limits.maxPasses = realisingPasses;
    const RefinedHistory drive = refineHistory(reference, timeStep, sampleCount, asked, limits);
    correction.wavelets = drive.wavelets;
    correction.acceleration = drive.acceleration;
    correction.realised = drive.spread;
    correction.passes = drive.passes;
    const std::vector<double> after = maximaxOf(printed(drive.acceleration), timeStep, target);
    for (std::size_t i = 0; i < correction.points.size(); ++i) correction.points[i].driveAfter = after[i];
    return correction;
}
