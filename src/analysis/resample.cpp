#include "analysis/resample.h"

#include <algorithm>
#include <cmath>

#include "model/constants.h"
#include "analysis/band_limited_upsampler.h"

namespace {

// Zeros before and after the record, so that the transform's periodic wrap
// joins zeros to zeros.
constexpr std::size_t paddingSamples = 64;
constexpr std::size_t oversampling = 16;
// The share of the band below a lower Nyquist frequency that the cut tapers over.
constexpr double taperShare = 0.2;

// The 4-point Lagrange interpolation of y at position p (0 <= p, between
// y[i] and y[i+1] for i = floor(p)); y must hold i-1 .. i+2.
double lagrange4(const double* y, double p) {
    const double i = std::floor(p);
    const double u = p - i;
    const double* at = y + static_cast<std::size_t>(i) - 1;
    const double w0 = -u * (u - 1.0) * (u - 2.0) / 6.0;
    const double w1 = (u + 1.0) * (u - 1.0) * (u - 2.0) / 2.0;
    const double w2 = -(u + 1.0) * u * (u - 2.0) / 2.0;
    const double w3 = (u + 1.0) * u * (u - 1.0) / 6.0;
    return ((w0 * at[0] + w1 * at[1]) + w2 * at[2]) + w3 * at[3];
}

}  // namespace

std::vector<double> resampleBandLimited(const std::vector<double>& samples, double timeStep, double newTimeStep) {
    const std::size_t length = fastTransformLength(samples.size() + 2 * paddingSamples);
    std::vector<double> padded(length, 0.0);
    std::copy(samples.begin(), samples.end(), padded.begin() + paddingSamples);
    RecordSpectrum spectrum = transformPaddedRecord(padded.data(), length);

    // Bin k lies at k / (length timeStep) Hz; the record's own Nyquist bin
    // is length / 2. Below a lower new rate everything from its Nyquist
    // frequency up goes, through a raised-cosine taper over the top fifth
    // below it: a sharp cut would ring slowly on either side of the record,
    // and what rings before its start is lost, with the velocity and
    // displacement that its area carries.
    const double newNyquistBin = 0.5 * timeStep / newTimeStep * static_cast<double>(length);
    if (newNyquistBin < static_cast<double>(length / 2)) {
        const double taperStart = (1.0 - taperShare) * newNyquistBin;
        double* bins = spectrum.bins.get();
        for (std::size_t k = static_cast<std::size_t>(std::ceil(taperStart)); k <= length / 2; ++k) {
            const double kept = static_cast<double>(k) >= newNyquistBin
                                    ? 0.0
                                    : 0.5 * (1.0 + std::cos(pi * (static_cast<double>(k) - taperStart) /
                                                            (newNyquistBin - taperStart)));
            bins[2 * k] *= kept;
            bins[2 * k + 1] *= kept;
        }
    }
    const FftwArray fine = upsampleRecord(spectrum, oversampling);

    const double span = static_cast<double>(samples.size() - 1) * timeStep;
    const std::size_t count = static_cast<std::size_t>(std::floor(span / newTimeStep * (1.0 + 1e-12))) + 1;
    std::vector<double> result(count);
    const double perStep = static_cast<double>(oversampling) / timeStep;
    for (std::size_t j = 0; j < count; ++j) {
        const double position =
            static_cast<double>(paddingSamples * oversampling) + static_cast<double>(j) * newTimeStep * perStep;
        result[j] = lagrange4(fine.get(), position);
    }
    return result;
}
