#include "refine/refined_run.h"

#include "srs/filter_bank.h"

RefinedRun refinedRun(const RunResults& program, const std::vector<ExactWavelet>& wavelets, HistoryKind kind) {
    RefinedRun run;
    RunResults& results = run.results;
    results = program;
    RunRecord& record = results.record;
    FrequencyGrid grid;
    for (const ExactWavelet& w : wavelets) grid.frequency[grid.count++] = w.frequency;
    RunSampling output;
    output.timeStep = record.outputTimeStep;
    output.sampleCount = record.outputSampleCount;
    output.bank = computeFilterBank(grid, record.dampingRatio, output.timeStep);
    run.files = historyFilesOf(wavelets, grid, output, record.units);
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
