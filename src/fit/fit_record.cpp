#include "fit/fit_record.h"

#include <algorithm>
#include <cmath>

#include "common/json_writer.h"
#include "common/number_format.h"
#include "common/readable_number.h"
#include "fit/fit_file_names.h"
#include "model/units.h"
#include "run_folder/folder_verdict.h"

namespace {

// The share of the most used shaker limit; 0 without limits.
double largestShare(const ShakerVerdict& verdict) {
    double largest = 0.0;
    for (const ShakerQuantity& q : verdict.quantities) largest = std::max(largest, q.share);
    return largest;
}

double largestDeviation(const AttemptRecord& r) {
    return std::max(std::fabs(r.outcome.spread.minDb), std::fabs(r.outcome.spread.maxDb));
}

// A top-level array of strings, one to a line.
std::string jsonList(const std::vector<std::string>& texts) {
    if (texts.empty()) return "[]";
    std::string json = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) json += (i == 0 ? "\n    " : ",\n    ") + jsonString(texts[i]);
    return json + "\n  ]";
}

// 3 meets the aim, passes and fits; 2 passes and fits; 1 passes the
// spectrum; 0 neither (a refused attempt among them).
int rankOf(const AttemptRecord& r) {
    if (r.refusal) return -1;
    if (attemptFits(r)) return r.meetsAim ? 3 : 2;
    return r.outcome.passes ? 1 : 0;
}

// Whether `candidate` is to be kept before `best` of the same rank. Written
// so that a figure that is not a number is never preferred.
bool keptBefore(const AttemptRecord& candidate, const AttemptRecord& best, int rank) {
    switch (rank) {
        case 3:
            if (candidate.peaks.accelerationG != best.peaks.accelerationG) {
                return candidate.peaks.accelerationG < best.peaks.accelerationG;
            }
            return travelShare(candidate) < travelShare(best);
        case 2: return largestDeviation(candidate) < largestDeviation(best);
        case 1: return largestShare(candidate.shaker) < largestShare(best.shaker);
        default: return candidate.outcome.worst.marginDb > best.outcome.worst.marginDb;
    }
}

}  // namespace

const RunResults& keptResults(const AttemptRecord& record) {
    return record.refined ? record.refined->results : *record.results;
}

bool attemptFits(const AttemptRecord& record) {
    return !record.refusal && record.outcome.passes && record.shaker.feasible;
}

double travelShare(const AttemptRecord& record) {
    double share = 0.0;
    for (const ShakerQuantity& q : record.shaker.quantities) {
        if (q.row().travel) share = std::max(share, q.share);
    }
    return share;
}

int chosenAttemptIndex(const std::vector<AttemptRecord>& records) {
    int chosen = -1;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const AttemptRecord& candidate = records[i];
        if (candidate.refusal) continue;
        if (chosen < 0) {
            chosen = static_cast<int>(i);
            continue;
        }
        const AttemptRecord& best = records[static_cast<std::size_t>(chosen)];
        const int rank = rankOf(candidate);
        const int bestRank = rankOf(best);
        if (rank > bestRank || (rank == bestRank && keptBefore(candidate, best, rank))) chosen = static_cast<int>(i);
    }
    return chosen;
}

const char* pointPlaceWords(PointPlace place) {
    switch (place) {
        case PointPlace::onGridPoint:
            return "on a grid point";
        case PointPlace::betweenGridPoints:
            return "between grid points";
        case PointPlace::aboveLastGridPoint:
            return "above the last grid point";
        case PointPlace::noGrid:
            return "in the measured record";
    }
    return "";
}

