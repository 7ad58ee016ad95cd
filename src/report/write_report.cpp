#include "report/write_report.h"

#include <cmath>

#include "analysis/independent_srs.h"
#include "common/check_time.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "report/report_files.h"
#include "report/report_page.h"
#include "report/report_plots.h"
#include "report/report_table.h"
#include "report/svg_writer.h"
#include "run_folder/consistency.h"

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

// The reference's independent SRS at the shot's analysis points and
// damping, scaled to its level, and what the shaker and controller changed.
bool compareWithReference(const RunFolder& reference, const MeasuredShot& shot, ReportFindings& findings,
                          std::string& error) {
    const AcceptanceOutcome& a = findings.acceptance;
    ConsistencyOutcome consistency;
    if (!checkRunConsistency(reference, nullptr, a.run.dampingRatio, consistency, error)) {
        error = "the reference " + reference.dir + ": " + error;
        return false;
    }
    if (!reference.runRecord) {
        error = "the reference " + reference.dir + " has no run.out";
        return false;
    }
    std::vector<double> frequencies;
    for (const AnalysisPoint& p : a.points) frequencies.push_back(p.frequency);
    IndependentSrsSettings settings;
    settings.dampingRatio = a.run.dampingRatio;
    const IndependentSrs srs = computeIndependentSrs(reference.acceleration.value,
                                                     reference.runRecord->outputTimeStep, frequencies, settings);
    const double factor = std::pow(10.0, shot.levelDb / 20.0);
    ReferenceComparison comparison;
    comparison.dir = reference.dir;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        comparison.positive.push_back(factor * srs.positive[i]);
        comparison.negative.push_back(factor * srs.negative[i]);
        const double played = std::max(comparison.positive.back(), comparison.negative.back());
        comparison.changeDb.push_back(deviationDb(a.points[i].maximax, played));
    }
    comparison.spread = spreadOf(comparison.changeDb, 1.0);
    findings.reference = std::move(comparison);
    return true;
}

}  // namespace

int reportExitStatus(ReportStatus status) {
    switch (status) {
        case ReportStatus::passed: return 0;
        case ReportStatus::checkFailed: return 2;
        default: return 1;
    }
}

SpecText specificationJudged(const ReportRequest& request) {
    const double levelDb = request.history.measured ? request.history.measured->levelDb : 0.0;
    if (levelDb == 0.0) return request.specification;
    SpecText scaled = request.specification;
    const double factor = std::pow(10.0, levelDb / 20.0);
    for (int i = 0; i < scaled.table.count; ++i) scaled.table.level[i] *= factor;
    std::string note;
    appendFormat(note, "the shot is judged at %+.4g dB: against the specification's levels times %.4g", levelDb, factor);
    scaled.notes.push_back(note);
    return scaled;
}

bool judgeHistory(const ReportRequest& request, ReportFindings& findings, std::string& error) {
    const SpecText spec = specificationJudged(request);
    const JudgedHistory& history = request.history;
    const RunFolder& folder = history.folder;
    const AcceptanceRules& rules = request.rules;
    if (history.measured) {
        findings = assessMeasured(history, rules.outer, request.limits);
        judgeMeasured(spec, *history.measured, rules, findings.acceptance);
        if (history.reference && !compareWithReference(*history.reference, *history.measured, findings, error)) {
            return false;
        }
    } else {
        findings = assessRun(spec, history, rules.outer, request.limits, rules.polarity);
        findings.historyKind = history.kind;
        if (!judgeRun(spec, folder, rules, findings.acceptance, error)) return false;
        // A refined history's level is its wavelets', not the ZPA's: the
        // run's guidance does not apply to it.
        if (history.kind != HistoryKind::plainRun) {
            AcceptanceGuidance& guidance = findings.acceptance.guidance;
            guidance = AcceptanceGuidance{};
            guidance.suggestedZpa = findings.acceptance.run.zpa;
        }
    }
    if (request.shaker) {
        findings.shakerLimits = request.shaker;
        // A measured record's stroke and velocity are its estimated ones: a
        // run's come from the integration of its history from rest.
        const ShakerPeaks peaks =
            history.measured ? shakerPeaksOfMotion(findings.motion.acceleration.magnitude,
                                                   findings.motion.velocity.magnitude,
                                                   findings.motion.displacement.magnitude, folder.unitSystem)
                             : shakerPeaksOf(folder.acceleration.value, findings.acceptance.run.timeStep,
                                             folder.unitSystem);
        findings.shaker = judgeShaker(*request.shaker, peaks);
    }
    // A drive's spectrum departs from the specification on purpose: it is
    // judged on its consistency, its motion and the shaker alone.
    const bool spectrumCounts = history.kind != HistoryKind::drive;
    findings.passes = (findings.acceptance.passes || !spectrumCounts) && findings.motionPasses &&
                      findings.shaker.feasible;
    return true;
}

ReportResult writeReport(const ReportRequest& request, std::ostream& out) {
    ReportResult result;
    if (!judgeHistory(request, result.findings, result.error)) return result;
    const ReportFindings& findings = result.findings;
    const SpecText spec = specificationJudged(request);
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
        {&names.analysis, analysisCsv(findings.acceptance, findings.reference ? &*findings.reference : nullptr)},
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
