// The work a finished run could not have avoided: for every trial, the two
// sines of each active wavelet sample, once, and one filter step per sample
// (history and run-on) and grid point for every spectrum the trial computed.
// Reads the run's answers on standard input (the specification file must be
// in the working directory) and the pass counts from the trials.out given.
//
//   kolvane_run_floor trials.out < answers
//
// prints "gridPoints sinePairs filterSteps trials".
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "results/result_files.h"
#include "run/dialogue.h"
#include "run/trial_loop.h"
#include "srs/response_spectrum.h"
#include "wavelet/sine_cache.h"

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s trials.out < answers\n", argv[0]);
        return 2;
    }
    const std::vector<int> passes = readPassCounts(argv[1]);
    const auto state = std::make_unique<RunState>();
    AnswerReader answers{stdin};
    std::FILE* quiet = std::fopen("/dev/null", "w");
    const DialogueOutcome outcome = runDialogue(*state, answers, quiet);
    std::fclose(quiet);
    if (outcome != DialogueOutcome::accepted) {
        std::fprintf(stderr, "the answers do not start a run\n");
        return 1;
    }
    RunParameters& p = state->parameters;
    if (static_cast<int>(passes.size()) != p.trialCount) {
        std::fprintf(stderr, "trials.out has %zu rows for %d trials\n", passes.size(), p.trialCount);
        return 1;
    }

    long long sinePairs = 0;
    long long filterSteps = 0;
    for (int t = 0; t < p.trialCount; ++t) {
        // The first intermediate output moves the run to its output sample
        // rate, as the results step does.
        if (t == 1000 && p.trialCount > 1006) {
            p.timeStep = 1.0 / outputSampleRate(1.0 / p.timeStep);
            p.sampleCount = static_cast<int>(p.duration / p.timeStep);
        }
        drawTrial(*state, t);
        sinePairs += activeSampleCount(state->wavelets, t, state->grid, p.timeStep, p.sampleCount);
        // A pass counter below 44 is the pass the stop rule ended in; the
        // passes 0 .. that one each computed a spectrum.
        const int spectra = passes[static_cast<std::size_t>(t)] < 44 ? passes[static_cast<std::size_t>(t)] + 1 : 44;
        const long long stepsPerSpectrum =
            static_cast<long long>(p.sampleCount + runOnSampleCount(state->grid, p.timeStep)) * state->grid.count;
        filterSteps += spectra * stepsPerSpectrum;
    }
    std::printf("%d %lld %lld %d\n", state->grid.count, sinePairs, filterSteps, p.trialCount);
    return 0;
}
