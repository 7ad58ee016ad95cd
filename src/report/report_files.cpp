#include "report/report_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "common/number_format.h"
#include "common/json_writer.h"
#include "model/constants.h"
#include "model/damping.h"
#include "report/report_table.h"
#include "run_folder/folder_verdict.h"

namespace {

// How many of the points with the smallest margins report.json lists.
constexpr std::size_t worstPointsListed = 5;

const char* polarityName(Polarity polarity) { return polarity == Polarity::both ? "both" : "maximax"; }

std::string bandJson(const DbBand& band) {
    return "{\"low_db\": " + jsonNumber(band.lowDb) + ", \"high_db\": " + jsonNumber(band.highDb) + "}";
}

std::string pointJson(const AnalysisPoint& point) {
    return "{\"frequency_hz\": " + jsonNumber(point.frequency) + ", \"spec\": " + jsonNumber(point.specLevel) +
           ", \"pos\": " + jsonNumber(point.positive) + ", \"neg\": " + jsonNumber(point.negative) +
           ", \"maximax\": " + jsonNumber(point.maximax) + ", \"maximax_db\": " + jsonNumber(point.maximaxDb) +
           ", \"margin_db\": " + jsonNumber(point.marginDb) + ", \"passes\": " + jsonBool(point.passes) +
           ", \"place\": " + jsonString(placeName(point.place)) + "}";
}

std::string limitJson(const std::optional<double>& limit) { return limit ? jsonNumber(*limit) : "null"; }

}  // namespace

std::string analysisCsv(const AcceptanceOutcome& outcome, const ReferenceComparison* reference) {
    std::string out =
        "frequency_hz,spec,pos,neg,maximax,pos_db,neg_db,maximax_db,low_db,high_db,margin_db,pass,inner,place";
    out += reference ? ",reference_maximax,measured_minus_reference_db\n" : "\n";
    for (std::size_t i = 0; i < outcome.points.size(); ++i) {
        const AnalysisPoint& p = outcome.points[i];
        appendFormat(out, "%.3f,%s,%s,%s,%s,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%s,%s,%s", p.frequency,
                     formatExponent(p.specLevel, 0, 5).c_str(), formatExponent(p.positive, 0, 5).c_str(),
                     formatExponent(p.negative, 0, 5).c_str(), formatExponent(p.maximax, 0, 5).c_str(), p.positiveDb,
                     p.negativeDb, p.maximaxDb, p.band.lowDb, p.band.highDb, p.marginDb, p.passes ? "pass" : "FAIL",
                     p.withinInner ? "yes" : "no", placeName(p.place));
        if (reference) {
            appendFormat(out, ",%s,%.3f",
                         formatExponent(std::max(reference->positive[i], reference->negative[i]), 0, 5).c_str(),
                         reference->changeDb[i]);
        }
        out += "\n";
    }
    return out;
}

