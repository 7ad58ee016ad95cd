#include "analysis/independent_srs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/band_limited_upsampler.h"

namespace {

// One input of data/known_answers.txt: a(t) = sin(pi h t / D) for
// 0 <= t <= D = samples / rate, with the exact peaks of the absolute
// acceleration at each natural frequency.
struct KnownInput {
    std::string label;
    double rate = 0.0;
    int samples = 0;
    int halfCycles = 0;
    double dampingRatio = 0.0;
    std::vector<double> frequencies, positive, negative;
};

std::vector<KnownInput> readKnownAnswers() {
    std::ifstream in(KOLVANE_SOURCE_DIR "/tests/report/data/known_answers.txt");
    std::map<std::tuple<std::string, double, int, int, double>, KnownInput> inputs;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        KnownInput key;
        double fn, positive, negative;
        row >> key.label >> key.rate >> key.samples >> key.halfCycles >> key.dampingRatio >> fn >> positive >>
            negative;
        KnownInput& input =
            inputs.try_emplace({key.label, key.rate, key.samples, key.halfCycles, key.dampingRatio}, key)
                .first->second;
        input.frequencies.push_back(fn);
        input.positive.push_back(positive);
        input.negative.push_back(negative);
    }
    std::vector<KnownInput> list;
    for (auto& [key, input] : inputs) list.push_back(input);
    return list;
}

std::vector<double> sampledInput(const KnownInput& input) {
    const double pi = std::atan2(0.0, -1.0);
    std::vector<double> x(input.samples + 1);
    for (int n = 0; n <= input.samples; ++n) x[n] = std::sin(pi * input.halfCycles * n / input.samples);
    return x;
}

}  // namespace

// Each peak is judged against the larger of the two at its frequency: above
// a few kHz the half-sine's residual (negative) response is only a few per
// cent of its positive one, and the sampled pulse's corners alias into it by
// up to 2 % of its own size (0.11 % of the larger peak). The maximax is
// within 0.1 % everywhere.
TEST(IndependentSrs, MatchesExactResponsesOfSampledPulsesAndBursts) {
    const std::vector<KnownInput> inputs = readKnownAnswers();
    ASSERT_EQ(inputs.size(), 7u);
    for (const KnownInput& input : inputs) {
        IndependentSrsSettings settings;
        settings.dampingRatio = input.dampingRatio;
        settings.tailSeconds = 1.2 / *std::min_element(input.frequencies.begin(), input.frequencies.end());
        const IndependentSrs srs =
            computeIndependentSrs(sampledInput(input), 1.0 / input.rate, input.frequencies, settings);
        ASSERT_EQ(srs.frequency, input.frequencies);
        for (std::size_t i = 0; i < input.frequencies.size(); ++i) {
            const double scale = std::max(input.positive[i], input.negative[i]);
            EXPECT_LE(std::abs(maximax(srs, i) / scale - 1.0), 0.001) << input.label << " fn " << input.frequencies[i];
            EXPECT_LE(std::abs(srs.positive[i] - input.positive[i]) / scale, 0.002) << input.label;
            EXPECT_LE(std::abs(srs.negative[i] - input.negative[i]) / scale, 0.002) << input.label;
        }
    }
}

