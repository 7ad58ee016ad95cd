#pragma once

// The scratch folder of one fuzz target, removed when it exits, and the
// writing of an input's bytes into it.

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string& fuzzWorkDir() {
    static std::string dir;
    return dir;
}

// Makes the folder, in memory where there is a tmpfs: an input that rewrites
// files on a disk that discards freed blocks waits for each truncation.
inline const std::string& makeFuzzWorkDir(const std::string& name) {
    std::string inMemory = "/dev/shm/" + name + "-XXXXXX";
    std::string onDisk = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
    const char* made = mkdtemp(inMemory.data());
    if (made == nullptr) made = mkdtemp(onDisk.data());
    if (made == nullptr) std::abort();
    fuzzWorkDir() = made;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(fuzzWorkDir(), ignored);
    });
    return fuzzWorkDir();
}

inline void writeBytes(const std::string& path, const char* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}
