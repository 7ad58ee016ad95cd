#include "results/run_record_steps.h"

#include "common/checksum.h"
#include "results/run_record.h"
#include "run/constants.h"

bool startRunRecord(RunState& state, std::FILE* console) {
    const RunParameters& p = state.parameters;
    RunRecord& record = state.record;
    record = RunRecord{};
    record.version = programVersion;
    record.specFileName = p.specFileName;
    // The file was read moments ago by the dialogue; should it have gone since,
    // the checksum stays 0 and a reader sees a file other than the run's.
    if (!checksumFile(p.specFileName, record.specChecksum)) record.specChecksum = 0;
    record.zpa = p.zpa;
    record.spacingChoice = p.spacingChoice;
    record.octaveFraction = gridStepsPerOctave(p.spacingChoice);
    record.dampingRatio = p.dampingRatio;
    record.q = 1.0 / (2.0 * p.dampingRatio);
    record.duration = p.duration;
    record.trialCount = p.trialCount;
    record.units = p.units;
    record.skipCount = p.skipCount;
    record.timeStep = p.timeStep;
    record.sampleCount = p.sampleCount;
    record.gridPointCount = state.grid.count;
    record.lastGridFrequency = state.grid.count > 0 ? state.grid.frequency[state.grid.count - 1] : 0.0;
    return writeRunRecord(record, console);
}

bool recordResultsStep(RunState& state, int n, double outputTimeStep, int outputSampleCount, std::FILE* console) {
    RunRecord& record = state.record;
    record.trialsRanked = n;
    record.optimumCase = state.ranking.optimumCase;
    record.outputSampleRate = 1.0 / outputTimeStep;
    record.outputTimeStep = outputTimeStep;
    record.outputSampleCount = outputSampleCount;
    return writeRunRecord(record, console);
}
