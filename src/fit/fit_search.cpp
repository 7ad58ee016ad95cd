#include "fit/fit_search.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

#include "analysis/analysis_grid.h"
#include "common/file_paths.h"
#include "common/text_file.h"
#include "fit/attempt_run.h"
#include "fit/duration_law.h"
#include "fit/fit_specification.h"
#include "model/constants.h"
#include "model/sampling.h"
#include "report/band_file.h"
#include "refine/refinement.h"
#include "results/file_layout.h"
#include "spec/spec_level.h"

namespace {

// A longer duration is tried for the peak while the last one lowered the
// best peak by at least this share.
constexpr double peakGainWorthLonger = 0.03;

// The aim at each analysis point, in dB from the specification.
double aimAt(const AcceptanceRules& rules, double frequency) {
    if (rules.aim == Aim::specification) return 0.0;
    const DbBand band = bandAt(rules.bandRows, frequency, rules.outer);
    return 0.5 * (band.lowDb + band.highDb);
}

RefinementTarget targetOf(const FitSearch& search) {
    const AcceptanceRules& rules = search.options.rules;
    RefinementTarget target;
    target.frequencies = buildAnalysisGrid(search.judged.table, rules.analysisPointsPerOctave);
    for (const double f : target.frequencies) {
        // The level aimed at: the specification moved by the aim there.
        target.levels.push_back(specLevelAt(search.judged.table, f) * std::pow(10.0, aimAt(rules, f) / 20.0));
    }
    target.dampingRatio = *rules.dampingRatio;
    target.bothPolarities = rules.polarity == Polarity::both;
    return target;
}

// Whether the judged spectrum lies on the aim: every judged deviation within
// 1 dB of it, their median within 0.3 dB.
bool onTheAim(const AcceptanceOutcome& outcome) {
    std::vector<double> fromAim;
    for (const AnalysisPoint& p : outcome.points) {
        const double aim = aimAt(outcome.rules, p.frequency);
        if (outcome.rules.polarity == Polarity::both) {
            fromAim.insert(fromAim.end(), {p.positiveDb - aim, p.negativeDb - aim});
        } else {
            fromAim.push_back(p.maximaxDb - aim);
        }
    }
    const DeviationSpread spread = spreadOf(fromAim, 1.0);
    const RefinementLimits limits;
    return spread.minDb >= -limits.withinDb && spread.maxDb <= limits.withinDb &&
           std::fabs(spread.medianDb) <= limits.medianWithinDb;
}

// Runs the plan in its own folder, refines its history unless the fit keeps
// plain runs, and judges the kept history, held in memory, against the
// original specification, and against the shaker when there is one. A run
// the program refuses is recorded as such.
bool runAndJudge(const FitSearch& search, const std::string& dir, AttemptRecord& record, int threads,
                 std::string& error) {
    std::error_code failed;
    std::filesystem::create_directories(dir, failed);
    if (failed) {
        error = "cannot create " + dir + ": " + failed.message();
        return false;
    }
    const AttemptAnswers& answers = record.plan.answers;
    if (!writeTextFile(pathInFolder(dir, answers.specFileName), record.plan.specText, error)) return false;
    SpecTable spec;
    readSpecificationText(record.plan.specText, spec);
    RunOutcome outcome = RunOutcome::completed;
    auto results = std::make_shared<RunResults>();
    if (!runAttempt(dir, answers, spec, threads, outcome, error, results.get(), search.options.cancel)) return false;
    if (outcome == RunOutcome::cancelled) {
        error = "stopped before attempt " + std::to_string(record.number) + " had finished";
        return false;
    }
    if (outcome != RunOutcome::completed) {
        record.refusal = runOutcomeWords(outcome);
        return true;
    }
    record.results = results;
    if (search.options.refine) {
        const RunRecord& run = results->record;
        const RefinementTarget target = targetOf(search);
        RefinementLimits limits;
        limits.maxPasses = search.options.refinementPasses;
        limits.thenLowerPeak = true;
        const RefinedHistory refined =
            refineHistory(results->wavelets, run.outputTimeStep, run.outputSampleCount, target, limits);
        record.refinementPasses = refined.passes;
        record.refined =
            std::make_shared<RefinedRun>(refinedRun(*results, refined.wavelets, HistoryKind::refinedHistory));
    }
    const ReportRequest request = attemptReportRequest(search, record, dir);
    ReportFindings findings;
    if (!judgeHistory(request, findings, error)) return false;
    record.outcome = findings.acceptance;
    record.shaker = findings.shaker;
    const RunFolder& folder = request.history.folder;
    record.peaks = shakerPeaksOf(folder.acceleration.value, record.outcome.run.timeStep, folder.unitSystem);
    record.meetsAim = onTheAim(record.outcome);
    return true;
}

bool tried(const FitSearch& search, const AttemptPlan& plan) {
    for (const AttemptRecord& earlier : search.records) {
        if (samePlan(earlier.plan, plan)) return true;
    }
    return false;
}

// Runs and judges `plans` as the next attempts, side by side when there are
// several (the cores shared among them), then prints their lines in order.
bool runAttempts(FitSearch& search, const std::vector<AttemptPlan>& plans, std::string& error) {
    const std::size_t count = plans.size();
    std::vector<AttemptRecord> batch(count);
    std::vector<std::string> errors(count);
    std::vector<char> ran(count, 0);
    const int threads = std::max(1, search.cores / static_cast<int>(count));
    const auto work = [&](std::size_t k) {
        batch[k].number = static_cast<int>(search.records.size() + k + 1);
        batch[k].plan = plans[k];
        const std::string dir = pathInFolder(search.folder.dir, attemptFolderName(batch[k].number));
        ran[k] = runAndJudge(search, dir, batch[k], threads, errors[k]) ? 1 : 0;
    };
    if (count == 1) {
        work(0);
    } else {
        std::vector<std::thread> workers;
        for (std::size_t k = 0; k < count; ++k) workers.emplace_back(work, k);
        for (std::thread& worker : workers) worker.join();
    }
    for (std::size_t k = 0; k < count; ++k) {
        const std::string folder = attemptFolderName(batch[k].number);
        noteWritten(search.folder, folder + "/" + attemptConsoleFileName);
        for (const char* name : runFileNames) noteWritten(search.folder, folder + "/" + name);
        noteWritten(search.folder, folder + "/" + batch[k].plan.answers.specFileName);
        if (!ran[k]) {
            error = errors[k];
            return false;
        }
        search.records.push_back(batch[k]);
        search.out << progressLine(batch[k]) << std::flush;
    }
    return true;
}

// The name the run's specification takes must be free in the output folder,
// where the kept attempt's copy will lie.
void settleSpecName(const FitSearch& search, AttemptPlan& plan) {
    plan.answers.specFileName = freeName(search.folder, plan.answers.specFileName, plan.specText);
}

bool overOn(const AttemptRecord& record, ShakerQuantityKind kind) {
    const ShakerQuantity* q = quantityOf(record.shaker, kind);
    return q != nullptr && !q->within;
}

bool travelOver(const AttemptRecord& record) {
    return overOn(record, ShakerQuantityKind::displacement) || overOn(record, ShakerQuantityKind::velocity);
}

double firstFrequency(const AttemptPlan& plan) {
    SpecTable spec;
    readSpecificationText(plan.specText, spec);
    return spec.frequency[0];
}

// A longer history lets its lowest wavelets build up over more cycles, with
// less amplitude: on the example specifications the peak displacement fell
// about as duration^(-2/3), which serves until the search has measured its
// own exponent.
constexpr double assumedTravelExponent = -2.0 / 3.0;
// Each new duration at least this much longer than the last, and aimed this
// much beyond the prediction, for the spread between random sequences.
constexpr double smallestDurationStep = 1.25;
constexpr double durationAim = 1.1;

// The duration after `current` that the shares measured so far predict
// brings the stroke and velocity within the shaker; `current` itself when
// nothing longer is allowed.
double nextTravelDuration(const FitSearch& search, double current, double longest) {
    const std::vector<std::pair<double, double>> points = smallestByDuration(search.records, travelShare);
    double share = HUGE_VAL;
    for (const auto& [d, s] : points) {
        if (d == current) share = s;
    }
    const PowerLaw measured = fitPowerLaw(points);
    const double exponent = measured.fitted && measured.exponent < -0.2 ? measured.exponent : assumedTravelExponent;
    double next = current * std::pow(share, 1.0 / -exponent) * durationAim;
    if (!(next >= current * smallestDurationStep)) next = current * smallestDurationStep;
    next = roundedDuration(std::min(next, longest));
    return next > current ? next : current;
}

// The attempts of one rung: the plan at `duration` with the next integers
// not yet tried, as many as there are cores and the budget leaves.
std::vector<AttemptPlan> rungOf(const FitSearch& search, const AttemptPlan& base, double duration) {
    std::vector<AttemptPlan> plans;
    const std::size_t room = static_cast<std::size_t>(search.options.attemptLimit) - search.records.size();
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(std::max(search.cores, 2)), room);
    for (int integer = 1; plans.size() < wanted && integer <= 1000; ++integer) {
        AttemptPlan plan = base;
        plan.answers.duration = duration;
        plan.answers.skipCount = integer;
        if (!tried(search, plan)) plans.push_back(plan);
    }
    return plans;
}

