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

// Lines of a time-history file gathered and written a block at a time.
class HistoryLines {
public:
    explicit HistoryLines(std::FILE* stream) : stream_(stream) { text_.reserve(blockBytes + 1024); }
    ~HistoryLines() { flush(); }

    // "%12.Tf" time, then `separator`, "%12.4f" value and " \n".
    void add(double time, int timeDecimals, const char* separator, double value) {
        appendFixed(text_, time, 12, timeDecimals);
        text_ += separator;
        appendFixed(text_, value, 12, historyValueDecimals);
        text_ += " \n";
        if (text_.size() >= blockBytes) flush();
    }

private:
    static constexpr std::size_t blockBytes = 1 << 16;

    void flush() {
        std::fwrite(text_.data(), 1, text_.size(), stream_);
        text_.clear();
    }

    std::FILE* stream_;
    std::string text_;
};

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

// accel.out: the optimum's unscaled wavelet sum at every sample of `output`,
// kept in the history store.
bool writeAccelFile(const ResultsContext& context, ResultsStores& stores, const RunSampling& output) {
    OutputFile file;
    if (!openOrReport(file, context, accelFileName)) return false;
    const int decimals = historyTimeDecimals(output.timeStep);
    const int optimum = stores.ranking.optimumCase;
    double* sample = stores.history.sample;
    {
        HistoryLines lines(file.stream);
        for (int i = 0; i < output.sampleCount; ++i) {
            const double t = static_cast<double>(i) * output.timeStep;
            const double a = waveletSum(context.wavelets, optimum, context.grid, t);
            lines.add(t, decimals, " \t ", a);
            sample[i] = a;
        }
    }
    return commitOrReport(file, context.console);
}

bool writeMotionFiles(const ResultsContext& context, ResultsStores& stores, const RunSampling& output) {
    const int nt = output.sampleCount;
    const double dt = output.timeStep;
    double* velocity = stores.velocity.value;
    integrateVelocity(stores.history.sample, nt, dt, velocity);
    integrateDisplacement(velocity, nt, dt, stores.displacement);

    const int decimals = historyTimeDecimals(dt);
    const double* series[2] = {velocity, stores.displacement};
    const double factor[2] = {velocityFactor(context.answers.units), displacementFactor(context.answers.units)};
    const char* name[2] = {velocityFileName, displacementFileName};
    for (int s = 0; s < 2; ++s) {
        OutputFile file;
        if (!openOrReport(file, context, name[s])) return false;
        {
            HistoryLines lines(file.stream);
            for (int i = 0; i <= nt; ++i) lines.add(static_cast<double>(i) * dt, decimals, " ", series[s][i] * factor[s]);
        }
        if (!commitOrReport(file, context.console)) return false;
    }
    return true;
}

bool writeSrsFile(const ResultsContext& context, const ResponseSpectrum& spectrum) {
    OutputFile file;
    if (!openOrReport(file, context, srsFileName)) return false;
    for (int j = 0; j < context.grid.count; ++j) {
        std::fprintf(file.stream, "%12.*f \t %s \t %s\n", srsFrequencyDecimals, context.grid.frequency[j],
                     formatExponent(spectrum.positivePeak[j], 12, srsPeakDigits).c_str(),
                     formatExponent(spectrum.negativePeak[j], 12, srsPeakDigits).c_str());
    }
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
    // Before the four files it describes, so none of them is ever older than
    // the run.out that names their run.
    if (!recordResultsStep(stores.record, stores.ranking, n, next, context.outputDir, context.console)) {
        return std::nullopt;
    }

    const TrialRanking& ranking = stores.ranking;
    const int optimum = ranking.optimumCase;
    std::fprintf(context.console, "\n\n Optimum case = %ld \n", static_cast<long>(optimum));
    std::fprintf(context.console, "\n   Peak Accel = %12.3f G  \n\n",
                 ranking.working[accelMeasure][ranking.rank[accelMeasure][optimum]]);

    synthesizeTrial(context.wavelets, optimum, context.grid, current.timeStep, current.sampleCount,
                    context.answers.zpa, stores.history);
    if (!writeAccelFile(context, stores, next)) return std::nullopt;
    if (!writeMotionFiles(context, stores, next)) return std::nullopt;
    computeResponseSpectrum(stores.history.sample, next.sampleCount, context.grid, next.bank, next.timeStep,
                            stores.spectrum);
    if (!writeSrsFile(context, stores.spectrum)) return std::nullopt;
    return next;
}

void captureResults(const ResultsContext& context, const ResultsStores& stores, const RunSampling& output, int n,
                    RunResults& results) {
    results = RunResults{};
    results.record = stores.record;
    const int optimum = stores.ranking.optimumCase;
    const FrequencyGrid& grid = context.grid;
    for (int j = 0; j < grid.count; ++j) {
        results.wavelets.push_back({grid.frequency[j], context.wavelets.amplitude[optimum][j],
                                    context.wavelets.nhs[optimum][j], context.wavelets.delay[optimum][j]});
        results.srsFrequency.push_back(grid.frequency[j]);
        results.srsPositive.push_back(stores.spectrum.positivePeak[j]);
        results.srsNegative.push_back(stores.spectrum.negativePeak[j]);
    }
    const int nt = output.sampleCount;
    results.acceleration.assign(stores.history.sample, stores.history.sample + nt);
    const double velocity = velocityFactor(context.answers.units);
    const double displacement = displacementFactor(context.answers.units);
    for (int i = 0; i <= nt; ++i) {
        results.velocity.push_back(stores.velocity.value[i] * velocity);
        results.displacement.push_back(stores.displacement[i] * displacement);
    }
    results.scores.assign(stores.ranking.score, stores.ranking.score + n);
    for (int m = 0; m < measureCount; ++m) {
        results.sortedTrials.emplace_back(stores.ranking.order[m], stores.ranking.order[m] + n);
        results.sortedValues.emplace_back(stores.ranking.working[m], stores.ranking.working[m] + n);
    }
    results.trialRows = context.answers.trialCount;
}