// A sum of wavelets (the program's histories) sampled 12 times a cycle of
// its top frequency, against the same sum sampled 32 times as finely and
// filtered at that rate: within 0.1 % at every frequency, maximax. The peak
// between samples and the filter's linear hold would each cost up to 0.2 %.
TEST(IndependentSrs, MatchesAFinelySampledReferenceOnAWaveletHistory) {
    const double pi = std::atan2(0.0, -1.0);
    const double rate = 120000.0;
    const int fine = 32;
    struct Wavelet {
        double frequency, amplitude, delay;
        int halfSines;
    };
    std::vector<Wavelet> wavelets;
    std::uint32_t state = 99;
    const auto uniform = [&] { return ((state = state * 1664525u + 1013904223u) >> 8) / 16777216.0; };
    for (double f = 100.0; f <= 10000.0; f *= std::pow(2.0, 1.0 / 6.0)) {
        const int halfSines = 2 * static_cast<int>(uniform() * 10.0) + 3;
        wavelets.push_back({f, (uniform() - 0.5) * std::min(1.0, f / 1000.0), uniform() * (0.03 - halfSines / (2 * f)),
                            halfSines});
    }
    const auto history = [&](double t) {
        double sum = 0.0;
        for (const Wavelet& w : wavelets) {
            const double tau = t - w.delay;
            if (tau < 0.0 || tau > w.halfSines / (2.0 * w.frequency)) continue;
            sum += w.amplitude * std::sin(2.0 * pi * w.frequency * tau / w.halfSines) * std::sin(2.0 * pi * w.frequency * tau);
        }
        return sum;
    };
    const int samples = static_cast<int>(0.03 * rate);
    std::vector<double> coarse(samples), finely(static_cast<std::size_t>(samples) * fine);
    for (int n = 0; n < samples; ++n) coarse[n] = history(n / rate);
    for (std::size_t n = 0; n < finely.size(); ++n) finely[n] = history(n / (rate * fine));
    std::vector<double> frequencies;
    for (double f = 100.0; f <= 10000.0; f *= std::pow(2.0, 1.0 / 12.0)) frequencies.push_back(f);
    IndependentSrsSettings settings;
    const IndependentSrs srs = computeIndependentSrs(coarse, 1.0 / rate, frequencies, settings);
    settings.minPointsPerCycle = 0.0;
    const IndependentSrs reference = computeIndependentSrs(finely, 1.0 / (rate * fine), frequencies, settings);
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        EXPECT_LE(std::abs(maximax(srs, i) / maximax(reference, i) - 1.0), 0.001) << frequencies[i];
    }
}

TEST(IndependentSrs, ZeroLinearDeterministicAndIndependentOfTheOtherFrequencies) {
    std::uint32_t state = 12345;
    std::vector<double> history(3001);
    for (double& x : history) x = ((state = state * 1664525u + 1013904223u) >> 8) / 16777216.0 - 0.5;
    const double timeStep = 1.0 / 120000.0;
    const std::vector<double> frequencies = {100.0, 1000.0, 2400.0, 5000.0, 9000.0, 10000.0, 30000.0, 70000.0};
    // A tail longer than 1.5 periods of 100 Hz, so that it is the same
    // whichever frequencies are asked for.
    const IndependentSrsSettings settings{0.05, 0.02};
    const IndependentSrs srs = computeIndependentSrs(history, timeStep, frequencies, settings);

    const IndependentSrs zero = computeIndependentSrs(std::vector<double>(3001, 0.0), timeStep, frequencies, settings);
    EXPECT_EQ(zero.positive, std::vector<double>(frequencies.size(), 0.0));
    EXPECT_EQ(zero.negative, std::vector<double>(frequencies.size(), 0.0));
    EXPECT_FALSE(std::signbit(zero.negative[0]));

    // Scaling by a power of two and changing sign are exact in every step.
    std::vector<double> scaled = history, negated = history;
    for (double& x : scaled) x *= 4.0;
    for (double& x : negated) x = -x;
    const IndependentSrs larger = computeIndependentSrs(scaled, timeStep, frequencies, settings);
    const IndependentSrs mirrored = computeIndependentSrs(negated, timeStep, frequencies, settings);
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        EXPECT_EQ(larger.positive[i], 4.0 * srs.positive[i]) << frequencies[i];
        EXPECT_EQ(larger.negative[i], 4.0 * srs.negative[i]) << frequencies[i];
        EXPECT_EQ(mirrored.positive[i], srs.negative[i]) << frequencies[i];
        EXPECT_EQ(mirrored.negative[i], srs.positive[i]) << frequencies[i];
        EXPECT_EQ(maximax(srs, i), std::max(srs.positive[i], srs.negative[i]));
    }

    // The same bits again, and for each frequency asked for alone.
    const IndependentSrs again = computeIndependentSrs(history, timeStep, frequencies, settings);
    EXPECT_EQ(again.positive, srs.positive);
    EXPECT_EQ(again.negative, srs.negative);
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const IndependentSrs alone = computeIndependentSrs(history, timeStep, {frequencies[i]}, settings);
        EXPECT_EQ(alone.positive[0], srs.positive[i]) << frequencies[i];
        EXPECT_EQ(alone.negative[0], srs.negative[i]) << frequencies[i];
    }
}

