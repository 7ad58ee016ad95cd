#include "wavelet/synthesis.h"

#include <cmath>

#include "wavelet/wavelet_terms.h"

double waveletSum(const WaveletTable& table, int k, const FrequencyGrid& grid, double t) {
    const double* amplitude = table.amplitude[k];
    const std::int32_t* nhs = table.nhs[k];
    const double* delay = table.delay[k];
    double sum = 0.0;
    for (int j = 0; j < grid.count; ++j) {
        const double frequency = grid.frequency[j];
        if (waveletActive(delay[j], windowLength(nhs[j], frequency), t)) {
            sum += waveletValue(amplitude[j], static_cast<double>(nhs[j]), angularFrequency(frequency), t - delay[j]);
        }
    }
    return sum;
}

void synthesizeTrial(WaveletTable& table, int k, const FrequencyGrid& grid, double timeStep,
                     int sampleCount, double zpa, TimeHistory& history) {
    const int count = grid.count;
    double* amplitude = table.amplitude[k];
    const double* delay = table.delay[k];

    double omega[maxGridPoints];
    double halfSines[maxGridPoints];
    double windowEnd[maxGridPoints];
    for (int j = 0; j < count; ++j) {
        omega[j] = angularFrequency(grid.frequency[j]);
        halfSines[j] = static_cast<double>(table.nhs[k][j]);
        windowEnd[j] = windowLength(table.nhs[k][j], grid.frequency[j]);
    }

    double* sample = history.sample;
    double peak = 0.0;
    for (int i = 0; i < sampleCount; ++i) {
        const double t = sampleTime(i, timeStep);
        double sum = 0.0;
        for (int j = 0; j < count; ++j) {
            if (waveletActive(delay[j], windowEnd[j], t)) {
                sum += waveletValue(amplitude[j], halfSines[j], omega[j], t - delay[j]);
            }
        }
        sample[i] = sum;
        if (std::fabs(sum) > std::fabs(peak)) peak = sum;
    }

    // A history with no non-zero sample has nothing to scale.
    if (peak == 0.0) return;

    // The signed peak: a negative one turns the history over so that its
    // largest excursion becomes +zpa.
    const double scale = zpa / peak;
    for (int i = 0; i < sampleCount; ++i) sample[i] *= scale;
    for (int j = 0; j < count; ++j) amplitude[j] *= scale;
}

void correctAmplitudes(WaveletTable& table, int k, const FrequencyGrid& grid,
                       const ResponseSpectrum& spectrum) {
    double* amplitude = table.amplitude[k];
    for (int j = 0; j < grid.count; ++j) {
        const double response = spectrum.negativePeak[j];
        // No negative response gives no ratio to correct by.
        if (response == 0.0) continue;
        amplitude[j] = amplitude[j] * std::pow(grid.level[j] / response, 0.65);
    }
}
