#include "analysis/band_limited_upsampler.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "model/constants.h"

namespace {

// FFTW's planner is not safe to enter from two threads at once; running a
// finished plan is. Recursive: a plan given up while the planner is held
// (a kept one pushed out) is destroyed under it.
std::recursive_mutex plannerMutex;

// Plans are kept for the lengths last used: planning a long transform costs
// as much as running it (FFTW works out its twiddle factors then), and a
// script or a fit asks for the same lengths again and again. Each plan is
// made with FFTW_ESTIMATE on arrays from FFTW's allocator and run on others
// from it, aligned alike, so a kept plan gives what a new one would.
enum class Direction { forward, inverse };

// A plan stays alive while a transform runs on it, even once it is no
// longer kept.
using SharedPlan = std::shared_ptr<fftw_plan_s>;

struct KeptPlan {
    std::size_t length = 0;
    Direction direction = Direction::forward;
    SharedPlan plan;
};

constexpr std::size_t keptPlans = 12;

SharedPlan planFor(std::size_t length, Direction direction) {
    static std::vector<KeptPlan> kept;  // most recently used last
    const std::lock_guard<std::recursive_mutex> lock(plannerMutex);
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (kept[k].length == length && kept[k].direction == direction) {
            const KeptPlan found = kept[k];
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(k));
            kept.push_back(found);
            return found.plan;
        }
    }
    FftwArray real = allocateFftwArray(length);
    FftwArray complex = allocateFftwArray(2 * (length / 2 + 1));
    const int n = static_cast<int>(length);
    fftw_complex* bins = reinterpret_cast<fftw_complex*>(complex.get());
    const SharedPlan plan(direction == Direction::forward ? fftw_plan_dft_r2c_1d(n, real.get(), bins, FFTW_ESTIMATE)
                                                          : fftw_plan_dft_c2r_1d(n, bins, real.get(), FFTW_ESTIMATE),
                          [](fftw_plan p) {
                              const std::lock_guard<std::recursive_mutex> held(plannerMutex);
                              fftw_destroy_plan(p);
                          });
    if (kept.size() == keptPlans) kept.erase(kept.begin());
    kept.push_back({length, direction, plan});
    return plan;
}

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
    // The plan may use the input's alignment; a copy in FFTW's own array
    // keeps that the same on every run, and the input intact. FFTW_ESTIMATE
    // plans without timing trial runs, so the plan, and with it every
    // rounding, is the same on every run.
    FftwArray input = allocateFftwArray(length);
    std::copy(padded, padded + length, input.get());
    const SharedPlan plan = planFor(length, Direction::forward);
    fftw_execute_dft_r2c(plan.get(), input.get(), asComplex(spectrum.bins.get()));
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
    const SharedPlan plan = planFor(upLength, Direction::inverse);
    fftw_execute_dft_c2r(plan.get(), asComplex(bins.get()), samples.get());
    return samples;
}

}  // namespace

FftwArray upsampleRecord(const RecordSpectrum& spectrum, std::size_t factor) {
    return interpolate(spectrum, factor, false);
}

FftwArray upsampleRecordForLinearHold(const RecordSpectrum& spectrum, std::size_t factor) {
    return interpolate(spectrum, factor, true);
}
