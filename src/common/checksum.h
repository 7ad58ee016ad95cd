#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// FNV-1a, 64 bits: a small, fixed checksum that tells one file's bytes from
// another's. Not a guard against deliberate tampering.
constexpr std::uint64_t fnv1aStart = 14695981039346656037ull;
std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t sum = fnv1aStart);

// The checksum of the whole file at `path`; false when it cannot be read.
bool checksumFile(const std::string& path, std::uint64_t& sum);
