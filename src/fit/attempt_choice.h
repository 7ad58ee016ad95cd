#pragma once

#include <string>

#include "fit/attempt_answers.h"
#include "fit/fit_options.h"
#include "report/acceptance.h"

// One attempt's whole input: the dialogue's answers and the specification
// file they name.
struct AttemptPlan {
    AttemptAnswers answers;
    std::string specText;
    bool extended = false;  // the specification carries points the fit added
};

// A ZPA as an engineer would type it: four significant digits.
double roundedZpa(double zpa);

// The first attempt, from the options and the specification file as given,
// extended one grid step above its last grid point when the grid stops short
// of its last frequency (above the last grid point no wavelet reaches).
// `specText` must hold a readable specification.
AttemptPlan firstPlan(const FitOptions& options, const std::string& specPath, const std::string& specText);

// The plan with its specification extended one grid step above the last grid
// point, at the last level, when the grid stops short of the last frequency.
AttemptPlan extendedToTheTop(const AttemptPlan& plan);

// The smallest shift of a passing spectrum's midpoint worth a run to move it
// onto the aim.
constexpr double centringShiftDb = 0.5;

// The next attempt of a search that keeps the program's histories, from the
// last one and what its check measured. After a failure: the ZPA the check
// suggests; one step finer spacing when failures lie between grid points;
// the specification extended when the shortfall lies above the last grid
// point. After a pass: the ZPA that puts the spectrum's midpoint on the aim,
// when it is centringShiftDb or more away. The duration stays as it was. The
// same plan back means nothing is left to try.
AttemptPlan nextPlan(const AttemptPlan& last, const AcceptanceOutcome& outcome);

bool samePlan(const AttemptPlan& a, const AttemptPlan& b);
