#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Runs work(0) .. work(count - 1) on `threads` threads, the calling one
// included, each taking the next piece left. Pieces that write only their
// own results give the same results on any number of threads.
template <typename Work>
void runShared(std::size_t count, int threads, const Work& work) {
    std::atomic<std::size_t> next{0};
    const auto worker = [&] {
        for (std::size_t k = next++; k < count; k = next++) work(k);
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool) thread.join();
}

// The processor's cores, at least one.
inline int coreCount() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }
