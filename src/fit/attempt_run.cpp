#include "fit/attempt_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/file_paths.h"
#include "fit/fit_file_names.h"
#include "model/damping.h"
#include "run/synthesis_run.h"

RunAnswers runAnswersOf(const AttemptAnswers& answers) {
    RunAnswers run;
    run.specFileName = answers.specFileName;
    run.zpa = answers.zpa;
    run.spacingChoice = answers.spacingChoice;
    run.dampingRatio = dampingRatioOfQ(answers.q);
    run.duration = answers.duration;
    run.trialCount = answers.trialCount;
    run.units = answers.units;
    run.skipCount = answers.skipCount;
    return run;
}

bool runAttempt(const std::string& dir, const AttemptAnswers& answers, const SpecTable& spec, int threadCount,
                RunOutcome& outcome, std::string& error, RunResults* results, const std::atomic<bool>* cancel) {
    const std::string consolePath = pathInFolder(dir, attemptConsoleFileName);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> console(std::fopen(consolePath.c_str(), "wb"), std::fclose);
    if (!console) {
        error = "cannot write " + consolePath + ": " + std::strerror(errno);
        return false;
    }
    RunRequest request;
    request.answers = runAnswersOf(answers);
    request.specification = RunSpecification{pathInFolder(dir, answers.specFileName), spec};
    request.outputDir = dir;
    request.console = console.get();
    request.threadCount = threadCount;
    request.results = results;
    request.cancel = cancel;
    outcome = runSynthesis(request);
    return true;
}
