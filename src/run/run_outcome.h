#pragma once

// How a run ended: completed, or which refusal stopped it. Each refusal has
// printed its message on the run's console.
enum class RunOutcome {
    completed,
    specUnreadable,      // the specification file cannot be opened
    specHasNoPoints,     // it gives no frequency/level pair
    specHasTooManyPoints,
    specNotFinite,       // a frequency or level that is not a finite number
    specLevelNotPositive,  // a level of 0 or below
    zpaOutOfRange,       // a ZPA outside 0.0001 to 1e300
    degenerateHistory,   // the optimum's history is not finite, or all zero
    dampingOutOfRange,   // a damping ratio below 0, or of 1 or more
    unitsOutOfRange,     // a unit system other than 1, 2 or 3
    durationTooShort,    // below 1.5 periods of the first grid frequency
    tooManySamples,      // the duration holds too many samples at the run's rate
    noTrials,            // a number of trials below 1
    cannotWrite,         // an output file could not be written
    cancelled,           // the caller asked it to stop (nothing printed)
};

// A few words for the outcome, for callers that report it in their own
// messages: "the duration is too short", ...
const char* runOutcomeWords(RunOutcome outcome);
