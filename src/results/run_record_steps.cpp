#include "results/run_record_steps.h"

#include "common/checksum.h"
#include "model/constants.h"
#include "model/damping.h"

bool startRunRecord(RunRecord& record, const RunAnswers& answers, const RunSampling& sampling,
                    const FrequencyGrid& grid, const std::string& specPath, const std::string& outputDir,
                    std::FILE* console) {
    record = RunRecord{};
    record.version = programVersion;
    record.specFileName = answers.specFileName;
    // The file was read moments ago; should it have gone since, the checksum
    // stays 0 and a reader sees a file other than the run's.
    if (!checksumFile(specPath, record.specChecksum)) record.specChecksum = 0;
    record.zpa = answers.zpa;
    record.spacingChoice = answers.spacingChoice;
    record.octaveFraction = gridStepsPerOctave(answers.spacingChoice);
    record.dampingRatio = answers.dampingRatio;
    record.q = qOfDampingRatio(answers.dampingRatio);
    record.duration = answers.duration;
    record.trialCount = answers.trialCount;
    record.units = answers.units;
    record.skipCount = answers.skipCount;
    record.timeStep = sampling.timeStep;
    record.sampleCount = sampling.sampleCount;
    record.gridPointCount = grid.count;
    record.lastGridFrequency = grid.count > 0 ? grid.frequency[grid.count - 1] : 0.0;
    return writeRunRecord(record, outputDir, console);
}

bool recordResultsStep(RunRecord& record, const TrialRanking& ranking, int n, const RunSampling& output,
                       const std::string& outputDir, std::FILE* console) {
    record.trialsRanked = n;
    record.optimumCase = ranking.optimumCase;
    record.outputSampleRate = 1.0 / output.timeStep;
    record.outputTimeStep = output.timeStep;
    record.outputSampleCount = output.sampleCount;
    return writeRunRecord(record, outputDir, console);
}
