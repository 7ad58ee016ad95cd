#include "common/checksum.h"

#include <cstdio>

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t sum) {
    constexpr std::uint64_t prime = 1099511628211ull;
    const unsigned char* byte = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        sum ^= byte[i];
        sum *= prime;
    }
    return sum;
}

bool checksumFile(const std::string& path, std::uint64_t& sum) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    sum = fnv1aStart;
    unsigned char block[1 << 14];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) sum = fnv1a64(block, got, sum);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}
