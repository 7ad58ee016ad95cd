#include "refine/amplitude_update.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "wavelet/synthesis.h"
#include "wavelet/wavelet_list.h"

// Two wavelets, three peaks that each feel both: the update's change is the
// one that minimises the weighted misses plus the damping's price, found
// here by brute force on a fine grid of changes. A capped and a halved error
// ask less of their peak.
TEST(AmplitudeUpdate, IsTheLeastSquaresChangeABruteForceSearchFinds) {
    const std::vector<double> amplitudes{2.0, -1.0};
    const std::vector<PeakRow> rows{{5.0, {2.0, -1.0}}, {3.0, {0.5, -2.0}}, {4.0, {1.0, -1.5}}};
    const std::vector<PeakAim> aims{{&rows[0], 2.0, 1.0}, {&rows[1], -1.0, 2.0}, {&rows[2], 6.0, 0.5}};
    const struct {
        double exponent, capDb, damping;
    } settings[] = {{1.0, 100.0, 0.0}, {0.7, 1.5, 0.05}, {1.0, 100.0, 0.5}};
    for (const auto& s : settings) {
        AmplitudeUpdateSettings update;
        update.exponent = s.exponent;
        update.capDb = s.capDb;
        update.damping = s.damping;
        const std::vector<double> result = updateAmplitudes(amplitudes, aims, update);
        const auto cost = [&](double d0, double d1) {
            double sum = 0.0, weights = 0.0;
            for (const PeakAim& aim : aims) {
                const double asked = std::clamp(s.exponent * aim.errorDb, -s.capDb, s.capDb);
                const double wanted = aim.row->value * (std::pow(10.0, asked / 20.0) - 1.0);
                const double miss = (aim.row->gains[0] * d0 + aim.row->gains[1] * d1 - wanted) / aim.row->value;
                sum += aim.weight * miss * miss;
                weights += aim.weight;
            }
            const double size0 = std::max(std::fabs(amplitudes[0]), 0.2), size1 = std::max(std::fabs(amplitudes[1]), 0.2);
            return sum + s.damping * weights * ((d0 / size0) * (d0 / size0) + (d1 / size1) * (d1 / size1));
        };
        // Coarse, then fine around the coarse best.
        double best0 = 0.0, best1 = 0.0, bestCost = cost(0.0, 0.0);
        for (const double step : {0.01, 0.0005}) {
            const double from0 = step < 0.01 ? best0 - 0.02 : -3.0, from1 = step < 0.01 ? best1 - 0.02 : -3.0;
            const double to0 = step < 0.01 ? best0 + 0.02 : 3.0, to1 = step < 0.01 ? best1 + 0.02 : 3.0;
            for (double d0 = from0; d0 <= to0; d0 += step) {
                for (double d1 = from1; d1 <= to1; d1 += step) {
                    const double c = cost(d0, d1);
                    if (c < bestCost) {
                        bestCost = c;
                        best0 = d0;
                        best1 = d1;
                    }
                }
            }
        }
        EXPECT_NEAR(result[0] - amplitudes[0], best0, 0.001) << s.damping;
        EXPECT_NEAR(result[1] - amplitudes[1], best1, 0.001) << s.damping;
        EXPECT_LE(cost(result[0] - amplitudes[0], result[1] - amplitudes[1]), bestCost + 1e-9);
    }
}

// A history given by wavelets is the program's sum, bit for bit, and each
// odd half-sine count brings its wavelet back to rest.
TEST(WaveletList, SumsAsTheProgramDoesAndEveryWaveletEndsAtRest) {
    const std::vector<ExactWavelet> wavelets{{10.0, 1.0, 3, 0.0}, {25.0, -0.5, 7, 0.0123}, {40.0, 0.25, 11, 0.05}};
    const double dt = 1.0 / 2000.0;
    const std::vector<double> sum = synthesizeWavelets(wavelets, dt, 400);
    const auto table = std::make_unique<WaveletTable>();
    FrequencyGrid grid;
    for (const ExactWavelet& w : wavelets) {
        table->amplitude[0][grid.count] = w.amplitude;
        table->nhs[0][grid.count] = w.halfSines;
        table->delay[0][grid.count] = w.delay;
        grid.frequency[grid.count++] = w.frequency;
    }
    for (int i = 0; i < 400; ++i) ASSERT_EQ(sum[i], waveletSum(*table, 0, grid, i * dt)) << i;
    const std::vector<WaveletShape> shapes = waveletShapes(waveletSines(wavelets, dt, 400));
    for (std::size_t j = 0; j < wavelets.size(); ++j) {
        double velocity = 0.0;
        for (const double a : shapes[j].values) velocity += a * dt;
        EXPECT_NEAR(velocity, 0.0, 1e-12) << wavelets[j].frequency;
        EXPECT_TRUE(waveletEndsWithin(wavelets[j], 400 * dt)) << wavelets[j].frequency;
    }
    EXPECT_FALSE(waveletEndsWithin({10.0, 1.0, 5, 0.0}, 0.2));

    // The sines kept for the refinement sum other amplitudes to the same
    // bits, a wavelet cut off by the record's end included.
    std::vector<ExactWavelet> rescaled = wavelets;
    rescaled.push_back({15.0, 0.75, 5, 0.15});
    const std::vector<WaveletSines> sines = waveletSines(rescaled, dt, 400);
    for (ExactWavelet& w : rescaled) w.amplitude *= -1.37;
    const std::vector<double> direct = synthesizeWavelets(rescaled, dt, 400);
    const std::vector<double> cached = synthesizeWavelets(rescaled, sines, 400);
    for (int i = 0; i < 400; ++i) ASSERT_EQ(cached[i], direct[i]) << i;
}
