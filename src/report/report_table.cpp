#include "report/report_table.h"

#include "common/number_format.h"

namespace {

const char* passText(bool passes) { return passes ? "PASS" : "FAIL"; }

void appendLimitLine(std::string& out, const char* label, const PeakValue& peak, const char* unit,
                     const std::optional<double>& limit, bool withinLimit) {
    appendFormat(out, " %-22s %12.4f %-8s at %.5f sec", label, peak.magnitude, unit, peak.time);
    if (limit) appendFormat(out, "   limit %.4f %s: %s", *limit, unit, passText(withinLimit));
    out += "\n";
}

}  // namespace

const char* rowVerdictText(const SrsRow& row) {
    if (row.positivePasses && row.negativePasses) return "pass";
    if (!row.positivePasses && !row.negativePasses) return "FAIL both";
    return row.positivePasses ? "FAIL neg" : "FAIL pos";
}

std::string reportSummaryText(const ReportInputs& inputs, const ReportFindings& findings) {
    const UnitNames units = unitNamesOf(inputs.unitSystem);
    const SrsVerdict& srs = findings.srs;
    const MotionSummary& motion = findings.motion;
    std::string out;
    appendFormat(out, " SRS within %+.2f / %+.2f dB: %s (%d of %zu frequencies outside)\n", findings.band.lowDb,
                 findings.band.highDb, passText(srs.passes), srs.failedRows, srs.rows.size());
    const BandMargin& margin = srs.smallestMargin;
    const SrsRow& at = srs.rows[static_cast<std::size_t>(margin.row)];
    appendFormat(out, " Smallest margin:       %+.3f dB, %s SRS at %.3f Hz (%s edge)\n", margin.marginDb,
                 margin.negativeSpectrum ? "negative" : "positive", at.frequency,
                 margin.upperEdge ? "upper" : "lower");
    appendLimitLine(out, "Peak acceleration:", motion.acceleration, units.acceleration, std::nullopt, true);
    appendLimitLine(out, "Peak velocity:", motion.velocity, units.velocity, findings.limits.maxVelocity,
                    motion.velocityWithinLimit);
    appendLimitLine(out, "Peak displacement:", motion.displacement, units.displacement,
                    findings.limits.maxDisplacement, motion.displacementWithinLimit);
    appendFormat(out, " %-22s %12.4f %-8s at %.5f sec\n", "Residual velocity:", motion.residualVelocity,
                 units.velocity, motion.endTime);
    appendFormat(out, " %-22s %12.4f %-8s at %.5f sec\n", "Residual displacement:", motion.residualDisplacement,
                 units.displacement, inputs.displacement.time.back());
    appendFormat(out, " Optimum case:          %ld (score %ld, lowest of %zu trials ranked), %d wavelets\n",
                 findings.optimum.trial, findings.optimum.score, inputs.ranks.size(), inputs.waveletCount);
    appendFormat(out, " Verdict:               %s\n", passText(findings.passes));
    return out;
}

std::string reportTableText(const ReportInputs& inputs, const ReportFindings& findings) {
    const UnitNames units = unitNamesOf(inputs.unitSystem);
    std::string out;
    appendFormat(out, "\n Shock response spectrum against specification (levels in %s)\n\n", units.acceleration);
    out += "       fn(Hz)          spec           pos           neg   pos(dB)   neg(dB)  verdict\n";
    for (const SrsRow& row : findings.srs.rows) {
        appendFormat(out, " %12.3f  %s  %s  %s  %8.2f  %8.2f  %s\n", row.frequency,
                     formatExponent(row.specLevel, 12, 5).c_str(), formatExponent(row.positive, 12, 5).c_str(),
                     formatExponent(row.negative, 12, 5).c_str(), row.positiveDb, row.negativeDb,
                     rowVerdictText(row));
    }
    out += "\n";
    out += reportSummaryText(inputs, findings);
    return out;
}
