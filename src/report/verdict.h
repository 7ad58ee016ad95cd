#pragma once

#include <optional>
#include <vector>

#include "report/acceptance.h"
#include "report/judged_history.h"
#include "spec/spec_text.h"
#include "run_folder/shaker.h"

// Allowed deviation of the SRS from the specification, in dB; a deviation
// exactly on either edge is inside the band.
using ToleranceBand = DbBand;

struct MotionLimits {
    std::optional<double> maxVelocity;
    std::optional<double> maxDisplacement;
};

// One srs.out frequency judged against the band. Deviations are
// 20 log10(response / specification); a response of zero, infinity or
// not-a-number never passes.
struct SrsRow {
    double frequency = 0.0;
    double specLevel = 0.0;
    double positive = 0.0;
    double negative = 0.0;
    double positiveDb = 0.0;
    double negativeDb = 0.0;
    bool positivePasses = false;
    bool negativePasses = false;
};

// Where the SRS comes closest to (or goes furthest past) a band edge. The
// margin is negative outside the band.
struct BandMargin {
    double marginDb = 0.0;
    int row = 0;
    bool negativeSpectrum = false;
    bool upperEdge = false;
};

struct SrsVerdict {
    Polarity polarity = Polarity::both;
    std::vector<SrsRow> rows;
    int failedRows = 0;
    BandMargin smallestMargin;
    bool passes = false;
};

struct PeakValue {
    double magnitude = 0.0;
    double time = 0.0;
};

struct MotionSummary {
    PeakValue acceleration;
    PeakValue velocity;
    PeakValue displacement;
    double endTime = 0.0;
    double residualVelocity = 0.0;
    double residualDisplacement = 0.0;
    bool velocityWithinLimit = true;
    bool displacementWithinLimit = true;
};

// A measured shot beside the history played for it: the reference's
// independent SRS at the analysis frequencies, scaled to the shot's level,
// and at each point the measured maximax less the reference's, in dB: what
// the shaker and the controller changed.
struct ReferenceComparison {
    std::string dir;
    std::vector<double> positive;
    std::vector<double> negative;
    std::vector<double> changeDb;
    DeviationSpread spread;
};

struct ReportFindings {
    HistoryKind historyKind = HistoryKind::plainRun;  // what was judged
    ToleranceBand band;
    MotionLimits limits;
    SrsVerdict srs;  // the program's own SRS (srs.out) at its grid points
    MotionSummary motion;
    OptimumCase optimum;
    bool motionPasses = true;
    // The verdict of assessRun: srs.out and the motion limits. The report's
    // own verdict replaces it with the acceptance check's and the limits.
    bool passes = false;
    AcceptanceOutcome acceptance;  // the independent check of accel.out
    // With a shaker file: the shaker it was judged against, and whether the
    // history's peaks stay within its usable limits.
    std::optional<ShakerLimits> shakerLimits;
    ShakerVerdict shaker;
    std::optional<ReferenceComparison> reference;  // a measured shot's, with --reference
    std::string measuredPath;                       // a measured shot's file
};

// srs.out judged at its grid points with the check's own polarity rule: the
// larger of the two peaks for maximax, each of them for both.
SrsVerdict judgeSrs(const SpecTable& spec, const std::vector<SrsLine>& srs, ToleranceBand band,
                    Polarity polarity = Polarity::both);
PeakValue peakOf(const MotionRecord& record);
// A measured record's motion: its peak acceleration, and with the estimated
// velocity and displacement their peaks against the limits; no residuals.
ReportFindings assessMeasured(const JudgedHistory& history, ToleranceBand band, MotionLimits limits);
ReportFindings assessRun(const SpecText& spec, const JudgedHistory& history, ToleranceBand band, MotionLimits limits,
                         Polarity polarity = Polarity::both);
