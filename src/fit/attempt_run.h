#pragma once

#include <atomic>
#include <string>

#include "fit/attempt_answers.h"
#include "model/run_answers.h"
#include "results/run_results.h"
#include "run/run_outcome.h"
#include "spec/spec_table.h"

// The program's run on an attempt's answers, as kolvane_zpa would make it
// from the same answers typed in the same folder.
RunAnswers runAnswersOf(const AttemptAnswers& answers);

// One whole run of the program into the folder `dir`, which must exist and
// hold the specification file `answers.specFileName` whose points are
// `spec`. Its console goes to dir/console.txt. False, with `error` set, when
// the console file cannot be created; otherwise the run's outcome is in
// `outcome`.
// `results` (when given) receives what the run wrote, as numbers.
bool runAttempt(const std::string& dir, const AttemptAnswers& answers, const SpecTable& spec, int threadCount,
                RunOutcome& outcome, std::string& error, RunResults* results = nullptr,
                const std::atomic<bool>* cancel = nullptr);
