#include "fit/fit_search.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

#include "common/file_paths.h"
#include "common/json_writer.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "fit/attempt_run.h"
#include "fit/fit_specification.h"
#include "model/constants.h"
#include "model/sampling.h"
#include "report/acceptance.h"
#include "common/readable_number.h"
#include "run_folder/run_folder.h"
#include "results/file_layout.h"

namespace {

// Runs the plan in its own folder and judges what it wrote, as numbers held
// in memory, against the original specification, and against the shaker
// when there is one.
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
    if (!runAttempt(dir, answers, spec, threads, outcome, error, results.get())) return false;
    if (outcome != RunOutcome::completed) {
        error = "kolvane_zpa refused attempt " + std::to_string(record.number) + ": " + runOutcomeWords(outcome) +
                " (its console is in " + pathInFolder(dir, attemptConsoleFileName) + ")";
        return false;
    }
    record.results = results;
    const ReportRequest request = attemptReportRequest(search, record, dir);
    ReportFindings findings;
    if (!judgeHistory(request, findings, error)) return false;
    record.outcome = findings.acceptance;
    record.shaker = findings.shaker;
    const RunFolder& folder = request.history.folder;
    record.peaks = shakerPeaksOf(folder.acceleration.value, record.outcome.run.timeStep, folder.unitSystem);
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

bool anyFits(const FitSearch& search) {
    return std::any_of(search.records.begin(), search.records.end(), attemptFits);
}

bool searchSpectrum(FitSearch& search, AttemptPlan plan, std::string& error) {
    bool centring = false;  // the attempt after the first pass centres it; the search ends after it
    for (int k = 0; k < search.options.attemptLimit; ++k) {
        if (!runAttempts(search, {plan}, error)) return false;
        const AttemptRecord& last = search.records.back();
        // A passing history that does not fit the shaker goes to the shaker's levers.
        if (centring || (last.outcome.passes && !last.shaker.feasible)) return true;
        centring = last.outcome.passes;
        AttemptPlan next = nextPlan(plan, last.outcome);
        settleSpecName(search, next);
        if (tried(search, next)) {
            if (!last.outcome.passes) search.out << " no change left to try\n";
            return true;
        }
        plan = next;
    }
    search.attemptsRanOut = !search.records.back().outcome.passes;
    return true;
}

constexpr ShakerQuantityKind stroke = ShakerQuantityKind::displacement;
constexpr ShakerQuantityKind velocity = ShakerQuantityKind::velocity;

bool overOn(const AttemptRecord& record, ShakerQuantityKind key) {
    const ShakerQuantity* q = quantityOf(record.shaker, key);
    return q != nullptr && !q->within;
}

double firstFrequency(const AttemptPlan& plan) {
    SpecTable spec;
    readSpecificationText(plan.specText, spec);
    return spec.frequency[0];
}

double maxDurationOf(const FitSearch& search, const AttemptPlan& plan) {
    const double allowed =
        search.options.maxDuration ? *search.options.maxDuration : maxDurationPeriods / firstFrequency(plan);
    return std::min(allowed, longestDurationFor(plan));
}

// How much of the shaker's stroke and velocity a history needs: the larger
// share of the two usable limits; 0 when the shaker sets neither.
double travelShare(const AttemptRecord& record) {
    double share = 0.0;
    for (const ShakerQuantityKind key : {stroke, velocity}) {
        const ShakerQuantity* q = quantityOf(record.shaker, key);
        if (q != nullptr) share = std::max(share, q->share);
    }
    return share;
}

// The smallest of `measure` over the attempts at each duration tried, where
// the attempt has it (a measure below zero means it has not).
template <typename Measure>
std::vector<std::pair<double, double>> smallestByDuration(const std::vector<AttemptRecord>& records,
                                                          Measure measure) {
    std::vector<std::pair<double, double>> smallest;
    for (const AttemptRecord& r : records) {
        const double value = measure(r);
        if (value < 0.0) continue;
        const double d = r.plan.answers.duration;
        auto at = std::find_if(smallest.begin(), smallest.end(), [&](const auto& p) { return p.first == d; });
        if (at == smallest.end()) {
            smallest.push_back({d, value});
        } else {
            at->second = std::min(at->second, value);
        }
    }
    return smallest;
}

// value = coefficient duration^exponent, the least-squares line on log-log
// axes through the points; no fit with fewer than two durations.
struct PowerLaw {
    bool fitted = false;
    double exponent = 0.0;
    double logCoefficient = 0.0;
};

PowerLaw fitPowerLaw(const std::vector<std::pair<double, double>>& points) {
    PowerLaw law;
    if (points.size() < 2) return law;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [d, value] : points) {
        const double x = std::log(d), y = std::log(value);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = static_cast<double>(points.size());
    law.exponent = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    law.logCoefficient = (sy - law.exponent * sx) / n;
    law.fitted = std::isfinite(law.exponent) && std::isfinite(law.logCoefficient);
    return law;
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

// The next duration to try after `current`, predicted from the travel shares
// measured so far; `current` itself when nothing longer is allowed.
double nextDuration(const FitSearch& search, double current, double longest) {
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

bool searchDurations(FitSearch& search, std::string& error) {
    if (!search.options.shaker || anyFits(search) || search.records.empty()) return true;
    const AttemptRecord base = search.records[static_cast<std::size_t>(chosenAttemptIndex(search.records))];
    if (!overOn(base, stroke) && !overOn(base, velocity)) return true;
    const double longest = maxDurationOf(search, base.plan);
    for (double current = base.plan.answers.duration;;) {
        const double duration = nextDuration(search, current, longest);
        if (duration == current) return true;
        current = duration;
        std::vector<AttemptPlan> plans;
        for (const int integer : {1, 2}) {
            AttemptPlan plan = base.plan;
            plan.answers.duration = duration;
            plan.answers.skipCount = integer;
            if (!tried(search, plan)) plans.push_back(plan);
        }
        if (plans.empty()) continue;
        const std::size_t firstOfRung = search.records.size();
        if (!runAttempts(search, plans, error)) return false;
        if (anyFits(search)) return true;
        // One more attempt at this duration, with what its check asks for:
        // for the history that fits the shaker but misses the spectrum (the
        // best margin among such), or when none of the duration's histories
        // passes the spectrum, for the one that needs the least travel.
        const AttemptRecord* mend = nullptr;
        bool anyPasses = false;
        for (std::size_t i = firstOfRung; i < search.records.size(); ++i) {
            const AttemptRecord& r = search.records[i];
            anyPasses = anyPasses || r.outcome.passes;
            if (r.shaker.feasible && (!mend || r.outcome.worst.marginDb > mend->outcome.worst.marginDb)) mend = &r;
        }
        if (mend == nullptr && !anyPasses) {
            for (std::size_t i = firstOfRung; i < search.records.size(); ++i) {
                if (!mend || travelShare(search.records[i]) < travelShare(*mend)) mend = &search.records[i];
            }
        }
        if (mend != nullptr) {
            AttemptPlan next = nextPlan(mend->plan, mend->outcome);
            settleSpecName(search, next);
            if (!tried(search, next) && !runAttempts(search, {next}, error)) return false;
            if (anyFits(search)) return true;
        }
    }
}

// The room the spectrum has below it: how far every point may drop and still
// pass, in dB.
double roomBelowDb(const AcceptanceOutcome& outcome) {
    double room = HUGE_VAL;
    for (const AnalysisPoint& p : outcome.points) {
        const double judged = outcome.rules.polarity == Polarity::both ? std::min(p.positiveDb, p.negativeDb)
                                                                        : p.maximaxDb;
        room = std::min(room, judged - p.band.lowDb);
    }
    return room;
}

bool searchLowerZpa(FitSearch& search, std::string& error) {
    if (!search.options.shaker || anyFits(search) || search.records.empty()) return true;
    const AttemptRecord kept = search.records[static_cast<std::size_t>(chosenAttemptIndex(search.records))];
    if (!kept.outcome.passes || overOn(kept, stroke) || overOn(kept, velocity)) return true;
    double dropDb = 0.0;
    for (const ShakerQuantityKind key : {ShakerQuantityKind::acceleration, ShakerQuantityKind::force}) {
        const ShakerQuantity* q = quantityOf(kept.shaker, key);
        if (q != nullptr && !q->within) dropDb = std::max(dropDb, 20.0 * std::log10(q->share) + 0.1);
    }
    if (!(dropDb > 0.0) || !(dropDb <= roomBelowDb(kept.outcome))) return true;
    AttemptPlan plan = kept.plan;
    plan.answers.zpa = roundedZpa(plan.answers.zpa * std::pow(10.0, -dropDb / 20.0));
    if (tried(search, plan)) return true;
    return runAttempts(search, {plan}, error);
}

// The duration at which the peak of `key` meets `limit`, by the power law
// through the smallest peak measured at each duration; 0 when the measured
// peaks do not fall with the duration.
double durationReaching(const std::vector<AttemptRecord>& records, ShakerQuantityKind key, double limit) {
    const PowerLaw law = fitPowerLaw(smallestByDuration(records, [key](const AttemptRecord& r) {
        const ShakerQuantity* q = quantityOf(r.shaker, key);
        return q == nullptr ? -1.0 : q->peak;
    }));
    if (!law.fitted || !(law.exponent < -0.05)) return 0.0;
    return std::exp((std::log(limit) - law.logCoefficient) / law.exponent);
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
    return longestRunDuration(runTimeStep(spec.frequency[spec.count - 1]));
}

bool runFitSearch(FitSearch& search, const AttemptPlan& first, std::string& error) {
    AttemptPlan plan = first;
    settleSpecName(search, plan);
    return searchSpectrum(search, plan, error) && searchDurations(search, error) && searchLowerZpa(search, error);
}

FitAdvice adviseOnShaker(const FitSearch& search, int chosen) {
    FitAdvice advice;
    if (!search.options.shaker || chosen < 0) return advice;
    const AttemptRecord& kept = search.records[static_cast<std::size_t>(chosen)];
    if (attemptFits(kept) || !kept.outcome.passes) return advice;
    const double share = search.options.shaker->usableShare;
    std::string json = "[";
    for (const ShakerQuantity& bound : kept.shaker.quantities) {
        if (bound.within) continue;
        // The best the search reached on this limit: for the stroke and the
        // velocity in any attempt; for the acceleration and the force, which
        // the ZPA sets, among the histories that pass.
        const ShakerQuantityRow& row = bound.row();
        const bool travel = row.travel;
        const AttemptRecord* best = &kept;
        for (const AttemptRecord& r : search.records) {
            const ShakerQuantity* q = quantityOf(r.shaker, bound.kind);
            if (q == nullptr || (!travel && !r.outcome.passes)) continue;
            if (q->peak < quantityOf(best->shaker, bound.kind)->peak) best = &r;
        }
        const ShakerQuantity& q = *quantityOf(best->shaker, bound.kind);
        const double rating = q.peak / share * row.ratingPerLimit;
        std::string line;
        appendFormat(line, "The shaker's %s binds: the best reached is %s %s (attempt %d%s) against %s %s usable. ",
                     row.what, readableNumber(q.peak).c_str(), row.unit, best->number,
                     best->outcome.passes ? "" : ", whose spectrum fails", readableNumber(q.limit).c_str(), row.unit);
        appendFormat(line, "It would take a shaker with %s %s%s of %s", readableNumber(rating).c_str(), row.unit,
                     q.kind == stroke ? " peak to peak" : "", row.rating);
        double duration = 0.0;
        double lowerDb = 0.0;
        if (travel) {
            duration = durationReaching(search.records, q.kind, q.limit);
            if (duration > 0.0) {
                const std::string beyond = duration > longestDurationFor(kept.plan)
                                               ? "; beyond the program's " + std::to_string(maxRunSamples) + " samples"
                                               : "";
                appendFormat(line, ", or a duration of about %s s (from the peaks measured at each duration%s)",
                             readableNumber(duration).c_str(), beyond.c_str());
            }
        } else {
            lowerDb = 20.0 * std::log10(q.share);
            appendFormat(line, ", or a specification %.1f dB lower (the ZPA sets this peak)", lowerDb);
        }
        line += ".";
        advice.lines.push_back(line);
        json += std::string(json.size() > 1 ? ",\n    " : "\n    ") + "{\"limit\": " + jsonString(row.key) +
                ", \"best\": " + jsonNumber(q.peak) + ", \"usable_limit\": " + jsonNumber(q.limit) +
                ", \"attempt\": " + std::to_string(best->number) + ", \"shaker_would_need\": " + jsonNumber(rating) +
                ", \"duration_s\": " + (duration > 0.0 ? jsonNumber(duration) : "null") +
                ", \"specification_lower_db\": " + (travel ? "null" : jsonNumber(lowerDb)) + "}";
    }
    advice.json = json + (json.size() > 1 ? "\n  ]" : "]");
    return advice;
}

std::vector<std::string> helpfulOptions(const FitSearch& search, int chosen) {
    std::vector<std::string> hints;
    if (chosen < 0) return hints;
    const AttemptRecord& kept = search.records[static_cast<std::size_t>(chosen)];
    const FitOptions& options = search.options;
    if (!kept.outcome.passes) {
        if (search.attemptsRanOut) hints.push_back("--attempts " + std::to_string(options.attemptLimit + 4));
        const AcceptanceGuidance& g = kept.outcome.guidance;
        if (kept.plan.answers.spacingChoice != 3) hints.push_back("--spacing 12");
        if (!g.zpaCanCentreAll) hints.push_back("a wider band (--tolerance, or --band-file)");
        if (options.trialCount < maxTrials) hints.push_back("--trials " + std::to_string(std::min(maxTrials, 4 * options.trialCount)));
        return hints;
    }
    if (attemptFits(kept)) return hints;
    for (const ShakerQuantityKind key : {stroke, velocity}) {
        const ShakerQuantity* q = quantityOf(kept.shaker, key);
        if (q == nullptr || q->within) continue;
        const double duration = durationReaching(search.records, key, q->limit);
        const double allowed = maxDurationOf(search, kept.plan);
        if (duration > allowed && duration <= longestDurationFor(kept.plan)) {
            hints.push_back("--max-duration " + readableNumber(roundedDuration(duration * 1.2)));
            break;
        }
    }
    return hints;
}

ReportRequest attemptReportRequest(const FitSearch& search, const AttemptRecord& record, const std::string& dir) {
    ReportRequest request;
    request.specification = search.judged;
    SpecTable runSpec;
    readSpecificationText(record.plan.specText, runSpec);
    request.history.kind = HistoryKind::plainRun;
    request.history.folder = runFolderOf(*record.results, runSpec);
    request.history.folder.dir = dir;
    request.rules = search.options.rules;
    request.shaker = search.options.shaker;
    request.outputDir = dir;
    request.commandLine = search.options.commandLine;
    return request;
}
