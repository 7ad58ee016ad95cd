#include "analysis/band_limited_upsampler.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "model/constants.h"

namespace {

// FFTW's planner is not safe to enter from two threads at once; running a
// finished plan is.
std::mutex plannerMutex;

bool isFastLength(std::size_t n) {
    for (const std::size_t prime : {2u, 3u, 5u})
        while (n % prime == 0) n /= prime;
    return n == 1;
}

fftw_complex* asComplex(double* interleaved) { return reinterpret_cast<fftw_complex*>(interleaved); }

}  // namespace

void FftwFree::operator()(double* p) const { fftw_free(p); }

FftwArray allocateFftwArray(std::size_t count) { return FftwArray(fftw_alloc_real(std::max<std::size_t>(count, 1))); }

std::size_t fastTransformLength(std::size_t minimum) {
    std::size_t half = std::max<std::size_t>((minimum + 1) / 2, 1);
    while (!isFastLength(half)) ++half;
    return 2 * half;
}

std::size_t fastUpsamplingFactor(std::size_t minimum) {
    std::size_t factor = std::max<std::size_t>(minimum, 1);
    while (!isFastLength(factor)) ++factor;
    return factor;
}

RecordSpectrum transformPaddedRecord(const double* padded, std::size_t length) {
    RecordSpectrum spectrum;
    spectrum.length = length;
    spectrum.bins = allocateFftwArray(2 * (length / 2 + 1));
    // The planner may use the input's alignment; a copy in FFTW's own array
    // keeps that the same on every run, and the input intact.
    FftwArray input = allocateFftwArray(length);
    fftw_plan plan;
    {
        const std::lock_guard<std::mutex> lock(plannerMutex);
        // FFTW_ESTIMATE plans without timing trial runs, so the plan, and with
        // it every rounding, is the same on every run.
        plan = fftw_plan_dft_r2c_1d(static_cast<int>(length), input.get(), asComplex(spectrum.bins.get()),
                                    FFTW_ESTIMATE);
    }
    std::copy(padded, padded + length, input.get());
    fftw_execute(plan);
    {
        const std::lock_guard<std::mutex> lock(plannerMutex);
        fftw_destroy_plan(plan);
    }
    return spectrum;
}

// With X the transform of the M padded samples, the interpolation is
//   u[m] = (1/M) sum over |j| <= M/2 of X[j] exp(2 pi i j m / (M factor)),
// X[-j] being the conjugate of X[j]. The Nyquist bin X[M/2] stands for the
// term X[M/2] (-1)^n at the record's rate; at the higher rate it becomes a
// cosine at half the record's rate, so half of it goes to bin M/2 and the
// other half to its mirror image, which the real inverse transform implies.
namespace {

FftwArray interpolate(const RecordSpectrum& spectrum, std::size_t factor, bool forLinearHold) {
    const std::size_t length = spectrum.length;
    const std::size_t upLength = length * factor;
    FftwArray bins = allocateFftwArray(2 * (upLength / 2 + 1));
    FftwArray samples = allocateFftwArray(upLength);
    fftw_plan plan;
    {
        const std::lock_guard<std::mutex> lock(plannerMutex);
        plan = fftw_plan_dft_c2r_1d(static_cast<int>(upLength), asComplex(bins.get()), samples.get(), FFTW_ESTIMATE);
    }
    const double scale = 1.0 / static_cast<double>(length);
    const double* source = spectrum.bins.get();
    double* target = bins.get();
    const std::size_t nyquist = length / 2;
    for (std::size_t j = 0; j < 2 * nyquist; ++j) target[j] = source[j] * scale;
    const double nyquistShare = factor == 1 ? scale : 0.5 * scale;
    target[2 * nyquist] = source[2 * nyquist] * nyquistShare;
    target[2 * nyquist + 1] = source[2 * nyquist + 1] * nyquistShare;
    std::fill(target + 2 * nyquist + 2, target + 2 * (upLength / 2 + 1), 0.0);
    if (forLinearHold) {
        // Bin j lies at j / (length T) Hz: at the new interval T / factor,
        // f T is j / upLength.
        for (std::size_t j = 1; j <= nyquist; ++j) {
            const double x = pi * static_cast<double>(j) / static_cast<double>(upLength);
            const double sinc = std::sin(x) / x;
            const double raise = 1.0 / (sinc * sinc);
            target[2 * j] *= raise;
            target[2 * j + 1] *= raise;
        }
    }
    fftw_execute(plan);
    {
        const std::lock_guard<std::mutex> lock(plannerMutex);
        fftw_destroy_plan(plan);
    }
    return samples;
}

}  // namespace

FftwArray upsampleRecord(const RecordSpectrum& spectrum, std::size_t factor) {
    return interpolate(spectrum, factor, false);
}

FftwArray upsampleRecordForLinearHold(const RecordSpectrum& spectrum, std::size_t factor) {
    return interpolate(spectrum, factor, true);
}