std::string reportJson(const SpecText& spec, const JudgedHistory& history, const ReportFindings& findings,
                       const CheckRecord& check) {
    const AcceptanceOutcome& a = findings.acceptance;
    const RunSettings& run = a.run;
    const AcceptanceRules& rules = a.rules;
    const AcceptanceGuidance& g = a.guidance;
    const UnitNames units = unitNamesOf(history.folder.unitSystem);
    std::string j = "{\n";
    const bool drive = findings.historyKind == HistoryKind::drive;
    j += "  \"verdict\": " + jsonString(drive ? "DRIVE" : findings.passes ? "PASS" : "FAIL") + ",\n";
    j += "  \"checked_utc\": " + jsonString(check.checkedUtc) + ",\n";
    if (!findings.passes || drive) j += "  \"verdict_words\": " + jsonString(verdictWords(findings)) + ",\n";
    j += std::string("  \"history\": ") + jsonString(historyKindName(findings.historyKind)) + ",\n";
    if (!check.title.empty()) j += "  \"title\": " + jsonString(check.title) + ",\n";
    if (!check.note.empty()) j += "  \"note\": " + jsonString(check.note) + ",\n";
    if (!check.exports.empty()) {
        j += "  \"exports\": [";
        for (std::size_t e = 0; e < check.exports.size(); ++e) {
            const ExportRecord& exported = check.exports[e];
            j += std::string(e ? ", " : "") + "{\"metadata\": " + jsonString(exported.metadataFile) +
                 ", \"check\": " + jsonString(exported.check) + ", \"files\": [";
            for (std::size_t k = 0; k < exported.files.size(); ++k) {
                const ExportedFile& file = exported.files[k];
                std::string sum;
                appendFormat(sum, "%016llx", static_cast<unsigned long long>(file.checksum));
                j += std::string(k ? ", " : "") + "{\"name\": " + jsonString(file.name) +
                     ", \"sample_rate_hz\": " + jsonNumber(file.sampleRateHz) + ", \"checksum\": " + jsonString(sum) +
                     "}";
            }
            j += "]}";
        }
        j += "],\n";
    }
    j += "  \"report_version\": " + jsonString(programVersion) + ",\n";
    j += "  \"specification\": " + jsonString(spec.path) + ",\n";
    appendFormat(j, "  \"specification_checksum\": \"%016llx\",\n", static_cast<unsigned long long>(spec.checksum));
    // What ties this verdict to the history it is about.
    if (history.folder.runRecord && history.folder.runRecord->hasChecksums) {
        j += "  \"history_checksum\": " + jsonString(historyChecksumText(*history.folder.runRecord)) + ",\n";
    }
    j += "  \"arguments\": [";
    for (std::size_t i = 0; i < check.arguments.size(); ++i) j += std::string(i ? ", " : "") + jsonString(check.arguments[i]);
    j += "],\n";
    j += "  \"warnings\": [";
    for (std::size_t i = 0; i < a.warnings.size(); ++i) j += std::string(i ? ", " : "") + jsonString(a.warnings[i]);
    j += "],\n";
    j += "  \"notes\": [";
    for (std::size_t i = 0; i < a.notes.size(); ++i) j += std::string(i ? ", " : "") + jsonString(a.notes[i]);
    j += "],\n";
    j += "  \"units\": {\"acceleration\": " + jsonString(units.acceleration) +
         ", \"velocity\": " + jsonString(units.velocity) + ", \"displacement\": " + jsonString(units.displacement) +
         "},\n";
    if (history.measured) {
        const MeasuredShot& shot = *history.measured;
        std::string sum;
        appendFormat(sum, "%016llx", static_cast<unsigned long long>(shot.record.checksum));
        j += "  \"measured\": {\"file\": " + jsonString(shot.record.path) + ", \"checksum\": " + jsonString(sum) +
             ", \"channel\": " + jsonString(shot.record.channel) +
             ", \"sample_rate_hz\": " + jsonNumber(shot.sampleRate()) +
             ", \"samples\": " + std::to_string(shot.record.acceleration.size()) +
             ", \"start_s\": " + jsonNumber(shot.record.startTime) + ", \"level_db\": " + jsonNumber(shot.levelDb) +
             ", \"pre_trigger\": " + jsonBool(shot.window.preTrigger) +
             ", \"offset_removed\": " + jsonNumber(shot.window.offset) +
             ", \"noise_rms\": " + jsonNumber(shot.window.noiseRms) +
             ", \"window_given\": " + jsonBool(shot.window.given) +
             ", \"judged_from_s\": " + jsonNumber(shot.timeOf(shot.window.start)) +
             ", \"judged_to_s\": " + jsonNumber(shot.timeOf(shot.record.acceleration.size() - 1)) +
             ", \"motion_estimated\": true, \"high_pass_hz\": " + jsonNumber(shot.estimate.cornerHz) + "},\n";
        j += "  \"window\": {\"start_s\": " + jsonNumber(shot.timeOf(shot.window.start)) +
             ", \"end_s\": " + jsonNumber(shot.timeOf(shot.window.end - 1)) + "},\n";
        if (findings.reference) {
            const ReferenceComparison& r = *findings.reference;
            j += "  \"reference\": {\"folder\": " + jsonString(r.dir);
            if (history.reference && history.reference->runRecord && history.reference->runRecord->hasChecksums) {
                j += ", \"history_checksum\": " + jsonString(historyChecksumText(*history.reference->runRecord));
            }
            j += ", \"measured_minus_reference_db\": {\"min_db\": " + jsonNumber(r.spread.minDb) +
                 ", \"max_db\": " + jsonNumber(r.spread.maxDb) + ", \"median_db\": " + jsonNumber(r.spread.medianDb) +
                 "}, \"points\": [";
            for (std::size_t i = 0; i < r.changeDb.size(); ++i) {
                j += std::string(i ? ", " : "") + "{\"frequency_hz\": " + jsonNumber(a.points[i].frequency) +
                     ", \"reference_maximax\": " + jsonNumber(std::max(r.positive[i], r.negative[i])) +
                     ", \"measured_minus_reference_db\": " + jsonNumber(r.changeDb[i]) + "}";
            }
            j += "]},\n";
        }
    }
    if (history.kind == HistoryKind::drive && history.folder.runRecord) {
        const RunRecord& record = *history.folder.runRecord;
        j += "  \"drive\": {\"reference\": " + jsonString(record.driveReference) +
             ", \"measured\": " + jsonString(record.driveMeasured) +
             ", \"correction\": " + jsonString(record.driveCorrection) + "},\n";
    }
    j += "  \"run\": {\"source\": " + jsonString(run.measured ? "measured record" : run.fromRunRecord ? "run.out" : "output files and options") +
         ", \"zpa\": " + jsonNumber(run.zpa) + ", \"octave_spacing\": " + jsonString(spacingName(run.spacingChoice)) +
         ", \"damping_ratio\": " + jsonNumber(run.dampingRatio) + ", \"q\": " + jsonNumber(qOfDampingRatio(run.dampingRatio)) +
         ", \"time_step_s\": " + jsonNumber(run.timeStep) + ", \"sample_count\": " + std::to_string(run.sampleCount) +
         ", \"grid_count\": " + std::to_string(run.gridCount) +
         ", \"last_grid_frequency_hz\": " + jsonNumber(run.lastGridFrequency);
    if (history.folder.runRecord) {
        const RunRecord& record = *history.folder.runRecord;
        j += ", \"version\": " + jsonString(record.version) + ", \"spec_file\": " + jsonString(record.specFileName) +
             ", \"duration_s\": " + jsonNumber(record.duration) + ", \"trials\": " + std::to_string(record.trialCount) +
             ", \"trials_ranked\": " + std::to_string(record.trialsRanked) +
             ", \"optimum_case\": " + std::to_string(record.optimumCase) +
             ", \"output_sample_rate\": " + jsonNumber(record.outputSampleRate);
    }
    j += ", \"interrupted\": " + jsonBool(a.interrupted) + "},\n";

    j += "  \"rules\": {\"analysis_points_per_octave\": " + std::to_string(rules.analysisPointsPerOctave) +
         ", \"polarity\": " + jsonString(polarityName(rules.polarity)) + ", \"tolerance\": " + bandJson(rules.outer) +
         ", \"inner\": " + (rules.inner ? bandJson(*rules.inner) : "null") +
         ", \"inner_share_required_percent\": " + (rules.inner ? jsonNumber(rules.innerSharePercent) : "null") +
         ", \"band_file\": " + (rules.bandFile.empty() ? "null" : jsonString(rules.bandFile)) + ", \"band_rows\": [";
    for (std::size_t i = 0; i < rules.bandRows.size(); ++i) {
        const BandRow& row = rules.bandRows[i];
        j += std::string(i ? ", " : "") + "{\"from_hz\": " + jsonNumber(row.fromHz) +
             ", \"to_hz\": " + jsonNumber(row.toHz) + ", \"low_db\": " + jsonNumber(row.band.lowDb) +
             ", \"high_db\": " + jsonNumber(row.band.highDb) + "}";
    }
    j += "]},\n";

    j += "  \"srs\": {\"passes\": " + jsonBool(a.passes) + ", \"points\": " + std::to_string(a.points.size()) +
         ", \"failed_points\": " + std::to_string(a.failedPoints) +
         ", \"inner_share_percent\": " + (rules.inner ? jsonNumber(a.innerSharePercent) : "null") +
         ", \"worst\": {\"frequency_hz\": " + jsonNumber(a.worst.frequency) +
         ", \"margin_db\": " + jsonNumber(a.worst.marginDb) + ", \"deviation_db\": " + jsonNumber(a.worst.deviationDb) +
         ", \"edge\": " + jsonString(a.worst.upperEdge ? "upper" : "lower") +
         ", \"place\": " + jsonString(placeName(a.worst.place)) + "}" +
         ", \"deviation\": {\"min_db\": " + jsonNumber(a.spread.minDb) + ", \"max_db\": " + jsonNumber(a.spread.maxDb) +
         ", \"median_db\": " + jsonNumber(a.spread.medianDb) +
         ", \"within_1db_percent\": " + jsonNumber(100.0 * a.spread.withinShare) + "}},\n";

    std::vector<const AnalysisPoint*> byMargin;
    for (const AnalysisPoint& point : a.points) byMargin.push_back(&point);
    std::stable_sort(byMargin.begin(), byMargin.end(),
                     [](const AnalysisPoint* x, const AnalysisPoint* y) { return x->marginDb < y->marginDb; });
    j += "  \"worst_points\": [";
    for (std::size_t i = 0; i < byMargin.size() && i < worstPointsListed; ++i) {
        j += std::string(i ? ",\n    " : "\n    ") + pointJson(*byMargin[i]);
    }
    j += "\n  ],\n";

    const SrsVerdict& own = findings.srs;
    j += "  \"program_srs\": {\"file\": \"srs.out\", \"passes\": " + jsonBool(own.passes) +
         ", \"smallest_margin_db\": " + jsonNumber(own.smallestMargin.marginDb) + ", \"frequency_hz\": " +
         jsonNumber(own.rows.empty() ? 0.0 : own.rows[static_cast<std::size_t>(own.smallestMargin.row)].frequency) +
         "},\n";

    const MotionSummary& m = findings.motion;
    j += "  \"motion\": {\"peak_acceleration\": " + jsonNumber(m.acceleration.magnitude) +
         ", \"peak_velocity\": " + jsonNumber(m.velocity.magnitude) +
         ", \"peak_displacement\": " + jsonNumber(m.displacement.magnitude) +
         ", \"residual_velocity\": " + jsonNumber(m.residualVelocity) +
         ", \"residual_displacement\": " + jsonNumber(m.residualDisplacement) +
         ", \"max_velocity\": " + limitJson(findings.limits.maxVelocity) +
         ", \"max_displacement\": " + limitJson(findings.limits.maxDisplacement) +
         ", \"velocity_within_limit\": " + jsonBool(m.velocityWithinLimit) +
         ", \"displacement_within_limit\": " + jsonBool(m.displacementWithinLimit) + "},\n";

    if (findings.shakerLimits) {
        const ShakerLimits& shaker = *findings.shakerLimits;
        const auto rating = [](const std::optional<double>& value) { return value ? jsonNumber(*value) : "null"; };
        j += "  \"shaker\": {\"file\": " + jsonString(shaker.path) +
             ", \"feasible\": " + jsonBool(findings.shaker.feasible) +
             ", \"usable_share\": " + jsonNumber(shaker.usableShare) +
             ", \"ratings\": {\"stroke_mm_pk_pk\": " + rating(shaker.strokeMmPkPk) +
             ", \"velocity_m_s\": " + rating(shaker.velocityMs) +
             ", \"acceleration_g\": " + rating(shaker.accelerationG) + ", \"force_n\": " + rating(shaker.forceN) +
             ", \"moving_mass_kg\": " + rating(shaker.movingMassKg) +
             ", \"payload_kg\": " + rating(shaker.payloadKg) + "}";
        for (const ShakerQuantity& q : findings.shaker.quantities) {
            j += std::string(", \"") + q.row().key + "\": {\"peak\": " + jsonNumber(q.peak) +
                 ", \"limit\": " + jsonNumber(q.limit) + ", \"share\": " + jsonNumber(q.share) + "}";
        }
        j += "},\n";
    }

    j += "  \"guidance\": {\"change_zpa\": " + jsonBool(g.changeZpa) + ", \"suggested_zpa\": " +
         jsonNumber(g.suggestedZpa) + ", \"zpa_shift_db\": " + jsonNumber(g.zpaShiftDb) +
         ", \"spread_db\": " + jsonNumber(g.spreadDb) + ", \"zpa_can_centre_all\": " + jsonBool(g.zpaCanCentreAll) +
         ", \"finer_spacing\": " + jsonBool(g.finerSpacing) + ", \"suggested_spacing\": " +
         (g.finerSpacing ? jsonString(spacingName(g.suggestedSpacingChoice)) : "null") +
         ", \"extend_specification\": " + jsonBool(g.extendSpecification) +
         ", \"extension_frequency_hz\": " + (g.extendSpecification ? jsonNumber(g.extensionFrequency) : "null") +
         ", \"extension_level\": " + (g.extendSpecification ? jsonNumber(g.extensionLevel) : "null") +
         ", \"advice\": [";
    const std::vector<std::string> advice = adviceLines(findings, units);
    for (std::size_t i = 0; i < advice.size(); ++i) j += std::string(i ? ", " : "") + jsonString(advice[i]);
    j += "]}\n}\n";
    return j;
}
