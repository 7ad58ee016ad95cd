#include "report/report_table.h"

#include <cmath>

#include "common/number_format.h"
#include "model/damping.h"
#include "common/readable_number.h"

namespace {

const char* passText(bool passes) { return passes ? "PASS" : "FAIL"; }

void appendLimitLine(std::string& out, const char* label, const PeakValue& peak, const char* unit,
                     const std::optional<double>& limit, bool withinLimit) {
    appendFormat(out, " %-22s %12.4f %-8s at %.5f sec", label, peak.magnitude, unit, peak.time);
    if (limit) appendFormat(out, "   limit %.4f %s: %s", *limit, unit, passText(withinLimit));
    out += "\n";
}

std::string num(double value) { return readableNumber(value); }

}  // namespace

const char* verdictWords(const ReportFindings& findings) {
    if (findings.historyKind == HistoryKind::drive) {
        if (findings.passes) return "DRIVE";
        return findings.shaker.feasible ? "DRIVE (beyond the limits)" : "DRIVE (beyond the shaker)";
    }
    if (findings.passes) return "PASS";
    const bool onlyTheShaker = findings.acceptance.passes && findings.motionPasses && !findings.shaker.feasible;
    return onlyTheShaker ? "FAIL (shaker)" : "FAIL";
}

const char* rowVerdictText(const SrsRow& row) {
    if (row.positivePasses && row.negativePasses) return "pass";
    if (!row.positivePasses && !row.negativePasses) return "FAIL both";
    return row.positivePasses ? "FAIL neg" : "FAIL pos";
}

std::string runSettingsText(const RunSettings& run, const UnitNames& units) {
    std::string out;
    appendFormat(out, "ZPA %s %s, %s octave (%d grid points, the last at %s Hz), Q %s (damping ratio %s), "
                      "%s samples per sec, %ld samples",
                 num(run.zpa).c_str(), units.acceleration, spacingName(run.spacingChoice), run.gridCount,
                 num(run.lastGridFrequency).c_str(), num(qOfDampingRatio(run.dampingRatio)).c_str(),
                 num(run.dampingRatio).c_str(), num(1.0 / run.timeStep).c_str(), run.sampleCount);
    out += run.fromRunRecord ? " (from run.out)" : " (from the output files and the options; no run.out)";
    return out;
}

std::string measuredSettingsText(const MeasuredShot& shot, const RunSettings& run, const UnitNames& units) {
    const MeasuredRecord& r = shot.record;
    std::string out = r.path + ", " + r.channel + " in " + units.acceleration + ", " +
                      std::to_string(r.acceleration.size()) + " samples at " + num(shot.sampleRate()) +
                      " per second from " + num(r.startTime) + " s; judged from " +
                      num(shot.timeOf(shot.window.start)) + " s (" +
                      (shot.window.given ? "--window" : "the shock's start") + ") to the record's end, " +
                      num(shot.timeOf(r.acceleration.size() - 1)) + " s";
    appendFormat(out, ", Q %s (damping ratio %s)", num(qOfDampingRatio(run.dampingRatio)).c_str(),
                 num(run.dampingRatio).c_str());
    if (shot.levelDb != 0.0) appendFormat(out, ", at %+.4g dB", shot.levelDb);
    return out;
}

std::string judgedSettingsText(const JudgedHistory& history, const RunSettings& run, const UnitNames& units) {
    if (history.measured) return "Measured: " + measuredSettingsText(*history.measured, run, units);
    std::string out = "Run: " + runSettingsText(run, units);
    if (history.kind == HistoryKind::drive && history.folder.runRecord) {
        const RunRecord& record = *history.folder.runRecord;
        out += "\n Drive: corrected from the shot " + record.driveMeasured + ", played from " +
               record.driveReference + "; " + record.driveCorrection;
    }
    return out;
}

bool motionShown(const JudgedHistory& history, const ReportFindings& findings) {
    return !history.measured || findings.shakerLimits || findings.limits.maxVelocity ||
           findings.limits.maxDisplacement;
}

std::string placeText(const AcceptanceOutcome& outcome, PointPlace place) {
    switch (place) {
        case PointPlace::onGridPoint: return "on a synthesis grid point";
        case PointPlace::betweenGridPoints: return "between synthesis grid points";
        case PointPlace::noGrid: return "in the measured record";
        default: return "above the last synthesis grid point (" + num(outcome.run.lastGridFrequency) + " Hz)";
    }
}

std::vector<std::string> guidanceLines(const AcceptanceOutcome& outcome, const UnitNames& units) {
    std::vector<std::string> lines;
    if (outcome.passes) return lines;
    const AcceptanceGuidance& g = outcome.guidance;
    const RunSettings& run = outcome.run;
    if (g.extendSpecification) {
        std::string line;
        appendFormat(line, "The SRS falls short above the last synthesis grid point (%s Hz), where no wavelet "
                           "reaches: add the specification point \"%.0f %s\" (one %s-octave step above it, at the "
                           "last level) to the specification file and run again; judge against the original file.",
                     num(run.lastGridFrequency).c_str(), g.extensionFrequency, num(g.extensionLevel).c_str(),
                     spacingName(run.spacingChoice));
        lines.push_back(line);
    }
    if (g.finerSpacing) {
        std::string line;
        appendFormat(line, "The SRS dips between synthesis grid points: run at %s octave instead of %s.",
                     spacingName(g.suggestedSpacingChoice), spacingName(run.spacingChoice));
        lines.push_back(line);
    }
    if (g.changeZpa) {
        std::string line;
        appendFormat(line, "Change the ZPA from %s to %s %s (%+.2f dB), which puts the midpoint of the maximax "
                           "deviation (spread %.2f dB) on %s",
                     num(run.zpa).c_str(), num(g.suggestedZpa).c_str(), units.acceleration, g.zpaShiftDb, g.spreadDb,
                     outcome.rules.aim == Aim::bandCentre ? "the band's centre" : "the specification");
        if (g.extendSpecification) line += ", below the last grid point";
        line += g.zpaCanCentreAll ? "." : "; the spread is too wide for the band there, so the ZPA alone cannot "
                                          "bring every point in.";
        lines.push_back(line);
    }
    if (lines.empty()) {
        lines.push_back("No change to the ZPA, the spacing or the specification's range explains the failure; "
                        "try more trials or another duration.");
    }
    return lines;
}

std::vector<std::string> adviceLines(const ReportFindings& findings, const UnitNames& units) {
    std::vector<std::string> lines;
    if (findings.historyKind == HistoryKind::plainRun) {
        lines = guidanceLines(findings.acceptance, units);
    } else if (findings.historyKind == HistoryKind::measuredRecord) {
        if (!findings.acceptance.passes) {
            lines.push_back("The shot's spectrum lies outside the band: kolvane_fit SPEC_FILE NEW_DIR --correct " +
                            findings.measuredPath + " --reference " +
                            (findings.reference ? findings.reference->dir : std::string("RUN_DIR")) +
                            " --shaker FILE makes the next drive from it (with this check's reading options). "
                            "Look at the record first: a point far out is more often a fixture resonance or a bad "
                            "channel than a drive to scale.");
        }
    } else if (findings.historyKind == HistoryKind::drive) {
        // Its spectrum is for information; only the shaker's advice applies.
    } else if (!findings.acceptance.passes) {
        lines.push_back("This history's wavelets were refined after the program's run, so its level is theirs, not "
                        "the ZPA's, and a new ZPA, spacing or extension would not change it: run kolvane_fit again on "
                        "the specification (--aim centre keeps a margin inside the band), or widen the band if it "
                        "is narrower than the test needs.");
    }
    if (!findings.shakerLimits) return lines;
    const double share = findings.shakerLimits->usableShare;
    for (const ShakerQuantity& q : findings.shaker.quantities) {
        if (q.within) continue;
        std::string line;
        const ShakerQuantityRow& row = q.row();
        const bool stroke = q.kind == ShakerQuantityKind::displacement;
        if (row.travel) {
            appendFormat(line, "The history needs a peak %s of %s %s where the shaker allows %s %s: a longer "
                               "duration lowers the low-frequency wavelets' %s (kolvane_fit --shaker searches "
                               "durations and random sequences), or a shaker rated for %s %s%s.",
                         row.what, num(q.peak).c_str(), row.unit, num(q.limit).c_str(), row.unit,
                         stroke ? "displacement" : "velocity", num(q.peak / share * row.ratingPerLimit).c_str(),
                         row.unit, stroke ? " of stroke, peak to peak" : "");
        } else {
            appendFormat(line, "The history peaks at %s %s of %s where the shaker allows %s %s: the ZPA sets "
                               "this peak, so it takes a shaker rated for %s %s, or a specification %.1f dB lower "
                               "(with the ZPA lowered alike).",
                         num(q.peak).c_str(), row.unit, row.what, num(q.limit).c_str(), row.unit,
                         num(q.peak / share).c_str(), row.unit, 20.0 * std::log10(q.share));
        }
        lines.push_back(line);
    }
    return lines;
}