// The best attempt among records[from ..], by the rule that keeps one.
const AttemptRecord* bestOf(const FitSearch& search, std::size_t from) {
    const std::vector<AttemptRecord> rung(search.records.begin() + static_cast<std::ptrdiff_t>(from),
                                          search.records.end());
    const int chosen = chosenAttemptIndex(rung);
    return chosen < 0 ? nullptr : &search.records[from + static_cast<std::size_t>(chosen)];
}

double bestPeakAt(const FitSearch& search, double duration) {
    double best = HUGE_VAL;
    for (const AttemptRecord& r : search.records) {
        if (r.plan.answers.duration == duration && attemptFits(r) && r.meetsAim) {
            best = std::min(best, r.peaks.accelerationG);
        }
    }
    return best;
}

}  // namespace

double roundedDuration(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", seconds);
    return std::strtod(text, nullptr);
}

double longestDurationFor(const AttemptPlan& plan) {
    SpecTable spec;
    readSpecificationText(plan.specText, spec);
    // Rounded down to four significant digits, as a duration is typed.
    const double longest = longestRunDuration(runTimeStep(spec.frequency[spec.count - 1]));
    const double typed = roundedDuration(longest);
    return typed <= longest ? typed : roundedDuration(longest * (1.0 - 1e-3));
}