std::string progressLine(const AttemptRecord& record) {
    const AttemptAnswers& answers = record.plan.answers;
    std::string line;
    appendFormat(line, " attempt %d: %s octave%s, %s s, integer %d", record.number,
                 spacingName(answers.spacingChoice), record.plan.extended ? ", specification extended" : "",
                 exactNumberText(answers.duration).c_str(), answers.skipCount);
    if (record.refusal) return line + ": kolvane_zpa refused it (" + *record.refusal + ")\n";
    const DeviationSpread& spread = record.outcome.spread;
    if (record.refined) {
        appendFormat(line, ", refined in %d pass%s", record.refinementPasses, record.refinementPasses == 1 ? "" : "es");
    } else {
        appendFormat(line, ", ZPA %s", exactNumberText(answers.zpa).c_str());
    }
    appendFormat(line, ": %+.2f to %+.2f dB, median %+.2f dB, %.0f%% within +-1 dB", spread.minDb, spread.maxDb,
                 spread.medianDb, 100.0 * spread.withinShare);
    // With an inner band the share within it can fail a run whose margin is positive.
    if (record.outcome.rules.inner) {
        appendFormat(line, ", %.1f%% within the inner band", record.outcome.innerSharePercent);
    }
    const UnitNames units = unitNamesOf(answers.units);
    const RunResults& kept = keptResults(record);
    double acceleration = 0.0, velocity = 0.0, displacement = 0.0;
    for (const double a : kept.acceleration) acceleration = std::max(acceleration, std::fabs(a));
    for (const double v : kept.velocity) velocity = std::max(velocity, std::fabs(v));
    for (const double d : kept.displacement) displacement = std::max(displacement, std::fabs(d));
    appendFormat(line, "; peaks %s %s, %s %s, %s %s", readableNumber(acceleration).c_str(),
                 units.acceleration, readableNumber(velocity).c_str(), units.velocity,
                 readableNumber(displacement).c_str(), units.displacement);
    for (const ShakerQuantity& q : record.shaker.quantities) {
        appendFormat(line, ", %s %.0f%%", q.row().name, 100.0 * q.share);
    }
    if (!record.outcome.passes) {
        line += ": FAIL\n";
    } else if (!record.shaker.feasible) {
        line += ": PASS, but not on the shaker\n";
    } else {
        line += ": PASS\n";
    }
    return line;
}

std::string verdictText(const std::vector<AttemptRecord>& records, int chosen, const std::string& outputDir,
                        const std::string& reportPage, const FitAdvice& advice, const std::vector<std::string>& hints) {
    const AttemptRecord& kept = records[static_cast<std::size_t>(chosen)];
    const bool shakerGiven = !kept.shaker.quantities.empty();
    const DeviationSpread& spread = kept.outcome.spread;
    std::string text;
    if (attemptFits(kept)) {
        appendFormat(text, "\n PASS: attempt %d meets the specification%s: %+.2f to %+.2f dB, median %+.2f dB, "
                           "worst margin %+.2f dB; its files are in %s, its report in %s\n",
                     kept.number, shakerGiven ? " and fits the shaker" : "", spread.minDb, spread.maxDb,
                     spread.medianDb, kept.outcome.worst.marginDb, outputDir.c_str(), reportPage.c_str());
        return text;
    }
    appendFormat(text, "\n FAIL: no attempt of %zu %s; kept attempt %d, worst margin %+.2f dB, in %s; its report "
                       "in %s\n",
                 records.size(), shakerGiven ? "passes and fits the shaker" : "passes", kept.number,
                 kept.outcome.worst.marginDb, outputDir.c_str(), reportPage.c_str());
    for (const std::string& line : advice.lines) text += " " + line + "\n";
    if (!hints.empty()) {
        text += " Options that could help, most likely first:";
        for (std::size_t i = 0; i < hints.size(); ++i) text += (i == 0 ? " " : "; ") + hints[i];
        text += "\n";
    }
    return text;
}

