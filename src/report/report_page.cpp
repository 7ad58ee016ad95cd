#include "report/report_page.h"

#include "report/report_table.h"
#include "report/svg_writer.h"
#include "common/number_format.h"

namespace {

const char* pageStyle =
    "body{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif;margin:24px;color:#111;background:#fff}\n"
    "h1{font-size:22px;margin:0 0 6px}\n"
    "p.source{color:#555;margin:0 0 14px}\n"
    ".verdict{display:inline-block;padding:4px 14px;font-weight:bold;border-radius:4px;color:#fff}\n"
    ".verdict.pass{background:#2a8c2a}.verdict.fail{background:#c62828}\n"
    "pre.summary{background:#f4f4f4;border:1px solid #ddd;padding:10px;font-size:13px}\n"
    "figure{margin:18px 0}\n"
    "table{border-collapse:collapse;font-size:13px;font-family:'DejaVu Sans Mono',monospace}\n"
    "th,td{border:1px solid #ccc;padding:3px 8px;text-align:right}\n"
    "th{background:#eee}\n"
    "tr.fail td{background:#fde2e2}\n"
    "td.fail{color:#b00020;font-weight:bold}\n";

}  // namespace

std::string reportPageHtml(const std::string& specPath, const ReportInputs& inputs, const ReportFindings& findings,
                           const std::string& srsSvg, const std::string& historySvg) {
    const UnitNames units = unitNamesOf(inputs.unitSystem);
    std::string page;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Shock test verification report</title>\n<style>\n";
    page += pageStyle;
    page += "</style>\n</head>\n<body id=\"kolvane-report\">\n";
    page += "<h1>Shock test verification report</h1>\n";
    page += "<p class=\"source\">Specification: " + escapeXml(specPath) + "</p>\n";
    page += findings.passes ? "<p><span class=\"verdict pass\" id=\"verdict\">PASS</span></p>\n"
                            : "<p><span class=\"verdict fail\" id=\"verdict\">FAIL</span></p>\n";
    page += "<pre class=\"summary\">" + escapeXml(reportSummaryText(inputs, findings)) + "</pre>\n";
    page += "<figure>\n" + srsSvg + "</figure>\n";
    page += "<figure>\n" + historySvg + "</figure>\n";

    page += "<table id=\"srs-table\">\n<tr><th>fn (Hz)</th>";
    appendFormat(page, "<th>spec (%s)</th><th>pos (%s)</th><th>neg (%s)</th>", units.acceleration,
                 units.acceleration, units.acceleration);
    page += "<th>pos (dB)</th><th>neg (dB)</th><th>verdict</th></tr>\n";
    for (const SrsRow& row : findings.srs.rows) {
        const bool passes = row.positivePasses && row.negativePasses;
        page += passes ? "<tr>" : "<tr class=\"fail\">";
        appendFormat(page, "<td>%.3f</td><td>%s</td><td>%s</td><td>%s</td>", row.frequency,
                     formatExponent(row.specLevel, 0, 5).c_str(), formatExponent(row.positive, 0, 5).c_str(),
                     formatExponent(row.negative, 0, 5).c_str());
        appendFormat(page, "<td%s>%.2f</td><td%s>%.2f</td><td%s>%s</td></tr>\n",
                     row.positivePasses ? "" : " class=\"fail\"", row.positiveDb,
                     row.negativePasses ? "" : " class=\"fail\"", row.negativeDb, passes ? "" : " class=\"fail\"",
                     rowVerdictText(row));
    }
    page += "</table>\n</body>\n</html>\n";
    return page;
}
