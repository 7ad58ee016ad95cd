#pragma once

#include <cstddef>
#include <memory>

// Band-limited upsampling of a record by zero-padding its discrete Fourier
// transform. The caller pads the record with zeros on both sides to an even
// transform length, so that the transform's periodic wrap joins zeros to
// zeros instead of the record's end to its start.

struct FftwFree {
    void operator()(double* p) const;
};
// Arrays from FFTW's own allocator: always aligned alike, so that FFTW picks
// the same code path (and so the same rounding) on every run.
using FftwArray = std::unique_ptr<double[], FftwFree>;
FftwArray allocateFftwArray(std::size_t count);

struct RecordSpectrum {
    std::size_t length = 0;  // samples of the padded record (even)
    FftwArray bins;          // length / 2 + 1 complex bins, real and imaginary parts interleaved
};

// The smallest even length of at least `minimum` whose only prime factors are
// 2, 3 and 5: a size the transform handles fast, and one that stays so when
// multiplied by a factor made of the same primes.
std::size_t fastTransformLength(std::size_t minimum);

// The smallest factor of at least `minimum` made of the primes 2, 3 and 5.
std::size_t fastUpsamplingFactor(std::size_t minimum);

// The transform of the `length` (even) samples of a padded record.
RecordSpectrum transformPaddedRecord(const double* padded, std::size_t length);

// The band-limited interpolation of the padded record at `factor` times its
// rate: length * factor samples, of which every factor-th is the record's own
// sample to rounding.
FftwArray upsampleRecord(const RecordSpectrum& spectrum, std::size_t factor);

// The same, made for a filter that takes its input as linear between
// samples (the ramp-invariant SRS filter). Linear interpolation passes a
// tone of frequency f at sample interval T as sinc^2(f T) of it (0.13 % low
// at 50 samples a cycle, 2.3 % at 12), so each bin is raised by 1 /
// sinc^2(f T) at the new interval: the filter then sees the band-limited
// record at its full height.
FftwArray upsampleRecordForLinearHold(const RecordSpectrum& spectrum, std::size_t factor);