std::string fitJson(const SpecText& spec, const std::optional<ShakerLimits>& shaker,
                    const std::vector<AttemptRecord>& records, int chosen, const FitAdvice& advice,
                    const std::vector<std::string>& writtenFiles) {
    const auto optionalNumber = [](const std::optional<double>& value) { return value ? jsonNumber(*value) : "null"; };
    std::string json = "{\n  \"specification\": " + jsonString(spec.path) + ",\n";
    appendFormat(json, "  \"specification_checksum\": \"%016llx\",\n", static_cast<unsigned long long>(spec.checksum));
    if (shaker) {
        json += "  \"shaker\": {\"file\": " + jsonString(shaker->path) +
                ", \"stroke_mm_pk_pk\": " + optionalNumber(shaker->strokeMmPkPk) +
                ", \"velocity_m_s\": " + optionalNumber(shaker->velocityMs) +
                ", \"acceleration_g\": " + optionalNumber(shaker->accelerationG) +
                ", \"force_n\": " + optionalNumber(shaker->forceN) +
                ", \"moving_mass_kg\": " + optionalNumber(shaker->movingMassKg) +
                ", \"payload_kg\": " + optionalNumber(shaker->payloadKg) +
                ", \"usable_share\": " + jsonNumber(shaker->usableShare) + "},\n";
    } else {
        json += "  \"shaker\": null,\n";
    }
    json += "  \"attempts\": [";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const AttemptRecord& record = records[i];
        const AcceptanceOutcome& outcome = record.outcome;
        const AttemptAnswers& answers = record.plan.answers;
        json += i == 0 ? "\n" : ",\n";
        json += "    {\n      \"attempt\": " + std::to_string(record.number) + ",\n";
        json += "      \"folder\": " + jsonString(attemptFolderName(record.number)) + ",\n";
        json += "      \"answers\": [";
        const std::vector<std::string> lines = answerLines(answers);
        for (std::size_t k = 0; k < lines.size(); ++k) json += (k == 0 ? "" : ", ") + jsonString(lines[k]);
        json += "],\n";
        json += "      \"zpa\": " + jsonNumber(answers.zpa) + ",\n";
        json += std::string("      \"spacing\": \"") + spacingName(answers.spacingChoice) + " octave\",\n";
        json += "      \"duration_s\": " + jsonNumber(answers.duration) + ",\n";
        json += "      \"arbitrary_integer\": " + std::to_string(answers.skipCount) + ",\n";
        json += "      \"trials\": " + std::to_string(answers.trialCount) + ",\n";
        json += std::string("      \"specification_extended\": ") + jsonBool(record.plan.extended) + ",\n";
        if (record.refusal) {
            json += "      \"refused\": " + jsonString(*record.refusal) + ",\n";
            json += "      \"passes\": false\n    }";
            continue;
        }
        json += "      \"history\": " + jsonString(record.refined ? "refined" : "plain") + ",\n";
        json += "      \"refinement_passes\": " + std::to_string(record.refinementPasses) + ",\n";
        json += "      \"deviation\": {\"min_db\": " + jsonNumber(outcome.spread.minDb) +
                ", \"max_db\": " + jsonNumber(outcome.spread.maxDb) +
                ", \"median_db\": " + jsonNumber(outcome.spread.medianDb) +
                ", \"within_1db_percent\": " + jsonNumber(100.0 * outcome.spread.withinShare) + "},\n";
        json += std::string("      \"meets_aim\": ") + jsonBool(record.meetsAim) + ",\n";
        json += "      \"worst_margin_db\": " + jsonNumber(outcome.worst.marginDb) + ",\n";
        json += "      \"worst_frequency_hz\": " + jsonNumber(outcome.worst.frequency) + ",\n";
        json += std::string("      \"worst_place\": \"") + placeName(outcome.worst.place) + "\",\n";
        json += "      \"inner_share_percent\": " + jsonNumber(outcome.innerSharePercent) + ",\n";
        json += "      \"peaks\": {\"displacement_mm\": " + jsonNumber(record.peaks.displacementMm) +
                ", \"velocity_m_s\": " + jsonNumber(record.peaks.velocityMs) +
                ", \"acceleration_g\": " + jsonNumber(record.peaks.accelerationG) + "},\n";
        json += "      \"fits_shaker\": " + jsonBool(record.shaker.feasible) + ",\n";
        json += "      \"passes\": " + jsonBool(outcome.passes) + "\n    }";
    }
    const bool fits = chosen >= 0 && attemptFits(records[static_cast<std::size_t>(chosen)]);
    if (chosen >= 0) {
        json += "\n  ],\n  \"history_checksum\": " +
                jsonString(historyChecksumText(keptResults(records[static_cast<std::size_t>(chosen)]).record));
        json += ",\n  \"chosen_attempt\": " + std::to_string(records[static_cast<std::size_t>(chosen)].number);
    } else {
        json += "\n  ],\n  \"chosen_attempt\": null";
    }
    json += std::string(",\n  \"verdict\": \"") + (fits ? "pass" : "fail") + "\",\n";
    json += "  \"binding_limits\": " + (advice.json.empty() ? "[]" : advice.json) + ",\n";
    json += "  \"advice\": " + jsonList(advice.lines) + ",\n";
    json += "  \"written_files\": " + jsonList(writtenFiles) + "\n}\n";
    return json;
}
