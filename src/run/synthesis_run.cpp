#include "run/synthesis_run.h"

#include <memory>

#include "model/random_source.h"
#include "run/run_state.h"
#include "run/spec_refusal.h"
#include "run/trial_loop.h"

// Written so that a ZPA that is not a number is refused too.
bool zpaAccepted(double zpa, std::FILE* console) {
    if (zpa >= smallestZpa && zpa <= largestZpa) return true;
    std::fputs("\n\n Error: the ZPA must be from 0.0001 to 1e300.\n\n", console);
    std::fflush(console);
    return false;
}

// Written so that a ratio that is not a number is refused too.
bool dampingAccepted(double dampingRatio, std::FILE* console) {
    if (!(dampingRatio < 1.0)) {
        std::fputs("\n Error:  damping value must be < 1 \n", console);
    } else if (dampingRatio < 0.0) {
        std::fputs("\n Error:  damping value must be >= 0 \n", console);
    } else {
        return true;
    }
    std::fflush(console);
    return false;
}

int deriveSampleCount(double duration, double timeStep, std::FILE* console) {
    const double quotient = duration / timeStep;
    if (quotient > static_cast<double>(maxRunSamples)) {
        std::fputs("\n\n Warning: duration reduced. \n", console);
        return maxRunSamples;
    }
    // Only a degenerate specification (non-positive last frequency) gets here
    // with a quotient that is negative or not a number.
    if (!(quotient >= 0.0)) return 0;
    return static_cast<int>(quotient);
}

RunOutcome prepareRun(const RunRequest& request, RunState& run) {
    const RunAnswers& answers = request.answers;
    std::FILE* console = request.console;
    RunState* const state = &run;
    SpecReadStatus read = SpecReadStatus::ok;
    if (request.specification.table) {
        state->spec = *request.specification.table;
        read = tableStatus(state->spec);
    } else {
        read = readSpecFile(request.specification.path.c_str(), state->spec, console);
    }
    printSpecRefusal(read, state->spec, console);
    if (read != SpecReadStatus::ok) return specOutcomeOf(read);
    if (!zpaAccepted(answers.zpa, console)) return RunOutcome::zpaOutOfRange;
    if (!dampingAccepted(answers.dampingRatio, console)) return RunOutcome::dampingOutOfRange;
    if (answers.units < 1 || answers.units > 3) {
        std::fputs("\n\n Error: units must be 1, 2 or 3.\n\n", console);
        return RunOutcome::unitsOutOfRange;
    }
    state->grid = buildFrequencyGrid(state->spec, answers.spacingChoice, request.gridReductionShown ? nullptr : console);
    skipDraws(state->random, static_cast<long long>(answers.skipCount) - 1);

    if (shortestRunDuration(state->grid.frequency[0]) > answers.duration) {
        std::fputs("\n\n Error: duration is too short.\n\n", console);
        return RunOutcome::durationTooShort;
    }
    state->sampling.timeStep = runTimeStep(state->spec.frequency[state->spec.count - 1]);
    state->sampling.sampleCount = deriveSampleCount(answers.duration, state->sampling.timeStep, console);
    return RunOutcome::completed;
}

RunOutcome runSynthesis(const RunRequest& request) {
    // Kept for the whole run. Default-initialised: the small records start
    // from their zero initialisers, while the large stores (wavelet rows,
    // histories, ranking lists) are written before they are read, so their
    // pages are only touched as far as the run uses them.
    // A damping ratio of -0 is 0: its Q is +infinity, not -infinity.
    RunAnswers answers = request.answers;
    if (answers.dampingRatio == 0.0) answers.dampingRatio = 0.0;
    const std::unique_ptr<RunState> state(new RunState(answers));
    const RunOutcome prepared = prepareRun(request, *state);
    if (prepared != RunOutcome::completed) return prepared;
    const TrialRunPlace place{request.specification.path, request.outputDir, request.console, request.threadCount,
                              request.results, request.cancel};
    return runTrials(*state, place);
}
