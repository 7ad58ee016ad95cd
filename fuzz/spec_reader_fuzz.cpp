// Feeds arbitrary bytes to the specification reader as a file, then builds the
// grid for every spacing and follows the values the dialogue derives from it
// into the strategies and the spectrum's run-on, as a run would.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "run/synthesis_run.h"
#include "spec/spec_table.h"
#include "srs/filter_bank.h"
#include "srs/response_spectrum.h"
#include "wavelet/strategies.h"

namespace {

std::FILE* nullConsole() {
    static std::FILE* console = std::fopen("/dev/null", "w");
    return console;
}

WaveletTable& waveletRows() {
    static const std::unique_ptr<WaveletTable> table = std::make_unique<WaveletTable>();
    return *table;
}

void checkStrategies(const FrequencyGrid& grid, double duration) {
    RandomSource random;
    WaveletTable& table = waveletRows();
    drawIndependentWavelets(random, table, 0, grid, duration);
    drawCommonCountWavelets(random, table, 1, grid, duration);
    drawChainedRandomWavelets(random, table, 2, grid, duration);
    drawChainedSpecWavelets(random, table, 3, grid, duration);
    for (int k = 0; k < 4; ++k) {
        for (int j = 0; j < grid.count; ++j) {
            if (table.nhs[k][j] < 1 || table.nhs[k][j] % 2 == 0) std::abort();
        }
    }
}

void followGrid(const SpecTable& spec, const FrequencyGrid& grid) {
    if (grid.count < 1 || grid.count > maxGridPoints) std::abort();
    const double firstFrequency = grid.frequency[0];
    const double lastFrequency = spec.frequency[spec.count - 1];
    const double timeStep = 1.0 / (12.0 * lastFrequency);
    // The recommended duration, the shortest accepted one and half of it, each
    // only where the duration check lets it through.
    for (const double duration : {2.0 / firstFrequency, 1.5 / firstFrequency, 0.75 / firstFrequency}) {
        if (1.5 / firstFrequency > duration) continue;
        const int samples = deriveSampleCount(duration, timeStep, nullConsole());
        if (samples < 0 || samples > maxRunSamples) std::abort();
        checkStrategies(grid, duration);
    }
    const SrsFilterBank bank = computeFilterBank(grid, 0.05, timeStep);
    static_cast<void>(bank);
    const int runOn = runOnSampleCount(grid, timeStep);
    if (runOn < 0 || runOn > sampleCapacity) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fmemopen refuses an empty buffer, so an empty file is one byte of blank.
    char blank = ' ';
    std::FILE* stream = size == 0 ? fmemopen(&blank, 1, "r")
                                  : fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (stream == nullptr) return 0;
    SpecTable spec;
    const SpecReadStatus status = readSpecStream(stream, spec, nullConsole());
    std::fclose(stream);
    if (spec.count < 0 || spec.count > maxSpecPoints) std::abort();
    if (status != SpecReadStatus::ok) return 0;

    for (int spacing : {1, 2, 3, 0}) {
        const FrequencyGrid grid = buildFrequencyGrid(spec, spacing, nullConsole());
        followGrid(spec, grid);
    }
    return 0;
}
