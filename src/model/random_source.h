#pragma once

#include <cstdint>

// The run's one linear congruential generator: state = state * 214013 + 2531011
// modulo 2^32, returning bits 16..30. It starts at 1 and is never reseeded.
struct RandomSource {
    std::uint32_t state = 1;
};

int nextRaw(RandomSource& source);
double nextUniform(RandomSource& source);

// Discards `count` draws (none when count <= 0), as if nextRaw had been called
// that many times; the affine map is jumped ahead by squaring.
void skipDraws(RandomSource& source, long long count);
