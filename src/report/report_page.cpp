#include "report/report_page.h"

#include "common/check_time.h"
#include "common/number_format.h"
#include "model/constants.h"
#include "common/readable_number.h"
#include "report/report_table.h"
#include "report/svg_writer.h"
#include "run_folder/folder_verdict.h"

namespace {

const char* pageStyle =
    "body{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif;margin:24px;color:#111;background:#fff}\n"
    "h1{font-size:22px;margin:0 0 6px}\n"
    "h2{font-size:17px;margin:18px 0 6px;break-after:avoid;page-break-after:avoid}\n"
    "p.source{color:#555;margin:0 0 8px}\n"
    "table.record{font-family:inherit;font-size:12px;margin:0 0 8px}\n"
    "table.record th,table.record td{border:none;padding:1px 8px 1px 0;text-align:left;vertical-align:top}\n"
    "table.record th{background:none;color:#555;font-weight:normal;white-space:nowrap}\n"
    ".verdict{display:inline-block;padding:4px 14px;font-weight:bold;border-radius:4px;color:#fff}\n"
    ".verdict.pass{background:#2a8c2a}.verdict.fail{background:#c62828}\n"
    "pre.summary{background:#f4f4f4;border:1px solid #ddd;padding:10px;font-size:13px;white-space:pre-wrap}\n"
    "ul.guidance li{margin:4px 0}\n"
    "figure{margin:18px 0}\n"
    "figure svg{max-width:100%;height:auto}\n"
    "table{border-collapse:collapse;font-size:13px;font-family:'DejaVu Sans Mono',monospace}\n"
    "th,td{border:1px solid #ccc;padding:3px 8px;text-align:right}\n"
    "th{background:#eee}\n"
    "tr.fail td{background:#fde2e2}\n"
    "td.fail{color:#b00020;font-weight:bold}\n"
    "@page{size:auto;margin:12mm 12mm}\n"
    // Printed, page 1 holds the record, the verdict, the settings and the SRS
    // plot on A4 and on Letter alike; every later section starts on its own.
    "@media print{body{margin:0;font-size:11px}h1{font-size:18px}p.source{font-size:10px;margin:0 0 4px}\n"
    "table.record{font-size:9.5px}figure{margin:6px 0}figure.srs svg{width:100%;max-height:150mm}\n"
    "section.later{break-before:page;page-break-before:always}\n"
    "pre.summary{font-size:9px}table{font-size:10px}\n"
    "thead{display:table-header-group}tr,figure{break-inside:avoid;page-break-inside:avoid}\n"
    "th,td{padding:2px 5px}}\n";

std::string cell(const std::string& text, bool fail = false) {
    return std::string(fail ? "<td class=\"fail\">" : "<td>") + escapeXml(text) + "</td>";
}

std::string recordRow(const char* heading, const std::string& text, const char* id) {
    return std::string("<tr id=\"") + id + "\"><th>" + heading + "</th><td>" + escapeXml(text) + "</td></tr>\n";
}

// An argument as a shell would need it typed.
std::string shellWord(const std::string& word) {
    if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                                "_-+=.,:/@%") == std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string shakerText(const ShakerLimits& shaker) {
    std::string text = shaker.path + ":";
    const struct {
        const char* name;
        const std::optional<double>& value;
        const char* unit;
    } ratings[] = {{"stroke", shaker.strokeMmPkPk, "mm peak to peak"},
                   {"velocity", shaker.velocityMs, "m/s"},
                   {"acceleration", shaker.accelerationG, "G"},
                   {"force", shaker.forceN, "N"},
                   {"moving mass", shaker.movingMassKg, "kg"},
                   {"payload", shaker.payloadKg, "kg"}};
    for (const auto& rating : ratings) {
        if (rating.value) text += std::string(" ") + rating.name + " " + readableNumber(*rating.value) + " " + rating.unit + ",";
    }
    appendFormat(text, " %.0f %% of each usable", 100.0 * shaker.usableShare);
    return text;
}

std::string recordTable(const SpecText& spec, const JudgedHistory& history, const ReportFindings& findings,
                        const CheckRecord& check) {
    std::string command = check.program;
    for (const std::string& argument : check.arguments) {
        command += ' ';
        command += shellWord(argument);
    }
    std::string run = "folder " + check.outputDir;
    if (history.folder.runRecord) {
        run += ", made by kolvane_zpa " + history.folder.runRecord->version + " (run.out)";
    } else {
        run += ", no run.out";
    }
    std::string measured;
    if (history.measured) {
        const MeasuredShot& shot = *history.measured;
        appendFormat(measured, "%s, %s, FNV-1a 64 checksum %016llx; shock window %s to %s s (%s)",
                     shot.record.path.c_str(), shot.record.channel.c_str(),
                     static_cast<unsigned long long>(shot.record.checksum),
                     readableNumber(shot.timeOf(shot.window.start)).c_str(),
                     readableNumber(shot.timeOf(shot.window.end - 1)).c_str(),
                     shot.window.given ? "--window" : "found");
        if (shot.window.preTrigger) measured += ", offset " + readableNumber(shot.window.offset) + " removed";
        if (shot.levelDb != 0.0) appendFormat(measured, "; shot at %+.4g dB", shot.levelDb);
    }
    std::string specification;
    appendFormat(specification, "%s, %d points (listed below), FNV-1a 64 checksum %016llx", spec.path.c_str(),
                 spec.table.count, static_cast<unsigned long long>(spec.checksum));
    std::string table = "<table class=\"record\" id=\"record\">\n";
    if (!check.title.empty()) table += recordRow("Test item", check.title, "record-title");
    if (!check.note.empty()) table += recordRow("Note", check.note, "record-note");
    table += recordRow("Checked", check.checkedUtc + " by kolvane_report " + programVersion, "record-time");
    if (history.measured) {
        table += recordRow("Measured", measured, "record-measured");
        if (history.reference) {
            std::string reference = history.reference->dir;
            if (history.reference->runRecord && history.reference->runRecord->hasChecksums) {
                reference += " (" + std::string(historyKindName(history.reference->runRecord->holds)) +
                             ", accel.out " + historyChecksumText(*history.reference->runRecord) + ")";
            }
            table += recordRow("Reference", reference, "record-reference");
        }
    } else {
        table += recordRow("Run", run, "record-run");
    }
    if (history.kind == HistoryKind::drive && history.folder.runRecord) {
        const RunRecord& record = *history.folder.runRecord;
        table += recordRow("Drive", "corrected from " + record.driveMeasured + "; played from " +
                                        record.driveReference + "; " + record.driveCorrection,
                           "record-drive");
    }
    table += recordRow("Specification", specification, "record-spec");
    table += recordRow("Command", command, "record-command");
    if (findings.shakerLimits) table += recordRow("Shaker", shakerText(*findings.shakerLimits), "record-shaker");
    for (const ExportRecord& exported : check.exports) {
        std::string files;
        for (const ExportedFile& file : exported.files) {
            appendFormat(files, "%s%s at %.10g per second, FNV-1a 64 %016llx", files.empty() ? "" : "; ",
                         file.name.c_str(), file.sampleRateHz,
                         static_cast<unsigned long long>(file.checksum));
        }
        table += recordRow("Exported", files + " (" + exported.metadataFile + "); checked " + exported.check,
                           "record-export");
    }
    return table + "</table>\n";
}

std::string specTable(const SpecText& spec, const UnitNames& units) {
    std::string table = "<table id=\"spec-points\">\n<thead><tr><th>point</th><th>fn (Hz)</th>";
    appendFormat(table, "<th>level (%s)</th></tr></thead>\n<tbody>\n", units.acceleration);
    for (int i = 0; i < spec.table.count; ++i) {
        table += "<tr>" + cell(std::to_string(i + 1)) + cell(readableNumber(spec.table.frequency[i])) +
                 cell(readableNumber(spec.table.level[i])) + "</tr>\n";
    }
    return table + "</tbody>\n</table>\n";
}

}  // namespace

