#include "report/write_report.h"

#include "common/check_time.h"
#include "common/text_file.h"
#include "report/report_files.h"
#include "report/report_page.h"
#include "report/report_plots.h"
#include "report/report_table.h"
#include "report/svg_writer.h"

namespace {

// The report never writes over a file it reads: the specification, the band
// file or the shaker file may carry one of its output names in the output
// folder.
bool outputsSpareInputs(const ReportFileNames& names, const ReportRequest& request, std::string& error) {
    const std::vector<CheckInput> inputs = checkInputs(request.specification.path, request.rules, request.shaker);
    for (const std::string* output : {&names.srsPlot, &names.historyPlot, &names.page, &names.analysis, &names.json}) {
        if (const CheckInput* input = inputAt(inputs, *output)) {
            error = "the " + std::string(input->what) + " " + input->path + " is " + *output +
                    ", which the report writes: rename it, or name the report's files with --prefix";
            return false;
        }
    }
    return true;
}

ReportFileNames fileNamesIn(const std::string& outputDir, const std::string& prefix) {
    const std::string dir = outputDir.empty() || outputDir.back() == '/' ? outputDir : outputDir + "/";
    const std::string stem = dir + (prefix.empty() ? "" : prefix + "-");
    return {stem + srsPlotFileName, stem + historyPlotFileName, stem + reportPageFileName, stem + analysisFileName,
            stem + reportJsonFileName};
}

}  // namespace

int reportExitStatus(ReportStatus status) {
    switch (status) {
        case ReportStatus::passed: return 0;
        case ReportStatus::checkFailed: return 2;
        default: return 1;
    }
}

bool judgeHistory(const ReportRequest& request, ReportFindings& findings, std::string& error) {
    const SpecText& spec = request.specification;
    const RunFolder& folder = request.history.folder;
    const AcceptanceRules& rules = request.rules;
    findings = assessRun(spec, request.history, rules.outer, request.limits, rules.polarity);
    findings.historyKind = request.history.kind;
    if (!judgeRun(spec, folder, rules, findings.acceptance, error)) return false;
    // A refined history's level is its wavelets', not the ZPA's: the run's
    // guidance does not apply to it.
    if (request.history.kind != HistoryKind::plainRun) {
        AcceptanceGuidance& guidance = findings.acceptance.guidance;
        guidance = AcceptanceGuidance{};
        guidance.suggestedZpa = findings.acceptance.run.zpa;
    }
    if (request.shaker) {
        findings.shakerLimits = request.shaker;
        findings.shaker = judgeShaker(*request.shaker, shakerPeaksOf(folder.acceleration.value,
                                                                     findings.acceptance.run.timeStep,
                                                                     folder.unitSystem));
    }
    findings.passes = findings.acceptance.passes && findings.motionPasses && findings.shaker.feasible;
    return true;
}

ReportResult writeReport(const ReportRequest& request, std::ostream& out) {
    ReportResult result;
    if (!judgeHistory(request, result.findings, result.error)) return result;
    const ReportFindings& findings = result.findings;
    const SpecText& spec = request.specification;
    const JudgedHistory& history = request.history;
    result.table = reportTableText(history, findings);

    const ReportFileNames names = fileNamesIn(request.outputDir, request.prefix);
    if (!outputsSpareInputs(names, request, result.error)) return result;
    const std::string srsSvg = srsPlotSvg(spec, history, findings, "srs");
    const std::string historySvg = historyPlotSvg(history, findings, "history");
    // The page records the command as typed, without the program's name.
    const std::vector<std::string> arguments(request.commandLine.begin() + (request.commandLine.empty() ? 0 : 1),
                                             request.commandLine.end());
    const CheckRecord check{checkTimeUtc(),
                            request.outputDir,
                            arguments,
                            request.commandLine.empty() ? "kolvane_report" : request.commandLine.front(),
                            request.title,
                            request.note,
                            request.exports};
    const std::pair<const std::string*, std::string> files[] = {
        {&names.srsPlot, standaloneSvg(srsSvg)},
        {&names.historyPlot, standaloneSvg(historySvg)},
        {&names.page, reportPageHtml(spec, history, findings, check, srsSvg, historySvg)},
        {&names.analysis, analysisCsv(findings.acceptance)},
        {&names.json, reportJson(spec, history, findings, check)}};
    for (const auto& [path, text] : files) {
        if (!writeTextFile(*path, text, result.error)) return result;
        result.writtenFiles.push_back(*path);
    }
    out << result.table;
    out << "\n Plots: " << names.srsPlot << ", " << names.historyPlot << "; page: " << names.page
        << "\n Tables: " << names.analysis << ", " << names.json << "\n";
    result.status = findings.passes ? ReportStatus::passed : ReportStatus::checkFailed;
    return result;
}
