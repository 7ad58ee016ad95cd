#include "fit/attempt_choice.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fit/fit_specification.h"

double roundedZpa(double zpa) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3e", zpa);
    return std::strtod(text, nullptr);
}

AttemptPlan firstPlan(const FitOptions& options, const std::string& specPath, const std::string& specText) {
    SpecTable table;
    readSpecificationText(specText, table);
    double largestLevel = 0.0;
    for (int i = 0; i < table.count; ++i) largestLevel = std::fmax(largestLevel, table.level[i]);

    AttemptPlan plan;
    plan.specText = specText;
    AttemptAnswers& answers = plan.answers;
    answers.specFileName = specFileNameFor(specPath);
    // A third of the largest level: at Q = 10 the passing histories of the
    // bundled example and of a 40 G and a 200 G specification peak at 0.3 to
    // 0.4 times the plateau. The first check then tells how far off it is.
    answers.zpa = options.zpa ? *options.zpa : roundedZpa(largestLevel / 3.0);
    answers.spacingChoice = spacingChoiceFor(options.pointsPerOctave);
    answers.q = options.q;
    answers.duration = options.duration ? *options.duration : 2.0 / table.frequency[0];
    answers.trialCount = options.trialCount;
    answers.units = options.units;
    return extendedToTheTop(plan);
}

AttemptPlan extendedToTheTop(const AttemptPlan& plan) {
    SpecTable table;
    readSpecificationText(plan.specText, table);
    const FrequencyGrid grid = buildFrequencyGrid(table, plan.answers.spacingChoice, nullptr);
    const double last = table.frequency[table.count - 1];
    const double lastGrid = grid.frequency[grid.count - 1];
    if (grid.count >= maxGridPoints || !(lastGrid < last)) return plan;
    // Rounded up to a whole hertz: a point typed a little below the step
    // would leave the grid where it is.
    const double extension = std::ceil(lastGrid * gridStepRatio(plan.answers.spacingChoice));
    if (!(extension > last)) return plan;
    AttemptPlan next = plan;
    next.specText = extendedSpecText(plan.specText, extension, table.level[table.count - 1]);
    if (!plan.extended) next.answers.specFileName = extendedSpecFileName(plan.answers.specFileName);
    next.extended = true;
    return next;
}

AttemptPlan nextPlan(const AttemptPlan& last, const AcceptanceOutcome& outcome) {
    AttemptPlan next = last;
    const AcceptanceGuidance& guidance = outcome.guidance;
    if (outcome.passes) {
        // A passing spectrum off the band's centre: the centred one keeps a
        // larger margin, worth a run when the shift is large enough.
        if (std::fabs(guidance.zpaShiftDb) >= centringShiftDb && std::isfinite(guidance.suggestedZpa) &&
            guidance.suggestedZpa > 0.0) {
            next.answers.zpa = roundedZpa(guidance.suggestedZpa);
        }
        return next;
    }
    if (guidance.changeZpa && std::isfinite(guidance.suggestedZpa) && guidance.suggestedZpa > 0.0) {
        next.answers.zpa = roundedZpa(guidance.suggestedZpa);
    }
    // The program's choices 1, 2, 3 go from the coarsest spacing to the finest.
    if (guidance.finerSpacing && guidance.suggestedSpacingChoice > last.answers.spacingChoice &&
        guidance.suggestedSpacingChoice <= 3) {
        next.answers.spacingChoice = guidance.suggestedSpacingChoice;
    }
    if (guidance.extendSpecification) {
        SpecTable table;
        readSpecificationText(last.specText, table);
        // Only a point beyond the present last one extends the specification.
        const bool beyondLast = guidance.extensionFrequency > table.frequency[table.count - 1];
        if (beyondLast && std::isfinite(guidance.extensionFrequency) && std::isfinite(guidance.extensionLevel)) {
            next.specText = extendedSpecText(last.specText, guidance.extensionFrequency, guidance.extensionLevel);
            if (!last.extended) next.answers.specFileName = extendedSpecFileName(last.answers.specFileName);
            next.extended = true;
        }
    }
    return next;
}

bool samePlan(const AttemptPlan& a, const AttemptPlan& b) {
    return a.specText == b.specText && answersText(a.answers) == answersText(b.answers);
}
