#include "results/history_files.h"

#include "common/checksum.h"
#include "common/number_format.h"
#include "results/file_layout.h"
#include "results/motion.h"
#include "srs/filter_bank.h"
#include "srs/response_spectrum.h"
#include "wavelet/wavelet_list.h"

namespace {

// "%12.Tf" time, then `separator`, "%12.4f" value and " \n", for every value.
std::string historyText(const std::vector<double>& values, double timeStep, const char* separator) {
    const int decimals = historyTimeDecimals(timeStep);
    std::string text;
    text.reserve(values.size() * 32);
    for (std::size_t i = 0; i < values.size(); ++i) {
        appendFixed(text, static_cast<double>(i) * timeStep, 12, decimals);
        text += separator;
        appendFixed(text, values[i], 12, historyValueDecimals);
        text += " \n";
    }
    return text;
}

std::uint64_t checksumOf(const std::string& text) { return fnv1a64(text.data(), text.size()); }

}  // namespace

std::string waveletTableText(UnitSystem units, const std::vector<ExactWavelet>& wavelets) {
    std::string text = units == 3 ? "\n No.\t Freq(Hz) \t Amp(m/s^2)\t NHS \t  Delay(sec) \n"
                                  : "\n No.\t Freq(Hz) \t   Amp(G) \t NHS  \t  Delay(sec) \n";
    for (std::size_t j = 0; j < wavelets.size(); ++j) {
        const ExactWavelet& w = wavelets[j];
        appendFormat(text, "%ld \t %12.3f \t %12.3f \t %ld \t %12.5f \n", static_cast<long>(j), w.frequency,
                     w.amplitude, static_cast<long>(w.halfSines), w.delay);
    }
    return text;
}

HistoryFiles historyFilesOf(const std::vector<ExactWavelet>& wavelets, const FrequencyGrid& grid,
                            const RunSampling& output, UnitSystem units) {
    HistoryFiles files;
    const int nt = output.sampleCount;
    const double dt = output.timeStep;
    files.acceleration = synthesizeWavelets(wavelets, dt, nt);
    files.accelText = historyText(files.acceleration, dt, " \t ");

    // The integration reads the acceleration's closing zero at index nt.
    std::vector<double> acceleration = files.acceleration;
    acceleration.push_back(0.0);
    std::vector<double> velocity(static_cast<std::size_t>(nt) + 1);
    std::vector<double> displacement(static_cast<std::size_t>(nt) + 1);
    integrateVelocity(acceleration.data(), nt, dt, velocity.data());
    integrateDisplacement(velocity.data(), nt, dt, displacement.data());
    const double velocityUnit = velocityFactor(units);
    const double displacementUnit = displacementFactor(units);
    for (int i = 0; i <= nt; ++i) {
        files.velocity.push_back(velocity[static_cast<std::size_t>(i)] * velocityUnit);
        files.displacement.push_back(displacement[static_cast<std::size_t>(i)] * displacementUnit);
    }
    files.velocityText = historyText(files.velocity, dt, " ");
    files.displacementText = historyText(files.displacement, dt, " ");

    ResponseSpectrum spectrum;
    computeResponseSpectrum(files.acceleration.data(), nt, grid, output.bank, dt, spectrum);
    for (int j = 0; j < grid.count; ++j) {
        files.srsPositive.push_back(spectrum.positivePeak[j]);
        files.srsNegative.push_back(spectrum.negativePeak[j]);
        appendFormat(files.srsText, "%12.*f \t %s \t %s\n", srsFrequencyDecimals, grid.frequency[j],
                     formatExponent(spectrum.positivePeak[j], 12, srsPeakDigits).c_str(),
                     formatExponent(spectrum.negativePeak[j], 12, srsPeakDigits).c_str());
    }
    return files;
}

HistoryFiles historyFilesOf(const std::vector<ExactWavelet>& wavelets, const RunRecord& record) {
    FrequencyGrid grid;
    for (const ExactWavelet& w : wavelets) grid.frequency[grid.count++] = w.frequency;
    RunSampling output;
    output.timeStep = record.outputTimeStep;
    output.sampleCount = record.outputSampleCount;
    output.bank = computeFilterBank(grid, record.dampingRatio, output.timeStep);
    return historyFilesOf(wavelets, grid, output, record.units);
}

ResultFileChecksums checksumsOf(const std::string& waveletText, const HistoryFiles& files) {
    return {checksumOf(waveletText), checksumOf(files.accelText), checksumOf(files.velocityText),
            checksumOf(files.displacementText), checksumOf(files.srsText)};
}
