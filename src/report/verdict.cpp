#include "report/verdict.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "spec/spec_level.h"


SrsVerdict judgeSrs(const SpecTable& spec, const std::vector<SrsLine>& srs, ToleranceBand band, Polarity polarity) {
    SrsVerdict verdict;
    verdict.polarity = polarity;
    verdict.smallestMargin.marginDb = std::numeric_limits<double>::infinity();
    for (const SrsLine& line : srs) {
        SrsRow row;
        row.frequency = line.frequency;
        row.specLevel = specLevelAt(spec, line.frequency);
        row.positive = line.positive;
        row.negative = line.negative;
        row.positiveDb = deviationDb(line.positive, row.specLevel);
        row.negativeDb = deviationDb(line.negative, row.specLevel);
        row.positivePasses = withinBand(row.positiveDb, band);
        row.negativePasses = withinBand(row.negativeDb, band);
        // Under maximax only the larger peak is judged, and it stands for both.
        const bool negativeLarger = row.negativeDb > row.positiveDb;
        if (polarity == Polarity::maximax) {
            row.positivePasses = row.negativePasses = withinBand(std::max(row.positiveDb, row.negativeDb), band);
        }
        if (!row.positivePasses || !row.negativePasses) ++verdict.failedRows;

        const double deviations[2] = {row.positiveDb, row.negativeDb};
        for (int side = 0; side < 2; ++side) {
            if (polarity == Polarity::maximax && (side == 1) != negativeLarger) continue;
            bool upperEdge = false;
            const double margin = marginToBand(deviations[side], band, upperEdge);
            if (margin < verdict.smallestMargin.marginDb) {
                verdict.smallestMargin = {margin, static_cast<int>(verdict.rows.size()), side == 1, upperEdge};
            }
        }
        verdict.rows.push_back(row);
    }
    verdict.passes = verdict.failedRows == 0;
    return verdict;
}

PeakValue peakOf(const MotionRecord& record) {
    PeakValue peak;
    for (std::size_t i = 0; i < record.value.size(); ++i) {
        if (std::fabs(record.value[i]) > peak.magnitude) peak = {std::fabs(record.value[i]), record.time[i]};
    }
    return peak;
}

ReportFindings assessRun(const SpecText& spec, const JudgedHistory& history, ToleranceBand band, MotionLimits limits, Polarity polarity) {
    ReportFindings findings;
    findings.band = band;
    findings.limits = limits;
    findings.srs = judgeSrs(spec.table, history.folder.srs, band, polarity);

    MotionSummary& motion = findings.motion;
    motion.acceleration = peakOf(history.folder.acceleration);
    motion.velocity = peakOf(history.folder.velocity);
    motion.displacement = peakOf(history.folder.displacement);
    motion.endTime = history.folder.velocity.time.back();
    motion.residualVelocity = history.folder.velocity.value.back();
    motion.residualDisplacement = history.folder.displacement.value.back();
    // The peak bounds the residual, so one comparison covers both.
    if (limits.maxVelocity) motion.velocityWithinLimit = motion.velocity.magnitude <= *limits.maxVelocity;
    if (limits.maxDisplacement) {
        motion.displacementWithinLimit = motion.displacement.magnitude <= *limits.maxDisplacement;
    }

    findings.optimum = chooseOptimum(history.folder.ranks);
    findings.motionPasses = motion.velocityWithinLimit && motion.displacementWithinLimit;
    findings.passes = findings.srs.passes && findings.motionPasses;
    return findings;
}

ReportFindings assessMeasured(const JudgedHistory& history, ToleranceBand band, MotionLimits limits) {
    ReportFindings findings;
    findings.historyKind = HistoryKind::measuredRecord;
    if (history.measured) findings.measuredPath = history.measured->record.path;
    findings.band = band;
    findings.limits = limits;
    MotionSummary& motion = findings.motion;
    motion.acceleration = peakOf(history.folder.acceleration);
    motion.velocity = peakOf(history.folder.velocity);
    motion.displacement = peakOf(history.folder.displacement);
    motion.endTime = history.folder.acceleration.time.back();
    if (limits.maxVelocity) motion.velocityWithinLimit = motion.velocity.magnitude <= *limits.maxVelocity;
    if (limits.maxDisplacement) {
        motion.displacementWithinLimit = motion.displacement.magnitude <= *limits.maxDisplacement;
    }
    findings.motionPasses = motion.velocityWithinLimit && motion.displacementWithinLimit;
    return findings;
}
