#include "run/spec_refusal.h"

void printSpecRefusal(SpecReadStatus status, const SpecTable& spec, std::FILE* console) {
    switch (status) {
        case SpecReadStatus::ok:
        case SpecReadStatus::openFailed:
            return;
        case SpecReadStatus::noPoints:
            std::fputs("\n\n Error: no specification points read.\n\n", console);
            return;
        case SpecReadStatus::tooManyPoints:
            std::fputs("\n\n Error: more than 200 specification points.\n\n", console);
            return;
        case SpecReadStatus::notFinite: {
            const int point = firstNonFinitePoint(spec);
            std::fprintf(console, "\n\n Error: specification point %d (%g, %g) is not a finite number.\n\n", point + 1,
                         spec.frequency[point], spec.level[point]);
            return;
        }
    }
}

RunOutcome specOutcomeOf(SpecReadStatus status) {
    switch (status) {
        case SpecReadStatus::ok: return RunOutcome::completed;
        case SpecReadStatus::openFailed: return RunOutcome::specUnreadable;
        case SpecReadStatus::noPoints: return RunOutcome::specHasNoPoints;
        case SpecReadStatus::tooManyPoints: return RunOutcome::specHasTooManyPoints;
        case SpecReadStatus::notFinite: return RunOutcome::specNotFinite;
    }
    return RunOutcome::specUnreadable;
}
