#include "bench_setup.h"

#include <cmath>
#include <cstdio>
#include <random>


std::unique_ptr<RunState> makeBenchRun(double firstFrequency, double lastFrequency, int spacingChoice,
                                       double duration, double zpa) {
    RunAnswers answers;
    answers.zpa = zpa;
    answers.spacingChoice = spacingChoice;
    answers.dampingRatio = 0.05;
    answers.duration = duration;
    answers.skipCount = 1;
    answers.units = 1;
    answers.trialCount = maxTrials;
    auto state = std::make_unique<RunState>(answers);
    SpecTable& spec = state->spec;
    spec.count = 2;
    spec.frequency[0] = firstFrequency;
    spec.frequency[1] = lastFrequency;
    spec.level[0] = 1000.0 * firstFrequency / lastFrequency;
    spec.level[1] = 1000.0;
    std::FILE* quiet = std::fopen("/dev/null", "w");
    state->grid = buildFrequencyGrid(spec, spacingChoice, quiet);
    std::fclose(quiet);
    RunSampling& s = state->sampling;
    s.timeStep = 1.0 / (12.0 * lastFrequency);
    s.sampleCount = static_cast<int>(duration / s.timeStep);
    s.bank = computeFilterBank(state->grid, answers.dampingRatio, s.timeStep);
    return state;
}

void makeBenchGrid(int count, FrequencyGrid& grid, SrsFilterBank& bank) {
    grid.count = count;
    const double span = count > 1 ? 1.0 / (count - 1) : 0.0;
    for (int j = 0; j < count; ++j) {
        grid.frequency[j] = 100.0 * std::pow(100.0, j * span);
        grid.level[j] = grid.frequency[j];
    }
    bank = computeFilterBank(grid, 0.05, 1.0 / 120000.0);
}

std::vector<double> makeBenchHistory(int sampleCount) {
    std::mt19937_64 engine(12345);
    std::normal_distribution<double> noise(0.0, 100.0);
    std::vector<double> history(static_cast<std::size_t>(sampleCount));
    for (int i = 0; i < sampleCount; ++i) history[static_cast<std::size_t>(i)] = noise(engine) * std::exp(-i / 2000.0);
    return history;
}
