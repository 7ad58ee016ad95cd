#include "run/run_outcome.h"

const char* runOutcomeWords(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::completed: return "completed";
        case RunOutcome::specUnreadable: return "the specification file cannot be opened";
        case RunOutcome::specHasNoPoints: return "the specification file gives no points";
        case RunOutcome::specHasTooManyPoints: return "the specification file has more than 200 points";
        case RunOutcome::specNotFinite: return "the specification holds a value that is not a finite number";
        case RunOutcome::specLevelNotPositive: return "the specification holds a level that is not above zero";
        case RunOutcome::zpaOutOfRange: return "the ZPA is outside 0.0001 to 1e300";
        case RunOutcome::degenerateHistory: return "the optimum's history is not finite, or is all zero";
        case RunOutcome::dampingOutOfRange: return "the damping ratio is not from 0 to below 1";
        case RunOutcome::unitsOutOfRange: return "the unit system is not 1, 2 or 3";
        case RunOutcome::durationTooShort: return "the duration is too short";
        case RunOutcome::tooManySamples: return "the duration holds too many samples";
        case RunOutcome::noTrials: return "the number of trials is below 1";
        case RunOutcome::cancelled: return "the run was stopped";
        case RunOutcome::cannotWrite: return "an output file cannot be written";
    }
    return "unknown";
}
