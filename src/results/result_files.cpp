#include "results/result_files.h"

#include <cstdio>
#include <string>

#include "common/file_errors.h"
#include "common/number_format.h"
#include "results/output_file.h"
#include "results/ranking.h"
#include "results/run_record_steps.h"
#include "wavelet/synthesis.h"

namespace {

bool openOrReport(OutputFile& file, const char* name, std::FILE* console) {
    return openOutputFile(file, name) || reportUnwritable(name, console);
}

bool commitOrReport(OutputFile& file, std::FILE* console) {
    return commitOutputFile(file) || reportUnwritable(file.name.c_str(), console);
}

// Above 10000 samples per second "%12.5f" repeats times, so the time column
// then carries eight decimals.
int timeDecimals(double timeStep) { return 1.0 / timeStep > 10000.0 ? 8 : 5; }

// Lines of a time-history file gathered and written a block at a time.
class HistoryLines {
public:
    explicit HistoryLines(std::FILE* stream) : stream_(stream) { text_.reserve(blockBytes + 1024); }
    ~HistoryLines() { flush(); }

    // "%12.Tf" time, then `separator`, "%12.4f" value and " \n".
    void add(double time, int timeDecimals, const char* separator, double value) {
        appendFixed(text_, time, 12, timeDecimals);
        text_ += separator;
        appendFixed(text_, value, 12, 4);
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
void copySummariesToRanking(RunState& state) {
    TrialRanking& ranking = state.ranking;
    for (int t = 0; t < state.parameters.trialCount; ++t) {
        const TrialSummary& s = state.summary[t];
        ranking.working[accelMeasure][t] = s.peakAccel;
        ranking.working[velMeasure][t] = s.peakVel;
        ranking.working[dispMeasure][t] = s.peakDisp;
        ranking.working[errorMeasure][t] = s.totalError;
        ranking.working[irrorMeasure][t] = s.largestError;
    }
}

bool writeRankingFiles(RunState& state, int n, std::FILE* console) {
    OutputFile sortedLists, ranks, wavelets;
    if (!openOrReport(sortedLists, "rank_d.out", console)) return false;
    if (!openOrReport(ranks, "rank.out", console)) {
        discardOutputFile(sortedLists);
        return false;
    }
    if (!openOrReport(wavelets, "wavelet.out", console)) {
        discardOutputFile(sortedLists);
        discardOutputFile(ranks);
        return false;
    }
    const RunParameters& p = state.parameters;
    rankTrials(state.ranking, n, p.zpa, p.units, state.grid, state.wavelets,
               RankingFiles{sortedLists.stream, ranks.stream, wavelets.stream});
    const bool sortedOk = commitOrReport(sortedLists, console);
    const bool ranksOk = sortedOk && commitOrReport(ranks, console);
    const bool waveletsOk = ranksOk && commitOrReport(wavelets, console);
    if (!sortedOk) discardOutputFile(ranks);
    if (!ranksOk) discardOutputFile(wavelets);
    return waveletsOk;
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

OutputSampling outputSampling(const RunParameters& parameters) {
    OutputSampling sampling;
    sampling.timeStep = 1.0 / outputSampleRate(1.0 / parameters.timeStep);
    double count = parameters.duration / sampling.timeStep;
    // The stores hold five times the run's own limit, which no output rate
    // exceeds; the bounds only guard the store against a degenerate
    // specification (a time step that is negative or not a number).
    if (!(count >= 0.0)) count = 0.0;
    if (count > static_cast<double>(sampleCapacity - 1)) count = static_cast<double>(sampleCapacity - 1);
    sampling.sampleCount = static_cast<int>(count);
    return sampling;
}

RunSampling samplingAfterResults(const RunParameters& parameters, const FrequencyGrid& grid) {
    const OutputSampling output = outputSampling(parameters);
    RunSampling sampling;
    sampling.timeStep = output.timeStep;
    sampling.sampleCount = output.sampleCount;
    sampling.bank = computeFilterBank(grid, parameters.dampingRatio, output.timeStep);
    return sampling;
}

bool writeAccelFile(RunState& state, const RunSampling& next, std::FILE* console) {
    OutputFile file;
    if (!openOrReport(file, "accel.out", console)) return false;
    RunParameters& p = state.parameters;
    p.timeStep = next.timeStep;
    p.sampleCount = next.sampleCount;

    const int decimals = timeDecimals(p.timeStep);
    const int optimum = state.ranking.optimumCase;
    double* sample = state.workspace.history.sample;
    {
        HistoryLines lines(file.stream);
        for (int i = 0; i < p.sampleCount; ++i) {
            const double t = static_cast<double>(i) * p.timeStep;
            const double a = waveletSum(state.wavelets, optimum, state.grid, t);
            lines.add(t, decimals, " \t ", a);
            sample[i] = a;
        }
    }
    return commitOrReport(file, console);
}

bool writeMotionFiles(RunState& state, std::FILE* console) {
    const RunParameters& p = state.parameters;
    const int nt = p.sampleCount;
    const double dt = p.timeStep;
    double* velocity = state.workspace.velocity.value;
    integrateVelocity(state.workspace.history.sample, nt, dt, velocity);
    integrateDisplacement(velocity, nt, dt, state.outputDisplacement);

    const int decimals = timeDecimals(dt);
    const double* series[2] = {velocity, state.outputDisplacement};
    const double factor[2] = {velocityFactor(p.units), displacementFactor(p.units)};
    const char* name[2] = {"velox.out", "disp.out"};
    for (int s = 0; s < 2; ++s) {
        OutputFile file;
        if (!openOrReport(file, name[s], console)) return false;
        {
            HistoryLines lines(file.stream);
            for (int i = 0; i <= nt; ++i) lines.add(static_cast<double>(i) * dt, decimals, " ", series[s][i] * factor[s]);
        }
        if (!commitOrReport(file, console)) return false;
    }
    return true;
}

bool writeSrsFile(const RunState& state, std::FILE* console) {
    OutputFile file;
    if (!openOrReport(file, "srs.out", console)) return false;
    const ResponseSpectrum& spectrum = state.workspace.spectrum;
    for (int j = 0; j < state.grid.count; ++j) {
        std::fprintf(file.stream, "%12.3f \t %s \t %s\n", state.grid.frequency[j],
                     formatExponent(spectrum.positivePeak[j], 12, 5).c_str(),
                     formatExponent(spectrum.negativePeak[j], 12, 5).c_str());
    }
    return commitOrReport(file, console);
}

bool writeResults(RunState& state, int n, std::FILE* console) {
    copySummariesToRanking(state);
    if (!writeRankingFiles(state, n, console)) return false;
    RunParameters& p = state.parameters;
    const RunSampling next = samplingAfterResults(p, state.grid);
    // Before the four files it describes, so none of them is ever older than
    // the run.out that names their run.
    if (!recordResultsStep(state, n, next.timeStep, next.sampleCount, console)) return false;

    TrialRanking& ranking = state.ranking;
    const int optimum = ranking.optimumCase;
    std::fprintf(console, "\n\n Optimum case = %ld \n", static_cast<long>(optimum));
    std::fprintf(console, "\n   Peak Accel = %12.3f G  \n\n",
                 ranking.working[accelMeasure][ranking.rank[accelMeasure][optimum]]);

    synthesizeTrial(state.wavelets, optimum, state.grid, p.timeStep, p.sampleCount, p.zpa, state.workspace.history);
    if (!writeAccelFile(state, next, console)) return false;
    if (!writeMotionFiles(state, console)) return false;
    state.bank = next.bank;
    computeResponseSpectrum(state.workspace.history.sample, p.sampleCount, state.grid, state.bank, p.timeStep,
                            state.workspace.spectrum);
    return writeSrsFile(state, console);
}