// After the record every oscillator swings freely; its peaks there come in
// closed form. Filtering a long tail of zeros instead, finely sampled, finds
// the same peaks: the record below ends mid-swing, so at the low frequencies
// the residual response holds the largest peaks.
TEST(IndependentSrs, TheResidualInClosedFormMatchesALongFilteredTail) {
    const double pi = std::atan2(0.0, -1.0);
    const double rate = 2000.0;
    std::vector<double> burst(700);
    for (std::size_t n = 0; n < burst.size(); ++n) burst[n] = std::sin(2.0 * pi * 7.0 * n / rate) * (1.0 + n / 300.0);
    const std::vector<double> frequencies = {0.3, 0.5, 1.0, 2.0, 3.5, 7.0, 20.0, 60.0};
    std::vector<double> longTail = burst;
    longTail.resize(burst.size() + static_cast<std::size_t>(8.0 / 0.3 * rate), 0.0);
    for (const double damping : {0.0, 0.02, 0.05, 0.2}) {
        IndependentSrsSettings settings;
        settings.dampingRatio = damping;
        settings.minPointsPerCycle = 400.0;
        const IndependentSrs closed = computeIndependentSrs(burst, 1.0 / rate, frequencies, settings);
        const IndependentSrs filtered = computeIndependentSrs(longTail, 1.0 / rate, frequencies, settings);
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            const double scale = std::max(filtered.positive[i], filtered.negative[i]);
            EXPECT_NEAR(closed.positive[i], filtered.positive[i], 5e-4 * scale) << damping << " " << frequencies[i];
            EXPECT_NEAR(closed.negative[i], filtered.negative[i], 5e-4 * scale) << damping << " " << frequencies[i];
        }
    }
}

// Every factor-th sample of the interpolation is the record's own, whatever
// it holds at the Nyquist frequency; and a sine of whole cycles over the
// padded length is band-limited, so it is reproduced between samples too.
TEST(BandLimitedUpsampler, KeepsTheSamplesAndReproducesABandLimitedSine) {
    const double pi = std::atan2(0.0, -1.0);
    const std::size_t length = fastTransformLength(1000);
    ASSERT_EQ(length, 1000u);
    EXPECT_EQ(fastTransformLength(1001), 1024u);
    EXPECT_EQ(fastUpsamplingFactor(7), 8u);
    std::uint32_t state = 777;
    std::vector<double> noise(length), sine(length);
    for (std::size_t n = 0; n < length; ++n) {
        noise[n] = ((state = state * 1664525u + 1013904223u) >> 8) / 16777216.0 - 0.5;
        sine[n] = std::sin(2.0 * pi * 137.0 * n / length + 0.3);
    }
    for (const std::size_t factor : {1u, 3u, 4u}) {
        const FftwArray upNoise = upsampleRecord(transformPaddedRecord(noise.data(), length), factor);
        const FftwArray upSine = upsampleRecord(transformPaddedRecord(sine.data(), length), factor);
        for (std::size_t n = 0; n < length; ++n)
            ASSERT_NEAR(upNoise[n * factor], noise[n], 1e-12) << factor << " " << n;
        for (std::size_t m = 0; m < length * factor; ++m) {
            const double expected = std::sin(2.0 * pi * 137.0 * m / (length * factor) + 0.3);
            ASSERT_NEAR(upSine[m], expected, 1e-12) << factor << " " << m;
        }
    }
}