std::string reportSummaryText(const JudgedHistory& history, const ReportFindings& findings) {
    const UnitNames units = unitNamesOf(history.folder.unitSystem);
    const AcceptanceOutcome& a = findings.acceptance;
    const AcceptanceRules& rules = a.rules;
    const MotionSummary& motion = findings.motion;
    std::string out;
    for (const std::string& note : a.notes) out += " Note: " + note + "\n";
    for (const std::string& warning : a.warnings) out += " Warning: " + warning + "\n";
    const bool measured = history.measured.has_value();
    if (history.kind == HistoryKind::drive) {
        out += " Note: this folder holds a drive, corrected from a measured shot: its spectrum departs from the "
               "specification on purpose and is shown for information; it is judged on its consistency, its "
               "motion and the shaker\n";
    }
    out += ' ';
    out += judgedSettingsText(history, a.run, units);
    out += '\n';
    appendFormat(out, " Analysis: independent SRS of %s at %zu frequencies, %d per octave, %s to %s Hz\n",
                 measured ? "the measured record" : "accel.out", a.points.size(), rules.analysisPointsPerOctave,
                 num(a.points.front().frequency).c_str(), num(a.points.back().frequency).c_str());
    appendFormat(out, " SRS (%s) within %+.2f / %+.2f dB%s: %s (%d of %zu points outside)\n",
                 rules.polarity == Polarity::both ? "positive and negative" : "maximax", rules.outer.lowDb,
                 rules.outer.highDb, rules.bandRows.empty() ? "" : " and the band file's rows",
                 passText(a.outerPasses), a.failedPoints, a.points.size());
    if (rules.inner) {
        appendFormat(out, " Inner band %+.2f / %+.2f dB:  %.1f%% of points within (at least %.1f%% required): %s\n",
                     rules.inner->lowDb, rules.inner->highDb, a.innerSharePercent, rules.innerSharePercent,
                     passText(a.innerPasses));
    }
    appendFormat(out, " Deviation:             %+.2f to %+.2f dB, median %+.2f dB, %.0f%% of %s within +-1 dB\n",
                 a.spread.minDb, a.spread.maxDb, a.spread.medianDb, 100.0 * a.spread.withinShare,
                 rules.polarity == Polarity::both ? "the peaks" : "the points");
    appendFormat(out, " Worst margin:          %+.2f dB at %s Hz (%+.2f dB, %s edge), %s\n", a.worst.marginDb,
                 num(a.worst.frequency).c_str(), a.worst.deviationDb, a.worst.upperEdge ? "upper" : "lower",
                 placeText(a, a.worst.place).c_str());
    if (findings.reference) {
        const DeviationSpread& change = findings.reference->spread;
        appendFormat(out, " Against the reference:  %+.2f to %+.2f dB, median %+.2f dB (measured less %s's SRS%s)\n",
                     change.minDb, change.maxDb, change.medianDb, findings.reference->dir.c_str(),
                     history.measured->levelDb != 0.0 ? " at the shot's level" : "");
    }
    const SrsVerdict& own = findings.srs;
    if (!own.rows.empty()) {
        appendFormat(out, " Program's SRS (srs.out, %zu grid points, %s as the check judges): smallest margin "
                          "%+.2f dB at %s Hz\n",
                     own.rows.size(), own.polarity == Polarity::both ? "each polarity" : "maximax",
                     own.smallestMargin.marginDb,
                     num(own.rows[static_cast<std::size_t>(own.smallestMargin.row)].frequency).c_str());
    }
    appendLimitLine(out, "Peak acceleration:", motion.acceleration, units.acceleration, std::nullopt, true);
    if (motionShown(history, findings)) {
        appendLimitLine(out, measured ? "Peak velocity (est.):" : "Peak velocity:", motion.velocity, units.velocity,
                        findings.limits.maxVelocity, motion.velocityWithinLimit);
        appendLimitLine(out, measured ? "Peak displ. (est.):" : "Peak displacement:", motion.displacement,
                        units.displacement, findings.limits.maxDisplacement, motion.displacementWithinLimit);
    }
    if (measured && motionShown(history, findings)) {
        appendFormat(out, " Velocity and displacement are estimates: the record integrated with a high-pass at "
                          "%s Hz (a measured record's double integration drifts)\n",
                     num(history.measured->estimate.cornerHz).c_str());
    } else if (!measured) {
        appendFormat(out, " %-22s %12.4f %-8s at %.5f sec\n", "Residual velocity:", motion.residualVelocity,
                     units.velocity, motion.endTime);
        appendFormat(out, " %-22s %12.4f %-8s at %.5f sec\n", "Residual displacement:",
                     motion.residualDisplacement, units.displacement, history.folder.displacement.time.back());
    }
    if (findings.shakerLimits) {
        appendFormat(out, " Shaker (%s, %.0f %% of each rating usable): %s\n", findings.shakerLimits->path.c_str(),
                     100.0 * findings.shakerLimits->usableShare,
                     findings.shaker.quantities.empty() ? "no limits given" : passText(findings.shaker.feasible));
        for (const std::string& line : shakerLines(findings.shaker)) out += "   " + line + "\n";
    }
    if (!measured) {
        appendFormat(out, " Optimum case:          %ld (score %ld, lowest of %zu trials ranked), %d wavelets\n",
                     findings.optimum.trial, findings.optimum.score, history.folder.ranks.size(),
                     history.folder.waveletCount);
    }
    for (const std::string& line : adviceLines(findings, units)) out += " To do: " + line + "\n";
    appendFormat(out, " Verdict:               %s\n", verdictWords(findings));
    return out;
}

