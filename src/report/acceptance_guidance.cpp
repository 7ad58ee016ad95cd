#include "report/acceptance_guidance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "spec/spec_table.h"

namespace {

// Below this a ZPA change is not worth a new run.
constexpr double smallestZpaShiftDb = 0.1;

bool withinShifted(double db, double shiftDb, DbBand band) {
    return db + shiftDb >= band.lowDb && db + shiftDb <= band.highDb;
}

// Whether the point would pass with every response scaled by shiftDb.
bool passesShifted(const AnalysisPoint& point, Polarity polarity, double shiftDb) {
    if (polarity == Polarity::maximax) return withinShifted(point.maximaxDb, shiftDb, point.band);
    return withinShifted(point.positiveDb, shiftDb, point.band) && withinShifted(point.negativeDb, shiftDb, point.band);
}

}  // namespace

void computeGuidance(const SpecTable& spec, AcceptanceOutcome& outcome) {
    AcceptanceGuidance& guidance = outcome.guidance;
    guidance = AcceptanceGuidance{};
    bool fallsShortAbove = false;
    for (const AnalysisPoint& point : outcome.points) {
        if (point.passes) continue;
        const bool shortfall = outcome.rules.polarity == Polarity::both
                                   ? !(std::min(point.positiveDb, point.negativeDb) >= point.band.lowDb)
                                   : !(point.maximaxDb >= point.band.lowDb);
        fallsShortAbove = fallsShortAbove || (point.place == PointPlace::aboveLastGridPoint && shortfall);
    }

    // The ZPA centres the points that a new run at the same grid would still
    // judge alike: with the specification extended, the points above today's
    // last grid point come under a wavelet and are left out.
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    double narrowest = std::numeric_limits<double>::infinity();
    for (const AnalysisPoint& point : outcome.points) {
        narrowest = std::min(narrowest, point.band.highDb - point.band.lowDb);
        if (fallsShortAbove && point.place == PointPlace::aboveLastGridPoint) continue;
        if (!std::isfinite(point.maximaxDb)) continue;
        const double aimDb = outcome.rules.aim == Aim::bandCentre ? 0.5 * (point.band.lowDb + point.band.highDb) : 0.0;
        const double fromAim = point.maximaxDb - aimDb;
        lowest = std::min(lowest, fromAim);
        highest = std::max(highest, fromAim);
    }

    const double zpa = outcome.run.zpa;
    if (highest >= lowest) {
        guidance.spreadDb = highest - lowest;
        guidance.zpaShiftDb = -0.5 * (lowest + highest);
        guidance.suggestedZpa = zpa * std::pow(10.0, guidance.zpaShiftDb / 20.0);
        // Every point (but those a new run at the same grid would judge
        // otherwise) passes with the ZPA changed so.
        guidance.zpaCanCentreAll = guidance.spreadDb <= narrowest;
        for (const AnalysisPoint& point : outcome.points) {
            if (fallsShortAbove && point.place == PointPlace::aboveLastGridPoint) continue;
            guidance.zpaCanCentreAll =
                guidance.zpaCanCentreAll && passesShifted(point, outcome.rules.polarity, guidance.zpaShiftDb);
        }
    } else {
        guidance.suggestedZpa = zpa;
    }
    if (outcome.passes) return;

    guidance.changeZpa = std::fabs(guidance.zpaShiftDb) >= smallestZpaShiftDb && std::isfinite(guidance.suggestedZpa);
    // A finer grid is the remedy for what the ZPA cannot mend: points between
    // grid points that would still fail with the ZPA changed as suggested.
    bool failsBetween = false;
    for (const AnalysisPoint& point : outcome.points) {
        if (point.place != PointPlace::betweenGridPoints) continue;
        failsBetween = failsBetween || !passesShifted(point, outcome.rules.polarity, guidance.zpaShiftDb);
    }
    const int spacing = outcome.run.spacingChoice;
    if (failsBetween && spacing != 3) {
        guidance.finerSpacing = true;
        guidance.suggestedSpacingChoice = spacing == 2 ? 3 : 2;
    }
    if (fallsShortAbove && spec.count > 0) {
        guidance.extendSpecification = true;
        // Rounded up to a whole hertz: a point typed a little below the step
        // would leave the grid where it is.
        guidance.extensionFrequency = std::ceil(outcome.run.lastGridFrequency * gridStepRatio(spacing));
        guidance.extensionLevel = spec.level[spec.count - 1];
    }
}
