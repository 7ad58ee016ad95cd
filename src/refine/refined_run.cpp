#include "refine/refined_run.h"

RefinedRun refinedRun(const RunResults& program, const std::vector<ExactWavelet>& wavelets, HistoryKind kind) {
    RefinedRun run;
    RunResults& results = run.results;
    results = program;
    RunRecord& record = results.record;
    run.files = historyFilesOf(wavelets, record);
    run.waveletText = waveletTableText(record.units, wavelets);
    record.holds = kind;
    record.hasChecksums = true;
    record.checksums = checksumsOf(run.waveletText, run.files);
    record.wavelets = wavelets;
    results.wavelets = wavelets;
    results.acceleration = run.files.acceleration;
    results.velocity = run.files.velocity;
    results.displacement = run.files.displacement;
    results.srsPositive = run.files.srsPositive;
    results.srsNegative = run.files.srsNegative;
    return run;
}