std::string reportTableText(const JudgedHistory& history, const ReportFindings& findings) {
    const UnitNames units = unitNamesOf(history.folder.unitSystem);
    const AcceptanceOutcome& a = findings.acceptance;
    std::string out;
    std::string what = "accel.out";
    if (history.measured) {
        what = history.measured->record.path;
        if (history.measured->levelDb != 0.0) appendFormat(what, " (shot at %+.4g dB)", history.measured->levelDb);
    }
    appendFormat(out, "\n Independent SRS of %s against the specification (levels in %s)\n\n", what.c_str(),
                 units.acceleration);
    const ReferenceComparison* reference = findings.reference ? &*findings.reference : nullptr;
    out += "     fn(Hz)        spec         pos         neg     maximax      dB  margin  pass  place";
    out += reference ? "  meas-ref\n" : "\n";
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        const AnalysisPoint& p = a.points[i];
        appendFormat(out, " %10.1f  %10s  %10s  %10s  %10s  %6.2f  %6.2f  %-4s  %-5s", p.frequency,
                     num(p.specLevel).c_str(), num(p.positive).c_str(), num(p.negative).c_str(),
                     num(p.maximax).c_str(), p.judgedDb, p.marginDb, p.passes ? "pass" : "FAIL", placeName(p.place));
        if (reference) appendFormat(out, "  %+8.2f", reference->changeDb[i]);
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += "\n";
    }
    out += "\n";
    out += reportSummaryText(history, findings);
    return out;
}
