#include <algorithm>
#include <cmath>

#include "common/json_writer.h"
#include "common/number_format.h"
#include "common/readable_number.h"
#include "fit/duration_law.h"
#include "fit/fit_search.h"
#include "model/constants.h"
#include "run_folder/shaker.h"

namespace {

// The attempt that reached the least of `kind`: for the stroke and the
// velocity any attempt, for the acceleration and the force, which the
// spectrum's level sets, those that pass.
const AttemptRecord* bestOn(const FitSearch& search, const AttemptRecord& kept, ShakerQuantityKind kind) {
    const AttemptRecord* best = &kept;
    for (const AttemptRecord& r : search.records) {
        const ShakerQuantity* q = quantityOf(r.shaker, kind);
        if (r.refusal || q == nullptr || (!q->row().travel && !r.outcome.passes)) continue;
        if (q->peak < quantityOf(best->shaker, kind)->peak) best = &r;
    }
    return best;
}

// The duration the power law through the measured peaks asks for, if the
// program can run it and the search has not tried it.
struct DurationRemedy {
    double seconds = 0.0;      // 0: the peaks do not fall with the duration
    bool withinProgram = false;
};

DurationRemedy durationRemedy(const FitSearch& search, const AttemptRecord& kept, const ShakerQuantity& q) {
    DurationRemedy remedy;
    remedy.seconds = durationReaching(search.records, q.kind, q.limit);
    remedy.withinProgram = remedy.seconds > 0.0 && remedy.seconds * 1.2 <= longestDurationFor(kept.plan);
    return remedy;
}

}  // namespace

FitAdvice adviseOnShaker(const FitSearch& search, int chosen) {
    FitAdvice advice;
    if (!search.options.shaker || chosen < 0) return advice;
    const ShakerLimits& shaker = *search.options.shaker;
    const AttemptRecord& kept = search.records[static_cast<std::size_t>(chosen)];
    if (attemptFits(kept) || !kept.outcome.passes) return advice;
    std::string json = "[";
    // The stroke and the velocity first: when they bind, what the shaker
    // would need is the first thing to say.
    std::vector<const ShakerQuantity*> bound;
    for (const ShakerQuantity& q : kept.shaker.quantities) {
        if (!q.within && q.row().travel) bound.push_back(&q);
    }
    for (const ShakerQuantity& q : kept.shaker.quantities) {
        if (!q.within && !q.row().travel) bound.push_back(&q);
    }
    for (const ShakerQuantity* binding : bound) {
        const ShakerQuantityRow& row = binding->row();
        const AttemptRecord* best = bestOn(search, kept, binding->kind);
        const ShakerQuantity& q = *quantityOf(best->shaker, binding->kind);
        const double rating = q.peak / shaker.usableShare * row.ratingPerLimit;
        std::string line;
        appendFormat(line, "The shaker's %s binds: the best reached is %s %s (attempt %d%s) against %s %s usable. ",
                     row.what, readableNumber(q.peak).c_str(), row.unit, best->number,
                     best->outcome.passes ? "" : ", whose spectrum fails", readableNumber(q.limit).c_str(), row.unit);
        appendFormat(line, "It would take a shaker with %s %s%s of %s", readableNumber(rating).c_str(), row.unit,
                     q.kind == ShakerQuantityKind::displacement ? " peak to peak" : "", row.rating);
        double duration = 0.0;
        double lowerDb = 0.0;
        double movingMass = -1.0;
        if (row.travel) {
            const DurationRemedy remedy = durationRemedy(search, kept, q);
            if (remedy.withinProgram) {
                duration = remedy.seconds;
                appendFormat(line, ", or a duration of about %s s (from the peaks measured at each duration)",
                             readableNumber(duration).c_str());
            } else if (remedy.seconds > 0.0) {
                appendFormat(line, "; the peaks measured at each duration point to about %s s, beyond the %s s the "
                                   "program runs at this specification's rate",
                             readableNumber(remedy.seconds).c_str(), readableNumber(longestDurationFor(kept.plan)).c_str());
            }
        } else {
            lowerDb = 20.0 * std::log10(q.share);
            if (q.kind == ShakerQuantityKind::force) {
                // The mass the usable force moves at this peak, less the test item.
                movingMass = q.limit / (best->peaks.accelerationG * standardGravity) - *shaker.payloadKg;
                if (movingMass > 0.0) {
                    appendFormat(line, ", a moving mass of at most %s kg (now %s kg) with the %s kg test item",
                                 readableNumber(movingMass).c_str(), readableNumber(*shaker.movingMassKg).c_str(),
                                 readableNumber(*shaker.payloadKg).c_str());
                }
            }
            appendFormat(line, ", or a specification %.1f dB lower (the spectrum's level sets this peak; the search "
                               "lowered it as far as the spectrum allows)",
                         lowerDb);
        }
        line += ".";
        advice.lines.push_back(line);
        json += std::string(json.size() > 1 ? ",\n    " : "\n    ") + "{\"limit\": " + jsonString(row.key) +
                ", \"best\": " + jsonNumber(q.peak) + ", \"usable_limit\": " + jsonNumber(q.limit) +
                ", \"attempt\": " + std::to_string(best->number) + ", \"shaker_would_need\": " + jsonNumber(rating) +
                ", \"duration_s\": " + (duration > 0.0 ? jsonNumber(duration) : "null") +
                ", \"moving_mass_kg_at_most\": " + (movingMass > 0.0 ? jsonNumber(movingMass) : "null") +
                ", \"specification_lower_db\": " + (row.travel ? "null" : jsonNumber(lowerDb)) + "}";
    }
    advice.json = json + (json.size() > 1 ? "\n  ]" : "]");
    return advice;
}

std::vector<std::string> helpfulOptions(const FitSearch& search, int chosen) {
    std::vector<std::string> hints;
    if (chosen < 0) return hints;
    const AttemptRecord& kept = search.records[static_cast<std::size_t>(chosen)];
    const FitOptions& options = search.options;
    if (!kept.outcome.passes) {
        const DeviationSpread& spread = kept.outcome.spread;
        // Within +-1 dB of the specification and still outside the band: the
        // band, not the history, is what fails.
        if (kept.meetsAim) {
            std::string hint;
            appendFormat(hint, "a band that holds %+.2f to %+.2f dB (the history comes that close to the "
                               "specification; the band given is narrower)",
                         spread.minDb, spread.maxDb);
            hints.push_back(hint);
            return hints;
        }
        if (!options.refine) hints.push_back("leave out --plain (the refinement brings the SRS within +-1 dB)");
        if (kept.plan.answers.spacingChoice != 3) hints.push_back("--spacing 12 (more wavelets to fit with)");
        if (search.budgetSpent) hints.push_back("--attempts " + std::to_string(options.attemptLimit + 4));
        return hints;
    }
    if (attemptFits(kept)) return hints;
    for (const ShakerQuantity& q : kept.shaker.quantities) {
        if (q.within || !q.row().travel) continue;
        const DurationRemedy remedy = durationRemedy(search, kept, q);
        if (remedy.withinProgram && remedy.seconds > search.longestAllowed) {
            hints.push_back("--max-duration " + readableNumber(roundedDuration(remedy.seconds * 1.2)));
            break;
        }
    }
    if (search.budgetSpent && !search.reachedLongest) {
        hints.push_back("--attempts " + std::to_string(options.attemptLimit + 4));
    }
    return hints;
}