std::string checkTimeUtc() { return checkTimeText("%Y-%m-%d %H:%M:%S UTC"); }

std::string reportPageHtml(const SpecText& spec, const JudgedHistory& history, const ReportFindings& findings,
                           const CheckRecord& check, const std::string& srsSvg, const std::string& historySvg) {
    const UnitNames units = unitNamesOf(history.folder.unitSystem);
    const AcceptanceOutcome& a = findings.acceptance;
    std::string page;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Shock test verification report</title>\n<style>\n";
    page += pageStyle;
    page += "</style>\n</head>\n<body id=\"kolvane-report\">\n";
    page += "<h1>Shock test verification report</h1>\n";
    page += recordTable(spec, history, findings, check);
    page += std::string("<p><span class=\"verdict ") + (findings.passes ? "pass" : "fail") + "\" id=\"verdict\">" +
            verdictWords(findings) + "</span></p>\n";
    // A drive's lineage stands in the record above: the settings' first line only.
    const std::string settings = judgedSettingsText(history, a.run, units);
    page += "<p class=\"source\" id=\"run-settings\">" + escapeXml(settings.substr(0, settings.find('\n'))) +
            "</p>\n";
    std::string glance;
    appendFormat(glance, "SRS against the specification: %+.2f to %+.2f dB, median %+.2f dB, %.0f %% within +-1 dB. "
                         "Peaks: acceleration %s %s",
                 a.spread.minDb, a.spread.maxDb, a.spread.medianDb, 100.0 * a.spread.withinShare,
                 readableNumber(findings.motion.acceleration.magnitude).c_str(), units.acceleration);
    if (motionShown(history, findings)) {
        appendFormat(glance, ", velocity %s %s, displacement %s %s%s", 
                     readableNumber(findings.motion.velocity.magnitude).c_str(), units.velocity,
                     readableNumber(findings.motion.displacement.magnitude).c_str(), units.displacement,
                     history.measured ? " (estimated)" : "");
    }
    glance += ".";
    if (findings.reference) {
        const DeviationSpread& change = findings.reference->spread;
        appendFormat(glance, " Measured less the reference: %+.2f to %+.2f dB, median %+.2f dB.", change.minDb,
                     change.maxDb, change.medianDb);
    }
    page += "<p class=\"source\" id=\"deviation\">" + escapeXml(glance) + "</p>\n";
    page += "<figure class=\"srs\">\n" + srsSvg + "</figure>\n";

    // What a failure needs follows the plot on page 1, as far as it goes.
    const std::vector<std::string> advice = adviceLines(findings, units);
    if (!advice.empty()) {
        page += "<h2>What to change</h2>\n<ul class=\"guidance\" id=\"guidance\">\n";
        for (const std::string& line : advice) page += "<li>" + escapeXml(line) + "</li>\n";
        page += "</ul>\n";
    }
    page += "<section class=\"later\">\n<h2>Summary</h2>\n<pre class=\"summary\">" + escapeXml(reportSummaryText(history, findings)) + "</pre>\n";
    page += "<figure class=\"history\">\n" + historySvg + "</figure>\n";
    page += "<h2>Specification points</h2>\n" + specTable(spec, units);
    page += "</section>\n<section class=\"later\">\n<h2>Every analysis point</h2>\n";

    page += "<table id=\"srs-table\">\n<thead><tr><th>fn (Hz)</th>";    appendFormat(page, "<th>spec (%s)</th><th>pos (%s)</th><th>neg (%s)</th><th>maximax (%s)</th>",
                 units.acceleration, units.acceleration, units.acceleration, units.acceleration);
    page += "<th>dB</th><th>margin (dB)</th><th>band (dB)</th><th>verdict</th><th>place</th>";
    page += findings.reference ? "<th>measured &minus; reference (dB)</th></tr></thead>\n<tbody>\n"
                               : "</tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        const AnalysisPoint& p = a.points[i];
        page += p.passes ? "<tr>" : "<tr class=\"fail\">";
        std::string db, margin, band;
        appendFormat(db, "%+.2f", p.judgedDb);
        appendFormat(margin, "%+.2f", p.marginDb);
        appendFormat(band, "%+.1f / %+.1f", p.band.lowDb, p.band.highDb);
        page += cell(readableNumber(p.frequency)) + cell(readableNumber(p.specLevel)) +
                cell(readableNumber(p.positive)) + cell(readableNumber(p.negative)) +
                cell(readableNumber(p.maximax)) + cell(db, !p.passes) + cell(margin, !p.passes) + cell(band) +
                cell(p.passes ? "pass" : "FAIL", !p.passes) + cell(placeName(p.place));
        if (findings.reference) {
            std::string change;
            appendFormat(change, "%+.2f", findings.reference->changeDb[i]);
            page += cell(change);
        }
        page += "</tr>\n";
    }
    page += "</tbody>\n</table>\n</section>\n</body>\n</html>\n";
    return page;
}
