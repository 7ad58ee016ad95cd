#include "results/result_files.h"

#include <cstdio>
#include <string>

#include "common/file_errors.h"
#include "common/number_format.h"
#include "results/output_file.h"
#include "results/ranking.h"
#include "results/file_layout.h"
#include "results/run_record_steps.h"
#include "wavelet/synthesis.h"

namespace {

bool openOrReport(OutputFile& file, const ResultsContext& context, const char* name) {
    return openOutputFile(file, context.outputDir, name) || reportUnwritable(name, context.console);
}

bool commitOrReport(OutputFile& file, std::FILE* console) {
    return commitOutputFile(file) || reportUnwritable(file.name.c_str(), console);
}

// The ranking works on copies of the five summary columns, all trialCount
// entries of each; it reads the first n of them.
void copySummariesToRanking(const ResultsContext& context, TrialRanking& ranking) {
    for (int t = 0; t < context.answers.trialCount; ++t) {
        const TrialSummary& s = context.summaries[t];
        ranking.working[accelMeasure][t] = s.peakAccel;
        ranking.working[velMeasure][t] = s.peakVel;
        ranking.working[dispMeasure][t] = s.peakDisp;
        ranking.working[errorMeasure][t] = s.totalError;
        ranking.working[irrorMeasure][t] = s.largestError;
    }
}

bool writeRankingFiles(const ResultsContext& context, TrialRanking& ranking, int n) {
    OutputFile sortedLists, ranks, wavelets;
    if (!openOrReport(sortedLists, context, sortedListsFileName)) return false;
    if (!openOrReport(ranks, context, ranksFileName)) {
        discardOutputFile(sortedLists);
        return false;
    }
    if (!openOrReport(wavelets, context, waveletFileName)) {
        discardOutputFile(sortedLists);
        discardOutputFile(ranks);
        return false;
    }
    const RunAnswers& a = context.answers;
    rankTrials(ranking, n, a.zpa, a.units, context.grid, context.wavelets,
               RankingFiles{sortedLists.stream, ranks.stream, wavelets.stream});
    const bool sortedOk = commitOrReport(sortedLists, context.console);
    const bool ranksOk = sortedOk && commitOrReport(ranks, context.console);
    const bool waveletsOk = ranksOk && commitOrReport(wavelets, context.console);
    if (!sortedOk) discardOutputFile(ranks);
    if (!ranksOk) discardOutputFile(wavelets);
    return waveletsOk;
}

// Writes `text` whole as the file `name` in the output folder.
bool writeOutputText(const ResultsContext& context, const char* name, const std::string& text) {
    OutputFile file;
    if (!openOrReport(file, context, name)) return false;
    std::fwrite(text.data(), 1, text.size(), file.stream);
    return commitOrReport(file, context.console);
}

}  // namespace

double outputSampleRate(double runRate) {
    if (runRate <= 100.0) return runRate;
    if (runRate <= 500.0) return 500.0;
    if (runRate <= 1000.0) return 1000.0;
    if (runRate <= 5000.0) return 5000.0;
    if (runRate <= 10000.0) return 10000.0;
    return runRate;
}

RunSampling samplingAfterResults(const RunAnswers& answers, const RunSampling& current, const FrequencyGrid& grid) {
    RunSampling sampling;
    sampling.timeStep = 1.0 / outputSampleRate(1.0 / current.timeStep);
    double count = answers.duration / sampling.timeStep;
    // The stores hold five times the run's own limit, which no output rate
    // exceeds; the bounds only guard the store against a degenerate
    // specification (a time step that is negative or not a number).
    if (!(count >= 0.0)) count = 0.0;
    if (count > static_cast<double>(sampleCapacity - 1)) count = static_cast<double>(sampleCapacity - 1);
    sampling.sampleCount = static_cast<int>(count);
    sampling.bank = computeFilterBank(grid, answers.dampingRatio, sampling.timeStep);
    return sampling;
}

std::optional<RunSampling> writeResults(const ResultsContext& context, ResultsStores& stores,
                                        const RunSampling& current, int n) {
    copySummariesToRanking(context, stores.ranking);
    if (!writeRankingFiles(context, stores.ranking, n)) return std::nullopt;
    const RunSampling next = samplingAfterResults(context.answers, current, context.grid);
    const TrialRanking& ranking = stores.ranking;
    const int optimum = ranking.optimumCase;
    const std::string waveletText =
        waveletTableText(context.answers.units, waveletRow(context.wavelets, optimum, context.grid));

    // The optimum once more at the run's sampling, which scales its
    // amplitudes to the ZPA again; then its four files at the output
    // sampling, made in memory so that run.out can vouch for them.
    synthesizeTrial(context.wavelets, optimum, context.grid, current.timeStep, current.sampleCount,
                    context.answers.zpa, stores.history);
    const std::vector<ExactWavelet> wavelets = waveletRow(context.wavelets, optimum, context.grid);
    stores.files = historyFilesOf(wavelets, context.grid, next, context.answers.units);
    const HistoryFiles& files = stores.files;
    stores.record.hasChecksums = true;
    stores.record.holds = HistoryKind::plainRun;
    stores.record.checksums = checksumsOf(waveletText, files);
    stores.record.wavelets = wavelets;
    // Before the four files it describes, so none of them is ever older than
    // the run.out that names their run.
    if (!recordResultsStep(stores.record, stores.ranking, n, next, context.outputDir, context.console)) {
        return std::nullopt;
    }

    std::fprintf(context.console, "\n\n Optimum case = %ld \n", static_cast<long>(optimum));
    std::fprintf(context.console, "\n   Peak Accel = %12.3f G  \n\n",
                 ranking.working[accelMeasure][ranking.rank[accelMeasure][optimum]]);
    if (!writeOutputText(context, accelFileName, files.accelText) ||
        !writeOutputText(context, velocityFileName, files.velocityText) ||
        !writeOutputText(context, displacementFileName, files.displacementText) ||
        !writeOutputText(context, srsFileName, files.srsText)) {
        return std::nullopt;
    }
    return next;
}

void captureResults(const ResultsContext& context, const ResultsStores& stores, int n, RunResults& results) {
    results = RunResults{};
    results.record = stores.record;
    const FrequencyGrid& grid = context.grid;
    const HistoryFiles& files = stores.files;
    results.wavelets = stores.record.wavelets;
    for (int j = 0; j < grid.count; ++j) results.srsFrequency.push_back(grid.frequency[j]);
    results.srsPositive = files.srsPositive;
    results.srsNegative = files.srsNegative;
    results.acceleration = files.acceleration;
    results.velocity = files.velocity;
    results.displacement = files.displacement;
    results.scores.assign(stores.ranking.score, stores.ranking.score + n);
    for (int m = 0; m < measureCount; ++m) {
        results.sortedTrials.emplace_back(stores.ranking.order[m], stores.ranking.order[m] + n);
        results.sortedValues.emplace_back(stores.ranking.working[m], stores.ranking.working[m] + n);
    }
    results.trialRows = context.answers.trialCount;
}
