#include "report/report_page.h"

#include "common/number_format.h"
#include "report/readable_number.h"
#include "report/report_table.h"
#include "report/svg_writer.h"

namespace {

const char* pageStyle =
    "body{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif;margin:24px;color:#111;background:#fff}\n"
    "h1{font-size:22px;margin:0 0 6px}\n"
    "h2{font-size:17px;margin:18px 0 6px}\n"
    "p.source{color:#555;margin:0 0 8px}\n"
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
    "@page{size:auto;margin:15mm 12mm}\n"
    "@media print{body{margin:0;font-size:11px}pre.summary{font-size:10px}table{font-size:10px}\n"
    "thead{display:table-header-group}tr,figure{break-inside:avoid;page-break-inside:avoid}\n"
    "th,td{padding:2px 5px}}\n";

std::string cell(const std::string& text, bool fail = false) {
    return std::string(fail ? "<td class=\"fail\">" : "<td>") + escapeXml(text) + "</td>";
}

}  // namespace

std::string reportPageHtml(const std::string& specPath, const ReportInputs& inputs, const ReportFindings& findings,
                           const std::string& srsSvg, const std::string& historySvg) {
    const UnitNames units = unitNamesOf(inputs.unitSystem);
    const AcceptanceOutcome& a = findings.acceptance;
    std::string page;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Shock test verification report</title>\n<style>\n";
    page += pageStyle;
    page += "</style>\n</head>\n<body id=\"kolvane-report\">\n";
    page += "<h1>Shock test verification report</h1>\n";
    page += "<p class=\"source\">Specification: " + escapeXml(specPath) + "</p>\n";
    page += "<p class=\"source\" id=\"run-settings\">Run: " + escapeXml(runSettingsText(a.run, units)) + "</p>\n";
    page += findings.passes ? "<p><span class=\"verdict pass\" id=\"verdict\">PASS</span></p>\n"
                            : "<p><span class=\"verdict fail\" id=\"verdict\">FAIL</span></p>\n";
    const std::vector<std::string> advice = adviceLines(findings, units);
    if (!advice.empty()) {
        page += "<h2>What to change</h2>\n<ul class=\"guidance\" id=\"guidance\">\n";
        for (const std::string& line : advice) page += "<li>" + escapeXml(line) + "</li>\n";
        page += "</ul>\n";
    }
    page += "<pre class=\"summary\">" + escapeXml(reportSummaryText(inputs, findings)) + "</pre>\n";
    page += "<figure>\n" + srsSvg + "</figure>\n";
    page += "<figure>\n" + historySvg + "</figure>\n";

    page += "<table id=\"srs-table\">\n<thead><tr><th>fn (Hz)</th>";
    appendFormat(page, "<th>spec (%s)</th><th>pos (%s)</th><th>neg (%s)</th><th>maximax (%s)</th>",
                 units.acceleration, units.acceleration, units.acceleration, units.acceleration);
    page += "<th>dB</th><th>margin (dB)</th><th>band (dB)</th><th>verdict</th><th>place</th></tr></thead>\n<tbody>\n";
    for (const AnalysisPoint& p : a.points) {
        page += p.passes ? "<tr>" : "<tr class=\"fail\">";
        std::string db, margin, band;
        appendFormat(db, "%+.2f", p.judgedDb);
        appendFormat(margin, "%+.2f", p.marginDb);
        appendFormat(band, "%+.1f / %+.1f", p.band.lowDb, p.band.highDb);
        page += cell(readableNumber(p.frequency)) + cell(readableNumber(p.specLevel)) +
                cell(readableNumber(p.positive)) + cell(readableNumber(p.negative)) +
                cell(readableNumber(p.maximax)) + cell(db, !p.passes) + cell(margin, !p.passes) + cell(band) +
                cell(p.passes ? "pass" : "FAIL", !p.passes) + cell(placeName(p.place)) + "</tr>\n";
    }
    page += "</tbody>\n</table>\n</body>\n</html>\n";
    return page;
}
