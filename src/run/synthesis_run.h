#pragma once

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>

#include "model/run_answers.h"
#include "results/run_results.h"
#include "run/run_outcome.h"
#include "run/run_state.h"
#include "spec/spec_table.h"

// The specification a run synthesises against: the file at `path`, read
// there unless its table is given already. Either way run.out records the
// checksum of the file's bytes.
struct RunSpecification {
    std::string path;
    std::optional<SpecTable> table;
};

// Everything one run is made of.
struct RunRequest {
    RunAnswers answers;
    RunSpecification specification;
    std::string outputDir = ".";  // every output file is written here
    std::FILE* console = nullptr; // the program's messages, table header and trial rows
    int threadCount = 1;          // the output is the same for any count
    // The caller (the dialogue) has already printed the grid's 200-point
    // warning, in its place among the questions.
    bool gridReductionShown = false;
    // When given, a completed run leaves here what its last results step
    // wrote, as numbers, so that a caller need not read its files back.
    RunResults* results = nullptr;
    // When given and set, the run stops at its next trial and ends as
    // cancelled: how a caller that runs it on another thread interrupts it.
    const std::atomic<bool>* cancel = nullptr;
};

// One whole run on typed answers, from the checks the program makes on them
// (damping ratio, unit system, duration, sample count, trials) through every
// trial and results step to the closing list of output files. Messages go to
// the request's console in the program's own words. Runs never share state:
// several may go at once in one process, each into its own folder.
RunOutcome runSynthesis(const RunRequest& request);

// What runSynthesis does before the trials, into a state made with the
// request's answers: the specification, the checks, the grid, the skip
// draws, the run's own time step and sample count. `completed` when the
// trials may start.
RunOutcome prepareRun(const RunRequest& request, RunState& state);

// The ZPAs a run takes: its history prints with four decimals, so a smaller
// one prints as all zero; a larger one overflows the integration (1e308 does).
constexpr double smallestZpa = 0.0001;
constexpr double largestZpa = 1e300;

// Whether the run takes `zpa`: from smallestZpa to largestZpa. Prints the
// program's refusal, "\n\n Error: the ZPA must be from 0.0001 to
// 1e300.\n\n", to `console` when it does not.
bool zpaAccepted(double zpa, std::FILE* console);

// Whether the run takes `dampingRatio`: from 0 to below 1. Prints the
// program's refusal to `console` when it does not.
bool dampingAccepted(double dampingRatio, std::FILE* console);

// The sample count of `duration` at `timeStep`: the quotient truncated, or
// maxRunSamples with the "duration reduced" warning on `console` when it
// exceeds that.
int deriveSampleCount(double duration, double timeStep, std::FILE* console);
