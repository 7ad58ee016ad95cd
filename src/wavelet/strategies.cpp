#include "wavelet/strategies.h"

namespace {

// Turns a truncated draw n into an odd half-sine count of at least `floor`.
inline int oddCountFrom(int n, int floor) {
    const int count = 2 * n - 1;
    return count < floor ? floor : count;
}

// Strategy 1's count draw scales the raw value before dividing: raw * 60 / 32767.0.
int drawOddCountFromRaw(RandomSource& random, int multiplier, int floor) {
    const int raw = nextRaw(random);
    const double scaled = static_cast<double>(raw * multiplier) / 32767.0;
    return oddCountFrom(static_cast<int>(scaled), floor);
}

// One deviate; below 0.5 turns the amplitude negative.
inline double drawSign(RandomSource& random, double amplitude) {
    return nextUniform(random) < 0.5 ? -amplitude : amplitude;
}

}  // namespace

int drawOddCount(RandomSource& random, int multiplier, int floor) {
    const double u = nextUniform(random);
    return oddCountFrom(static_cast<int>(static_cast<double>(multiplier) * u), floor);
}

double drawFreeDelay(RandomSource& random, const FrequencyGrid& grid, int j, double duration) {
    const double u = nextUniform(random);
    return u * (duration - 1.5 / grid.frequency[j]);
}

void fitHalfSineCounts(WaveletTable& table, int k, const FrequencyGrid& grid, double duration) {
    for (int j = 0; j < grid.count; ++j) {
        const double frequency = grid.frequency[j];
        const double delay = table.delay[k][j];
        std::int32_t& nhs = table.nhs[k][j];
        // Every delay rule leaves room for three half-cycles, so a sound run
        // never needs a count below 1. Only a degenerate specification (a
        // negative frequency with a negative duration) keeps the wavelet too
        // long however short it gets; the count then stops at one half-cycle.
        while (nhs > 1 && delay + static_cast<double>(nhs) / (2.0 * frequency) > duration) nhs -= 2;
    }
}

void drawIndependentWavelets(RandomSource& random, WaveletTable& table, int k,
                             const FrequencyGrid& grid, double duration) {
    for (int j = 0; j < grid.count; ++j) {
        const double amplitude = nextUniform(random);
        table.amplitude[k][j] = drawSign(random, amplitude);
        table.delay[k][j] = drawFreeDelay(random, grid, j, duration);
        table.nhs[k][j] = drawOddCountFromRaw(random, 60, 3);
    }
    fitHalfSineCounts(table, k, grid, duration);
}

void drawCommonCountWavelets(RandomSource& random, WaveletTable& table, int k,
                             const FrequencyGrid& grid, double duration) {
    const int count = drawOddCount(random, 111, 15);
    for (int j = 0; j < grid.count; ++j) {
        const double amplitude = nextUniform(random);
        table.amplitude[k][j] = drawSign(random, amplitude);
        table.delay[k][j] = drawFreeDelay(random, grid, j, duration);
        table.nhs[k][j] = count;
    }
    fitHalfSineCounts(table, k, grid, duration);
}

// Delays chained from the highest frequency down: each wavelet starts `spacing`
// periods of its own frequency after the next higher one, unless it would then
// leave fewer than three half-cycles before the end, when it gets a free delay.
namespace {

double chainedDelay(RandomSource& random, const FrequencyGrid& grid, int j, double previousDelay,
                    double spacing, double duration) {
    const double frequency = grid.frequency[j];
    const double delay = previousDelay + spacing / frequency;
    if (delay + 3.0 / (2.0 * frequency) > duration) return drawFreeDelay(random, grid, j, duration);
    return delay;
}

}  // namespace

void drawChainedRandomWavelets(RandomSource& random, WaveletTable& table, int k,
                               const FrequencyGrid& grid, double duration) {
    const int nf = grid.count;
    double* amplitude = table.amplitude[k];
    double* delay = table.delay[k];

    const double spacingDeviate = nextUniform(random);
    const int count = drawOddCount(random, 65, 5);
    const double spacing = spacingDeviate * 1.2;
    double previousDelay = 0.0;
    for (int j = nf - 1; j >= 0; --j) {
        amplitude[j] = nextUniform(random);
        delay[j] = chainedDelay(random, grid, j, previousDelay, spacing, duration);
        table.nhs[k][j] = count;
        previousDelay = delay[j];
    }
    if (nf > 0) delay[nf - 1] = 0.0;

    // Pull the two lowest-frequency wavelets toward the start. The deviates are
    // drawn whatever the grid size; a wavelet beyond the grid is left alone.
    if (nextUniform(random) < 0.85 && nf > 0) delay[0] = 0.0;
    if (nextUniform(random) < 0.85) {
        const double factor = nextUniform(random);
        if (nf > 1) delay[1] = factor * delay[1];
    }
    if (nextUniform(random) < 0.25) {
        if (nf > 0) {
            delay[0] = 0.0;
            amplitude[0] = -amplitude[0];
        }
        if (nf > 1) delay[1] = 0.0;
    }
    fitHalfSineCounts(table, k, grid, duration);
}

void drawChainedSpecWavelets(RandomSource& random, WaveletTable& table, int k,
                             const FrequencyGrid& grid, double duration) {
    const int nf = grid.count;
    double* delay = table.delay[k];

    const double spacing = nextUniform(random);
    const int count = drawOddCount(random, 111, 5);
    for (int j = nf - 1; j >= 0; --j) {
        table.amplitude[k][j] = grid.level[j] / 16.0;
        delay[j] = (j == nf - 1) ? 0.0
                                 : chainedDelay(random, grid, j, delay[j + 1], spacing, duration);
        table.nhs[k][j] = count;
    }
    fitHalfSineCounts(table, k, grid, duration);
}
