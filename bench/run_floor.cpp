// The work a finished run could not have avoided: for every trial, the two
// sines of each active wavelet sample, once, and one filter step per sample
// (history and run-on) and grid point for every spectrum the trial computed.
// Reads the run's answers on standard input (the specification file must be
// in the working directory) and the pass counts from the trials.out given,
// counts that work and then times it on every core: std::sin on exactly the
// run's arguments, and the fast spectrum on each trial's first history as
// many times as the trial computed a spectrum. The timing is repeated and the
// shortest kept, as for the runs themselves.
//
//   kolvane_run_floor trials.out [cores] < answers
//
// (cores: how many to time on at once, by default every one)
// prints "gridPoints sinePairs filterSteps trials cores sineSeconds
// spectrumSeconds", the seconds being those of the slowest core: the floor.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "results/result_files.h"
#include "run/dialogue.h"
#include "run/synthesis_run.h"
#include "run/trial.h"
#include "srs/response_spectrum.h"
#include "wavelet/sine_cache.h"
#include "wavelet/synthesis.h"
#include "wavelet/wavelet_terms.h"

namespace {

// The pass counter of every row of trials.out, in trial order.
std::vector<int> readPassCounts(const char* path) {
    std::vector<int> passes;
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return passes;
    char line[512];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        long trial = 0, strategy = 0, passCount = 0;
        double a = 0, v = 0, d = 0, e = 0, ie = 0;
        if (std::sscanf(line, " %ld %lf %lf %lf %lf %lf %ld %ld", &trial, &a, &v, &d, &e, &ie, &strategy,
                        &passCount) == 8) {
            passes.push_back(static_cast<int>(passCount));
        }
    }
    std::fclose(file);
    return passes;
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The trials as the run evaluated them: row, sampling, and spectra computed.
struct FloorTrial {
    int t;
    double timeStep;
    int sampleCount;
    int spectra;
};

// The arguments of both sines of every active sample of row t, as the run
// forms them.
void sineArgumentsOfRow(const RunState& state, const FloorTrial& trial, std::vector<double>& arguments) {
    const WaveletTable& w = state.wavelets;
    arguments.clear();
    for (int j = 0; j < state.grid.count; ++j) {
        const double frequency = state.grid.frequency[j];
        const double omega = angularFrequency(frequency);
        const double halfSines = static_cast<double>(w.nhs[trial.t][j]);
        const double length = windowLength(w.nhs[trial.t][j], frequency);
        const double delay = w.delay[trial.t][j];
        for (int i = 0; i < trial.sampleCount; ++i) {
            const double t = sampleTime(i, trial.timeStep);
            if (!waveletActive(delay, length, t)) continue;
            const double omegaTau = omega * (t - delay);
            arguments.push_back(omegaTau / halfSines);
            arguments.push_back(omegaTau);
        }
    }
}

// Each trial's work is timed in every repeat while it is at hand; a
// thread's totals per repeat.
constexpr int floorRepeats = 3;

struct FloorTiming {
    double sines[floorRepeats] = {};
    double spectra[floorRepeats] = {};
    double sink = 0.0;
};

// Times the trial's sines and its spectra. The sines' arguments, and the
// trial's first history that the spectra filter, are made outside the
// timing; the filter's speed does not depend on the samples.
void timeTrial(RunState& state, const WaveletTable& drawn, const FloorTrial& trial, TrialWorkspace& workspace,
               std::vector<double>& arguments, FloorTiming& timing) {
    const RunAnswers& p = state.answers;
    const SrsFilterBank bank = computeFilterBank(state.grid, p.dampingRatio, trial.timeStep);
    synthesizeTrial(state.wavelets, trial.t, state.grid, trial.timeStep, trial.sampleCount, p.zpa, workspace.history);
    for (int j = 0; j < state.grid.count; ++j) state.wavelets.amplitude[trial.t][j] = drawn.amplitude[trial.t][j];
    sineArgumentsOfRow(state, trial, arguments);
    for (int r = 0; r < floorRepeats; ++r) {
        const Clock::time_point sineStart = Clock::now();
        double sum = 0.0;
        for (double x : arguments) sum += std::sin(x);
        timing.sines[r] += secondsSince(sineStart);
        timing.sink += sum;
        const Clock::time_point spectrumStart = Clock::now();
        for (int s = 0; s < trial.spectra; ++s) {
            computeResponseSpectrum(workspace.history.sample, trial.sampleCount, state.grid, bank, trial.timeStep,
                                    workspace.spectrum);
        }
        timing.spectra[r] += secondsSince(spectrumStart);
        timing.sink += workspace.spectrum.positivePeak[0];
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s trials.out [cores] < answers\n", argv[0]);
        return 2;
    }
    const std::vector<int> passes = readPassCounts(argv[1]);
    AnswerReader answers{stdin};
    std::FILE* quiet = std::fopen("/dev/null", "w");
    AcceptedDialogue accepted;
    const DialogueOutcome outcome = runDialogue(accepted, answers, ".", quiet);
    RunRequest request;
    request.answers = accepted.answers;
    request.specification = RunSpecification{accepted.specPath, accepted.spec};
    request.console = quiet;
    const auto state = std::make_unique<RunState>(accepted.answers);
    const bool prepared = outcome == DialogueOutcome::accepted && prepareRun(request, *state) == RunOutcome::completed;
    std::fclose(quiet);
    if (!prepared) {
        std::fprintf(stderr, "the answers do not start a run\n");
        return 1;
    }
    const RunAnswers& p = state->answers;
    RunSampling& sampling = state->sampling;
    if (static_cast<int>(passes.size()) != p.trialCount) {
        std::fprintf(stderr, "trials.out has %zu rows for %d trials\n", passes.size(), p.trialCount);
        return 1;
    }

    long long sinePairs = 0;
    long long filterSteps = 0;
    std::vector<FloorTrial> trials;
    for (int t = 0; t < p.trialCount; ++t) {
        // The first intermediate output moves the run to its output sample
        // rate, as the results step does.
        if (t == 1000 && p.trialCount > 1006) sampling = samplingAfterResults(p, sampling, state->grid);
        drawTrial(*state, t);
        sinePairs += activeSampleCount(state->wavelets, t, state->grid, sampling.timeStep, sampling.sampleCount);
        // A pass counter below 44 is the pass the stop rule ended in; the
        // passes 0 .. that one each computed a spectrum.
        const int spectra = passes[static_cast<std::size_t>(t)] < 44 ? passes[static_cast<std::size_t>(t)] + 1 : 44;
        const long long stepsPerSpectrum =
            static_cast<long long>(sampling.sampleCount + runOnSampleCount(state->grid, sampling.timeStep)) *
            state->grid.count;
        filterSteps += spectra * stepsPerSpectrum;
        trials.push_back(FloorTrial{t, sampling.timeStep, sampling.sampleCount, spectra});
    }

    // The work is timed on every core at once, each thread taking every
    // cores-th trial, so that whatever the cores share (caches, memory,
    // clock) slows the floor as it slows the run.
    const unsigned hardware = std::thread::hardware_concurrency();
    const int cores = argc > 2 ? std::atoi(argv[2]) : hardware == 0 ? 1 : static_cast<int>(hardware);
    if (cores < 1) {
        std::fprintf(stderr, "the core count must be at least 1\n");
        return 2;
    }
    const auto drawn = std::make_unique<WaveletTable>(state->wavelets);
    std::vector<FloorTiming> timings(static_cast<std::size_t>(cores));
    std::vector<std::thread> threads;
    for (int w = 0; w < cores; ++w) {
        threads.emplace_back([&, w] {
            FloorTiming& timing = timings[static_cast<std::size_t>(w)];
            const auto workspace = std::make_unique<TrialWorkspace>(0);
            std::vector<double> arguments;
            for (std::size_t k = static_cast<std::size_t>(w); k < trials.size(); k += static_cast<std::size_t>(cores)) {
                timeTrial(*state, *drawn, trials[k], *workspace, arguments, timing);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    // Each thread's shortest repeat; the floor is the slowest thread's.
    double sines = 0.0;
    double spectra = 0.0;
    double sink = 0.0;
    for (const FloorTiming& timing : timings) {
        int best = 0;
        for (int r = 1; r < floorRepeats; ++r) {
            if (timing.sines[r] + timing.spectra[r] < timing.sines[best] + timing.spectra[best]) best = r;
        }
        if (timing.sines[best] + timing.spectra[best] > sines + spectra) {
            sines = timing.sines[best];
            spectra = timing.spectra[best];
        }
        sink += timing.sink;
    }
    std::printf("%d %lld %lld %d %d %.6f %.6f\n", state->grid.count, sinePairs, filterSteps, p.trialCount, cores, sines,
                spectra);
    // Keeps the timed work from being optimised away.
    if (sink == 1.2345e-300) std::fputs("\n", stderr);
    return 0;
}