double longestSearchDuration(const FitOptions& options, const AttemptPlan& plan) {
    const double allowed = options.maxDuration ? *options.maxDuration : maxDurationPeriods / firstFrequency(plan);
    return std::min(allowed, longestDurationFor(plan));
}

bool runFitSearch(FitSearch& search, const AttemptPlan& first, std::string& error) {
    AttemptPlan base = first;
    settleSpecName(search, base);
    double duration = base.answers.duration;
    const double longest = longestSearchDuration(search.options, base);
    search.longestAllowed = longest;
    double lastBestPeak = HUGE_VAL;
    while (static_cast<int>(search.records.size()) < search.options.attemptLimit) {
        const std::vector<AttemptPlan> plans = rungOf(search, base, duration);
        if (plans.empty()) break;
        const std::size_t firstOfRung = search.records.size();
        if (!runAttempts(search, plans, error)) return false;
        search.reachedLongest = search.reachedLongest || duration >= longest;
        const AttemptRecord* best = bestOf(search, firstOfRung);
        if (best == nullptr) {
            // Every attempt of the rung was refused: a shorter or longer
            // duration will not mend what the program refuses at this one.
            break;
        }
        // 1. The spectrum: what the check asks for; a plain run that passes
        // off the aim is moved onto it by its ZPA.
        const bool offTheAim = !best->outcome.passes || (!search.options.refine && !best->meetsAim);
        if (offTheAim && !travelOver(*best)) {
            AttemptPlan next = nextPlan(best->plan, best->outcome);
            next.answers.skipCount = 1;
            settleSpecName(search, next);
            AttemptPlan probe = next;
            probe.answers.duration = duration;
            if (!samePlan(next, base) && !tried(search, probe)) {
                base = next;
                continue;
            }
            // Nothing left to change but the random sequence.
            if (!best->outcome.passes) continue;
        }
        // 2. The shaker's stroke and velocity.
        if (travelOver(*best) && !std::any_of(search.records.begin(), search.records.end(), attemptFits)) {
            const double next = nextTravelDuration(search, duration, longest);
            if (next == duration) break;
            duration = next;
            continue;
        }
        // 3. The peak: longer while that lowers it, then more integers.
        const double peakHere = bestPeakAt(search, duration);
        const bool longerHelped = peakHere < lastBestPeak * (1.0 - peakGainWorthLonger);
        lastBestPeak = std::min(lastBestPeak, peakHere);
        const double longer = roundedDuration(std::min(2.0 * duration, longest));
        if (longerHelped && longer > duration) {
            duration = longer;
            continue;
        }
        // More integers at the duration that gave the lowest peak.
        const int kept = chosenAttemptIndex(search.records);
        if (kept >= 0) {
            duration = search.records[static_cast<std::size_t>(kept)].plan.answers.duration;
            base = search.records[static_cast<std::size_t>(kept)].plan;
        }
    }
    search.budgetSpent = static_cast<int>(search.records.size()) >= search.options.attemptLimit;
    return true;
}

ReportRequest attemptReportRequest(const FitSearch& search, const AttemptRecord& record, const std::string& dir) {
    ReportRequest request;
    request.specification = search.judged;
    SpecTable runSpec;
    readSpecificationText(record.plan.specText, runSpec);
    request.history.kind = record.refined ? HistoryKind::refinedHistory : HistoryKind::plainRun;
    request.history.folder = runFolderOf(keptResults(record), runSpec);
    request.history.folder.dir = dir;
    request.rules = search.options.rules;
    request.shaker = search.options.shaker;
    request.outputDir = dir;
    request.commandLine = search.options.commandLine;
    return request;
}
