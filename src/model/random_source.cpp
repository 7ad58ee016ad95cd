#include "model/random_source.h"

namespace {
constexpr std::uint32_t multiplier = 214013u;
constexpr std::uint32_t increment = 2531011u;
}

int nextRaw(RandomSource& source) {
    source.state = source.state * multiplier + increment;
    return static_cast<int>((source.state >> 16) & 0x7FFFu);
}

double nextUniform(RandomSource& source) {
    return static_cast<double>(nextRaw(source)) / 32767.0;
}

void skipDraws(RandomSource& source, long long count) {
    // Compose x -> m*x + c with itself: (m, c) -> (m*m, m*c + c), all mod 2^32.
    std::uint32_t jumpMul = 1u;
    std::uint32_t jumpAdd = 0u;
    std::uint32_t stepMul = multiplier;
    std::uint32_t stepAdd = increment;
    for (unsigned long long k = count > 0 ? static_cast<unsigned long long>(count) : 0ull; k != 0;
         k >>= 1) {
        if (k & 1ull) {
            jumpMul = jumpMul * stepMul;
            jumpAdd = jumpAdd * stepMul + stepAdd;
        }
        stepAdd = stepAdd * stepMul + stepAdd;
        stepMul = stepMul * stepMul;
    }
    source.state = source.state * jumpMul + jumpAdd;
}
